#pragma once
// The array editor's conversions: a comma-separated value as a list of element
// texts and back, as a character string and back, the element labels taken
// from the array's dimensions, and fitting a value to the declared element
// count.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vtq {

// The elements of a value text: cut at every comma, each piece trimmed; the
// last piece is an element only when it is not empty. `out` is replaced.
void SplitElements(std::string_view value, std::vector<std::string>& out);

// The first `limit` elements (all when `limit` is negative or beyond the list)
// joined with "," and no blanks.
std::string JoinElements(const std::vector<std::string>& elements, long long limit = -1);

// An element as a number: "0x" or "0X" leads a hexadecimal number, anything
// else is decimal with an optional sign; a text that is not wholly one number
// (or does not fit in 64 bits) reads 0.
int64_t ReadElementNumber(std::string_view element);

// The value as a character string: elements in order up to the first 0; 9 and
// 32 to 255 give the character with that code, any other number "_".
std::string ArrayToString(std::string_view value);
// The codes of the characters (0 to 255) in decimal, each followed by ",", then "0": "AB" gives "65,66,0".
std::string StringToArray(std::string_view text);

// Stride of each dimension: the product of the lengths of the dimensions after
// it (the last is 1). Lengths below 1 count as 1; products stop at INT64_MAX.
std::vector<int64_t> StrideList(const std::vector<int>& dimensions);
// "[1][1]" for element 4 of a [2][3] array (one digit per stride); "[4]" without strides.
std::string ElementLabel(size_t index, const std::vector<int64_t>& strides);
// "[2][3]" for the dimensions 2 and 3.
std::string DimensionText(const std::vector<int>& dimensions);

// The type line of the array editor: the lower-cased type text, a blank and
// the dimension text; "(unknown type)" for an empty type text.
std::string ArrayTypeLabel(std::string_view typeText, const std::vector<int>& dimensions);
// Byte and string types also get the string view: the type text holds "int8" or "string".
bool HasStringView(std::string_view typeText);
// "Edit as array (1 item)", "Edit as array (n items)".
std::string ArrayCaption(size_t count);
// The name the scalar editor shows for one element: name + "[" + index + "]".
std::string ElementName(std::string_view name, size_t index);

struct FittedValue {
    std::string value;
    std::string message;  // empty when nothing was appended or cut
};
// The value handed back on OK: trimmed, "0" when empty; with an element count
// above 0 and a different number of elements (as ElementCount counts them),
// rebuilt with exactly that many elements, zeros appended or the rest cut,
// and the message telling which. Empty elements of a rebuilt value become 0.
FittedValue FitElementCount(std::string_view text, int elementCount);

}  // namespace vtq
