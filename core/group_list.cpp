#include "core/group_list.h"

#include <set>

#include "base/number_text.h"
#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "model/group_items.h"

namespace vtq {

int TargetGroupTable::Number(std::string_view name) const {
    auto it = groups_.find(name);
    return it == groups_.end() ? -1 : it->second;
}

std::vector<std::string> TargetGroupTable::Names() const {
    std::vector<std::string> names;
    names.reserve(groups_.size());
    for (const auto& [name, number] : groups_) names.push_back(name);
    return names;
}

namespace {

// A signed decimal number after tabs, line ends and spaces; it stops at the
// first character that is not a digit, and is 0 when there is none.
int ReadGroupNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == '\t' || text[i] == '\n' || text[i] == '\r' || text[i] == ' ')) ++i;
    return static_cast<int>(ReadNumberText(text, i).Clamped(INT32_MIN, INT32_MAX));
}

}  // namespace

void ParseGroupListAnswer(std::string_view answer, TargetGroupTable& table) {
    static constexpr std::string_view kKey = "$nvm_groups";
    const size_t key = answer.find(kKey);
    if (key == std::string_view::npos) return;
    std::string_view rest = answer.substr(key + kKey.size());
    while (true) {
        const size_t lf = rest.find('\n');
        const std::string_view line = rest.substr(0, lf);
        const size_t eq = line.find('=');
        if (eq != std::string_view::npos) {
            std::string name = Trim(line.substr(0, eq));
            if (!name.empty()) table.Add(name, ReadGroupNumber(line.substr(eq + 1)));
        }
        if (lf == std::string_view::npos) break;
        rest.remove_prefix(lf + 1);
    }
}

SelectionDisplay GetSelectionDisplay(int checked, int total) {
    SelectionDisplay d;
    d.caption = "Selected NVM Groups (" + std::to_string(checked) + "/" + std::to_string(total) + ")";
    d.selectNoneEnabled = checked >= 1;
    d.selectAllEnabled = total > 0 && total > checked;
    d.clearEnabled = total >= 1;
    return d;
}

bool FetchGroupList(Host& host, GroupItems& items, TargetGroupTable& table, const std::string& storedSelection) {
    table.Clear();
    std::string answer;
    if (Exchange(host, cmd::kGroupList, answer, false, nullptr)) ParseGroupListAnswer(answer, table);
    const bool ok = !table.Empty();
    // One bracket for the new groups and the stored selection: the view is rebuilt once.
    UpdateBracket bracket(items);
    if (ok) {
        // Groups known only from elsewhere (a loaded file) keep the not-on-target mark.
        items.MarkAllNotOnTarget();
        for (const auto& [name, number] : table.Entries()) {
            GroupItem* group = nullptr;
            items.FindOrAddGroup(name, &group);
            group->notOnTarget = false;
        }
    } else {
        host.ShowLine(kGroupListFailedLine, 0);
    }
    ApplyStoredSelection(items, storedSelection);
    return ok;
}

bool RefreshGroupList(Host& host, GroupItems& items, TargetGroupTable& table, std::string& storedSelection) {
    if (items.GroupCount() > 0) storedSelection = JoinCommaText(items.CheckedGroupNames());
    return FetchGroupList(host, items, table, storedSelection);
}

namespace {

// Checks the groups of the set and unchecks the others, in one update bracket.
bool CheckExactly(GroupItems& items, const std::set<std::string, TextLess>& names) {
    UpdateBracket bracket(items);
    bool changed = false;
    for (int i = 0; i < items.GroupCount(); ++i) changed |= items.SetChecked(i, names.count(items.GroupName(i)) > 0);
    return changed;
}

}  // namespace

bool ApplyStoredSelection(GroupItems& items, const std::string& storedSelection) {
    const std::vector<std::string> names = SplitCommaText(storedSelection);
    if (names.empty()) return false;
    return CheckExactly(items, std::set<std::string, TextLess>(names.begin(), names.end()));
}

bool SelectExactGroups(GroupItems& items, std::string_view commaText) {
    const std::vector<std::string> names = SplitCommaText(commaText);
    return CheckExactly(items, std::set<std::string, TextLess>(names.begin(), names.end()));
}

bool SelectGroupsContaining(GroupItems& items, std::string_view text) {
    const std::string wanted = ToLower(text);
    UpdateBracket bracket(items);
    bool changed = false;
    for (int i = 0; i < items.GroupCount(); ++i)
        if (ToLower(items.GroupName(i)).find(wanted) != std::string::npos) changed |= items.SetChecked(i, true);
    return changed;
}

SelectionDisplay GetSelectionDisplay(const GroupItems& items) {
    // Counted here rather than taken from the last view rebuild, which may not
    // have happened yet (ClearAll does not rebuild).
    int checked = 0;
    for (int i = 0; i < items.GroupCount(); ++i) checked += items.IsChecked(i) ? 1 : 0;
    return GetSelectionDisplay(checked, items.GroupCount());
}

std::string GroupLineText(const GroupItems& items, int index) {
    std::string text = items.GroupName(index);
    const int count = items.GroupParamCount(index);
    if (count != 0) text += " (" + std::to_string(count) + ")";
    return text;
}

}  // namespace vtq
