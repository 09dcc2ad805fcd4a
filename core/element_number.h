#pragma once
// One array element as a number, and a number written back in the element's
// own radix: the shared reading and writing of the block operations, pasting
// and table files.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/array_block.h"
#include "model/value_types.h"

namespace vtq {

struct ElementNumber {
    bool ok = false;      // the text is one number
    long double value = 0;
    bool hex = false;     // written as "0x..." (or "0X...")
    char prefix = 'x';    // the x of the prefix, kept as written
    bool lower = false;   // hexadecimal letters written in lower case
    size_t digits = 0;    // hexadecimal digits as written
};

// A trimmed decimal number with an optional sign, or "0x"/"0X" and
// hexadecimal digits; for a signed type a hexadecimal pattern with the type's
// top bit set (and nothing above it) is the negative number of that width.
ElementNumber ReadElement(std::string_view text, NVMValueType type);

// A whole number inside the type's range written as `like` is: hexadecimal
// with its prefix, case and at least its digit count (a negative number as the
// type's bit pattern), or decimal.
std::string WriteElement(long double value, NVMValueType type, const ElementNumber& like);

// An operation's argument: an element number, or a decimal fraction ("0.95",
// "-2.5"); with `percentSign` a trailing "%" divides it by 100.
std::optional<long double> ReadArgument(std::string_view text, NVMValueType type, bool percentSign);

// Gathers one operation's changes: each new value is rounded, clamped to the
// type's range (and counted when it was not inside), written in the radix of
// the element it replaces, and kept only when the text changes.
class ChangeList {
public:
    ChangeList(const ArrayTable& table, size_t cells);
    void Put(size_t index, long double value, const ElementNumber& old);
    void Put(size_t index, long double value) { Put(index, value, ReadElement(table_.elements[index], table_.type)); }
    void Skip(size_t cells) { result_.skipped += cells; }
    // The result with its status line.
    BlockResult Finish();

private:
    const ArrayTable& table_;
    TypeRange range_;
    BlockResult result_;
};

BlockResult Refused(std::string message);

}  // namespace vtq
