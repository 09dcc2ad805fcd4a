#include "core/undo_history.h"

#include "core/editor_session.h"
#include "core/group_list.h"

namespace vtq {

UndoHistory::UndoHistory(GroupItems& items) : items_(items) { items_.AddListener(this); }

UndoHistory::~UndoHistory() { items_.RemoveListener(this); }

std::string UndoHistory::GroupOf(const NVMParameter& record) const {
    for (int i = 0; i < items_.GroupCount(); ++i) {
        const GroupItem* group = items_.Group(i);
        if (group->params.Find(record.name) == &record) return group->name;
    }
    return GroupOfName(record.name);
}

UndoHistory::Snapshot UndoHistory::Take(std::string_view group, std::string_view name) const {
    Snapshot snapshot;
    if (const GroupItem* g = items_.FindGroup(group)) {
        if (const NVMParameter* p = g->params.Find(name)) {
            snapshot.present = true;
            snapshot.record = *p;
        }
    }
    return snapshot;
}

bool UndoHistory::Matches(const Snapshot& current, const Snapshot& expected) const {
    if (current.present != expected.present) return false;
    if (!current.present) return true;
    const NVMParameter& a = current.record;
    const NVMParameter& b = expected.record;
    return a.value == b.value && a.type == b.type && a.state == b.state && a.elementCount == b.elementCount &&
           a.dimensionText == b.dimensionText;
}

std::optional<std::string> UndoHistory::TargetValue(std::string_view name) const {
    for (const Step& step : undo_) {
        const auto [first, last] = step.changes.equal_range(std::string(name));
        for (auto change = first; change != last; ++change) {
            const Snapshot& before = change->second.before;
            if (before.present && before.record.state != ParameterState::NotStored) return before.record.value;
        }
    }
    return std::nullopt;
}

void UndoHistory::Begin(const NVMParameter& record) {
    pending_.clear();
    open_ = true;
    whole_ = false;
    std::string group = GroupOf(record);
    Snapshot before = Take(group, record.name);
    pending_.emplace(record.name, Change{std::move(group), std::move(before), {}});
}

void UndoHistory::BeginAll() {
    pending_.clear();
    open_ = true;
    whole_ = true;
    pendingChecked_ = items_.CheckedGroupNames();
    for (int i = 0; i < items_.GroupCount(); ++i) {
        const GroupItem* group = items_.Group(i);
        for (const NVMParameter* p : group->params) {
            Change change;
            change.group = group->name;
            change.before.present = true;
            change.before.record = *p;
            pending_.emplace(p->name, std::move(change));
        }
    }
}

void UndoHistory::Abandon() {
    open_ = false;
    pending_.clear();
}

bool UndoHistory::End() {
    if (!open_) return false;
    open_ = false;
    Changes watched = std::move(pending_);
    pending_.clear();
    Step step;
    const auto keep = [&step, this](const std::string& name, Change&& change) {
        // A record the change wrote to the target (write on the fly) has no history.
        if (change.after.present && change.after.record.state != ParameterState::NotStored) return;
        if (Matches(change.after, change.before)) return;
        step.changes.emplace(name, std::move(change));
    };
    if (whole_) {
        // Records that came with the change: not among those taken before.
        for (int i = 0; i < items_.GroupCount(); ++i) {
            const GroupItem* group = items_.Group(i);
            for (const NVMParameter* p : group->params) {
                bool known = false;
                for (auto [it, end] = watched.equal_range(p->name); it != end && !known; ++it)
                    known = SameText(it->second.group, group->name);
                if (known) continue;
                Change change;
                change.group = group->name;
                change.after.present = true;
                change.after.record = *p;
                keep(p->name, std::move(change));
            }
        }
    }
    for (auto& [name, change] : watched) {
        change.after = Take(change.group, name);
        // An edit's step holds the value: a type the target reported meanwhile is no edit.
        if (!whole_ && change.after.present && change.before.present)
            change.before.record.type = change.after.record.type;
        keep(name, std::move(change));
    }
    if (step.changes.empty()) return false;
    if (whole_) {
        step.checkedBefore = std::move(pendingChecked_);
        step.checkedAfter = items_.CheckedGroupNames();
        step.checks = step.checkedBefore != step.checkedAfter;
    }
    undo_.push_back(std::move(step));
    redo_.clear();
    return true;
}

bool UndoHistory::Apply(std::vector<Step>& from, std::vector<Step>& to, bool undo) {
    if (items_.UpdateLock() > 0) return false;
    while (!from.empty()) {
        Step step = std::move(from.back());
        from.pop_back();
        Step done;
        done.checks = step.checks;
        done.checkedBefore = std::move(step.checkedBefore);
        done.checkedAfter = std::move(step.checkedAfter);
        std::vector<NVMParameter*> changed;
        bool rebuild = false;
        applying_ = true;
        for (auto& [name, change] : step.changes) {
            const Snapshot& expected = undo ? change.after : change.before;
            const Snapshot& target = undo ? change.before : change.after;
            // Changed since in a way the history did not see: its history ends here.
            if (!Matches(Take(change.group, name), expected)) continue;
            GroupItem* group = items_.FindGroup(change.group);
            if (!group) continue;
            NVMParameter* current = group->params.Find(name);
            if (target.present && current) {
                current->value = target.record.value;
                current->type = target.record.type;
                current->state = target.record.state;
                current->elementCount = target.record.elementCount;
                current->dimensionText = target.record.dimensionText;
                changed.push_back(current);
            } else if (target.present) {
                NVMParameter record = target.record;
                record.viewIndex = -1;  // numbered by the rebuild when its group is shown
                group->params.Insert(std::move(record));
                rebuild = true;
            } else if (current) {
                group->params.Erase(name);
                rebuild = true;
            }
            done.changes.emplace(name, std::move(change));
        }
        // The view never keeps a removed record: it is rebuilt before anyone hears of the rows.
        if (rebuild) items_.RebuildView();
        for (NVMParameter* record : changed) items_.RecordChanged(*record);
        applying_ = false;
        if (!done.changes.empty() && done.checks &&
            items_.CheckedGroupNames() == (undo ? done.checkedAfter : done.checkedBefore))
            SelectExactGroups(items_, JoinCommaText(undo ? done.checkedBefore : done.checkedAfter));
        if (!done.changes.empty()) {
            to.push_back(std::move(done));
            return true;
        }
    }
    return false;
}

bool UndoHistory::Undo() { return Apply(undo_, redo_, true); }

bool UndoHistory::Redo() { return Apply(redo_, undo_, false); }

void UndoHistory::DropEmptySteps() {
    for (std::vector<Step>* steps : {&undo_, &redo_})
        std::erase_if(*steps, [](const Step& step) { return step.changes.empty(); });
}

void UndoHistory::EndRecord(std::string_view name) {
    if (undo_.empty() && redo_.empty()) return;
    bool erased = false;
    for (std::vector<Step>* steps : {&undo_, &redo_}) {
        for (Step& step : *steps) {
            auto [first, last] = step.changes.equal_range(name);
            erased |= first != last;
            step.changes.erase(first, last);
        }
    }
    if (erased) DropEmptySteps();
}

void UndoHistory::EndGroups(const std::vector<std::string>& groups) {
    for (std::vector<Step>* steps : {&undo_, &redo_}) {
        for (Step& step : *steps) {
            std::erase_if(step.changes, [&groups](const auto& entry) {
                for (const std::string& group : groups)
                    if (SameText(entry.second.group, group)) return true;
                return false;
            });
        }
    }
    DropEmptySteps();
}

void UndoHistory::Clear() {
    undo_.clear();
    redo_.clear();
}

void UndoHistory::RecordChanged(const NVMParameter& record) {
    // Written to the target or committed: what the history would restore is gone from the editor's hands.
    if (applying_ || record.state == ParameterState::NotStored) return;
    EndRecord(record.name);
}

void UndoHistory::ViewChanged() {
    if (items_.GroupCount() == 0) Clear();
}

EditOutcome EditParameterWithUndo(EditorSession& session, UserSide& user, int row, const OpenValueEditor& open,
                                  UndoHistory& undo) {
    const NVMParameter* record = session.Items().ViewItem(row);
    if (!record) return EditParameter(session, user, row, open);
    undo.Begin(*record);
    // An edited record's editor still shows what the target holds, when the history knows it.
    const OpenValueEditor withTargetValue = [&](const ValueEditRequest& request) {
        if (request.targetValue || !open) return open(request);
        ValueEditRequest known = request;
        known.targetValue = undo.TargetValue(request.name);
        return open(known);
    };
    const EditOutcome outcome = EditParameter(session, user, row, open ? withTargetValue : open);
    // The host closed the window meanwhile: the records are about to go.
    if (user.Closing()) {
        undo.Abandon();
        return outcome;
    }
    undo.End();
    return outcome;
}

}  // namespace vtq
