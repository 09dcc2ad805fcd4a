#pragma once
// The merge of target default values into a copy of an older commented
// header: each group's array is found by name (or by its kind, or the user's
// pick), its values are replaced in place so that comments, number notation
// and "#define" constants survive, and the group index is written anew.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "channel/host.h"
#include "channel/user_side.h"
#include "defaults/default_dump.h"

namespace vtq {

struct NamingPreset;

inline constexpr const char* kWrongOriginalSentence =
    "\nThis indicates that the supplied file is not the correct original for this target, and that the comments "
    "might therefore be wrong.";
inline constexpr const char* kThreeGroupsMessage =
    "This feature requires three NVM groups to be read.\nAction cannot be done.";

// The names of the data arrays of a header text (element types u16, u32, u8,
// int, char or short; not the descriptor tables).
std::vector<std::string> ListDataArrays(std::string_view text, const NamingPreset& preset);

// The candidate that stands for `wanted`: the only one, the only one of the
// same kind (_calib_, _fixed_, _setcal_), or the user's pick. The chosen name
// leaves the candidate list.
std::optional<std::string> PickArray(UserSide& user, const std::string& wanted, std::vector<std::string>& candidates);

// Puts the target's values of exactly three RF groups into a copy of the old
// header and writes it to `newPath` (atomically, only when the whole merge
// succeeded). Reports its own failures.
bool MergeDefaultsIntoHeader(Host& host, UserSide& user, const NamingPreset& preset, const std::string& oldPath,
                             const std::string& newPath, DefaultGroupList records);

// The merge on texts: the old header (CR removed) in, the merged text out.
// False with the user told why when it cannot be done.
bool MergeDefaultsIntoText(Host& host, UserSide& user, const NamingPreset& preset, const std::string& oldPath,
                           std::string& buffer, DefaultGroupList& records);

}  // namespace vtq
