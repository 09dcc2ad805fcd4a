#include "model/group_items.h"

#include <algorithm>
#include <climits>

#include "base/number_text.h"
#include "base/text.h"
#include "channel/target_commands.h"
#include "model/value_types.h"

namespace vtq {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A ".fill_" entry: padding of the target's, never a parameter.
bool IsFillName(std::string_view name) {
    const size_t dot = name.rfind('.');
    return dot != std::string_view::npos && StartsWithText(name.substr(dot), ".fill_");
}

// Reads the decimal digits at `pos` (saturating) and moves past them; 0 when there are none.
long long ReadNumber(std::string_view text, size_t& pos) {
    const NumberText n = ReadNumberText(text, pos, {.sign = false});
    pos = n.end;
    return n.Clamped(0, LLONG_MAX);
}

// Does the name, folded to lower case, contain the (already lower-case) filter?
bool ContainsLower(std::string_view name, std::string_view filter) {
    if (filter.size() > name.size()) return false;
    const size_t last = name.size() - filter.size();
    for (size_t i = 0; i <= last; ++i) {
        size_t k = 0;
        while (k < filter.size() && LowerAscii(name[i + k]) == filter[k]) ++k;
        if (k == filter.size()) return true;
    }
    return false;
}

int ClampInt(long long n) { return n > INT_MAX ? INT_MAX : n < INT_MIN ? INT_MIN : static_cast<int>(n); }

}  // namespace

int NaturalNameCompare(std::string_view a, std::string_view b) {
    size_t pa = 0, pb = 0;
    for (;;) {
        const size_t ia = a.find('[', pa);
        if (ia == std::string_view::npos) break;
        const size_t ib = b.find('[', pb);
        if (ib == std::string_view::npos || ia - pa != ib - pb) break;
        if (int c = a.substr(pa, ia - pa).compare(b.substr(pb, ib - pb)); c != 0) return c;
        pa = ia + 1;
        pb = ib + 1;
        const long long na = ReadNumber(a, pa);
        const long long nb = ReadNumber(b, pb);
        if (na != nb) return na < nb ? -1 : 1;
    }
    return a.substr(pa).compare(b.substr(pb));
}

GroupItems::GroupItems(ModelLink* link) : link_(link) {}

GroupItems::~GroupItems() = default;

void GroupItems::Log(const std::string& text, uint8_t flag) const {
    if (link_) link_->Log(text, flag);
}

bool GroupItems::Query(const std::string& command, std::string& answer) {
    return link_ && link_->Query(command, answer);
}

// ---- Groups

// Where a group of that name is, or would be inserted, in name order.
std::vector<std::unique_ptr<GroupItem>>::const_iterator GroupItems::GroupPlace(std::string_view name) const {
    return std::lower_bound(
        groups_.begin(), groups_.end(), name,
        [](const std::unique_ptr<GroupItem>& g, std::string_view n) { return CompareText(g->name, n) < 0; });
}

bool GroupItems::FindOrAddGroup(std::string_view name, GroupItem** group) {
    const auto it = GroupPlace(name);
    if (it != groups_.end() && SameText((*it)->name, name)) {
        if (group) *group = it->get();
        return false;
    }
    auto entry = std::make_unique<GroupItem>();
    entry->name = std::string(name);
    GroupItem* created = entry.get();
    groups_.insert(it, std::move(entry));
    if (group) *group = created;
    RebuildView();
    return true;
}

int GroupItems::GroupIndex(std::string_view name) const {
    const auto it = GroupPlace(name);
    if (it == groups_.end() || !SameText((*it)->name, name)) return -1;
    return static_cast<int>(it - groups_.begin());
}

GroupItem* GroupItems::Group(int index) const {
    if (index < 0 || index >= GroupCount()) return nullptr;
    return groups_[static_cast<size_t>(index)].get();
}

std::string GroupItems::GroupName(int index) const {
    const GroupItem* g = Group(index);
    return g ? g->name : std::string();
}

std::vector<std::string> GroupItems::AllGroupNames() const {
    std::vector<std::string> names;
    names.reserve(groups_.size());
    for (const auto& g : groups_) names.push_back(g->name);
    return names;
}

std::vector<std::string> GroupItems::CheckedGroupNames() const {
    std::vector<std::string> names;
    for (const auto& g : groups_)
        if (g->checked) names.push_back(g->name);
    return names;
}

bool GroupItems::IsChecked(int index) const {
    const GroupItem* g = Group(index);
    return g && g->checked;
}

bool GroupItems::SetChecked(int index, bool checked) {
    GroupItem* g = Group(index);
    if (!g || g->checked == checked) return false;
    g->checked = checked;
    RebuildView();
    return true;
}

