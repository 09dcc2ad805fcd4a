#include "model/value_types.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vtq {
namespace {

TEST(ValueTypes, TypeTextsSizesAndCounts) {
    for (const auto& entry : kNVMValueTypes) {
        EXPECT_EQ(TypeOf(entry.text), entry.code) << entry.text;
        EXPECT_EQ(SizeOf(entry.code), entry.size) << entry.text;
    }
    EXPECT_EQ(TypeOf(" UInt16 "), NVMValueType::UInt16);
    for (const char* other : {"", "float", "uint16_t", "string"}) EXPECT_EQ(TypeOf(other), NVMValueType::Unknown);
    for (int code : {9, -1, 10}) EXPECT_EQ(SizeOf(code), 8);
    EXPECT_TRUE(IsStringType("CString32"));
    EXPECT_FALSE(IsStringType("strin g"));

    const std::pair<const char*, int> counts[] = {{"", 0}, {" \t\r\n", 0}, {"5", 1}, {"1,2,3,", 3},
                                                  {",1,2", 2}, {"1,,2", 3}, {",", 1}};
    for (const auto& [text, count] : counts) EXPECT_EQ(ElementCount(text), count) << '"' << text << '"';

    EXPECT_EQ(RemoveBlanks(" \"a b\"\t1,\r\n2 \f\v"), "\"ab\"1,2\f\v");
}

TEST(ValueTypes, ParseDimensionsMultipliesPositivePieces) {
    struct Case {
        const char* text;
        int product;
        std::vector<int> list;
    };
    const Case cases[] = {
        {"4x8", 32, {4, 8}}, {"0x8", 8, {8}}, {"", 1, {}}, {"2 3x4", 24, {2, 3, 4}}, {"-3x2", 2, {2}}, {"4ax8", 8, {8}},
        {"65536x65536", 2147483647, {65536, 65536}},  // saturates instead of overflowing
    };
    for (const auto& c : cases) {
        std::vector<int> list;
        EXPECT_EQ(ParseDimensions(c.text, &list), c.product) << c.text;
        EXPECT_EQ(list, c.list) << c.text;
    }
}

// Every code (and the codes around the table) in every view over values at each width's edges: the digits must
// show exactly the type's low bits. The loop takes signedness from IsSignedType; the first lines pin it down.
TEST(ValueTypes, FormatScalarEveryCodeAndView) {
    EXPECT_EQ(FormatScalar(-1, NVMValueType::Bool, ScalarView::Decimal), "18446744073709551615");
    EXPECT_EQ(FormatScalar(-1, NVMValueType::Int8, ScalarView::Decimal), "-1");
    const int64_t values[] = {0, 1, -1, 127, 128, 255, 256, 0x7FFF, 0x8000, -32768, 0xFFFFFFFF,
                              0x100000000LL, INT64_MAX, INT64_MIN, 0x0123456789ABCDEFLL};
    for (int code = -1; code <= 10; ++code) {
        const bool valid = code >= 0 && code <= 9;
        const int width = valid ? SizeOf(code) * 8 : 0;
        const uint64_t mask = width == 64 ? ~0ULL : (1ULL << width) - 1;
        for (int64_t value : values) {
            const auto bits = static_cast<uint64_t>(value);
            const std::string decimal = FormatScalar(value, code, 0);
            EXPECT_EQ(decimal, IsSignedType(code) ? std::to_string(value) : std::to_string(bits));
            const std::string hex = FormatScalar(value, code, 1);
            const std::string binary = FormatScalar(value, code, 2);
            if (!valid) {
                EXPECT_EQ(hex + binary, "");
            } else {
                ASSERT_EQ(hex.size(), size_t(width / 4));
                ASSERT_EQ(binary.size(), size_t(width));
                EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
                EXPECT_EQ(std::stoull(hex, nullptr, 16), bits & mask) << code << ' ' << value;
                EXPECT_EQ(std::stoull(binary, nullptr, 2), bits & mask) << code << ' ' << value;
            }
            EXPECT_EQ(FormatScalar(value, code, 3), std::string(1, char(value >= 32 && value <= 255 ? value : 32)));
            EXPECT_EQ(FormatScalar(value, code, 4), "");
        }
    }
}

}  // namespace
}  // namespace vtq
