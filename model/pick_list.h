#pragma once
// The picker's choices: which items start selected, and the picked items as
// one comma text.

#include <string>
#include <string_view>
#include <vector>

namespace vtq {

// Items start selected when they do not contain `exclusion` (without regard to
// case), but only when at least one item contains it: an exclusion no item
// contains leaves every item unselected, and so does an empty one.
std::vector<bool> PreselectExcept(const std::vector<std::string>& items, std::string_view exclusion);

// The selected items, in list order, joined as comma text.
std::string PickedText(const std::vector<std::string>& items, const std::vector<bool>& selected);

}  // namespace vtq
