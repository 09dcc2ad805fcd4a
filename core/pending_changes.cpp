#include "core/pending_changes.h"

#include "channel/long_operation.h"
#include "core/editor_session.h"
#include "model/group_items.h"

namespace vtq {

namespace {

std::string Parameters(int n) { return CountText(n, "parameter", "parameters"); }

void CountGroup(const GroupItem& group, PendingCounts& counts) {
    for (const NVMParameter* p : group.params) {
        if (p->state == ParameterState::NotStored)
            ++counts.notStored;
        else if (p->state == ParameterState::InTargetRAM)
            ++counts.inTargetRAM;
    }
}

}  // namespace

PendingCounts CountPending(const GroupItems& items) {
    PendingCounts counts;
    for (int i = 0; i < items.GroupCount(); ++i) CountGroup(*items.Group(i), counts);
    return counts;
}

PendingCounts CountPending(const GroupItems& items, const std::vector<std::string>& groups) {
    PendingCounts counts;
    for (const std::string& name : groups)
        if (const GroupItem* group = items.FindGroup(name)) CountGroup(*group, counts);
    return counts;
}

std::string NotStoredCountText(int count) { return "Not stored: " + std::to_string(count); }
std::string NotCommittedCountText(int count) { return "Not committed: " + std::to_string(count); }

std::string PendingLossQuestion(const PendingCounts& counts, PendingLoss loss) {
    std::string text = "The editor holds changes the target does not keep yet:\n" + Parameters(counts.notStored) +
                       " not stored (edited, not written to target)\n" + Parameters(counts.inTargetRAM) +
                       " not committed (written to target RAM only)\n\n";
    switch (loss) {
        case PendingLoss::Close:
            text += "Close the editor and lose these changes?";
            break;
        case PendingLoss::Clear:
            text += "Clear the parameters and lose these changes?";
            break;
        case PendingLoss::Reread:
            text += "Read the groups again from target and lose these changes?";
            break;
    }
    return text;
}

bool ConfirmPendingLoss(UserSide& user, const PendingCounts& counts, PendingLoss loss) {
    if (!counts.Any()) return true;
    return user.AskYesNo(PendingLossQuestion(counts, loss));
}

bool ConfirmReread(const GroupItems& items, UserSide& user) {
    return ConfirmPendingLoss(user, CountPending(items, items.CheckedGroupNames()), PendingLoss::Reread);
}

bool ConfirmDropAll(const GroupItems& items, UserSide& user, PendingLoss loss) {
    return ConfirmPendingLoss(user, CountPending(items), loss);
}

std::string PendingOnCloseLine(const PendingCounts& counts) {
    return "Editor closed with " + Parameters(counts.notStored) + " not stored and " + Parameters(counts.inTargetRAM) +
           " not committed.";
}

bool ReportPendingOnHostClose(EditorSession& session) {
    const PendingCounts counts = CountPending(session.Items());
    if (!counts.Any()) return false;
    session.host().ShowLine(PendingOnCloseLine(counts), 0);
    return true;
}

}  // namespace vtq
