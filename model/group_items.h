#pragma once
// The editor's one container: every NVM group known from the target or from a
// file, each group's records, and the view (the records of the checked groups
// that pass the parameter filter, in display order) that the grid shows.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/group_item.h"
#include "model/model_link.h"
#include "model/nvm_parameter.h"

namespace vtq {

// Display order inside a group: bracketed indexes compare as numbers, so
// tbl[2] < tbl[10] and rec[1].b < rec[1].c. Negative, zero or positive.
int NaturalNameCompare(std::string_view a, std::string_view b);

// Is the record named `base` the base entry of a table whose elements or
// members come as their own records (tab beside tab[0], rec beside rec.m)?
// `name` begins with the whole of `base` (case matters), then "[" or ".".
bool IsTableBaseOf(std::string_view base, std::string_view name);

// How a name becomes a record name: as the target gives names (a dimension
// suffix such as tbl_4x8 is the array's shape, confirmed with the target), or
// as a file gives them, for a container that cannot ask the target (a plain
// name such as "gain_2" would otherwise be taken for an array of 2 called "gain").
enum class NameRule { AsTarget, AsGiven };

// A record as its name and value give it, and what is left to ask the target.
struct ParameterDraft {
    NVMParameter record;
    enum class Ask {
        Nothing,
        ArraySize,     // "tab[0]" whose value is empty or very long: the size and the values
        SuffixScalar,  // "mode_1": whether the full name is a scalar of its own
        SuffixArray,   // "tbl_4x8" with another number of values: the size under either name, then the values
    } ask = Ask::Nothing;
    std::string stripped;  // the name without its dimension suffix
};

// Listens to a container: the grid and the group list follow it through this.
class GroupItemsListener {
public:
    virtual ~GroupItemsListener() = default;
    // The view list was rebuilt or emptied.
    virtual void ViewChanged() {}
    // Groups came or went, or a group's flags or record count may have changed.
    virtual void GroupsChanged() {}
    // One record's value or state changed; its row is record.viewIndex (-1 when not shown).
    virtual void RecordChanged(const NVMParameter& record) { (void)record; }
};

class GroupItems {
public:
    // `link` receives the log lines and answers the size and value queries of
    // AddParameter and QueryArraySize; without one the container is silent and
    // never asks the target (the comparison's temporary container).
    explicit GroupItems(ModelLink* link = nullptr);
    ~GroupItems();
    GroupItems(const GroupItems&) = delete;
    GroupItems& operator=(const GroupItems&) = delete;

    ModelLink* Link() const { return link_; }
    void SetLink(ModelLink* link) { link_ = link; }
    // A log line through the link (silent without one).
    void Log(const std::string& text, uint8_t flag) const;

    // ---- Groups. An index is a position in name order (without regard to case);
    // an out-of-range index answers false, 0, an empty text or null.

    // Answers whether the group was created; `group` receives the entry.
    // The view is rebuilt after a creation.
    bool FindOrAddGroup(std::string_view name, GroupItem** group = nullptr);
    int GroupIndex(std::string_view name) const;
    int GroupCount() const { return static_cast<int>(groups_.size()); }
    std::string GroupName(int index) const;
    GroupItem* Group(int index) const;
    GroupItem* FindGroup(std::string_view name) const { return Group(GroupIndex(name)); }
    std::vector<std::string> AllGroupNames() const;
    std::vector<std::string> CheckedGroupNames() const;  // in name order

    bool IsChecked(int index) const;
    // Answers whether the flag changed; rebuilds the view when it did.
    bool SetChecked(int index, bool checked);
    bool CheckAllGroups() { return SetAllChecked(true); }
    bool UncheckAllGroups() { return SetAllChecked(false); }
    bool IsNotOnTarget(int index) const;
    bool SetNotOnTarget(int index, bool flag);
    void MarkAllNotOnTarget();

    int FirstViewIndex(int index) const;
    int GroupParamCount(int index) const;
    // Frees the group's records; rebuilds the view when the group is checked.
    void ClearGroup(int index);
    // Frees every record and group, empties the view, clears IndexedNames.
    void ClearAll();
    // Sets the state of every record of the group; false when there is no such group.
    bool SetGroupState(std::string_view groupName, ParameterState state);
    // Adds 1 per record of the group to the counter of its state (null counters are skipped).
    void CountStates(std::string_view groupName, int* unchanged, int* notStored, int* inTargetRAM) const;

    // ---- Parameters.

