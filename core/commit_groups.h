#pragma once
// Commit Groups: tells the target to copy the RAM mirror of each checked group
// into non-volatile memory, one store command per group, with a progress
// window that can cancel between groups.

#include <string>

#include "channel/long_operation.h"
#include "channel/user_side.h"

namespace vtq {

class EditorSession;
class GroupItems;
struct GroupItem;

inline constexpr const char* kNoGroupsToCommitMessage = "Please select the groups to commit on target first.";
inline constexpr const char* kCommitCancelledLine = "The commit was canceled by user.";

// The question asked before committing groups that hold records not yet
// written to the target.
std::string UnwrittenRecordsQuestion(int notStored);

struct CommitGroupsResult : OperationEnding {
    bool started = false;  // groups were checked, the user agreed and the target was connected
    int committed = 0;     // groups the target stored
    int skipped = 0;       // groups the target did not list
    int failed = 0;        // store commands without a good answer
    // Record states may have changed: the grid repaints unless the window is going away.
    bool RepaintGrid() const { return !closing; }
};

// Runs the whole operation over the session's checked groups. A committed
// group's records that were in the target's RAM mirror become Unchanged;
// records never written to the target stay NotStored, since the target does
// not hold their values.
CommitGroupsResult CommitGroups(EditorSession& session, UserSide& user);

// What a store of `group` leaves in the grid: values written to the RAM
// mirror are now in NVM (Unchanged, each change told to the listeners);
// values never written are still only in the editor. Nothing for a null group.
void MarkCommitted(GroupItems& items, GroupItem* group);

}  // namespace vtq
