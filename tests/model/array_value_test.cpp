#include "model/array_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/pick_list.h"

namespace vtq {
namespace {

using Strings = std::vector<std::string>;

TEST(ArrayValue, SplitAndJoin) {
    const std::pair<const char*, Strings> splits[] = {
        {"1, 2 ,3", {"1", "2", "3"}}, {"1,2,", {"1", "2"}}, {"1,,2", {"1", "", "2"}}, {"", {}},
        {",1", {"", "1"}},            {" 7 ", {"7"}},       {",", {""}},
    };
    Strings reused = {"old"};
    for (const auto& [text, elements] : splits) {
        SplitElements(text, reused);
        EXPECT_EQ(reused, elements) << '"' << text << '"';
    }

    const Strings list = {"1", "22", "333"};
    const std::pair<long long, const char*> joins[] = {{-1, "1,22,333"}, {0, ""}, {2, "1,22"}, {3, "1,22,333"},
                                                       {10, "1,22,333"}};
    for (const auto& [limit, text] : joins) EXPECT_EQ(JoinElements(list, limit), text) << limit;
}

TEST(ArrayValue, StringViewOfAnArray) {
    const std::pair<const char*, const char*> cases[] = {
        {"72,105,0,0", "Hi"},
        {"72,7,105", "H_i"},  // not a printable code
        {"72,0,105", "H"},    // 0 ends the string
        {"0x41, 0X42 ,9,256,-1,31,65", "AB\t___A"},
        {"72,abc,105", "H"},  // not a number: 0
        {"0x4F,0X6b,0x6a,0x6f,0x4A,+65,-65", "OkjoJA_"},
        {"0x", ""},
        {"99999999999999999999,65", ""},  // beyond 64 bits: not a number
    };
    for (const auto& [array, text] : cases) EXPECT_EQ(ArrayToString(array), text) << array;

    EXPECT_EQ(StringToArray("AB") + "|" + StringToArray(""), "65,66,0|0");
    // Every character the string view shows comes back unchanged.
    std::string all = "\t";
    for (int c = 32; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(ArrayToString(StringToArray(all)), all);
    EXPECT_EQ(ArrayToString(StringToArray("a\x01z")), "a_z");
}

TEST(ArrayValue, ElementLabelsFromDimensions) {
    const std::tuple<std::vector<int>, size_t, const char*> cases[] = {
        {{2, 3}, 5, "[1][2]"}, {{2, 3, 4}, 17, "[1][1][1]"}, {{16}, 9, "[9]"}, {{}, 5, "[5]"},
        {{0, 3}, 4, "[1][1]"},  // a length below 1 counts as 1
        {{65536, 65536, 65536}, 65537, "[0][1][1]"},
    };
    for (const auto& [dimensions, index, label] : cases)
        EXPECT_EQ(ElementLabel(index, StrideList(dimensions)), label) << DimensionText(dimensions) << " " << index;
    EXPECT_EQ(ArrayTypeLabel("UInt8", {16}) + "|" + ArrayTypeLabel("", {16}), "uint8 [16]|(unknown type)");
    for (const char* type : {"sint8", "UINT8", "int8", "CString32"}) EXPECT_TRUE(HasStringView(type)) << type;
    for (const char* type : {"uint16", "int16", "", "bool"}) EXPECT_FALSE(HasStringView(type)) << type;
}

TEST(ArrayValue, FittingToTheElementCount) {
    const std::string appended = "The specified array has been appended with zeros, to match its size of ";
    const std::string truncated = "The specified array has been truncated to match its size of ";
    const std::tuple<const char*, int, const char*, std::string> cases[] = {
        {"1,2", 4, "1,2,0,0", appended + "4 elements."},
        {"1,2,3", 2, "1,2", truncated + "2 elements."},
        {" 1,2,3 ", 3, "1,2,3", ""},
        {" ", 0, "0", ""},
        {"1,2,3,", 3, "1,2,3,", ""},  // as counted: kept as typed
        // A trailing or leading comma separates no element: no empty element is sent.
        {"1,2,", 4, "1,2,0,0", appended + "4 elements."},
        {"1,,2", 4, "1,0,2,0", appended + "4 elements."},
        {",", 3, "0,0,0", appended + "3 elements."},
    };
    for (const auto& [text, count, value, message] : cases) {
        const FittedValue fitted = FitElementCount(text, count);
        EXPECT_EQ(fitted.value + " / " + fitted.message, value + (" / " + message)) << text << " / " << count;
    }
}

TEST(PickList, PreselectionAndResult) {
    const Strings groups = {"cal_t71_lut", "cal_t71_lut_aux", "fix_t71_lut"};
    EXPECT_EQ(std::tuple(PreselectExcept(groups, "_AUX"), PreselectExcept(groups, "zzz"),
                         PreselectExcept(groups, "LUT")),
              std::tuple(std::vector{true, false, true}, std::vector(3, false), std::vector(3, false)));

    const Strings items = {"a b", "c", "d\"e", "f,g"};
    EXPECT_EQ(PickedText(items, {true, true, true, true}), "\"a b\",c,\"d\"\"e\",\"f,g\"");
    EXPECT_EQ(PickedText(items, {false, true, false, false}) + "|" + PickedText(items, {true}) + "|" +
                  PickedText({"a"}, {true, true}),
              "c|\"a b\"|a");
}

}  // namespace
}  // namespace vtq
