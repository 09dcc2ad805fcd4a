#include "model/value_types.h"

#include <climits>

#include "base/number_text.h"
#include "base/text.h"

namespace vtq {

const std::array<NVMValueTypeEntry, 14> kNVMValueTypes = {{
    {"sint8", NVMValueType::Int8, "Int8", 1, true},
    {"int8", NVMValueType::Int8, "Int8", 1, true},
    {"uint8", NVMValueType::UInt8, "UInt8", 1, false},
    {"sint16", NVMValueType::Int16, "Int16", 2, true},
    {"int16", NVMValueType::Int16, "Int16", 2, true},
    {"uint16", NVMValueType::UInt16, "UInt16", 2, false},
    {"int32", NVMValueType::Int32, "Int32", 4, true},
    {"sint32", NVMValueType::Int32, "Int32", 4, true},
    {"uint32", NVMValueType::UInt32, "UInt32", 4, false},
    {"sint64", NVMValueType::Int64, "Int64", 8, true},
    {"int64", NVMValueType::Int64, "Int64", 8, true},
    {"uint64", NVMValueType::UInt64, "UInt64", 8, false},
    {"bool", NVMValueType::Bool, "Bool", 1, false},
    {"boolean", NVMValueType::Bool, "Bool", 1, false},
}};

namespace {
// Size and signedness of each code 0-9 (Unknown last).
constexpr int kSizes[10] = {1, 1, 2, 2, 4, 4, 8, 8, 1, 8};
constexpr bool kSigned[10] = {true, false, true, false, true, false, true, false, false, true};
}  // namespace

int ElementCount(std::string_view text) {
    text = TrimView(text);
    size_t b = 0, e = text.size();
    if (b == e) return 0;
    if (text[e - 1] == ',') --e;
    if (b < e && text[b] == ',') ++b;
    int commas = 0;
    for (size_t i = b; i < e; ++i) commas += text[i] == ',';
    return commas + 1;
}

bool HasEmptyElement(std::string_view text) {
    if (TrimView(text).empty()) return false;
    bool quoted = false;
    bool filled = false;
    for (const char c : text) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            if (!filled) return true;
            filled = false;
        } else if (!IsBlank(c)) {
            filled = true;
        }
    }
    return !filled;
}

int ParseDimensions(std::string_view text, std::vector<int>* list) {
    long long product = 1;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == 'x' || IsBlank(text[i]))) ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != 'x' && !IsBlank(text[i])) ++i;
        std::string_view piece = text.substr(start, i - start);
        if (piece.empty()) continue;
        // A decimal integer with an optional sign; anything else reads as 0 and is ignored.
        const NumberText read = ReadNumberText(piece);
        if (read.digits == 0 || read.end != piece.size() || read.negative) continue;
        const long long number = read.Clamped(0, INT_MAX);
        if (number <= 0) continue;
        if (list) list->push_back(static_cast<int>(number));
        product *= number;
        if (product > INT_MAX) product = INT_MAX;
    }
    return static_cast<int>(product);
}

NVMValueType TypeOf(std::string_view typeText) {
    const std::string key = ToLower(Trim(typeText));
    for (const auto& entry : kNVMValueTypes)
        if (key == entry.text) return entry.code;
    return NVMValueType::Unknown;
}

int SizeOf(int code) { return code >= 0 && code <= 9 ? kSizes[code] : 8; }

bool IsSignedType(int code) { return code >= 0 && code <= 9 ? kSigned[code] : true; }

bool IsStringType(std::string_view typeText) { return ToLower(typeText).find("string") != std::string::npos; }

std::string FormatScalar(int64_t value, int code, int view) {
    const auto bits = static_cast<uint64_t>(value);
    switch (view) {
        case 0:
            return IsSignedType(code) ? std::to_string(value) : std::to_string(bits);
        case 1:
        case 2: {
            if (code < 0 || code > 9) return {};
            const int width = SizeOf(code) * 8;
            std::string out;
            if (view == 1) {
                static const char kDigits[] = "0123456789ABCDEF";
                for (int shift = width - 4; shift >= 0; shift -= 4) out += kDigits[(bits >> shift) & 15];
            } else {
                for (int shift = width - 1; shift >= 0; --shift) out += ((bits >> shift) & 1) ? '1' : '0';
            }
            return out;
        }
        case 3:
            return std::string(1, value >= 32 && value <= 255 ? static_cast<char>(value) : ' ');
        default:
            return {};
    }
}

void RemoveBlanksOutsideQuotes(std::string& text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    // Most values have nothing to remove: find the first blank before moving any byte.
    bool quoted = false;
    size_t i = 0;
    for (; i < text.size() && !blank(text[i]); ++i) quoted ^= text[i] == '"';
    size_t out = i;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        quoted ^= c == '"';
        const bool lineBreak = c == '\r' || c == '\n';
        if (lineBreak || (!quoted && blank(c))) continue;
        text[out++] = c;
    }
    text.resize(out);
}

}  // namespace vtq
