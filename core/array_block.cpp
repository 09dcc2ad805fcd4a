#include "core/array_block.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/text.h"
#include "core/element_number.h"

namespace vtq {

static_assert(std::numeric_limits<long double>::digits >= 64, "every 64-bit element must be exact in long double");

bool TableShape::Index(int table, int row, int column, size_t& index) const {
    if (table < 0 || table >= tables || row < 0 || row >= rows || column < 0 || column >= columns) return false;
    index = static_cast<size_t>(table) * CellsPerTable() + static_cast<size_t>(row) * static_cast<size_t>(columns) +
            static_cast<size_t>(column);
    return index < count;
}

TableShape ShapeOf(const std::vector<int>& dimensions, size_t count, int columns) {
    TableShape shape;
    shape.count = count;
    size_t product = dimensions.empty() ? 0 : 1;
    for (int length : dimensions) product = length > 0 && product <= count ? product * static_cast<size_t>(length) : 0;
    if (dimensions.size() >= 2 && product == count && count > 0) {
        shape.columns = dimensions.back();
        shape.tables = dimensions.size() >= 3 ? dimensions.front() : 1;
        shape.rows = static_cast<int>(count / static_cast<size_t>(shape.tables) / static_cast<size_t>(shape.columns));
        return shape;
    }
    shape.columns = std::max(columns, 1);
    shape.rows = static_cast<int>((count + static_cast<size_t>(shape.columns) - 1) / static_cast<size_t>(shape.columns));
    if (shape.rows == 1 && count < static_cast<size_t>(shape.columns)) shape.columns = static_cast<int>(count);
    return shape;
}

std::vector<int> RangeDimensions(std::string_view name) {
    std::vector<int> dimensions;
    while (!name.empty() && name.back() == ']') {
        const size_t open = name.rfind('[');
        if (open == std::string_view::npos) return {};
        const std::string_view range = name.substr(open + 1, name.size() - open - 2);
        const size_t comma = range.find(',');
        int first = 0, last = 0;
        const auto number = [](std::string_view text, int& out) {
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
            return error == std::errc() && end == text.data() + text.size() && out >= 0;
        };
        if (comma == std::string_view::npos || !number(range.substr(0, comma), first) ||
            !number(range.substr(comma + 1), last) || last < first)
            return {};
        dimensions.insert(dimensions.begin(), last - first + 1);
        name = name.substr(0, open);
    }
    return dimensions;
}

std::string ShapeText(size_t rows, size_t columns) { return std::to_string(rows) + " x " + std::to_string(columns); }

TypeRange RangeOf(NVMValueType type) {
    if (type == NVMValueType::Bool) return {0, 1};
    const int bits = SizeOf(type) * 8;
    if (IsSignedType(type)) {
        const long double half = std::ldexp(1.0L, bits - 1);
        return {-half, half - 1};
    }
    return {0, std::ldexp(1.0L, bits) - 1};
}

std::optional<double> ElementValue(std::string_view text, NVMValueType type) {
    const ElementNumber number = ReadElement(text, type);
    if (!number.ok) return std::nullopt;
    return static_cast<double>(number.value);
}

namespace {

// The element indices of the block's rows (or, `byColumn`, its columns), each
// line in order and without the cells beyond the array's end.
std::vector<std::vector<size_t>> Lines(const TableShape& shape, const CellBlock& block, bool byColumn) {
    std::vector<std::vector<size_t>> lines(static_cast<size_t>(byColumn ? block.columns : block.rows));
    for (int r = 0; r < block.rows; ++r) {
        for (int c = 0; c < block.columns; ++c) {
            size_t index;
            if (shape.Index(block.table, block.row + r, block.column + c, index))
                lines[static_cast<size_t>(byColumn ? c : r)].push_back(index);
        }
    }
    return lines;
}

// Along each line: linear between its ends (`interpolate`), or its first cell
// copied to the others. The ends keep their texts.
BlockResult AlongLines(const ArrayTable& table, const CellBlock& block, bool byColumn, bool interpolate) {
    const auto lines = Lines(table.shape, block, byColumn);
    ChangeList list(table, static_cast<size_t>(block.rows) * static_cast<size_t>(block.columns));
    for (const auto& line : lines) {
        const size_t ends = interpolate ? 2 : 1;
        if (line.size() <= ends) continue;
        const ElementNumber first = ReadElement(table.elements[line.front()], table.type);
        const ElementNumber last = ReadElement(table.elements[line.back()], table.type);
        if (!first.ok || (interpolate && !last.ok)) {
            list.Skip(line.size() - ends);
            continue;
        }
        const size_t steps = line.size() - 1;
        for (size_t k = 1; k < line.size() + 1 - ends; ++k) {
            const long double value =
                interpolate ? first.value + (last.value - first.value) * static_cast<long double>(k) / steps
                            : first.value;
            list.Put(line[k], value);
        }
    }
    return list.Finish();
}

// Bilinear between the four corners of the block, which keep their texts.
BlockResult FromCorners(const ArrayTable& table, const CellBlock& block) {
    const int bottom = block.rows - 1, right = block.columns - 1;
    ElementNumber corner[4];
    const int rows[4] = {0, 0, bottom, bottom}, columns[4] = {0, right, 0, right};
    for (int k = 0; k < 4; ++k) {
        size_t index;
        if (!table.shape.Index(block.table, block.row + rows[k], block.column + columns[k], index) ||
            !(corner[k] = ReadElement(table.elements[index], table.type)).ok)
            return Refused("The corners of the selection must hold numbers.");
    }
    ChangeList list(table, static_cast<size_t>(block.rows) * static_cast<size_t>(block.columns));
    for (int r = 0; r < block.rows; ++r) {
        const long double fy = bottom ? static_cast<long double>(r) / bottom : 0;
        for (int c = 0; c < block.columns; ++c) {
            const bool isCorner = (r == 0 || r == bottom) && (c == 0 || c == right);
            size_t index;
            if (isCorner || !table.shape.Index(block.table, block.row + r, block.column + c, index)) continue;
            const long double fx = right ? static_cast<long double>(c) / right : 0;
            const long double top = corner[0].value + (corner[1].value - corner[0].value) * fx;
            const long double low = corner[2].value + (corner[3].value - corner[2].value) * fx;
            list.Put(index, top + (low - top) * fy);
        }
    }
    return list.Finish();
}

// Set, add and multiply: one new value per cell from the argument.
BlockResult WithArgument(const ArrayTable& table, const CellBlock& block, BlockOperation operation,
                         std::string_view argument) {
    const bool factor = operation == BlockOperation::Multiply || operation == BlockOperation::Percent;
    const std::optional<long double> given = ReadArgument(argument, table.type, factor);
    if (!given) return Refused("\"" + std::string(TrimView(argument)) + "\" is not a number.");
    const long double number = operation == BlockOperation::Percent ? *given / 100 : *given;
    ChangeList list(table, static_cast<size_t>(block.rows) * static_cast<size_t>(block.columns));
    for (const auto& line : Lines(table.shape, block, false)) {
        for (size_t index : line) {
            const ElementNumber old = ReadElement(table.elements[index], table.type);
            if (operation == BlockOperation::Set)
                list.Put(index, number, old);
            else if (!old.ok)
                list.Skip(1);
            else
                list.Put(index, operation == BlockOperation::Add ? old.value + number : old.value * number, old);
        }
    }
    return list.Finish();
}

}  // namespace

BlockResult ApplyBlock(const ArrayTable& table, const CellBlock& block, BlockOperation operation,
                       std::string_view argument) {
    const TableShape& shape = table.shape;
    if (block.table < 0 || block.table >= shape.tables || block.row < 0 || block.column < 0 || block.rows < 1 ||
        block.columns < 1 || block.rows > shape.rows - block.row || block.columns > shape.columns - block.column ||
        shape.count > table.elements.size())
        return Refused("The selection lies outside the table.");
    switch (operation) {
        case BlockOperation::InterpolateRows:
            return AlongLines(table, block, false, true);
        case BlockOperation::InterpolateColumns:
            return AlongLines(table, block, true, true);
        case BlockOperation::InterpolateCorners:
            return FromCorners(table, block);
        case BlockOperation::FillRight:
            return AlongLines(table, block, false, false);
        case BlockOperation::FillDown:
            return AlongLines(table, block, true, false);
        default:
            return WithArgument(table, block, operation, argument);
    }
}

}  // namespace vtq
