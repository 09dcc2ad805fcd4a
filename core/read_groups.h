#pragma once
// Read Groups: reads every checked group from the target into GroupItems, one
// dump command per group, with a progress window that can cancel between groups.

#include <string>

#include "channel/long_operation.h"
#include "channel/user_side.h"

namespace vtq {

class EditorSession;

inline constexpr const char* kNoGroupsToReadMessage = "Please select the wanted groups to read first.";
inline constexpr const char* kReadCancelledLine = "The read was canceled by user.";
inline constexpr const char* kNoItemsReadLine = "No items read.";

struct ReadGroupsResult : OperationEnding {
    bool started = false;  // groups were checked and the target was connected
    int groupsRead = 0;    // exchanges that gave a good answer
    long long total = 0;   // parameters added
    int skipped = 0;       // records of the answers that were damaged: their parameters are missing
    // The grid must show the new view (something was read and the window stays).
    bool RebuildGrid() const { return total > 0 && !closing; }
};

// "The read is incomplete: n parameters were skipped" (no full stop): the
// summary of a read whose answers lost parameters.
std::string IncompleteReadLine(int skipped);

// Runs the whole operation over the session's checked groups; the session's
// debug state asks the host to echo each exchange.
ReadGroupsResult ReadGroups(EditorSession& session, UserSide& user);

}  // namespace vtq
