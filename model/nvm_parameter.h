#pragma once
// One NVM parameter as the editor holds it: name, value and type as text,
// exactly as exchanged with the target, plus what the grid needs to show it.

#include <cstdint>
#include <string>

namespace vtq {

// What the grid colours and marks.
enum class ParameterState : uint8_t {
    Unchanged = 0,    // as read from the target, or committed
    NotStored = 1,    // edited or loaded from a file, not yet written to the target
    InTargetRAM = 2,  // written to the target's RAM mirror, not yet committed
};

struct NVMParameter {
    // Full name with the group prefix (grp.param, grp.table[0,15], grp.rec[2].member).
    // The key of the record in its group: never change it while the record is in a map.
    std::string name;
    // Scalars: the number as written by the target; arrays: the elements joined by
    // commas, without braces; strings: the text with its quotes.
    std::string value;
    // Type text from the target's type query ("uint16", a string type ...); empty until known.
    std::string type;
    int32_t viewIndex = -1;  // row in the view, -1 when not visible
    bool filterMatch = false;
    int32_t elementCount = 0;   // 0 for a scalar or a string; below 1 means scalar everywhere
    std::string dimensionText;  // "16", or a kept name suffix such as "1x1"; empty for scalars
    ParameterState state = ParameterState::Unchanged;
};

}  // namespace vtq
