#pragma once
// Arrays as tables, and the array editor's block operations on a rectangular
// selection. Everything works on the element texts as the parameter holds
// them: an operation never changes the table it is given, it answers the
// cells it would change with their texts before and after, so the editor can
// apply the result, undo it and redo it (ArrayHistory).
//
// Results stay inside the element type's range: a value beyond it is clamped
// to the nearer end (never wrapped) and counted. Each element keeps its radix:
// an element written as hexadecimal ("0x1F") gets its new value in
// hexadecimal, with the same prefix, letter case and at least as many digits.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/value_types.h"

namespace vtq {

// The columns of a one-dimensional array's rows unless the user picks another count.
constexpr int kDefaultTableColumns = 16;

// How an array is shown: `tables` tables of `rows` x `columns` cells, filled
// row after row, table after table; only the first `count` cells exist (the
// last row of a one-dimensional array may be short).
struct TableShape {
    int tables = 1;
    int rows = 0;
    int columns = 0;
    size_t count = 0;

    size_t CellsPerTable() const { return static_cast<size_t>(rows) * static_cast<size_t>(columns); }
    // The element index of a cell; false when the cell lies outside the shape or beyond `count`.
    bool Index(int table, int row, int column, size_t& index) const;
};

// The shape of an array of `count` elements with the given dimensions
// (outermost first): two give rows x columns; three or more one table per
// first index, the last dimension the columns and those between the rows;
// one or none (or dimensions whose product is not `count`) rows of `columns`.
TableShape ShapeOf(const std::vector<int>& dimensions, size_t count, int columns = kDefaultTableColumns);

// The dimensions a parameter's name gives by its trailing index ranges:
// "grp.tab[0,6][0,9]" gives 7 and 10, "grp.lut[0,15]" gives 16; empty when the
// name does not end in ranges.
std::vector<int> RangeDimensions(std::string_view name);

// "7 x 7": a shape as the messages name it.
std::string ShapeText(size_t rows, size_t columns);

// An array as the editor holds it: every element's text, the shape it is shown
// in and the element type.
struct ArrayTable {
    std::vector<std::string> elements;
    TableShape shape;
    NVMValueType type = NVMValueType::Unknown;
};

// A rectangular selection inside one table: its top-left cell and its size.
struct CellBlock {
    int table = 0;
    int row = 0;
    int column = 0;
    int rows = 1;
    int columns = 1;
};

enum class BlockOperation {
    Set,                 // every cell becomes the argument
    Add,                 // the argument (negative to subtract) added to every cell
    Multiply,            // every cell times the argument ("0.95"; "95%" is the same)
    Percent,             // every cell times the argument in percent ("95" makes 95 %)
    InterpolateRows,     // each row linear between its first and last cell
    InterpolateColumns,  // each column linear between its top and bottom cell
    InterpolateCorners,  // bilinear between the selection's four corners
    FillRight,           // each row's first cell copied to the rest of the row
    FillDown,            // each column's top cell copied down the column
};

struct CellChange {
    size_t index = 0;  // into ArrayTable::elements
    std::string before;
    std::string after;
};

// What an operation (or a paste) does. Not `done`: refused, `message` says
// why and nothing may change. `changes` holds only cells whose text changes.
struct BlockResult {
    bool done = false;
    std::vector<CellChange> changes;
    size_t clamped = 0;  // results that lay beyond the type's range
    size_t skipped = 0;  // cells left alone because they (or the ends they follow) hold no number
    std::string message;  // for the status line: what changed, how many were clamped
};

BlockResult ApplyBlock(const ArrayTable& table, const CellBlock& block, BlockOperation operation,
                       std::string_view argument = {});

// The value of an element text (decimal with an optional sign, or "0x"
// hexadecimal, read as the type's bit pattern for a signed type); nothing when
// the text is not a number. For colour scales and plots.
std::optional<double> ElementValue(std::string_view text, NVMValueType type);

// The type's range: -128 and 127 for int8, 0 and 1 for bool; the 64-bit range for Unknown.
struct TypeRange {
    long double low;
    long double high;
};
TypeRange RangeOf(NVMValueType type);

}  // namespace vtq
