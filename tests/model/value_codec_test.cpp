// Values as the editors show and take them: scalars in every view, arrays, element labels, the group picker.
#include "model/value_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/array_value.h"
#include "model/pick_list.h"
#include "model/value_types.h"

namespace vtq {
namespace {

using enum ScalarView;

void ExpectViewsFollowValue(const ScalarConverter& converter, ScalarView typed) {
    for (ScalarView view : {Hexadecimal, Binary, Character}) {
        if (view == typed) continue;
        EXPECT_EQ(converter.text(view), FormatScalar(converter.value(), converter.type(), view)) << int(view);
    }
}

// Decimal text typed for each type: the value it reads (the other views show it) and the range flag.
TEST(ScalarConverter, DecimalTextDrivesTheOtherViews) {
    const std::tuple<const char*, const char*, int64_t, bool> cases[] = {
        {"uint8", "300", 300, true},  {"uint8", "-1", -1, true},  {"sint8", "-1", -1, false},
        {"int8", "127", 127, false},  {"int8", "128", 128, true}, {"int16", "-32768", -32768, false},
        {"sint16", "32768", 32768, true}, {"uint16", "65536", 65536, true}, {"boolean", "256", 256, true},
        {"sint32", "2147483648", INT32_MAX, false}, {"int32", "-99999999999", INT32_MIN, false},
        {"uint32", "99999999999", 4294967295LL, false}, {"int64", "-9223372036854775808", INT64_MIN, false},
        {"sint64", "9223372036854775808", INT64_MAX, false}, {"uint64", "18446744073709551615", -1, false},
        {"uint64", "99999999999999999999", -1, false}, {"", "-2", -2, false},
        {"uint8", "12-3", 12, false},  // reading stops at the first character not part of the number
        {"uint8", " +65", 65, false}, {"uint16", "x7", 0, false},
    };
    for (const auto& [type, dec, value, flagged] : cases) {
        SCOPED_TRACE(std::string(type) + " " + dec);
        ScalarConverter converter(type, dec);
        EXPECT_EQ(std::tuple(converter.value(), converter.text(Decimal), converter.outOfRange()),
                  std::tuple(value, dec, flagged));
        ExpectViewsFollowValue(converter, Decimal);
    }
}

// Hexadecimal, binary and character input: the value and the decimal view; an empty hexadecimal field zeroes it.
TEST(ScalarConverter, OtherViewsDriveTheDecimalView) {
    const std::tuple<const char*, ScalarView, const char*, const char*> cases[] = {
        {"uint8", Hexadecimal, "41", "65"},
        {"int8", Hexadecimal, "FF", "-1"},  // the type's top bit set: the negative number of that width
        {"int32", Hexadecimal, "80000000", "-2147483648"},
        {"", Hexadecimal, "8000000000000000", "-9223372036854775808"},
        {"bool", Hexadecimal, "af", "175"},
        {"uint8", Hexadecimal, "4G1", "4"},  // up to the first character that is not a digit
        {"int8", Binary, "10000000", "-128"},
        {"uint8", Binary, "1x1", "5"},  // any character but 1 counts as 0
        {"uint64", Binary, "1111111111111111111111111111111111111111111111111111111111111111", "18446744073709551615"},
        {"uint8", Character, "\xE9", "233"},
        {"uint8", Character, "", "0"},
    };
    for (const auto& [type, view, text, dec] : cases) {
        SCOPED_TRACE(std::string(type) + " view " + std::to_string(static_cast<int>(view)) + " " + text);
        ScalarConverter converter(type, "300");
        converter.SetText(view, text);
        EXPECT_EQ(std::tuple(converter.text(view), converter.text(Decimal), converter.value(), converter.outOfRange()),
                  std::tuple(text, dec, ReadDecimal(dec, converter.type()),
                             DecimalOutOfRange(converter.value(), converter.type())));
        ExpectViewsFollowValue(converter, view);
    }
    ScalarConverter converter("uint8", "300");
    converter.SetText(Hexadecimal, "");
    EXPECT_TRUE(converter.value() == 0 && converter.outOfRange());
    EXPECT_EQ(converter.text(Decimal) + converter.text(Binary), "30000101100");
    const std::pair<const char*, const char*> results[] = {{"", "0"}, {" \t", "0"}, {" 300 ", "300"}};
    for (const auto& [typed, result] : results) {
        converter.SetText(Decimal, typed);
        EXPECT_EQ(converter.ResultText(), result) << '"' << typed << '"';
    }
}

TEST(ValueCodec, CharactersRoundTripAndCodesOutsideTheTable) {
    const auto chr = MakeValueCodec(Character, NVMValueType::UInt8);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(chr->decode(chr->encode(v)), v >= 32 ? v : 32) << v;
    for (int code : {-1, 10}) {
        const ScalarLimits limits = LimitsOf(static_cast<NVMValueType>(code));
        EXPECT_EQ(std::tuple(limits.decLength, limits.hexLength, limits.ranged), std::tuple(21u, 16u, false)) << code;
    }
}

TEST(ValueCodec, KeysTheCodecsAcceptAndDrop) {
    const std::tuple<ScalarView, const char*, const char*, char, const char*> cases[] = {  // after: null = dropped
        {Decimal, "uint8", "12", '-', "12-"},  // the minus sign anywhere
        {Decimal, "uint8", "1234", '5', nullptr},  // 4 characters at most
        {Decimal, "uint64", "12345678901234567890", '1', "123456789012345678901"},
        {Decimal, "", "1", 'a', nullptr},
        {Hexadecimal, "uint8", "A", 'f', "AF"},  // lower case taken as upper case
        {Hexadecimal, "uint8", "", 'g', nullptr},
        {Binary, "uint8", "0101010", '1', "01010101"},
        {Binary, "uint8", "", '2', nullptr},
        {Character, "uint8", "", '\xE9', "\xE9"},
        {Character, "uint8", "A", '\xE9', nullptr},  // 128 to 255 edit normally: one character at most
        {Character, "uint8", "", '\0', nullptr},
    };
    for (const auto& [view, type, before, key, after] : cases) {
        SCOPED_TRACE(std::string(type) + " view " + std::to_string(int(view)) + " '" + before + "' + " + key);
        std::string text = before;
        EXPECT_EQ(MakeValueCodec(view, TypeOf(type))->appendDigit(text, key), after != nullptr);
        EXPECT_EQ(text, after ? after : before);
    }
}

// Keys typed one at a time: the cursor after the key, the field's text and the decimal text.
TEST(ScalarConverter, TypingKeyByKey) {
    using enum ScalarConverter::KeyAction;
    const std::tuple<ScalarView, size_t, size_t, char, ScalarConverter::KeyAction, size_t, const char*, const char*>
        steps[] = {
            {Hexadecimal, 0, 2, '4', Edited, 1, "4", "4"},  // over the selected text
            {Hexadecimal, 1, 0, '1', Edited, 2, "41", "65"},
            {Hexadecimal, 2, 0, '1', Dropped, 2, "41", "65"},
            {Hexadecimal, 1, 0, '\b', Edited, 0, "1", "1"},  // backspace edits the field at the cursor
            {Decimal, 0, 1, '5', Edited, 1, "5", "5"},
            {Decimal, 1, 0, '0', Edited, 2, "50", "50"},
            {Decimal, 0, 0, '-', Edited, 1, "-50", "-50"},  // the minus sign goes where the cursor is
            {Decimal, 1, 0, '\r', Accept, 1, "-50", "-50"},  // Enter accepts in the number views
            {Character, 1, 0, '\r', Edited, 0, "\r", "13"},  // and is the value 13 in the character view
        };
    ScalarConverter converter("uint8", "");
    for (const auto& [view, pos, count, key, action, after, text, dec] : steps) {
        SCOPED_TRACE(std::string(dec) + " key " + std::to_string(int(key)));
        size_t cursor = pos;
        EXPECT_EQ(converter.TypeKey(view, cursor, count, key), action);
        EXPECT_EQ(std::tuple(cursor, converter.text(view), converter.text(Decimal), converter.outOfRange()),
                  std::tuple(after, text, dec, converter.value() < 0));
        ExpectViewsFollowValue(converter, view);
        EXPECT_TRUE(action != Accept || converter.ResultText() == "-50");
    }
    // Pasting keeps what the view takes, the cursor after it; nothing taken leaves the text.
    for (const auto& [count, pasted, action, after, text] :
         {std::tuple(size_t{0}, "12abc", Edited, size_t{3}, "1123"), std::tuple(size_t{2}, "\tx", Dropped, size_t{1}, "1123")}) {
        size_t cursor = 1;
        EXPECT_EQ(converter.PasteText(Decimal, cursor, count, pasted), action);
        EXPECT_EQ(std::tuple(cursor, converter.text(Decimal)), std::tuple(after, text));
    }
}

TEST(ValueTypes, TypeTextsSizesAndCounts) {
    for (const auto& entry : kNVMValueTypes)
        EXPECT_EQ(std::pair(TypeOf(entry.text), SizeOf(entry.code)), std::pair(entry.code, entry.size)) << entry.text;
    EXPECT_EQ(TypeOf(" UInt16 "), NVMValueType::UInt16);
    for (const char* other : {"", "float", "uint16_t", "string"}) EXPECT_EQ(TypeOf(other), NVMValueType::Unknown);
    for (int code : {9, -1, 10}) EXPECT_EQ(SizeOf(code), 8);
    EXPECT_TRUE(IsStringType("CString32") && !IsStringType("strin g"));

    const std::pair<const char*, int> counts[] = {{"", 0}, {" \t\r\n", 0}, {"5", 1}, {"1,2,3,", 3},
                                                  {",1,2", 2}, {"1,,2", 3}, {",", 1}};
    for (const auto& [text, count] : counts) EXPECT_EQ(ElementCount(text), count) << '"' << text << '"';
}

TEST(ValueTypes, ParseDimensionsMultipliesPositivePieces) {
    const std::tuple<const char*, int, std::vector<int>> cases[] = {  // text, product, pieces
        {"4x8", 32, {4, 8}}, {"0x8", 8, {8}}, {"", 1, {}}, {"2 3x4", 24, {2, 3, 4}}, {"-3x2", 2, {2}}, {"4ax8", 8, {8}},
        {"65536x65536", 2147483647, {65536, 65536}},  // saturates instead of overflowing
    };
    for (const auto& [text, product, pieces] : cases) {
        std::vector<int> list;
        EXPECT_EQ(ParseDimensions(text, &list), product) << text;
        EXPECT_EQ(list, pieces) << text;
    }
}

// Every code (and those around the table) in every view at each width's edges: the digits show exactly the type's
// low bits, and a value the type holds reads back. The first lines pin the signedness the loop takes.
TEST(ValueTypes, FormatScalarEveryCodeAndView) {
    EXPECT_EQ(FormatScalar(-1, NVMValueType::Bool, ScalarView::Decimal), "18446744073709551615");
    EXPECT_EQ(FormatScalar(-1, NVMValueType::Int8, ScalarView::Decimal), "-1");
    const int64_t values[] = {0, 1, -1, 127, 128, 255, 256, -129, 0x7FFF, 0x8000, -32768, 0x7FFFFFFF, 0x80000000,
                              0xFFFFFFFF, 0x100000000LL, INT64_MAX, INT64_MIN, 0x0123456789ABCDEFLL};
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
                const auto type = static_cast<NVMValueType>(code);
                if (ValueOfBits(bits & mask, type) == value) {
                    for (ScalarView view : {Decimal, Hexadecimal, Binary})
                        EXPECT_EQ(MakeValueCodec(view, type)->decode(FormatScalar(value, type, view)), value) << code;
                }
            }
            EXPECT_EQ(FormatScalar(value, code, 3), std::string(1, char(value >= 32 && value <= 255 ? value : 32)));
            EXPECT_EQ(FormatScalar(value, code, 4), "");
        }
    }
}

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
        {"72,-0x41,105", "H"},  // hexadecimal with a sign: 0
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
    EXPECT_EQ(ArrayCaption(1) + "|" + ArrayCaption(2), "Edit as array (1 item)|Edit as array (2 items)");
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
