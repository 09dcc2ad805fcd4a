#include "core/array_block.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "core/array_history.h"
#include "core/array_plot.h"
#include "core/block_paste.h"
#include "core/table_record.h"
#include "model/array_value.h"

namespace vtq {
namespace {

using Strings = std::vector<std::string>;
using Op = BlockOperation;
using T = NVMValueType;

Strings Words(const char* text) {
    std::istringstream in(text);
    Strings words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

ArrayTable Table(T type, int rows, int columns, const char* cells) {
    ArrayTable table{Words(cells), {}, type};
    table.shape = ShapeOf({rows, columns}, table.elements.size());
    return table;
}

Strings Applied(ArrayTable table, const BlockResult& result) {
    for (const CellChange& change : result.changes) table.elements[change.index] = change.after;
    return table.elements;
}

TEST(ArrayBlock, ArithmeticClampsToEveryTypeAndKeepsEachRadix) {
    struct Row {
        T type;
        Op op;
        const char* argument;
        const char* before;
        const char* after;
        size_t clamped, skipped;
    } rows[] = {
        {T::Int8, Op::Add, "10", "120 -128 0x7F 0x80", "127 -118 0x7F 0x8A", 2, 0},
        {T::UInt8, Op::Add, "-5", "3 250 0x0a abc", "0 245 0x05 abc", 1, 1},
        {T::Int16, Op::Multiply, "2", "20000 -20000 0xFFFF 7", "32767 -32768 0xFFFE 14", 2, 0},
        {T::UInt16, Op::Percent, "50", "3 65535 0X00ff 0", "2 32768 0X0080 0", 0, 0},
        {T::Int32, Op::Set, "-5", "1 0x10 abc -5", "-5 0xFFFFFFFB -5 -5", 0, 0},
        {T::UInt32, Op::Multiply, "150%", "4294967295 2 0x1 3", "4294967295 3 0x2 5", 1, 0},
        {T::Int64, Op::Add, "-1", "-9223372036854775808 0 0x0 1", "-9223372036854775808 -1 0xFFFFFFFFFFFFFFFF 0", 1, 0},
        {T::UInt64, Op::Add, "1", "18446744073709551615 0xFFFFFFFFFFFFFFFE 0 5",
         "18446744073709551615 0xFFFFFFFFFFFFFFFF 1 6", 1, 0},
        {T::Bool, Op::Set, "2", "0 1 0 1", "1 1 1 1", 4, 0},
        {T::Unknown, Op::Multiply, "-0.5", "3 -3 x 9223372036854775807", "-2 2 x -4611686018427387904", 0, 1},
    };
    for (const Row& row : rows) {
        const ArrayTable table = Table(row.type, 2, 2, row.before);
        const BlockResult result = ApplyBlock(table, {0, 0, 0, 2, 2}, row.op, row.argument);
        EXPECT_TRUE(result.done) << result.message;
        EXPECT_EQ(std::tuple(Applied(table, result), result.clamped, result.skipped),
                  std::tuple(Words(row.after), row.clamped, row.skipped)) << row.before;
    }
    EXPECT_EQ(ApplyBlock(Table(T::Int8, 1, 2, "120 0"), {0, 0, 0, 1, 1}, Op::Add, "10").message,
              "1 cell changed; 1 value clamped to -128 to 127");
}

TEST(ArrayBlock, LinesAndCornersOnAThreeByFourTable) {
    // A selection of rows 0-2 and columns 0-3 unless given; ends and corners keep their texts.
    struct Row {
        Op op;
        CellBlock block;
        const char* before;
        const char* after;
    } rows[] = {
        {Op::InterpolateRows, {0, 0, 0, 3, 4}, "0 9 9 30  10 0 0 0x0d  5 x x 5", "0 10 20 30  10 11 12 0x0d  5 5 5 5"},
        {Op::InterpolateColumns, {0, 0, 1, 3, 2}, "0 0 100 0  0 7 0x07 0  0 10 0 0", "0 0 100 0  0 5 0x32 0  0 10 0 0"},
        {Op::InterpolateCorners, {0, 0, 0, 3, 4}, "0 0 0 30  0 0 0 0  60 0 0 90", "0 10 20 30  30 40 50 60  60 70 80 90"},
        {Op::FillRight, {0, 1, 1, 2, 3}, "1 2 3 4  5 6 7 8  9 0x0A 11 12", "1 2 3 4  5 6 6 6  9 0x0A 10 10"},
        {Op::FillDown, {0, 0, 2, 3, 2}, "1 2 3 x  5 6 7 8  9 10 11 12", "1 2 3 x  5 6 3 8  9 10 3 12"},
    };
    for (const Row& row : rows) {
        const ArrayTable table = Table(T::Int16, 3, 4, row.before);
        const BlockResult result = ApplyBlock(table, row.block, row.op);
        EXPECT_TRUE(result.done) << result.message;
        EXPECT_EQ(Applied(table, result), Words(row.after)) << static_cast<int>(row.op);
    }
    // The one row whose end holds no number is left alone and counted.
    EXPECT_EQ(ApplyBlock(Table(T::Int16, 3, 4, "0 9 9 30  10 0 0 0x0d  5 x x x"), {0, 0, 0, 3, 4},
                         Op::InterpolateRows).skipped, 2u);
    EXPECT_EQ(ApplyBlock(Table(T::Int16, 1, 2, "x 1"), {0, 0, 0, 1, 1}, Op::InterpolateRows).skipped, 0u);
    // Interpolation rounds each cell to the nearest whole number and clamps in the element type.
    const ArrayTable bytes = Table(T::UInt8, 1, 4, "0 0 0 255");
    EXPECT_EQ(Applied(bytes, ApplyBlock(bytes, {0, 0, 0, 1, 4}, Op::InterpolateRows)), Words("0 85 170 255"));
}

TEST(ArrayBlock, RefusalsChangeNothing) {
    const ArrayTable table = Table(T::Int8, 2, 2, "1 x 3 4");
    const std::tuple<CellBlock, Op, const char*, const char*> rows[] = {
        {{0, 1, 1, 2, 1}, Op::Set, "1", "The selection lies outside the table."},
        {{1, 0, 0, 1, 1}, Op::Set, "1", "The selection lies outside the table."},
        {{0, 0, 1, 1, 2}, Op::Set, "1", "The selection lies outside the table."},
        {{0, 0, 0, 0, 1}, Op::Set, "1", "The selection lies outside the table."},
        {{0, 0, 0, 2, 2}, Op::Add, "5%", "\"5%\" is not a number."},  // a percent sign only with a factor
        {{0, 0, 0, 2, 2}, Op::InterpolateCorners, "", "The corners of the selection must hold numbers."},
        {{0, 0, 0, 2, 2}, Op::Add, " 1,5 ", "\"1,5\" is not a number."},
        {{0, 0, 0, 2, 2}, Op::Percent, "", "\"\" is not a number."},
    };
    for (const auto& [block, op, argument, message] : rows) {
        const BlockResult result = ApplyBlock(table, block, op, argument);
        EXPECT_TRUE(!result.done && result.changes.empty());
        EXPECT_EQ(result.message, message);
    }
}

TEST(ArrayBlock, ShapesOfOneTwoAndThreeDimensions) {
    const std::tuple<std::vector<int>, size_t, int, int, int, int> rows[] = {
        {{7, 7}, 49, 16, 1, 7, 7},  {{2, 3, 4}, 24, 16, 2, 3, 4}, {{40}, 40, 16, 1, 3, 16},
        {{40}, 40, 8, 1, 5, 8},     {{}, 5, 16, 1, 1, 5},         {{7, 7}, 40, 16, 1, 3, 16},
    };
    for (const auto& [dimensions, count, columns, tables, rowCount, columnCount] : rows) {
        const TableShape shape = ShapeOf(dimensions, count, columns);
        EXPECT_EQ(std::tie(shape.tables, shape.rows, shape.columns), std::tie(tables, rowCount, columnCount)) << count;
    }
    size_t index = 0;  // the first lies beyond the short last row
    EXPECT_TRUE(!ShapeOf({40}, 40).Index(0, 2, 8, index) && !ShapeOf({2, 3, 4}, 24).Index(0, 0, 4, index) &&
                ShapeOf({2, 3, 4}, 24).Index(1, 2, 3, index) && index == 23u);

    const std::pair<const char*, std::vector<int>> names[] = {
        {"cal.tab[0,6][0,9]", {7, 10}}, {"cal.lut[0,15]", {16}}, {"cal.rec[2].b", {}}, {"cal.t[3,1]", {}}, {"x", {}}};
    for (const auto& [name, dimensions] : names) EXPECT_EQ(RangeDimensions(name), dimensions) << name;
}

TEST(BlockPaste, SeparatorsLineEndsAndQuotes) {
    const std::pair<const char*, std::vector<Strings>> rows[] = {
        {"1\t2\r\n3\t4\r\n", {{"1", "2"}, {"3", "4"}}},
        {"1;2\n3;4", {{"1", "2"}, {"3", "4"}}},
        {"1, 2\n3 ,4\n\n", {{"1", "2"}, {"3", "4"}}},
        {"\"1;5\"\t\"a\"\"b\"\n\"x\ny\";7", {{"1;5", "a\"b"}, {"x\ny;7"}}},
        {"5\n6\n7\n", {{"5"}, {"6"}, {"7"}}},
        {"1\r2\n\n3", {{"1"}, {"2"}, {""}, {"3"}}},  // a lone CR ends a row; an empty line inside is a row
        {"", {}},
    };
    for (const auto& [text, cells] : rows) EXPECT_EQ(ParseBlockText(text), cells) << text;
}

TEST(BlockPaste, BlocksThatFitAndBlocksThatDoNot) {
    const ArrayTable table = Table(T::UInt8, 3, 3, "1 2 3  4 0x05 6  7 8 9");
    const std::tuple<int, int, const char*, const char*, const char*> rows[] = {
        {1, 1, "50\t300\r\n-1\t7\r\n", "1 2 3  4 0x32 255  7 0 7", "4 cells changed; 2 values clamped to 0 to 255"},
        {0, 2, "10\n11\n12\n", "1 2 10  4 0x05 11  7 8 12", "3 cells changed"},
        {2, 2, "1;2", "", "The pasted block of 1 x 2 does not fit the 3 x 3 table at [2][2]."},
        {0, 0, "1\n2\n3\n4", "", "The pasted block of 4 x 1 does not fit the 3 x 3 table at [0][0]."},
        {0, 0, "1,2\n3", "", "The pasted rows differ in length: row 2 holds 1 of 2 cells."},
        {0, 0, "1\tx", "", "The pasted block, row 1, column 2: \"x\" is not a number."},
        {0, 0, "50%", "", "The pasted block, row 1, column 1: \"50%\" is not a number."},
        {0, 0, "\n", "", "There is nothing to paste."},
    };
    for (const auto& [row, column, text, after, message] : rows) {
        const BlockResult result = PasteBlock(table, 0, row, column, text);
        EXPECT_EQ(result.message, message);
        if (*after) EXPECT_EQ(Applied(table, result), Words(after)) << text;
        else EXPECT_TRUE(result.changes.empty()) << text;
    }
    EXPECT_EQ(CopyBlock(table, {0, 1, 1, 2, 2}), "0x05\t6\n8\t9\n");
}

TEST(BlockPaste, WholeTablesPrintedAndReadBack) {
    ArrayTable table = Table(T::Int16, 2, 3, "1 -200 3 0x4 5 66");
    EXPECT_EQ(TableText(table, false), "   1  -200     3\n 0x4     5    66\n");
    EXPECT_EQ(TableText(table, true), "1,-200,3\n0x4,5,66\n");
    EXPECT_EQ(Applied(table, ReadTableText(table, "9,8,7\r\n6,5,40000\r\n", "t.csv")), Words("9 8 7 0x6 5 32767"));
    for (const auto& [text, message] :
         {std::pair("1,2,3\n", "\"t.csv\" holds a table of 1 x 3 values; the array is 2 x 3."),
          {"1,2\n4,5\n", "\"t.csv\" holds a table of 2 x 2 values; the array is 2 x 3."},
          {"1,2,3\n4,5\n", "\"t.csv\", row 2 holds 2 values; the array's row holds 3 (the array is 2 x 3)."}})
        EXPECT_EQ(ReadTableText(table, text, "t.csv").message, message);

    table = ArrayTable{Words("1 2 3 4 5"), ShapeOf({5}, 5, 2), T::UInt8};  // a short last row
    EXPECT_EQ(TableText(table, true), "1,2\n3,4\n5\n");
    EXPECT_EQ(CopyBlock(table, {0, 1, 0, 2, 2}), "3\t4\n5\n");  // no cell beyond the last row's end
    EXPECT_TRUE(ReadTableText(table, "1,2\n3,4\n6\n", "f").done);
    table = ArrayTable{Words("1 2 3 4"), ShapeOf({2, 1, 2}, 4), T::UInt8};  // two tables
    EXPECT_EQ(TableText(table, false), "1  2\n\n3  4\n");
    EXPECT_EQ(Applied(table, ReadTableText(table, "5,6\n7,8\n", "f")), Words("5 6 7 8"));
    EXPECT_EQ(TableText(Table(T::UInt8, 2, 1, "1 2"), true), "1\n2\n");  // one column
}

TEST(ArrayHistory, EachOperationIsOneStep) {
    ArrayTable table = Table(T::Int8, 1, 3, "1 2 3");
    ArrayHistory history;
    // The third changes nothing: no step.
    EXPECT_TRUE(history.Apply(table.elements, ApplyBlock(table, {0, 0, 0, 1, 3}, Op::Add, "1")) &&
                history.Apply(table.elements, PasteBlock(table, 0, 0, 0, "9")) &&
                !history.Apply(table.elements, PasteBlock(table, 0, 0, 0, "9")));
    EXPECT_EQ(table.elements, Words("9 3 4"));
    EXPECT_TRUE(history.Undo(table.elements) && history.Undo(table.elements) && !history.Undo(table.elements));
    EXPECT_EQ(table.elements, Words("1 2 3"));
    EXPECT_TRUE(history.Redo(table.elements));
    EXPECT_EQ(table.elements, Words("2 3 4"));
    // A cell changed behind the history's back stops the step instead of being overwritten.
    table.elements[0] = "50";
    EXPECT_FALSE(history.Redo(table.elements) || history.Undo(table.elements));
    EXPECT_EQ(table.elements, Words("50 3 4"));
    // A new step drops what could be redone.
    table.elements[0] = "2";
    EXPECT_TRUE(history.Apply(table.elements, ApplyBlock(table, {0, 0, 0, 1, 1}, Op::Set, "0")));
    EXPECT_FALSE(history.CanRedo());
}

// The array editor's plot marks the cells that differ from the values read.
const double kNaN = std::nan("");

TEST(ArrayPlot, CellsDifferingFromTheValuesReadAreMarked) {
    const std::vector<double> now = {1, 2, kNaN, 4};
    const std::vector<double> read = {1, 3, kNaN};
    std::string marks;
    for (size_t i = 0; i < 5; ++i) marks += DiffersFromRead(now, read, i) ? 'x' : '.';
    EXPECT_EQ(marks, ".x.x.");
    EXPECT_FALSE(DiffersFromRead(now, {}, 1)) << "nothing read, nothing known";
}

// The array editor opens a table by the array's name, whatever element range the record's name holds.
TEST(ArrayBlock, TableRecordsAreFoundByTheArrayName) {
    GroupItems items;
    items.FindOrAddGroup("cal_t");
    items.AddParameter(0, "cal_t.gain", "1", "", false);
    NVMParameter* tab = items.AddParameter(0, "cal_t.gain_tab[0,1][0,2]", "1,2,3,4,5,6", "int16", false);
    EXPECT_TRUE(FindTableRecord(items, "cal_t.gain_t") == nullptr && FindTableRecord(items, "cal_t.gain_tab") == tab &&
                FindTableRecord(items, "other.gain_tab") == nullptr);
    const ArrayTable table = TableOf(*tab);
    EXPECT_EQ(std::tuple(table.shape.rows, table.shape.columns, table.type, table.elements.size()),
              std::tuple(2, 3, T::Int16, size_t{6}));
}

}  // namespace
}  // namespace vtq
