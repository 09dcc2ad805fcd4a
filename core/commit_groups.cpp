#include "core/commit_groups.h"

#include <vector>

#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"
#include "core/editor_session.h"
#include "model/group_items.h"

namespace vtq {

void MarkCommitted(GroupItems& items, GroupItem* group) {
    if (!group) return;
    for (NVMParameter* record : group->params) {
        if (record->state != ParameterState::InTargetRAM) continue;
        record->state = ParameterState::Unchanged;
        items.RecordChanged(*record);
    }
}

std::string UnwrittenRecordsQuestion(int notStored) {
    return "You have " + std::to_string(notStored) +
           " parameters you have not written to target RAM mirror yet.\nAre you sure you want to continue with the "
           "commit?\n(if you continue, you should re-read all parameters from target once done)!\n\nIt is "
           "recommended to say 'No' and write parameters to target first!";
}

CommitGroupsResult CommitGroups(EditorSession& session, UserSide& user) {
    GroupItems& items = session.Items();
    CommitGroupsResult result;
    if (session.RefuseWithoutTarget()) return result;
    const std::vector<std::string> names = items.CheckedGroupNames();
    if (names.empty()) {
        user.Message(kNoGroupsToCommitMessage);
        return result;
    }
    int notStored = 0;
    for (const std::string& name : names) items.CountStates(name, nullptr, &notStored, nullptr);
    if (notStored > 0 && !user.AskWarning(UnwrittenRecordsQuestion(notStored))) return result;

    Host& host = session.host();
    LongOperation op(host, user);
    if (!op.Begin()) return result;
    result.started = true;

    const int count = static_cast<int>(names.size());
    op.OpenProgress(count);
    // A lost target or a closing window ends the run after the group in flight.
    for (int i = 0; i < count && !op.ShouldStop(); ++i) {
        if (!op.GroupStep(i, count, "Commiting", names[i]) || op.Closing()) break;
        const int number = session.GroupTable().Number(names[i]);
        std::string answer;
        if (number < 0) {
            ++result.skipped;
            op.Log("Skipping unknown group: " + names[i]);
        } else if (Exchange(host, cmd::Commit(number), answer, false, op.LostFlag())) {
            ++result.committed;
            MarkCommitted(items, items.FindGroup(names[i]));
            op.Log(names[i] + " committed in target.");
        } else {
            ++result.failed;
        }
    }
    // The window going away: no further step and no message; the operation's
    // end closes the progress window and restores the cursor.
    if (!op.Conclude(result, kCommitCancelledLine)) return result;
    op.End();
    return result;
}

}  // namespace vtq