    // Adds a parameter as the target or a file gave it, in three steps:
    // DraftParameter, AskTarget and InsertParameter. Answers the record now in
    // the group under that name (an existing record of the same name is kept
    // and answered), or null for a ".fill_" entry or a group that is not there
    // (logged). No view rebuild: callers bracket bulk additions with BeginUpdate/EndUpdate.
    NVMParameter* AddParameter(int groupIndex, std::string_view name, std::string_view value, std::string_view type,
                               bool requery, NameRule rule = NameRule::AsTarget);
    // 1. The record as its name and value give it: "[0]" and (with the
    // target's rule, until a "[0]" name was seen) a dimension suffix such as
    // tbl_4x8 become an array size, and what is left to ask the target is
    // noted. Nothing for a ".fill_" entry. Sets IndexedNames on a "[0]" name.
    std::optional<ParameterDraft> DraftParameter(std::string_view name, std::string_view value, std::string_view type,
                                                 bool requery, NameRule rule);
    // 2. The target's answers: the size and values of an array the text does
    // not hold whole, whether a suffixed name is a scalar of its own, the
    // values of a range name. A container without a link asks nothing, and
    // the record keeps what its text gave.
    void AskTarget(ParameterDraft& draft);
    // 3. The record into the group: a comma list counts its elements, blanks
    // outside quotes go. Null when there is no such group.
    NVMParameter* InsertParameter(int groupIndex, ParameterDraft&& draft);
    // Frees the record at a position of the group's name order; no rebuild.
    bool DeleteParameter(int groupIndex, int position);
    // Removes the base entries of tables that also came element by element
    // (tab beside tab[0]..., rec beside rec.member); logs the count when `report`.
    int RemoveExtraLutFill(bool report);
    // Does the work of the next view rebuild and of RemoveExtraLutFill for one
    // group in advance, right after its records were added in bulk, while they
    // are still in the processor's cache. Changes nothing that can be observed.
    void PrepareGroup(int groupIndex);
    // Asks the target for the element count: -1 when the query fails or no
    // editor window exists, 0 when the answer shows none.
    int QueryArraySize(std::string_view name);

    // Set when a name ending in "[0]" was added: dimension suffixes in names are
    // then not interpreted. A file load clears it before it starts.
    bool IndexedNames() const { return indexedNames_; }
    void SetIndexedNames(bool on) { indexedNames_ = on; }

    // ---- View.

    void BeginUpdate() { ++updateLock_; }
    void EndUpdate();
    int UpdateLock() const { return updateLock_; }
    // Rebuilds the view (nothing while an update is open). A group's display
    // order is sorted only when its records changed since the last rebuild.
    void RebuildView();
    // Trims and lower-cases the text; when it differs from the current filter,
    // stores it, rebuilds and answers true.
    bool SetFilter(std::string_view text);
    const std::string& Filter() const { return filter_; }
    int ViewCount() const { return static_cast<int>(view_.size()); }
    NVMParameter* ViewItem(int position) const;
    const std::vector<NVMParameter*>& View() const { return view_; }
    int CheckedCount() const { return checkedCount_; }
    bool FilterHidesAll() const { return filterHidesAll_; }
    // Listeners hear of every change of the view list (a rebuild, or the view
    // being emptied because records it showed were freed inside an update
    // bracket), of the groups, and of single records.
    void AddListener(GroupItemsListener* listener) { listeners_.push_back(listener); }
    void RemoveListener(GroupItemsListener* listener);
    // Operations that change a record's value or state tell the listeners here.
    void RecordChanged(const NVMParameter& record);

private:
    bool SetAllChecked(bool checked);
    void NotifyView();
    void NotifyGroups();
    std::vector<std::unique_ptr<GroupItem>>::const_iterator GroupPlace(std::string_view name) const;
    bool Query(const std::string& command, std::string& answer);
    void QueryElements(NVMParameter& record, int count);
    void RecordsFreed(const GroupItem& group);
    static void SortNaturalOrder(GroupItem& group);
    static int RemoveLutFillOf(GroupItem& group, bool remove);

    ModelLink* link_;
    std::vector<std::unique_ptr<GroupItem>> groups_;  // sorted by name without regard to case
    int32_t updateLock_ = 0;
    int32_t checkedCount_ = 0;
    bool filterHidesAll_ = false;
    std::vector<NVMParameter*> view_;
    std::string filter_;
    bool indexedNames_ = false;
    std::vector<GroupItemsListener*> listeners_;
};

// Update bracket for a scope: BeginUpdate now, EndUpdate (one rebuild) on every path out.
class UpdateBracket {
public:
    explicit UpdateBracket(GroupItems& items) : items_(items) { items_.BeginUpdate(); }
    ~UpdateBracket() { items_.EndUpdate(); }
    UpdateBracket(const UpdateBracket&) = delete;
    UpdateBracket& operator=(const UpdateBracket&) = delete;

private:
    GroupItems& items_;
};

// The record of that full name: the group is the trimmed text before the first
// "."; group and name are found without regard to case. Null when absent.
NVMParameter* FindRecord(const GroupItems& items, std::string_view name);

}  // namespace vtq
