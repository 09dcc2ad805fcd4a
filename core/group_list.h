#pragma once
// The group list of the editor window: the target group table with its
// group-number lookup, fetching the list from the target, the stored
// selection, the selection commands, and the texts and enabled states the
// window shows for them. The window refills its check list from GroupItems
// (AllGroupNames, IsChecked) and rebuilds its grid after each call here.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "channel/host.h"

namespace vtq {

class GroupItems;

// The (group name, group number) pairs of the last group-list answer, sorted by
// name without regard to case; a repeated name keeps its first number.
class TargetGroupTable {
public:
    void Clear() { groups_.clear(); }
    // False when the name was already there (its first number stays).
    bool Add(const std::string& name, int number) { return groups_.emplace(name, number).second; }
    // The number the target gave the group, -1 when it is not in the table.
    int Number(std::string_view name) const;
    bool Empty() const { return groups_.empty(); }
    int Size() const { return static_cast<int>(groups_.size()); }
    std::vector<std::string> Names() const;
    const std::map<std::string, int, TextLess>& Entries() const { return groups_; }

private:
    std::map<std::string, int, TextLess> groups_;
};

inline constexpr const char* kGroupListFailedLine =
    "Could not get NVM groups from target. Please check connection and power and try again.";
inline constexpr const char* kGroupListStartMessage =
    "ERROR: Unable to get NVM groups from target.\nCheck power to target and press 'Refresh'\n";

// Adds the groups of a cleaned group-list answer to `table` (lines name=number
// after the key "$nvm_groups"; unusable lines are skipped).
void ParseGroupListAnswer(std::string_view answer, TargetGroupTable& table);

// Fetches the group list: empties the table, asks the target, and when it named
// at least one group marks the groups of `items` that the target did not list
// as not on target and adds the new ones. On failure `items` is left as it was
// and the failure line goes to the host log. Then applies `storedSelection`.
// True when the target gave a usable list.
bool FetchGroupList(Host& host, GroupItems& items, TargetGroupTable& table, const std::string& storedSelection);

// Refresh: when there are groups, their current selection becomes the stored
// selection; then the list is fetched again and the selection applied.
bool RefreshGroupList(Host& host, GroupItems& items, TargetGroupTable& table, std::string& storedSelection);

// Checks exactly the groups named in the comma text (without regard to case)
// and unchecks all others. An empty text changes nothing. True when a flag changed.
bool ApplyStoredSelection(GroupItems& items, const std::string& storedSelection);

// Checks every group whose name contains `text` (without regard to case);
// other groups keep their state. True when a flag changed.
bool SelectGroupsContaining(GroupItems& items, std::string_view text);

// Checks exactly the groups named in the comma text and unchecks all others.
// True when a flag changed.
bool SelectExactGroups(GroupItems& items, std::string_view commaText);

// What the window shows for the selection, with S checked out of T groups.
struct SelectionDisplay {
    std::string caption;             // "Selected NVM Groups (S/T)"
    bool selectNoneEnabled = false;  // S >= 1
    bool selectAllEnabled = false;   // T > 0 and T > S
    bool clearEnabled = false;       // T >= 1
};
SelectionDisplay GetSelectionDisplay(int checked, int total);
SelectionDisplay GetSelectionDisplay(const GroupItems& items);

// The check-list line of group `index`: its name, then " (count)" when the
// group holds parameters.
std::string GroupLineText(const GroupItems& items, int index);

}  // namespace vtq
