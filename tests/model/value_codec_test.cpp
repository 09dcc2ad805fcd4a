#include "model/value_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vtq {
namespace {

constexpr ScalarView kDec = ScalarView::Decimal;
constexpr ScalarView kHex = ScalarView::Hexadecimal;
constexpr ScalarView kBin = ScalarView::Binary;
constexpr ScalarView kChr = ScalarView::Character;

// Decimal text typed for each type: the value it reads, the hexadecimal and character views and the range flag.
TEST(ScalarConverter, DecimalTextDrivesTheOtherViews) {
    struct Case {
        const char* type;
        const char* dec;
        int64_t value;
        const char* hex;
        const char* chr;
        bool flagged;
    };
    const Case cases[] = {
        {"uint8", "300", 300, "2C", " ", true},  // advisory flag, low bits shown
        {"uint8", "-1", -1, "FF", " ", true},
        {"sint8", "-1", -1, "FF", " ", false},
        {"int8", "127", 127, "7F", "\x7F", false},
        {"int8", "128", 128, "80", "\x80", true},
        {"int16", "-32768", -32768, "8000", " ", false},
        {"sint16", "32768", 32768, "8000", " ", true},
        {"uint16", "65536", 65536, "0000", " ", true},
        {"sint32", "2147483648", INT32_MAX, "7FFFFFFF", " ", false},
        {"int32", "-99999999999", INT32_MIN, "80000000", " ", false},
        {"uint32", "99999999999", 4294967295LL, "FFFFFFFF", " ", false},
        {"int64", "-9223372036854775808", INT64_MIN, "8000000000000000", " ", false},
        {"sint64", "9223372036854775808", INT64_MAX, "7FFFFFFFFFFFFFFF", " ", false},
        {"uint64", "18446744073709551615", -1, "FFFFFFFFFFFFFFFF", " ", false},
        {"uint64", "99999999999999999999", -1, "FFFFFFFFFFFFFFFF", " ", false},
        {"boolean", "256", 256, "00", " ", true},
        {"", "-2", -2, "FFFFFFFFFFFFFFFE", " ", false},
        {"uint8", "12-3", 12, "0C", " ", false},  // reading stops at the first character not part of the number
        {"uint8", " +65", 65, "41", "A", false},
        {"uint16", "x7", 0, "0000", " ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.dec);
        ScalarConverter converter(c.type, c.dec);
        EXPECT_EQ(converter.value(), c.value);
        EXPECT_EQ(converter.text(kDec), c.dec) << "the decimal text stays as typed";
        EXPECT_EQ(converter.text(kHex), c.hex);
        EXPECT_EQ(converter.text(kBin), FormatScalar(c.value, converter.type(), kBin));
        EXPECT_EQ(converter.text(kChr), c.chr);
        EXPECT_EQ(converter.outOfRange(), c.flagged);
    }
}

// Hexadecimal, binary and character input: the value and the decimal view; an empty hexadecimal field zeroes
// the value only.
TEST(ScalarConverter, OtherViewsDriveTheDecimalView) {
    const std::tuple<const char*, ScalarView, const char*, const char*> cases[] = {
        {"uint8", kHex, "41", "65"},
        {"int8", kHex, "FF", "-1"},  // the type's top bit set: the negative number of that width
        {"int32", kHex, "80000000", "-2147483648"},
        {"", kHex, "8000000000000000", "-9223372036854775808"},
        {"bool", kHex, "ff", "255"},
        {"uint8", kHex, "4G1", "4"},  // up to the first character that is not a digit
        {"int8", kBin, "10000000", "-128"},
        {"uint8", kBin, "1x1", "5"},  // any character but 1 counts as 0
        {"uint64", kBin, "1111111111111111111111111111111111111111111111111111111111111111", "18446744073709551615"},
        {"uint8", kChr, "\xE9", "233"},
        {"uint8", kChr, "", "0"},
    };
    for (const auto& [type, view, text, dec] : cases) {
        SCOPED_TRACE(std::string(type) + " view " + std::to_string(static_cast<int>(view)) + " " + text);
        ScalarConverter converter(type, "300");
        converter.SetText(view, text);
        EXPECT_EQ(converter.text(view), text);
        EXPECT_EQ(converter.text(kDec), dec);
        EXPECT_EQ(converter.value(), ReadDecimal(dec, converter.type()));
        EXPECT_EQ(converter.outOfRange(), DecimalOutOfRange(converter.value(), converter.type()));
        for (ScalarView other : {kHex, kBin, kChr}) {
            if (other == view) continue;
            EXPECT_EQ(converter.text(other), FormatScalar(converter.value(), converter.type(), other));
        }
    }
    ScalarConverter converter("uint8", "300");
    converter.SetText(kHex, "");
    EXPECT_EQ(converter.value(), 0);
    EXPECT_EQ(converter.text(kDec) + converter.text(kBin), "30000101100");
    EXPECT_TRUE(converter.outOfRange());
    converter.SetText(kChr, "A");
    EXPECT_EQ(converter.text(kDec), "65");
    EXPECT_FALSE(converter.outOfRange());
    const std::pair<const char*, const char*> results[] = {{"", "0"}, {" \t", "0"}, {" 300 ", "300"}};
    for (const auto& [typed, result] : results) {
        converter.SetText(kDec, typed);
        EXPECT_EQ(converter.ResultText(), result) << '"' << typed << '"';
    }
}

// Every value of every type through the decimal, hexadecimal and binary codecs and back; every byte through the
// character codec; codes outside the table have the unknown type's limits.
TEST(ValueCodec, EveryValueRoundTripsThroughEveryView) {
    for (int code = 0; code <= 9; ++code) {
        const auto type = static_cast<NVMValueType>(code);
        const int width = SizeOf(type) * 8;
        std::vector<int64_t> values;
        for (int v = -300; v < 300; ++v) values.push_back(width == 8 && IsSignedType(type) ? int8_t(v) : v);
        const uint64_t top = uint64_t(1) << (width - 1), mask = width == 64 ? ~0ULL : (uint64_t(1) << width) - 1;
        for (uint64_t bits : {top - 1, top, top + 1, (top - 1) * 2 + 1, uint64_t(0x0123456789ABCDEF)})
            values.push_back(ValueOfBits(bits & mask, type));
        for (int64_t v : values) {
            // Unsigned types keep values outside their width only as the decimal text typed.
            if (!IsSignedType(type) && width < 64 && (v < 0 || uint64_t(v) > mask)) continue;
            for (ScalarView view : {kDec, kHex, kBin}) {
                const auto codec = MakeValueCodec(view, type);
                const std::string text = codec->encode(v);
                EXPECT_EQ(codec->decode(text), v) << "code " << code << " view " << int(view) << " " << text;
            }
        }
    }
    const auto chr = MakeValueCodec(kChr, NVMValueType::UInt8);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(chr->decode(chr->encode(v)), v >= 32 ? v : 32) << v;
    for (int code : {-1, 10}) {
        const ScalarLimits limits = LimitsOf(static_cast<NVMValueType>(code));
        EXPECT_EQ(std::tuple(limits.decLength, limits.hexLength, limits.ranged), std::tuple(21u, 16u, false)) << code;
    }
}

// Which keys each view takes, at which length; backspace at the end alike in every codec.
TEST(ValueCodec, KeysTheCodecsAcceptAndDrop) {
    const std::tuple<ScalarView, const char*, const char*, char, const char*> cases[] = {  // after: null = dropped
        {kDec, "uint8", "12", '-', "12-"},  // the minus sign anywhere
        {kDec, "uint8", "1234", '5', nullptr},  // 4 characters at most
        {kDec, "uint64", "12345678901234567890", '1', "123456789012345678901"},
        {kDec, "", "1", 'a', nullptr},
        {kHex, "uint8", "A", 'f', "AF"},  // lower case taken as upper case
        {kHex, "uint8", "AF", '1', nullptr},
        {kHex, "uint8", "", 'g', nullptr},
        {kBin, "uint8", "0101010", '1', "01010101"},
        {kBin, "uint8", "", '2', nullptr},
        {kChr, "uint8", "B", 'A', "A"},  // 1 to 127 replace the field
        {kChr, "uint8", "", '\xE9', "\xE9"},
        {kChr, "uint8", "A", '\xE9', nullptr},  // 128 to 255 edit normally: one character at most
        {kChr, "uint8", "", '\0', nullptr},
    };
    for (const auto& [view, type, before, key, after] : cases) {
        SCOPED_TRACE(std::string(type) + " view " + std::to_string(int(view)) + " '" + before + "' + " + key);
        std::string text = before;
        EXPECT_EQ(MakeValueCodec(view, TypeOf(type))->appendDigit(text, key), after != nullptr);
        EXPECT_EQ(text, after ? after : before);
    }
    for (ScalarView view : {kDec, kHex, kBin, kChr}) {
        const auto codec = MakeValueCodec(view, NVMValueType::UInt8);
        std::string text = "10";
        EXPECT_TRUE(codec->removeLastDigit(text));
        EXPECT_EQ(text, "1");
        text.clear();
        EXPECT_FALSE(codec->removeLastDigit(text));
    }
    // A longer text given at the start is kept; typing over a selection still fits.
    const auto dec = MakeValueCodec(kDec, NVMValueType::UInt8);
    std::string text = "123456";
    EXPECT_FALSE(dec->insertDigit(text, 0, 1, '9'));
    EXPECT_TRUE(dec->insertDigit(text, 1, 3, '9'));
    EXPECT_EQ(text, "1956");
}

// Keys typed into the dialog's fields, one at a time, through the converter.
TEST(ScalarConverter, TypingKeyByKey) {
    using Action = ScalarConverter::KeyAction;
    ScalarConverter converter("uint8", "");
    size_t pos = 0;
    // Typing 41 in the hexadecimal view over its selected text.
    EXPECT_EQ(converter.TypeKey(kHex, pos, 2, '4'), Action::Edited);
    EXPECT_EQ(pos, 1u);
    EXPECT_EQ(converter.TypeKey(kHex, pos, 0, '1'), Action::Edited);
    EXPECT_EQ(converter.text(kDec) + converter.text(kChr), "65A");
    EXPECT_EQ(converter.TypeKey(kHex, pos, 0, '1'), Action::Dropped);

    // Backspace edits the field at the cursor; at its start it does nothing.
    pos = 1;
    EXPECT_EQ(converter.TypeKey(kHex, pos, 0, '\b'), Action::Edited);
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(converter.text(kHex) + converter.text(kDec), "11");
    EXPECT_EQ(converter.TypeKey(kHex, pos, 0, '\b'), Action::Dropped);
    EXPECT_EQ(converter.TypeKey(kBin, pos, 8, '\b'), Action::Edited);
    EXPECT_EQ(converter.text(kBin) + converter.text(kDec), "0");

    // The minus sign goes where the cursor is; the decimal text stays as typed.
    EXPECT_EQ(converter.TypeKey(kDec, pos, 1, '5'), Action::Edited);
    EXPECT_EQ(converter.TypeKey(kDec, pos, 0, '0'), Action::Edited);
    pos = 0;
    EXPECT_EQ(converter.TypeKey(kDec, pos, 0, '-'), Action::Edited);
    EXPECT_EQ(converter.text(kDec) + converter.text(kHex), "-50CE");
    EXPECT_TRUE(converter.outOfRange());

    // Enter accepts in the number views and is the value 13 in the character view.
    for (ScalarView view : {kDec, kHex, kBin}) EXPECT_EQ(converter.TypeKey(view, pos, 0, '\r'), Action::Accept);
    EXPECT_EQ(converter.ResultText(), "-50");
    EXPECT_EQ(converter.TypeKey(kChr, pos, 0, '\r'), Action::Edited);
    EXPECT_EQ(converter.text(kDec), "13");
    EXPECT_FALSE(converter.outOfRange());
    // Backspace too is a character there, and the field is selected afterwards.
    pos = 1;
    EXPECT_EQ(converter.TypeKey(kChr, pos, 0, '\b'), Action::Edited);
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(converter.text(kDec) + converter.text(kBin), "800001000");
}

}  // namespace
}  // namespace vtq
