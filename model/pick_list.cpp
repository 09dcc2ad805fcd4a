#include "model/pick_list.h"

#include <algorithm>

#include "base/text.h"

namespace vtq {

std::vector<bool> PreselectExcept(const std::vector<std::string>& items, std::string_view exclusion) {
    std::vector<bool> selected(items.size(), false);
    if (exclusion.empty()) return selected;
    const std::string key = ToLower(exclusion);
    for (size_t i = 0; i < items.size(); ++i) selected[i] = ToLower(items[i]).find(key) != std::string::npos;
    if (std::find(selected.begin(), selected.end(), true) != selected.end()) selected.flip();
    return selected;
}

std::string PickedText(const std::vector<std::string>& items, const std::vector<bool>& selected) {
    std::vector<std::string> picked;
    for (size_t i = 0; i < items.size() && i < selected.size(); ++i) {
        if (selected[i]) picked.push_back(items[i]);
    }
    return JoinCommaText(picked);
}

}  // namespace vtq
