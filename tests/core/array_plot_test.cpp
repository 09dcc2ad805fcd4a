// The numbers behind the array editor's plot and colour scale.
#include <gtest/gtest.h>

#include <cmath>

#include "core/array_plot.h"

namespace vtq {
namespace {

const double kNaN = std::nan("");

TEST(ArrayPlot, ElementsReadAsTheBlockOperationsReadThem) {
    const std::vector<double> values = ElementValues({"7", "0xFF", "-3", "abc", ""}, NVMValueType::Int8);
    ASSERT_EQ(values.size(), 5u);
    EXPECT_TRUE(std::vector<double>(values.begin(), values.begin() + 3) == (std::vector<double>{7, -1, -3}) &&
                std::isnan(values[3]) && std::isnan(values[4]));
    EXPECT_EQ(SpanOf(values), (ValueSpan{-3, 7, false})) << "what is no number is skipped";
    EXPECT_TRUE(SpanOf(std::vector<double>{kNaN}).empty);

    std::vector<double> kept = values;
    UpdateElementValues(kept, {"7", "8", "-3"}, NVMValueType::Int8, 1, 5);
    EXPECT_EQ(kept, (std::vector<double>{7, 8, -3})) << "takes the new length, reads from the first changed";
}

TEST(ArrayPlot, ScalePositionsAndMarks) {
    const ValueSpan span{10, 20, false};
    for (const auto& [value, position] :
         std::vector<std::pair<double, double>>{{10, 0}, {15, 0.5}, {20, 1}, {-5, 0}, {99, 1}, {kNaN, 0.5}})
        EXPECT_EQ(ScalePosition(value, span), position) << value;
    EXPECT_EQ(ScalePosition(4, ValueSpan{4, 4, false}), 0.5);

    const std::vector<double> now = {1, 2, kNaN, 4};
    const std::vector<double> read = {1, 3, kNaN};
    std::string marks;
    for (size_t i = 0; i < 5; ++i) marks += DiffersFromRead(now, read, i) ? 'x' : '.';
    EXPECT_EQ(marks, ".x.x.");
    EXPECT_FALSE(DiffersFromRead(now, {}, 1)) << "nothing read, nothing known";
}

TEST(ArrayPlot, PixelColumnsHoldEachColumnsExtremesJoinedToTheColumnBefore) {
    const std::vector<double> values = {5, 1, 9, 2, 2, 8, 3, 4};
    const std::vector<ValueSpan> four = PixelColumns(values, 4);
    EXPECT_EQ(four, (std::vector<ValueSpan>{{1, 5, false}, {1, 9, false}, {2, 8, false}, {3, 8, false}}));
    const std::vector<ValueSpan> wide = PixelColumns(std::vector<double>{1, 2}, 3);
    EXPECT_EQ(std::tuple(wide[0].empty, wide[1].empty, wide[2]), std::tuple(true, false, ValueSpan{1, 2, false}));
    EXPECT_TRUE(PixelColumns(values, 0).empty());
}

}  // namespace
}  // namespace vtq
