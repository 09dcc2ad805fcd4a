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

// Decimal text typed for each type: the value it reads, the other three views
// and the range flag.
TEST(ScalarConverter, DecimalTextDrivesTheOtherViews) {
    struct Case {
        const char* type;
        const char* dec;
        int64_t value;
        const char* hex;
        const char* bin;
        const char* chr;
        bool flagged;
    };
    const Case cases[] = {
        {"uint8", "300", 300, "2C", "00101100", " ", true},  // advisory flag, low bits shown
        {"uint8", "-1", -1, "FF", "11111111", " ", true},
        {"sint8", "-1", -1, "FF", "11111111", " ", false},
        {"int8", "127", 127, "7F", "01111111", "\x7F", false},
        {"int8", "128", 128, "80", "10000000", "\x80", true},
        {"int8", "-129", -129, "7F", "01111111", " ", true},
        {"int16", "-32768", -32768, "8000", "1000000000000000", " ", false},
        {"sint16", "32768", 32768, "8000", "1000000000000000", " ", true},
        {"uint16", "65536", 65536, "0000", "0000000000000000", " ", true},
        {"uint16", "-1", -1, "FFFF", "1111111111111111", " ", true},
        {"sint32", "2147483648", INT32_MAX, "7FFFFFFF", "01111111111111111111111111111111", " ", false},
        {"int32", "-99999999999", INT32_MIN, "80000000", "10000000000000000000000000000000", " ", false},
        {"uint32", "4294967295", 4294967295LL, "FFFFFFFF", "11111111111111111111111111111111", " ", false},
        {"uint32", "99999999999", 4294967295LL, "FFFFFFFF", "11111111111111111111111111111111", " ", false},
        {"int64", "-9223372036854775808", INT64_MIN, "8000000000000000", nullptr, " ", false},
        {"sint64", "9223372036854775808", INT64_MAX, "7FFFFFFFFFFFFFFF", nullptr, " ", false},
        {"uint64", "18446744073709551615", -1, "FFFFFFFFFFFFFFFF", nullptr, " ", false},
        {"uint64", "99999999999999999999", -1, "FFFFFFFFFFFFFFFF", nullptr, " ", false},
        {"bool", "1", 1, "01", "00000001", " ", false},
        {"boolean", "256", 256, "00", "00000000", " ", true},
        {"", "-2", -2, "FFFFFFFFFFFFFFFE", nullptr, " ", false},
        {"float", "65", 65, "0000000000000041", nullptr, "A", false},
        // Reading stops at the first character that is not part of the number.
        {"uint8", "12-3", 12, "0C", "00001100", " ", false},
        {"uint8", "", 0, "00", "00000000", " ", false},
        {"uint8", " +65", 65, "41", "01000001", "A", false},
        {"uint16", "x7", 0, "0000", "0000000000000000", " ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.dec);
        ScalarConverter converter(c.type, c.dec);
        EXPECT_EQ(converter.value(), c.value);
        EXPECT_EQ(converter.text(kDec), c.dec) << "the decimal text stays as typed";
        EXPECT_EQ(converter.text(kHex), c.hex);
        if (c.bin) {
            EXPECT_EQ(converter.text(kBin), c.bin);
        }
        EXPECT_EQ(converter.text(kBin).size(), LimitsOf(converter.type()).binLength);
        EXPECT_EQ(converter.text(kChr), c.chr);
        EXPECT_EQ(converter.outOfRange(), c.flagged);
    }
}

// Hexadecimal, binary and character input: the value and the decimal view.
TEST(ScalarConverter, OtherViewsDriveTheDecimalView) {
    struct Case {
        const char* type;
        ScalarView view;
        const char* text;
        const char* dec;
    };
    const Case cases[] = {
        {"uint8", kHex, "41", "65"},
        {"int8", kHex, "FF", "-1"},  // the type's top bit set: the negative number of that width
        {"int8", kHex, "7F", "127"},
        {"int16", kHex, "8000", "-32768"},
        {"int32", kHex, "80000000", "-2147483648"},
        {"uint32", kHex, "FFFFFFFF", "4294967295"},
        {"", kHex, "8000000000000000", "-9223372036854775808"},
        {"bool", kHex, "ff", "255"},
        {"uint8", kHex, "4G1", "4"},  // up to the first character that is not a digit
        {"uint8", kBin, "01000001", "65"},
        {"int8", kBin, "10000000", "-128"},
        {"sint16", kBin, "1111111111111111", "-1"},
        {"uint8", kBin, "1x1", "5"},  // any character but 1 counts as 0
        {"uint64", kBin, "1111111111111111111111111111111111111111111111111111111111111111", "18446744073709551615"},
        {"uint8", kChr, "A", "65"},
        {"uint8", kChr, "\xE9", "233"},
        {"uint8", kChr, "", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " view " + std::to_string(static_cast<int>(c.view)) + " " + c.text);
        ScalarConverter converter(c.type, "300");
        converter.SetText(c.view, c.text);
        EXPECT_EQ(converter.text(c.view), c.text);
        EXPECT_EQ(converter.text(kDec), c.dec);
        EXPECT_EQ(converter.value(), ReadDecimal(c.dec, converter.type()));
        EXPECT_EQ(converter.outOfRange(), DecimalOutOfRange(converter.value(), converter.type()));
        for (ScalarView other : {kHex, kBin, kChr}) {
            if (other != c.view) {
                EXPECT_EQ(converter.text(other), FormatScalar(converter.value(), converter.type(), other));
            }
        }
    }
}

TEST(ScalarConverter, EmptyHexadecimalFieldZeroesTheValueOnly) {
    ScalarConverter converter("uint8", "300");
    converter.SetText(kHex, "");
    EXPECT_EQ(converter.value(), 0);
    EXPECT_EQ(converter.text(kDec), "300");
    EXPECT_EQ(converter.text(kBin), "00101100");
    EXPECT_EQ(converter.text(kChr), " ");
    EXPECT_TRUE(converter.outOfRange());
    EXPECT_EQ(converter.ResultText(), "300");
    // The next view edit starts from 0.
    converter.SetText(kChr, "A");
    EXPECT_EQ(converter.text(kDec), "65");
    EXPECT_FALSE(converter.outOfRange());
}

// Every value of every type through the decimal, hexadecimal and binary
// codecs and back; every byte through the character codec.
TEST(ValueCodec, EveryValueRoundTripsThroughEveryView) {
    for (int code = 0; code <= 9; ++code) {
        const auto type = static_cast<NVMValueType>(code);
        const int width = SizeOf(type) * 8;
        std::vector<int64_t> values;
        if (width == 8) {
            for (int v = 0; v < 256; ++v) values.push_back(IsSignedType(type) ? int8_t(v) : v);
        } else {
            for (int v = -300; v < 300; ++v) values.push_back(v);
            const uint64_t top = uint64_t(1) << (width - 1);
            for (uint64_t bits : {top - 1, top, top + 1, (top - 1) * 2 + 1, uint64_t(0x0123456789ABCDEF)}) {
                const uint64_t mask = width == 64 ? ~0ULL : (uint64_t(1) << width) - 1;
                values.push_back(ValueOfBits(bits & mask, type));
            }
        }
        for (int64_t v : values) {
            // Unsigned types keep values below 0 only as the decimal text typed; their views hold the low bits.
            if (!IsSignedType(type) && v < 0 && width < 64) continue;
            for (ScalarView view : {kDec, kHex, kBin}) {
                const auto codec = MakeValueCodec(view, type);
                const std::string text = codec->encode(v);
                EXPECT_EQ(codec->decode(text), v) << "code " << code << " view " << int(view) << " " << text;
            }
        }
    }
    for (int v = 0; v < 256; ++v) {
        const auto codec = MakeValueCodec(kChr, NVMValueType::UInt8);
        EXPECT_EQ(codec->decode(codec->encode(v)), v >= 32 ? v : 32) << v;
    }
}

// One table for every codec alike: which keys each view takes, at which length.
TEST(ValueCodec, KeysTheCodecsAcceptAndDrop) {
    struct Case {
        ScalarView view;
        const char* type;
        const char* text;
        char key;
        const char* after;  // nullptr: dropped
    };
    const Case cases[] = {
        {kDec, "uint8", "12", '-', "12-"},  // the minus sign anywhere
        {kDec, "uint8", "1234", '5', nullptr},  // 4 characters at most
        {kDec, "int16", "-12345", '6', nullptr},
        {kDec, "uint32", "1234567890", '1', "12345678901"},
        {kDec, "uint64", "12345678901234567890", '1', "123456789012345678901"},
        {kDec, "uint64", "123456789012345678901", '1', nullptr},
        {kDec, "", "1", 'a', nullptr},
        {kHex, "uint8", "", 'a', "A"},  // lower case taken as upper case
        {kHex, "uint8", "A", 'f', "AF"},
        {kHex, "uint8", "AF", '1', nullptr},
        {kHex, "uint8", "", 'g', nullptr},
        {kHex, "", "123456789ABCDEF", '0', "123456789ABCDEF0"},
        {kHex, "", "123456789ABCDEF0", '0', nullptr},
        {kBin, "uint8", "0101010", '1', "01010101"},
        {kBin, "uint8", "01010101", '1', nullptr},
        {kBin, "uint8", "", '2', nullptr},
        {kChr, "uint8", "", 'A', "A"},
        {kChr, "uint8", "B", 'A', "A"},  // 1 to 127 replace the field
        {kChr, "uint8", "\xE9", '\x01', "\x01"},
        {kChr, "uint8", "", '\xE9', "\xE9"},
        {kChr, "uint8", "A", '\xE9', nullptr},  // 128 to 255 edit normally: one character at most
        {kChr, "uint8", "A", '\0', nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " view " + std::to_string(int(c.view)) + " '" + c.text + "' + " + c.key);
        const auto codec = MakeValueCodec(c.view, TypeOf(c.type));
        std::string text = c.text;
        EXPECT_EQ(codec->appendDigit(text, c.key), c.after != nullptr);
        EXPECT_EQ(text, c.after ? c.after : c.text);
    }
    // Backspace at the end, alike in every codec.
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
    EXPECT_EQ(converter.text(kHex), "41");
    EXPECT_EQ(converter.text(kDec), "65");
    EXPECT_EQ(converter.text(kChr), "A");
    EXPECT_EQ(converter.TypeKey(kHex, pos, 0, '1'), Action::Dropped);

    // Backspace edits the field at the cursor; at its start it does nothing.
    pos = 1;
    EXPECT_EQ(converter.TypeKey(kHex, pos, 0, '\b'), Action::Edited);
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(converter.text(kHex), "1");
    EXPECT_EQ(converter.text(kDec), "1");
    EXPECT_EQ(converter.TypeKey(kHex, pos, 0, '\b'), Action::Dropped);
    pos = 0;
    EXPECT_EQ(converter.TypeKey(kBin, pos, 8, '\b'), Action::Edited);
    EXPECT_EQ(converter.text(kBin), "");
    EXPECT_EQ(converter.text(kDec), "0");

    // The minus sign goes where the cursor is; the decimal text stays as typed.
    pos = 0;
    EXPECT_EQ(converter.TypeKey(kDec, pos, 1, '5'), Action::Edited);
    EXPECT_EQ(converter.TypeKey(kDec, pos, 0, '0'), Action::Edited);
    pos = 0;
    EXPECT_EQ(converter.TypeKey(kDec, pos, 0, '-'), Action::Edited);
    EXPECT_EQ(converter.text(kDec), "-50");
    EXPECT_EQ(converter.text(kHex), "CE");
    EXPECT_TRUE(converter.outOfRange());
    EXPECT_EQ(converter.TypeKey(kDec, pos, 0, 'x'), Action::Dropped);

    // Enter accepts in the number views and is the value 13 in the character view.
    for (ScalarView view : {kDec, kHex, kBin}) EXPECT_EQ(converter.TypeKey(view, pos, 0, '\r'), Action::Accept);
    EXPECT_EQ(converter.ResultText(), "-50");
    EXPECT_EQ(converter.TypeKey(kChr, pos, 0, '\r'), Action::Edited);
    EXPECT_EQ(converter.text(kChr), "\r");
    EXPECT_EQ(converter.text(kDec), "13");
    EXPECT_FALSE(converter.outOfRange());
    // Backspace too is a character there, and the field is selected afterwards.
    pos = 1;
    EXPECT_EQ(converter.TypeKey(kChr, pos, 0, '\b'), Action::Edited);
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(converter.text(kDec), "8");
    EXPECT_EQ(converter.text(kBin), "00001000");
}

TEST(ValueCodec, CodesOutsideTheTableHaveTheUnknownLimits) {
    for (int code : {-1, 10, 42}) {
        const ScalarLimits limits = LimitsOf(static_cast<NVMValueType>(code));
        EXPECT_EQ(limits.decLength, 21u) << code;
        EXPECT_EQ(limits.hexLength, 16u) << code;
        EXPECT_FALSE(limits.ranged) << code;
    }
}

TEST(ScalarConverter, ResultTextIsTheTrimmedDecimalText) {
    const std::pair<const char*, const char*> cases[] = {{"", "0"}, {" \t", "0"}, {" 300 ", "300"}, {"-1", "-1"}};
    for (const auto& [typed, result] : cases) {
        ScalarConverter converter("uint8", "7");
        converter.SetText(kDec, typed);
        EXPECT_EQ(converter.ResultText(), result) << '"' << typed << '"';
    }
}

}  // namespace
}  // namespace vtq