bool GroupItems::SetAllChecked(bool checked) {
    bool changed = false;
    for (auto& g : groups_) {
        changed |= g->checked != checked;
        g->checked = checked;
    }
    if (changed) RebuildView();
    return changed;
}

bool GroupItems::IsNotOnTarget(int index) const {
    const GroupItem* g = Group(index);
    return g && g->notOnTarget;
}

bool GroupItems::SetNotOnTarget(int index, bool flag) {
    GroupItem* g = Group(index);
    if (!g || g->notOnTarget == flag) return false;
    g->notOnTarget = flag;
    NotifyGroups();
    return true;
}

void GroupItems::MarkAllNotOnTarget() {
    for (auto& g : groups_) g->notOnTarget = true;
    NotifyGroups();
}

void GroupItems::RemoveListener(GroupItemsListener* listener) { std::erase(listeners_, listener); }

void GroupItems::RecordChanged(const NVMParameter& record) {
    for (GroupItemsListener* l : listeners_) l->RecordChanged(record);
}

void GroupItems::NotifyView() {
    for (GroupItemsListener* l : listeners_) l->ViewChanged();
    for (GroupItemsListener* l : listeners_) l->GroupsChanged();
}

// Inside an update bracket the closing rebuild tells the listeners.
void GroupItems::NotifyGroups() {
    if (updateLock_ > 0) return;
    for (GroupItemsListener* l : listeners_) l->GroupsChanged();
}

int GroupItems::FirstViewIndex(int index) const {
    const GroupItem* g = Group(index);
    return g ? g->firstViewIndex : -1;
}

int GroupItems::GroupParamCount(int index) const {
    const GroupItem* g = Group(index);
    return g ? static_cast<int>(g->params.size()) : 0;
}

// The view must never show a freed record: outside an update bracket it is
// rebuilt at once; inside one it is emptied until EndUpdate rebuilds it, since
// the window may repaint while a long operation lets events through.
void GroupItems::RecordsFreed(const GroupItem& group) {
    if (updateLock_ > 0) {
        if (!view_.empty()) {
            view_.clear();
            NotifyView();
        }
    } else if (group.checked) {
        RebuildView();
    }
}

void GroupItems::ClearGroup(int index) {
    GroupItem* g = Group(index);
    if (!g) return;
    g->params.Clear();
    g->naturalOrder.clear();
    RecordsFreed(*g);
}

void GroupItems::ClearAll() {
    view_.clear();
    groups_.clear();
    indexedNames_ = false;
    checkedCount_ = 0;
    filterHidesAll_ = false;
    NotifyView();
}

bool GroupItems::SetGroupState(std::string_view groupName, ParameterState state) {
    GroupItem* g = FindGroup(groupName);
    if (!g) return false;
    for (const auto& p : g->params) p->state = state;
    return true;
}

void GroupItems::CountStates(std::string_view groupName, int* unchanged, int* notStored, int* inTargetRAM) const {
    const GroupItem* g = FindGroup(groupName);
    if (!g) return;
    for (const auto& p : g->params) {
        int* counter = p->state == ParameterState::Unchanged   ? unchanged
                       : p->state == ParameterState::NotStored ? notStored
                                                               : inTargetRAM;
        if (counter) ++*counter;
    }
}

// ---- Parameters

// Fetches `count` elements of an array record from the target; the answer,
// inside its braces when it has them, becomes the value.
void GroupItems::QueryElements(NVMParameter& record, int count) {
    const std::string command = cmd::Elements(record.name, count - 1);
    std::string answer;
    if (Query(command, answer)) {
        ExtractBraces(answer, true);
        record.value = std::move(answer);
    }
}

std::optional<ParameterDraft> GroupItems::DraftParameter(std::string_view name, std::string_view value,
                                                        std::string_view type, bool requery, NameRule rule) {
    if (IsFillName(name)) return std::nullopt;
    ParameterDraft draft;
    NVMParameter& record = draft.record;
    record.name = std::string(name);
    record.value = std::string(value);
    record.type = std::string(type);
    if (EndsWithText(name, "[0]")) {
        // Arrays named with their first index: the dump gives the values, the
        // target gives the size when the dump is incomplete or very long.
        indexedNames_ = true;
        record.name.resize(record.name.size() - 3);
        if (!requery) {
            record.elementCount = ElementCount(record.value);
            record.dimensionText = std::to_string(record.elementCount);
            if (record.elementCount < 1) requery = true;
        }
        if (record.elementCount > 800) requery = true;
        if (requery) draft.ask = ParameterDraft::Ask::ArraySize;
        return draft;
    }
    if (rule == NameRule::AsGiven || indexedNames_ || name.size() < 2 || !IsDigit(name.back())) return draft;
    // A dimension suffix such as tbl_4x8: the array's shape is in its name.
    size_t i = name.size() - 1;
    while (i > 0 && (IsDigit(name[i]) || name[i] == 'x')) --i;
    if (i == 0 || name[i] != '_') return draft;
    const std::string_view suffix = name.substr(i + 1);
    draft.stripped = std::string(name.substr(0, i));
    record.dimensionText = std::string(suffix);
    record.elementCount = ParseDimensions(suffix);
    if (record.elementCount == 1) {
        draft.ask = ParameterDraft::Ask::SuffixScalar;
    } else if (ElementCount(record.value) == record.elementCount) {
        record.name = draft.stripped;
        record.dimensionText = std::to_string(record.elementCount);
    } else {
        draft.ask = ParameterDraft::Ask::SuffixArray;
    }
    return draft;
}

