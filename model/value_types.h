#pragma once
// Scalar value types and the small value functions several parts share.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vtq {

enum class NVMValueType : int {
    Int8 = 0,
    UInt8 = 1,
    Int16 = 2,
    UInt16 = 3,
    Int32 = 4,
    UInt32 = 5,
    Int64 = 6,
    UInt64 = 7,
    Bool = 8,
    Unknown = 9,
};

struct NVMValueTypeEntry {
    const char* text;  // type text as the target reports it, lower case
    NVMValueType code;
    const char* name;
    int size;  // bytes
    bool isSigned;
};

// Type texts in lookup order; a text that matches none is Unknown.
extern const std::array<NVMValueTypeEntry, 14> kNVMValueTypes;

// Display views of a scalar.
enum class ScalarView : int { Decimal = 0, Hexadecimal = 1, Binary = 2, Character = 3 };

// Number of elements of a comma list: 0 for a blank text; one trailing and one
// leading comma are ignored ("1,2,3," and ",1,2,3" have 3 elements).
int ElementCount(std::string_view text);
// True when a comma list that is not blank has an element that is: "1,", ",",
// "1,,2" (commas between double quotes do not cut). Such a value fills fewer
// elements than its commas say.
bool HasEmptyElement(std::string_view text);

// Product of the positive decimal pieces of a dimension text such as "4x8"
// (split at "x" and blanks), 1 when there is none; appends each positive piece
// to `list`. Saturates at INT32_MAX instead of overflowing.
int ParseDimensions(std::string_view text, std::vector<int>* list = nullptr);

// Trimmed, lower-cased type text looked up in kNVMValueTypes.
NVMValueType TypeOf(std::string_view typeText);
// Size in bytes; 8 for Unknown and for any code outside 0-9.
int SizeOf(int code);
inline int SizeOf(NVMValueType code) { return SizeOf(static_cast<int>(code)); }
// Signed per the type table; codes outside 0-9 count as signed.
bool IsSignedType(int code);
inline bool IsSignedType(NVMValueType code) { return IsSignedType(static_cast<int>(code)); }

// The lower-case type text contains "string".
bool IsStringType(std::string_view typeText);

// Text of a 64-bit scalar in one view (0 decimal, 1 hexadecimal, 2 binary,
// 3 character). Hexadecimal and binary show the bits of the type's size; a code
// outside 0-9 gives an empty text in those two views.
std::string FormatScalar(int64_t value, int code, int view);
inline std::string FormatScalar(int64_t value, NVMValueType code, ScalarView view) {
    return FormatScalar(value, static_cast<int>(code), static_cast<int>(view));
}

// The text without blanks, tabs, carriage returns and line feeds, but blanks and tabs between double quotes stay:
// a string value such as "band 3/7/20" must read back and write back unchanged.
void RemoveBlanksOutsideQuotes(std::string& text);

}  // namespace vtq
