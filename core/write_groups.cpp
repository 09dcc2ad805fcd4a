#include "core/write_groups.h"

#include <algorithm>

#include "base/file_io.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "core/editor_session.h"
#include "core/restore_points.h"
#include "model/group_items.h"
#include "model/write_commands.h"

namespace vtq {

namespace {

// After a failed write, the likely cause the record's own value gives, unless a lost target is the cause.
void LogLikelyCause(const NVMParameter& record, const uint8_t* targetLost, const WriteLog& log) {
    if (targetLost && *targetLost) return;
    const std::string cause = LikelyRefusal(record);
    if (!cause.empty()) log(cause, 0);
}

std::string CannotOpenMessage(const std::string& path) {
    return "Cannot open file\n\n\"" + path + "\"\n\nfor writing.";
}

}  // namespace

bool WriteRecord(Host& host, NVMParameter& record, RecordReport report, uint8_t* targetLost, const WriteLog& log) {
    const WriteLog show = log ? log : [&host](const std::string& text, uint8_t flag) { host.ShowLine(text, flag); };
    if (targetLost) *targetLost = 0;
    const WriteCommandList list = WriteCommands(record);
    for (const LogLine& line : list.refusal) show(line.text, line.flag);
    if (!list.Ok()) return false;
    const bool pieces = list.commands.size() > 1;
    for (const std::string& command : list.commands) {
        std::string answer;
        if (Exchange(host, command, answer, false, targetLost)) continue;
        if (report == RecordReport::Each) {
            show(pieces ? "Error writing \"" + record.name + "\" to target!"
                        : std::string("Error writing to target! Check connection and that parameters are valid."),
                 0);
            LogLikelyCause(record, targetLost, show);
        }
        return false;
    }
    if (report == RecordReport::Each && !pieces) show("Store OK", 1);
    record.state = ParameterState::InTargetRAM;
    return true;
}

namespace {

// Write Groups, to the target or (with `file`) printed into a command file:
// the commands of every record of the view, each followed by a line feed (a
// command ends in CR, so the file gets CR LF line ends). Printing needs no
// target, shows no progress and changes no record's state. Per-record lines go
// through the operation's log, silent once the window is closing.
WriteGroupsResult WriteView(EditorSession& session, UserSide& user, AtomicFileWriter* file) {
    GroupItems& items = session.Items();
    WriteGroupsResult result;
    const int count = items.ViewCount();
    if (count == 0) {
        user.Message(kNoParametersToWriteMessage);
        return result;
    }
    LongOperationOptions options;
    options.checkConnection = file == nullptr;  // a redirection needs no target
    LongOperation op(session.host(), user, options);
    if (!op.Begin()) return result;
    // The values the target holds now are on disk before the first one is replaced.
    if (!file && !SaveRestorePoint(session, user, kWriteGroupsOperation, items.View(), op.LostFlag())) {
        result.noRestorePoint = true;
        result.targetLost = op.TargetLost();
        return result;
    }
    result.started = true;

    const WriteLog log = [&op](const std::string& text, uint8_t flag) { op.Log(text, flag); };
    if (!file) op.OpenProgress(count);
    // A lost target or a closing window ends the run after the record in flight.
    for (int i = 0; i < count && !op.ShouldStop(); ++i) {
        if (!file) {
            op.SetPosition(i);
            if (!op.Poll() || op.Closing()) break;
        }
        // Taken after the events ran: the view may only be read as it is now.
        NVMParameter* record = items.ViewItem(i);
        if (!record) break;
        op.SetStatus("Writing \"" + record->name + "...");
        ++result.attempted;
        bool written = false;
        if (file) {
            const WriteCommandList list = WriteCommands(*record);
            for (const LogLine& line : list.refusal) log(line.text, line.flag);
            for (const std::string& command : list.commands) {
                file->Write(command);
                file->Write("\n");
            }
            // A full disk or a closed file is a failed write, not a printed command.
            written = list.Ok() && file->Ok();
        } else {
            result.reached.push_back(record);
            written = WriteRecord(session.host(), *record, RecordReport::Quiet, op.LostFlag(), log);
            session.Restore().values.Wrote(*record, written);
        }
        if (!written) {
            ++result.errors;
            op.Log("Error writing \"" + record->name + "\" to target.", 0);
            if (!file) LogLikelyCause(*record, op.LostFlag(), log);
        }
        if (!file) items.RecordChanged(*record);
        // A file that can no longer be written takes no further command.
        if (file && !file->Ok()) break;
    }
    // The window going away: no further step and no message.
    if (!op.Conclude(result, kWriteCancelledLine)) return result;
    op.CloseProgress();
    // The count is of the records the run reached: a cancelled or cut run must
    // not claim the whole view was written.
    const std::string total = std::to_string(result.attempted);
    if (result.errors == 0)
        op.Log("Write OK (" + total + " parameters written) to target.");
    else
        op.Log("Write Done (" + std::to_string(result.errors) + " errors out of a total of " + total + " parameters).",
               0);
    op.End();
    return result;
}

}  // namespace

WriteGroupsResult WriteGroups(EditorSession& session, UserSide& user) {
    if (session.RefuseWithoutTarget()) return {};
    return WriteView(session, user, nullptr);
}

WriteGroupsResult WriteSelected(EditorSession& session, UserSide& user, std::vector<NVMParameter*> records) {
    GroupItems& items = session.Items();
    WriteGroupsResult result;
    if (session.RefuseWithoutTarget()) return result;
    // Only records the grid shows, each once, in the grid's order.
    std::erase_if(records, [&](const NVMParameter* r) { return !r || items.ViewItem(r->viewIndex) != r; });
    std::sort(records.begin(), records.end(),
              [](const NVMParameter* a, const NVMParameter* b) { return a->viewIndex < b->viewIndex; });
    records.erase(std::unique(records.begin(), records.end()), records.end());
    if (records.empty()) return result;

    LongOperationOptions options;
    options.checkConnection = false;
    LongOperation op(session.host(), user, options);
    op.Begin();
    if (!SaveRestorePoint(session, user, kWriteSelectedOperation, records, op.LostFlag())) {
        result.noRestorePoint = true;
        result.targetLost = op.TargetLost();
        return result;
    }
    result.started = true;
    const WriteLog log = [&op](const std::string& text, uint8_t flag) { op.Log(text, flag); };
    for (NVMParameter* record : records) {
        if (op.ShouldStop()) break;
        ++result.attempted;
        result.reached.push_back(record);
        const bool written = WriteRecord(session.host(), *record, RecordReport::Each, op.LostFlag(), log);
        session.Restore().values.Wrote(*record, written);
        if (!written) ++result.errors;
        items.RecordChanged(*record);
    }
    result.targetLost = op.TargetLost();
    result.closing = op.Closing();
    return result;  // the operation's end shows the target-lost message, unless the window is closing
}

RedirectResult RedirectWriteGroups(EditorSession& session, UserSide& user) {
    RedirectResult result;
    std::string path = kSaveCommandsName;
    if (!user.SaveFileName(kSaveCommandsTitle, kSaveCommandsFilter, path)) return result;
    result.path = path;
    AtomicFileWriter writer(path);
    if (!writer.Ok()) {
        user.Message(CannotOpenMessage(path));
        return result;
    }
    result.write = WriteView(session, user, &writer);
    // Nothing to write, or the window went away: whatever file was there stays.
    if (!result.write.started || result.write.closing) return result;
    if (!writer.Commit()) {
        user.Message(CannotOpenMessage(path));
        return result;
    }
    result.saved = true;
    user.Message("Commands have been saved to\n\"" + path + "\"");
    return result;
}

}  // namespace vtq
