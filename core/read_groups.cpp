#include "core/read_groups.h"

#include <vector>

#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"
#include "core/dump_parser.h"
#include "core/editor_session.h"
#include "model/group_items.h"

namespace vtq {

namespace {

// The container's queries watch the operation's lost flag while it runs.
class WatchLost {
public:
    WatchLost(EditorSession& session, uint8_t* lost) : session_(session) { session_.WatchTargetLost(lost); }
    ~WatchLost() { session_.WatchTargetLost(nullptr); }
    WatchLost(const WatchLost&) = delete;
    WatchLost& operator=(const WatchLost&) = delete;

private:
    EditorSession& session_;
};

}  // namespace

std::string IncompleteReadLine(int skipped) {
    return "The read is incomplete: " + CountText(skipped, "parameter was", "parameters were") + " skipped";
}

ReadGroupsResult ReadGroups(EditorSession& session, UserSide& user) {
    Host& host = session.host();
    GroupItems& items = session.Items();
    ReadGroupsResult result;
    if (session.RefuseWithoutTarget()) return result;
    const std::vector<std::string> names = items.CheckedGroupNames();
    if (names.empty()) {
        user.Message(kNoGroupsToReadMessage);
        return result;
    }
    LongOperation op(host, user);
    if (!op.Begin()) return result;
    result.started = true;

    const int count = static_cast<int>(names.size());
    op.OpenProgress(count);
    {
        // The view is rebuilt once, when the bracket closes, on every path out.
        UpdateBracket bracket(items);
        // The size and value queries made while a group is parsed watch for a
        // lost target too: a target lost during the last group's queries must
        // not end in a read reported as complete.
        WatchLost watch(session, op.LostFlag());
        for (int i = 0; i < count; ++i) {
            const int group = items.GroupIndex(names[i]);
            items.ClearGroup(group);
            if (!op.GroupStep(i, count, "Reading", names[i])) break;
            std::string answer;
            if (Exchange(host, cmd::Dump(names[i]), answer, session.Debug(), op.LostFlag())) {
                ++result.groupsRead;
                result.total += ParseDumpAnswer(items, answer, group, &result.skipped);
                session.Restore().values.TakeGroup(items, group);
            }
            // The window going away: no further step and no message. The
            // operation's end closes the progress window and the cursor.
            if (op.Closing()) {
                op.Conclude(result, kReadCancelledLine);
                return result;
            }
            if (op.TargetLost()) break;
        }
        items.RemoveExtraLutFill(true);
    }
    if (!op.Conclude(result, kReadCancelledLine)) return result;
    op.CloseProgress();
    op.Log(result.total > 0 ? std::to_string(result.total) + " NVM items read in total."
                            : std::string(kNoItemsReadLine));
    if (result.skipped > 0) op.Log(IncompleteReadLine(result.skipped) + " (see the lines above).", 0);
    op.End();
    return result;
}

}  // namespace vtq
