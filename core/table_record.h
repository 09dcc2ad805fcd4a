#pragma once
// A parameter's array as a table: the record a user names (with or without
// its index ranges) and the table the block operations work on.

#include <string_view>

#include "core/array_block.h"
#include "model/group_items.h"

namespace vtq {

// The record of that name, or else the one whose name is it followed by index
// ranges only ("cal.gain_tab" finds "cal.gain_tab[0,6][0,6]"); null when none.
NVMParameter* FindTableRecord(const GroupItems& items, std::string_view name);

// The record's elements as a table: the shape its name's index ranges give,
// else its dimension text's; the element type from its type text.
ArrayTable TableOf(const NVMParameter& record, int columns = kDefaultTableColumns);

}  // namespace vtq
