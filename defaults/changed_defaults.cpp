#include "defaults/changed_defaults.h"

#include "base/file_io.h"
#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"
#include "core/editor_session.h"
#include "core/read_groups.h"
#include "defaults/default_dump.h"
#include "model/group_items.h"

namespace vtq {

std::string WithNvmExtension(const std::string& path) {
    if (path == "-") return path;  // standard output
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    const bool hasDot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (hasDot && ToLower(std::string_view(path).substr(dot)) == ".nvm") return path;
    return path + ".nvm";
}

namespace {

// The end of a run: the file written (beside, when `missing` groups are not in
// it), and what happened told.
void Finish(LongOperation& op, UserSide& user, const std::string& path, const std::string& text, int missing,
            ChangedDefaultsResult& result) {
    result.cancelled = op.Cancelled();
    result.targetLost = op.TargetLost();
    // Without the groups the target refused, or those a lost target or a cancel left out, the file
    // is incomplete: what was gathered goes beside, and a complete file at `path` stays. An
    // incomplete run that gathered nothing writes nothing.
    const bool incomplete = missing > 0;
    if (incomplete) {
        result.path = PartialFilePath(path);
        if (result.changedGroups > 0) op.Log(IncompleteFileLine(path, result.path, missing), 0);
    }
    if (!incomplete || result.changedGroups > 0) {
        result.written = WriteFileAtomically(result.path, text);
        result.fileError = !result.written;
    }
    if (op.Closing()) return;
    if (result.fileError)
        op.Log("Error while writing to file \"" + result.path + "\". Please inspect output file.", 0);
    if (result.targetLost)
        op.Log(result.written ? kChangedLostLine : kChangedLostNothingLine, 0);
    else if (result.cancelled)
        op.Log(kReadCancelledLine);
    op.CloseProgress();
    if (result.changedGroups == 0 && !incomplete)
        user.Message(kNoChangesMessage);
    else if (result.written)
        op.Log(CountText(result.changedGroups, "group had", "groups had") + " changes and was written to the file: \"" +
               result.path + "\"");
    op.End();
}

}  // namespace

ChangedDefaultsResult ExportChangedDefaults(EditorSession& session, UserSide& user,
                                            const std::vector<std::string>& groups, const std::string& givenPath) {
    ChangedDefaultsResult result;
    if (session.RefuseWithoutTarget()) return result;
    Host& host = session.host();
    if (!ProbeFeature(host, user, cmd::kTrackChangesProbe, kFeatureUnsupportedMessage)) return result;
    if (groups.empty()) {
        host.ShowLine("No groups to read. Nothing done.", 1);
        return result;
    }
    std::string path = givenPath;
    if (path.empty()) {
        path = kChangedDefaultName;
        if (!user.SaveFileName(kChangedSaveTitle, kChangedFilter, path) || path.empty()) return result;
    }
    path = WithNvmExtension(path);
    result.path = path;

    LongOperation op(host, user);
    if (!op.Begin()) return result;
    if (!AtomicFileWriter(path).Ok()) {
        result.fileError = true;
        op.End();
        user.Message("Cannot open file \"" + path + "\" for writing.");
        return result;
    }
    std::string text;
    for (const std::string& line : UnitIdentityLines(session.Unit())) text.append(line).append("\r\n");
    int answered = 0;  // groups asked with an answer, or skipped on purpose
    const int count = static_cast<int>(groups.size());
    op.OpenProgress(count);
    for (int i = 0; i < count && !op.ShouldStop(); ++i) {
        const std::string& group = groups[static_cast<size_t>(i)];
        if (!op.GroupStep(i, count, "Reading", group)) break;
        // Asking for these two groups crashes the target.
        if (group == "hyb_cust" || group == "hyb_stackinfo") {
            op.Log("Skipping the group \"" + group + "\" because it causes target to crash to ask on this group.");
            ++answered;
            continue;
        }
        std::string answer;
        if (!Exchange(host, cmd::TrackChanges(group), answer, false, op.LostFlag())) {
            // A lost target is told once, after the loop; a refusal is told per group.
            if (!op.TargetLost()) {
                op.Log("Could not read the changes of group \"" + group + "\".", 0);
                ++result.failedGroups;
            }
            continue;
        }
        ++answered;
        const std::string changes = Trim(NormalizeLineEnds(answer));
        if (changes.empty()) continue;
        ++result.changedGroups;
        std::string_view rest = changes;
        while (!rest.empty()) text.append(NextLine(rest)).append("\r\n");
    }
    Finish(op, user, path, text, count - answered, result);
    return result;
}

ChangedDefaultsResult SaveSelectedChangedDefaults(EditorSession& session, UserSide& user, const std::string& path) {
    const std::vector<std::string> groups = session.Items().CheckedGroupNames();
    if (groups.empty()) {
        user.Message(kNoGroupsToReadMessage);
        return {};
    }
    return ExportChangedDefaults(session, user, groups, path);
}

ChangedDefaultsResult SaveAllChangedDefaults(EditorSession& session, UserSide& user, const std::string& path) {
    const std::vector<std::string> groups = session.GroupTable().Names();
    if (groups.empty()) {
        user.Message(kNoGroupsToReadAllMessage);
        return {};
    }
    return ExportChangedDefaults(session, user, groups, path);
}

}  // namespace vtq
