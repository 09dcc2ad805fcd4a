#include "model/value_codec.h"

#include <algorithm>
#include <climits>

#include "base/number_text.h"
#include "base/text.h"

namespace vtq {

namespace {

constexpr int kCodes = 10;
// Per code 0-9 (Unknown last): decimal length and decimal range.
constexpr size_t kDecLength[kCodes] = {4, 4, 6, 6, 11, 11, 21, 21, 4, 21};
constexpr bool kRanged[kCodes] = {true, true, true, true, false, false, false, false, true, false};
constexpr int64_t kLow[kCodes] = {-128, 0, -32768, 0, 0, 0, 0, 0, 0, 0};
constexpr int64_t kHigh[kCodes] = {127, 255, 32767, 65535, 0, 0, 0, 0, 255, 0};

int CodeOf(NVMValueType type) {
    const int code = static_cast<int>(type);
    return code >= 0 && code < kCodes ? code : static_cast<int>(NVMValueType::Unknown);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

ScalarLimits LimitsOf(NVMValueType type) {
    const int code = CodeOf(type);
    const auto size = static_cast<size_t>(SizeOf(code));
    return {kDecLength[code], size * 2, size * 8, kRanged[code], kLow[code], kHigh[code]};
}

int64_t ReadDecimal(std::string_view text, NVMValueType type) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    // The magnitude stops at 2^64 - 1; every end of the reading's range lies below it.
    const NumberText read = ReadNumberText(text, i);
    const bool negative = read.negative;
    const uint64_t magnitude = read.magnitude;

    const bool wide = type == NVMValueType::Int64 || type == NVMValueType::UInt64 || type == NVMValueType::Unknown;
    // Largest magnitudes below and above zero.
    const uint64_t below = wide ? uint64_t(INT64_MAX) + 1 : uint64_t(INT32_MAX) + 1;
    uint64_t above = wide ? uint64_t(INT64_MAX) : uint64_t(INT32_MAX);
    if (type == NVMValueType::UInt32) above = UINT32_MAX;
    if (type == NVMValueType::UInt64) above = UINT64_MAX;

    if (negative) return magnitude >= below ? -static_cast<int64_t>(below - 1) - 1 : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(std::min(magnitude, above));
}

bool DecimalOutOfRange(int64_t value, NVMValueType type) {
    const ScalarLimits limits = LimitsOf(type);
    return limits.ranged && (value < limits.low || value > limits.high);
}

int64_t ValueOfBits(uint64_t bits, NVMValueType type) {
    const int width = SizeOf(type) * 8;
    if (IsSignedType(type) && width < 64 && (bits >> width) == 0 && ((bits >> (width - 1)) & 1))
        bits |= ~uint64_t(0) << width;
    return static_cast<int64_t>(bits);
}

bool ValueCodec::insertDigit(std::string& text, size_t pos, size_t count, char key) const {
    const char digit = normalizeDigit(key);
    if (!isValidDigit(digit)) return false;
    pos = std::min(pos, text.size());
    count = std::min(count, text.size() - pos);
    if (text.size() - count >= maxLength()) return false;
    text.replace(pos, count, 1, digit);
    return true;
}

int64_t HexadecimalCodec::decode(std::string_view text) const {
    uint64_t bits = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) break;
        bits = bits << 4 | static_cast<uint64_t>(digit);
    }
    return ValueOfBits(bits, type());
}

int64_t BinaryCodec::decode(std::string_view text) const {
    uint64_t bits = 0;
    const size_t n = std::min<size_t>(text.size(), 64);
    for (size_t k = 0; k < n; ++k) {
        if (text[text.size() - 1 - k] == '1') bits |= uint64_t(1) << k;
    }
    return ValueOfBits(bits, type());
}

bool CharacterCodec::insertDigit(std::string& text, size_t pos, size_t count, char key) const {
    const auto code = static_cast<unsigned char>(key);
    if (code >= 1 && code <= 127) {
        text.assign(1, key);
        return true;
    }
    return ValueCodec::insertDigit(text, pos, count, key);
}

std::unique_ptr<ValueCodec> MakeValueCodec(ScalarView view, NVMValueType type) {
    switch (view) {
        case ScalarView::Decimal:
            return std::make_unique<DecimalCodec>(type);
        case ScalarView::Hexadecimal:
            return std::make_unique<HexadecimalCodec>(type);
        case ScalarView::Binary:
            return std::make_unique<BinaryCodec>(type);
        case ScalarView::Character:
            return std::make_unique<CharacterCodec>(type);
    }
    return nullptr;
}

ScalarConverter::ScalarConverter(std::string_view typeText, std::string_view valueText) : type_(TypeOf(typeText)) {
    for (int v = 0; v < 4; ++v) codecs_[v] = MakeValueCodec(static_cast<ScalarView>(v), type_);
    SetText(ScalarView::Decimal, valueText);
}

void ScalarConverter::SetText(ScalarView view, std::string_view text) {
    texts_[Index(view)] = std::string(text);
    if (view == ScalarView::Hexadecimal && text.empty()) {
        value_ = 0;
        return;
    }
    value_ = codec(view).decode(text);
    outOfRange_ = DecimalOutOfRange(value_, type_);
    Refresh(view);
}

void ScalarConverter::Refresh(ScalarView edited) {
    for (int v = 0; v < 4; ++v) {
        if (v != static_cast<int>(edited)) texts_[v] = codecs_[v]->encode(value_);
    }
}

ScalarConverter::KeyAction ScalarConverter::TypeKey(ScalarView view, size_t& pos, size_t count, char key) {
    std::string text = texts_[Index(view)];
    pos = std::min(pos, text.size());
    count = std::min(count, text.size() - pos);
    if (view != ScalarView::Character) {
        if (key == '\r' || key == '\n') return KeyAction::Accept;
        if (key == '\b') {
            if (count == 0 && pos == 0) return KeyAction::Dropped;
            if (count == 0) {
                --pos;
                count = 1;
            }
            text.erase(pos, count);
            SetText(view, text);
            return KeyAction::Edited;
        }
    }
    if (!codec(view).insertDigit(text, pos, count, key)) return KeyAction::Dropped;
    pos = view == ScalarView::Character ? 0 : pos + 1;
    SetText(view, text);
    return KeyAction::Edited;
}

ScalarConverter::KeyAction ScalarConverter::PasteText(ScalarView view, size_t& pos, size_t count,
                                                      std::string_view pasted) {
    std::string text = texts_[Index(view)];
    pos = std::min(pos, text.size());
    count = std::min(count, text.size() - pos);
    bool taken = false;
    for (char key : pasted) {
        if (static_cast<unsigned char>(key) < 32 || !codec(view).insertDigit(text, pos, count, key)) continue;
        taken = true;
        count = 0;
        pos = view == ScalarView::Character ? 0 : pos + 1;
    }
    if (!taken) return KeyAction::Dropped;
    SetText(view, text);
    return KeyAction::Edited;
}

std::string ScalarConverter::ResultText() const {
    std::string result = Trim(text(ScalarView::Decimal));
    return result.empty() ? "0" : result;
}

}  // namespace vtq
