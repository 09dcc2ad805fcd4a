#include "editor/group_list.h"

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
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > 2147483648LL) n = 2147483648LL;  // saturate instead of overflowing
    }
    if (negative) n = -n;
    if (n > 2147483647LL) n = 2147483647LL;
    return static_cast<int>(n);
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

}  // namespace vtq
