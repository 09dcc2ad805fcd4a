#include "core/table_record.h"

#include "base/text.h"
#include "model/array_value.h"

namespace vtq {

NVMParameter* FindTableRecord(const GroupItems& items, std::string_view name) {
    const GroupItem* group = items.FindGroup(GroupOfName(name));
    if (group == nullptr) return nullptr;
    if (NVMParameter* record = group->params.Find(name)) return record;
    for (NVMParameter* record : group->params) {
        const std::string_view full = record->name;
        if (full.size() > name.size() && StartsWithText(full, name) && full[name.size()] == '[' &&
            !RangeDimensions(full.substr(name.size())).empty())
            return record;
    }
    return nullptr;
}

ArrayTable TableOf(const NVMParameter& record, int columns) {
    ArrayTable table;
    SplitElements(record.value, table.elements);
    table.type = TypeOf(record.type);
    std::vector<int> dimensions = RangeDimensions(record.name);
    if (dimensions.empty()) ParseDimensions(record.dimensionText, &dimensions);
    table.shape = ShapeOf(dimensions, table.elements.size(), columns);
    return table;
}

}  // namespace vtq
