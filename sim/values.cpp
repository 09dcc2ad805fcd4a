#include "sim/values.h"

#include <cstring>
#include <limits>

namespace nvmsim {

namespace {

constexpr ValueType kTypes[] = {
    {"int8", 1, true, false, false},  {"sint8", 1, true, false, false},   {"uint8", 1, false, false, false},
    {"int16", 2, true, false, false}, {"sint16", 2, true, false, false},  {"uint16", 2, false, false, false},
    {"int32", 4, true, false, false}, {"sint32", 4, true, false, false},  {"uint32", 4, false, false, false},
    {"int64", 8, true, false, false}, {"sint64", 8, true, false, false},  {"uint64", 8, false, false, false},
    {"bool", 1, false, true, false},  {"boolean", 1, false, true, false}, {"string", 1, false, false, true},
};

uint64_t LoadLittleEndian(const uint8_t* at, int size) {
    uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | at[i];
    return v;
}

}  // namespace

const ValueType* FindValueType(std::string_view name) {
    for (const auto& t : kTypes)
        if (name == t.name) return &t;
    return nullptr;
}

bool ParseCInteger(std::string_view text, bool& negative, uint64_t& magnitude) {
    size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i])) ++i;
    while (end > i && IsBlank(text[end - 1])) --end;
    negative = false;
    if (i < end && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (end - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == end) return false;
    magnitude = 0;
    for (; i < end; ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / base) return false;
        magnitude = magnitude * base + digit;
    }
    return true;
}

bool FitsInteger(bool negative, uint64_t magnitude, int size, bool isSigned) {
    const int bits = size * 8;
    if (isSigned) {
        const uint64_t limit = uint64_t{1} << (bits - 1);
        return negative ? magnitude <= limit : magnitude < limit;
    }
    if (negative) return magnitude == 0;
    return bits == 64 || magnitude < (uint64_t{1} << bits);
}

std::string FormatElement(const ValueType& type, const uint8_t* at) {
    const uint64_t raw = LoadLittleEndian(at, type.size);
    if (!type.isSigned) return std::to_string(raw);
    const int shift = 64 - type.size * 8;
    const auto value = static_cast<int64_t>(raw << shift) >> shift;
    return std::to_string(value);
}

bool StoreElement(const ValueType& type, std::string_view text, uint8_t* at) {
    bool negative;
    uint64_t magnitude;
    if (!ParseCInteger(text, negative, magnitude)) return false;
    if (type.isBool ? (negative && magnitude != 0) || magnitude > 1
                    : !FitsInteger(negative, magnitude, type.size, type.isSigned))
        return false;
    const uint64_t raw = negative ? ~magnitude + 1 : magnitude;
    for (int i = 0; i < type.size; ++i) at[i] = static_cast<uint8_t>(raw >> (8 * i));
    return true;
}

bool IsStringCharacter(char c) { return c >= 32 && c <= 126 && c != '"' && c != '{' && c != '}'; }

std::string FormatString(const uint8_t* at, size_t capacity) {
    const void* zero = std::memchr(at, 0, capacity);
    const size_t length = zero ? static_cast<const uint8_t*>(zero) - at : capacity;
    // Bytes written through the mirror may be anything; a string answer shows
    // the ones a string cannot hold as "?", so that it stays codable.
    std::string text = "\"";
    for (size_t i = 0; i < length; ++i) {
        const char c = static_cast<char>(at[i]);
        text += IsStringCharacter(c) ? c : '?';
    }
    return text + "\"";
}

bool StoreString(std::string_view quoted, uint8_t* at, size_t capacity) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return false;
    const std::string_view text = quoted.substr(1, quoted.size() - 2);
    if (text.size() + 1 > capacity) return false;
    for (char c : text)
        if (!IsStringCharacter(c)) return false;
    std::memset(at, 0, capacity);
    std::memcpy(at, text.data(), text.size());
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace nvmsim
