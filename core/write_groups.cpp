#include "core/write_groups.h"

#include <algorithm>
#include <streambuf>

#include "base/file_io.h"
#include "channel/long_operation.h"
#include "core/editor_session.h"
#include "model/group_items.h"
#include "model/write_commands.h"

namespace vtq {

namespace {

// The host as the writes see it: once the window is closing, the per-record
// lines of a write still in flight are dropped, so nothing is logged after the
// exchange during which the host closed the window.
class SilentWhenClosing : public Host {
public:
    SilentWhenClosing(Host& host, UserSide& user) : host_(host), user_(user) {}
    bool SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* targetLost) override {
        return host_.SendReceive(command, answer, echo, targetLost);
    }
    bool CheckConnection() override { return host_.CheckConnection(); }
    bool GetInfo(int infoId, int bufferSize, std::string& text) override {
        return host_.GetInfo(infoId, bufferSize, text);
    }
    void ShowLine(const std::string& text, uint8_t flag) override {
        if (!user_.Closing()) host_.ShowLine(text, flag);
    }

private:
    Host& host_;
    UserSide& user_;
};

// A stream buffer that hands every write to an AtomicFileWriter, so the write
// commands can print to the stream and a failed write fails the stream.
class WriterBuffer : public std::streambuf {
public:
    explicit WriterBuffer(AtomicFileWriter& writer) : writer_(writer) {}

protected:
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
        const char c = traits_type::to_char_type(ch);
        writer_.Write(std::string_view(&c, 1));
        return writer_.Ok() ? ch : traits_type::eof();
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        writer_.Write(std::string_view(text, static_cast<size_t>(count)));
        return writer_.Ok() ? count : 0;
    }

private:
    AtomicFileWriter& writer_;
};

std::string CannotOpenMessage(const std::string& path) {
    return "Cannot open file\n\n\"" + path + "\"\n\nfor writing.";
}

}  // namespace

WriteGroupsResult WriteGroups(EditorSession& session, UserSide& user, std::ostream* file) {
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
    result.started = true;

    SilentWhenClosing host(session.host(), user);
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
        if (!file) result.reached.push_back(record);
        if (!WriteParameter(host, *record, true, file, op.LostFlag())) {
            ++result.errors;
            op.Log("Error writing \"" + record->name + "\" to target.", 0);
            if (!file) ExplainRefusal(host, *record, op.LostFlag());
        }
        if (!file) items.RecordChanged(*record);
        // A file that can no longer be written takes no further command.
        if (file && !*file) break;
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

WriteGroupsResult WriteSelected(EditorSession& session, UserSide& user, std::vector<NVMParameter*> records) {
    GroupItems& items = session.Items();
    WriteGroupsResult result;
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
    result.started = true;
    SilentWhenClosing host(session.host(), user);
    for (NVMParameter* record : records) {
        if (op.ShouldStop()) break;
        ++result.attempted;
        result.reached.push_back(record);
        if (!WriteParameter(host, *record, false, nullptr, op.LostFlag())) ++result.errors;
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
    WriterBuffer buffer(writer);
    std::ostream out(&buffer);
    result.write = WriteGroups(session, user, &out);
    // Nothing to write, or the window went away: whatever file was there stays.
    if (!result.write.started || result.write.closing) return result;
    if (!out || !writer.Commit()) {
        user.Message(CannotOpenMessage(path));
        return result;
    }
    result.saved = true;
    user.Message("Commands have been saved to\n\"" + path + "\"");
    return result;
}

}  // namespace vtq
