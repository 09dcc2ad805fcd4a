#pragma once
// Changes the editor holds that the target does not keep yet: records edited
// or loaded but not written (NotStored), and records written to the target's
// RAM mirror but not committed (InTargetRAM). The window shows the counts at
// all times; closing, Clear and a re-read ask before they drop such records,
// and a close by the host, which may not be delayed, leaves them in the log.

#include <string>
#include <vector>

#include "channel/user_side.h"

namespace vtq {

class EditorSession;
class GroupItems;

struct PendingCounts {
    int notStored = 0;    // edited, not written
    int inTargetRAM = 0;  // written, not committed
    bool Any() const { return notStored > 0 || inTargetRAM > 0; }
    bool operator==(const PendingCounts&) const = default;
};

// Over every group the container holds (checked or not).
PendingCounts CountPending(const GroupItems& items);
// Over the named groups only (names without regard to case; unknown names count nothing).
PendingCounts CountPending(const GroupItems& items, const std::vector<std::string>& groups);

// What would drop the records.
enum class PendingLoss { Close, Clear, Reread };

// "Not stored: n" and "Not committed: n", the two counts of the window's status.
std::string NotStoredCountText(int count);
std::string NotCommittedCountText(int count);

// The question asked before the records are dropped; Yes goes on.
std::string PendingLossQuestion(const PendingCounts& counts, PendingLoss loss);
// True to go on: at once when nothing is pending, otherwise the user's answer.
bool ConfirmPendingLoss(UserSide& user, const PendingCounts& counts, PendingLoss loss);
// Before a re-read of the checked groups: asks about the records those groups hold.
bool ConfirmReread(const GroupItems& items, UserSide& user);
// Before Clear or the user's close: asks about every record held.
bool ConfirmDropAll(const GroupItems& items, UserSide& user, PendingLoss loss);

// The host's output line when the host closes the window with changes pending.
std::string PendingOnCloseLine(const PendingCounts& counts);
// The host closes the window: nothing is asked; with changes pending their
// counts go to the show line (flag 0). True when a line was written.
bool ReportPendingOnHostClose(EditorSession& session);

}  // namespace vtq