void GroupItems::AskTarget(ParameterDraft& draft) {
    NVMParameter& record = draft.record;
    std::string answer;
    switch (draft.ask) {
        case ParameterDraft::Ask::ArraySize:
            record.elementCount = QueryArraySize(record.name);
            record.dimensionText = std::to_string(record.elementCount);
            QueryElements(record, record.elementCount);
            break;
        case ParameterDraft::Ask::SuffixScalar:
            // The full name answers as a scalar of its own, or the record is a one-element array.
            if (Query(cmd::Value(record.name), answer)) {
                record.elementCount = 0;
                record.dimensionText.clear();
            } else {
                record.name = draft.stripped;
            }
            break;
        case ParameterDraft::Ask::SuffixArray: {
            int count = ElementCount(record.value);
            int size = QueryArraySize(record.name);
            if (size < 0) {
                record.name = draft.stripped;
                size = QueryArraySize(draft.stripped);
            }
            if (size >= 0) count = size;
            if (count != 0) QueryElements(record, count);
            record.elementCount = count;
            record.dimensionText = std::to_string(count);
            break;
        }
        case ParameterDraft::Ask::Nothing:
            break;
    }
    draft.ask = ParameterDraft::Ask::Nothing;
    if (record.elementCount != 0 || record.value.find(',') != std::string::npos) return;
    // A range name such as tab[0,15]: ask for the values of the whole range.
    const size_t open = record.name.find('[');
    if (open != std::string::npos && record.name.find(',', open + 1) != std::string::npos &&
        Query(cmd::Size(record.name), answer) && ExtractBraces(answer, true)) {
        record.value = std::move(answer);
        record.elementCount = ElementCount(record.value);
        record.dimensionText = std::to_string(record.elementCount);
    }
}

NVMParameter* GroupItems::InsertParameter(int groupIndex, ParameterDraft&& draft) {
    GroupItem* group = Group(groupIndex);
    if (!group) return nullptr;
    NVMParameter& record = draft.record;
    // A comma list without a size: its elements count.
    if (record.elementCount == 0 && record.value.find(',') != std::string::npos) {
        record.elementCount = ElementCount(record.value);
        record.dimensionText = std::to_string(record.elementCount);
    }
    RemoveBlanksOutsideQuotes(record.value);
    return group->params.Insert(std::move(record)).first;
}

NVMParameter* GroupItems::AddParameter(int groupIndex, std::string_view name, std::string_view value,
                                       std::string_view type, bool requery, NameRule rule) {
    if (IsFillName(name)) return nullptr;
    if (!Group(groupIndex)) {
        Log("Ignored adding \"" + std::string(name) + "\" because the group does not exist.", 1);
        return nullptr;
    }
    std::optional<ParameterDraft> draft = DraftParameter(name, value, type, requery, rule);
    AskTarget(*draft);
    return InsertParameter(groupIndex, std::move(*draft));
}

bool GroupItems::DeleteParameter(int groupIndex, int position) {
    GroupItem* g = Group(groupIndex);
    if (!g || position < 0 || !g->params.EraseAt(static_cast<size_t>(position))) return false;
    RecordsFreed(*g);
    return true;
}

bool IsTableBaseOf(std::string_view base, std::string_view name) {
    return name.size() > base.size() && (name[base.size()] == '[' || name[base.size()] == '.') &&
           name.compare(0, base.size(), base) == 0;
}

