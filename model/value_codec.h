#pragma once
// The scalar editor's four views of one integer value: decimal, hexadecimal,
// binary and character. Each view is one small codec behind ValueCodec: it
// turns the value into its text, reads its text back, and decides key by key
// what may be typed into it. ScalarConverter keeps the four texts in step, so
// the dialog only mirrors texts and colours.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/value_types.h"

namespace vtq {

// What the editor allows per type: the most characters typing may put into the
// decimal, hexadecimal and binary fields, and the decimal range outside which
// the decimal field is flagged (`ranged` false: never flagged).
struct ScalarLimits {
    size_t decLength;
    size_t hexLength;
    size_t binLength;
    bool ranged;
    int64_t low;
    int64_t high;
};
ScalarLimits LimitsOf(NVMValueType type);

// The decimal field's number. 8-, 16- and 32-bit types read a 32-bit number
// sign-extended to 64 bits, the 64-bit and unknown types a 64-bit one. Leading
// blanks and one sign are skipped; reading stops at the first other character;
// no digit reads 0. An unsigned type also reads the numbers above the signed
// range as what they are (uint32 up to 4294967295, uint64 up to
// 18446744073709551615, kept as the same 64 bits); beyond the reading's range
// the number stops at its nearest end instead of wrapping.
int64_t ReadDecimal(std::string_view text, NVMValueType type);

// The decimal view is flagged: the type has a range and the value lies outside it.
bool DecimalOutOfRange(int64_t value, NVMValueType type);

// The value of a bit pattern read from the hexadecimal or binary field: for a
// signed type a pattern with the type's top bit set (and nothing above it) is
// the negative number of that width, so FF in an int8 reads -1, as -1 shows FF.
int64_t ValueOfBits(uint64_t bits, NVMValueType type);

class ValueCodec {
public:
    explicit ValueCodec(NVMValueType type) : type_(type) {}
    virtual ~ValueCodec() = default;

    NVMValueType type() const { return type_; }
    virtual ScalarView view() const = 0;

    // The view's text of a value.
    std::string encode(int64_t value) const { return FormatScalar(value, type_, view()); }
    // The value a field text reads as.
    virtual int64_t decode(std::string_view text) const = 0;

    // The key's character (after normalizeDigit) may be typed into the field.
    virtual bool isValidDigit(char digit) const = 0;
    // The character a key puts into the field (the hexadecimal view takes
    // lower-case letters as upper case).
    virtual char normalizeDigit(char key) const { return key; }
    // The most characters typing may put into the field; a longer text given
    // at the start is kept, but takes no further characters.
    virtual size_t maxLength() const = 0;

    // Typing `key` over the `count` characters at `pos`: true and `text`
    // changed when the key is accepted; false and `text` unchanged when the
    // key is dropped.
    virtual bool insertDigit(std::string& text, size_t pos, size_t count, char key) const;
    bool appendDigit(std::string& text, char key) const { return insertDigit(text, text.size(), 0, key); }

private:
    NVMValueType type_;
};

class DecimalCodec : public ValueCodec {
public:
    using ValueCodec::ValueCodec;
    ScalarView view() const override { return ScalarView::Decimal; }
    int64_t decode(std::string_view text) const override { return ReadDecimal(text, type()); }
    // Digits and the minus sign, anywhere.
    bool isValidDigit(char digit) const override { return (digit >= '0' && digit <= '9') || digit == '-'; }
    size_t maxLength() const override { return LimitsOf(type()).decLength; }
};

class HexadecimalCodec : public ValueCodec {
public:
    using ValueCodec::ValueCodec;
    ScalarView view() const override { return ScalarView::Hexadecimal; }
    // Hexadecimal digits from the start, up to the first other character.
    int64_t decode(std::string_view text) const override;
    bool isValidDigit(char digit) const override {
        return (digit >= '0' && digit <= '9') || (digit >= 'A' && digit <= 'F');
    }
    char normalizeDigit(char key) const override { return key >= 'a' && key <= 'f' ? char(key - 'a' + 'A') : key; }
    size_t maxLength() const override { return LimitsOf(type()).hexLength; }
};

class BinaryCodec : public ValueCodec {
public:
    using ValueCodec::ValueCodec;
    ScalarView view() const override { return ScalarView::Binary; }
    // Every "1" adds its weight, counted from the last character; any other character counts as 0.
    int64_t decode(std::string_view text) const override;
    bool isValidDigit(char digit) const override { return digit == '0' || digit == '1'; }
    size_t maxLength() const override { return LimitsOf(type()).binLength; }
};

class CharacterCodec : public ValueCodec {
public:
    using ValueCodec::ValueCodec;
    ScalarView view() const override { return ScalarView::Character; }
    // The code of the first character, 0 for an empty field.
    int64_t decode(std::string_view text) const override {
        return text.empty() ? 0 : static_cast<unsigned char>(text[0]);
    }
    bool isValidDigit(char digit) const override { return digit != '\0'; }
    size_t maxLength() const override { return 1; }
    // A key with a code from 1 to 127 replaces the whole field; 128 to 255 edit it normally.
    bool insertDigit(std::string& text, size_t pos, size_t count, char key) const override;
};

std::unique_ptr<ValueCodec> MakeValueCodec(ScalarView view, NVMValueType type);

// One value in four views kept in step, as the scalar editor shows it.
class ScalarConverter {
public:
    // The type text as the target reports it (unknown names give the 64-bit
    // Unknown type); the value text goes into the decimal view as it stands.
    explicit ScalarConverter(std::string_view typeText, std::string_view valueText = "0");

    NVMValueType type() const { return type_; }
    const ValueCodec& codec(ScalarView view) const { return *codecs_[Index(view)]; }
    int64_t value() const { return value_; }
    const std::string& text(ScalarView view) const { return texts_[Index(view)]; }
    // The decimal view shows a number outside the type's range (advisory: the text is kept).
    bool outOfRange() const { return outOfRange_; }

    // A view's text was edited: the value follows it and the other views show
    // the new value. The edited text stays as it is. An empty hexadecimal
    // field makes the value 0 and leaves the other views as they are.
    void SetText(ScalarView view, std::string_view text);

    enum class KeyAction { Dropped, Edited, Accept };
    // A character key typed into a view whose selection (or cursor, with
    // `count` 0) starts at `pos`. Edited: the view's text changed and `pos` is
    // the cursor after the key (the character view selects its whole text).
    // Accept: Enter in the decimal, hexadecimal or binary view. In the
    // character view every key from 1 to 127, Enter and Backspace included,
    // becomes the value.
    KeyAction TypeKey(ScalarView view, size_t& pos, size_t count, char key);

    // Text pasted over the `count` characters at `pos`: each character goes
    // through the view's codec as a typed key would, so what the view cannot
    // hold is dropped ("12abc" pastes as "12" into the decimal view); Enter,
    // Backspace and other control characters are dropped too. Edited with
    // `pos` after the last character taken, or Dropped when none was.
    KeyAction PasteText(ScalarView view, size_t& pos, size_t count, std::string_view pasted);

    // The text handed back on OK: the decimal text trimmed, "0" when empty.
    std::string ResultText() const;

private:
    static size_t Index(ScalarView view) { return static_cast<size_t>(view); }
    // Shows the value in every view but `edited`.
    void Refresh(ScalarView edited);

    NVMValueType type_;
    std::array<std::unique_ptr<ValueCodec>, 4> codecs_;
    std::array<std::string, 4> texts_;
    int64_t value_ = 0;
    bool outOfRange_ = false;
};

}  // namespace vtq
