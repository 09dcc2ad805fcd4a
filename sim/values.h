#pragma once
// Element types of the simulated modem's parameters, and the conversion of
// element bytes (little-endian, as the target keeps them in its mirror) to
// and from value texts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nvmsim {

struct ValueType {
    const char* name;  // as the type query reports it, e.g. "uint16"
    int size;          // bytes per element (strings: 1 per character)
    bool isSigned;
    bool isBool;
    bool isString;
};

// The type of that name (exact, lower case), or null.
const ValueType* FindValueType(std::string_view name);

// Reads a C integer: optional sign, decimal or "0x" hexadecimal digits,
// blanks around it allowed. False when the text is not such a number.
bool ParseCInteger(std::string_view text, bool& negative, uint64_t& magnitude);

// True when the number fits an element of `size` bytes, signed or not.
bool FitsInteger(bool negative, uint64_t magnitude, int size, bool isSigned);

// The element at `at` as decimal text.
std::string FormatElement(const ValueType& type, const uint8_t* at);

// Stores a number text into the element at `at`; false (nothing stored)
// when the text is no number or does not fit the type.
bool StoreElement(const ValueType& type, std::string_view text, uint8_t* at);

// A character a string value may hold: printable 7-bit, but no double
// quote and no brace (the dump format ends a value at the first brace).
bool IsStringCharacter(char c);

// A string of `capacity` bytes as its quoted text (up to the first 0 byte;
// bytes IsStringCharacter refuses show as "?").
std::string FormatString(const uint8_t* at, size_t capacity);

// Stores a quoted string text; false when it is not quoted, holds a
// character IsStringCharacter refuses, or does not fit with its 0 byte.
bool StoreString(std::string_view quoted, uint8_t* at, size_t capacity);

// The blanks of the modem's command and image texts: space, tab, CR and LF.
bool IsBlank(char c);
std::string_view Trimmed(std::string_view s);

}  // namespace nvmsim