// Walks neighbours in name order: a record whose whole name (case matters)
// begins the next one, followed by "[" or ".", is a table base. After a
// deletion the walk still moves on by one, so the record that slid into place
// is not compared again. With `remove` clear only counts.
int GroupItems::RemoveLutFillOf(GroupItem& group, bool remove) {
    if (group.lutFillCleanVersion == group.params.Version()) return 0;
    ParamMap& params = group.params;
    int found = 0;
    auto it = params.begin();
    while (it != params.end()) {
        auto next = std::next(it);
        if (next == params.end()) break;
        const std::string& base = (*it)->name;
        const std::string& name = (*next)->name;
        if (IsTableBaseOf(base, name)) {
            ++found;
            if (remove) {
                params.Erase(it);
                it = std::next(next);
                continue;
            }
        }
        it = next;
    }
    if (found == 0) group.lutFillCleanVersion = params.Version();
    return found;
}

int GroupItems::RemoveExtraLutFill(bool report) {
    int removed = 0;
    for (auto& g : groups_) {
        const int removedHere = RemoveLutFillOf(*g, true);
        if (removedHere > 0) RecordsFreed(*g);
        removed += removedHere;
    }
    if (report && removed > 0) Log("Removed " + std::to_string(removed) + " extra LUT/fill parameters", 1);
    return removed;
}

void GroupItems::PrepareGroup(int groupIndex) {
    GroupItem* g = Group(groupIndex);
    if (!g) return;
    SortNaturalOrder(*g);
    RemoveLutFillOf(*g, false);
}

int GroupItems::QueryArraySize(std::string_view name) {
    std::string answer;
    if (!Query(cmd::Size(name), answer)) return -1;
    if (size_t pos = answer.find('['); pos != std::string::npos) {
        ++pos;
        const long long first = ReadNumber(answer, pos);
        if (pos < answer.size() && answer[pos] == ',') {
            ++pos;
            while (pos < answer.size() && IsBlank(answer[pos])) ++pos;
            const long long last = ReadNumber(answer, pos);
            return ClampInt(last - first + 1);
        }
        return ClampInt(first);
    }
    if (ExtractBraces(answer, true)) return ElementCount(answer);
    return 0;
}

// ---- View

void GroupItems::EndUpdate() {
    --updateLock_;
    RebuildView();
}

void GroupItems::SortNaturalOrder(GroupItem& group) {
    if (group.naturalOrderVersion == group.params.Version() && group.naturalOrder.size() == group.params.size()) return;
    // Sorted with the names beside the records, one indirection less per
    // comparison; stable over name order, so names that compare equal keep a fixed order.
    std::vector<std::pair<std::string_view, NVMParameter*>> keyed;
    keyed.reserve(group.params.size());
    for (NVMParameter* p : group.params) keyed.emplace_back(p->name, p);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return NaturalNameCompare(a.first, b.first) < 0; });
    group.naturalOrder.clear();
    group.naturalOrder.reserve(keyed.size());
    for (const auto& entry : keyed) group.naturalOrder.push_back(entry.second);
    group.naturalOrderVersion = group.params.Version();
}

void GroupItems::RebuildView() {
    if (updateLock_ > 0) return;
    updateLock_ = 0;
    checkedCount_ = 0;
    filterHidesAll_ = false;
    size_t shown = 0, hidden = 0;
    const bool filtered = !filter_.empty();
    view_.clear();
    for (auto& g : groups_) {
        g->firstViewIndex = -1;
        if (!g->checked) {
            // Records of a group that was not shown still carry -1.
            if (g->shownInView)
                for (NVMParameter* p : g->params) p->viewIndex = -1;
            g->shownInView = false;
            continue;
        }
        ++checkedCount_;
        g->shownInView = true;
        SortNaturalOrder(*g);
        for (NVMParameter* p : g->naturalOrder) {
            if (filtered) {
                p->filterMatch = ContainsLower(p->name, filter_);
                if (!p->filterMatch) {
                    ++hidden;
                    p->viewIndex = -1;
                    continue;
                }
            }
            ++shown;
            p->viewIndex = static_cast<int32_t>(view_.size());
            if (g->firstViewIndex < 0) g->firstViewIndex = p->viewIndex;
            view_.push_back(p);
        }
    }
    filterHidesAll_ = shown == 0 && hidden > 0;
    NotifyView();
}

bool GroupItems::SetFilter(std::string_view text) {
    std::string filter = ToLower(Trim(text));
    if (filter == filter_) return false;
    filter_ = std::move(filter);
    RebuildView();
    return true;
}

NVMParameter* GroupItems::ViewItem(int position) const {
    if (position < 0 || position >= ViewCount()) return nullptr;
    return view_[static_cast<size_t>(position)];
}

NVMParameter* FindRecord(const GroupItems& items, std::string_view name) {
    const GroupItem* g = items.FindGroup(GroupOfName(name));
    return g ? g->params.Find(name) : nullptr;
}

}  // namespace vtq
