#pragma once
// Write commands: one record becomes "at@nvm:name=value" (arrays in element
// ranges of at most 1000 characters per command). Building them is a pure
// step; the write operations send or print what it gives.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/nvm_parameter.h"

namespace vtq {

// The most characters the target accepts in one command, final CR included.
inline constexpr size_t kMaxCommandLength = 1000;

// One line for the show line: its text and flag (0 errors and warnings, 1 information).
struct LogLine {
    std::string text;
    uint8_t flag = 1;
    bool operator==(const LogLine&) const = default;
};

// The commands that write one record, or why it cannot be written.
struct WriteCommandList {
    std::vector<std::string> commands;  // in sending order: one command, or the element ranges of a long array
    std::vector<LogLine> refusal;       // the lines that say why the record cannot be written; no commands then
    bool Ok() const { return refusal.empty(); }
};

// The commands that write the record. Refused: a name or value holding a
// control character, an array value whose element count is not the record's,
// a command the target cannot take. Writing to the target and printing a dry
// run both build here, so what a dry run shows is what a real run sends.
WriteCommandList WriteCommands(const NVMParameter& record);

// Why the target would refuse the record's value, as a log line; empty when
// nothing speaks against it or the type is not known: a scalar outside its
// type's range (the scalar editor flags it), a string without its quotes.
std::string LikelyRefusal(const NVMParameter& record);

// The name with an element range: "[a]" or "[a,b]" appended, or put in place of
// the bracket run that ends in the last "[0," group (tab[0,63] -> tab[16,31]).
// A name that ends in an element range of its own (tab[4,7]) counts from that
// range's first element: tab[4,7] with 0 and 1 gives tab[4,5].
std::string IndexedName(std::string_view name, int first, int last);

// An element range at the end of a name, "tab[2,3]" or "tab[5]": one bracket
// group of decimal numbers after a name that does not itself end in a bracket
// group (tab[0,1][0,2] is a whole two-dimensional array, not a range of one).
struct ElementRange {
    std::string_view array;  // the name before the range
    long long first = 0;
    long long last = 0;
};
bool ParseElementRange(std::string_view name, ElementRange& range);

// The number of elements the bracket groups at the end of a name name when
// one of them is a range: "tab[2,3]" 2, "tab[0,4][0,7]" (a table read by
// index ranges) 40. -1 when the name ends in no range ("tab", "tab[5]", or
// "tab[0]", the whole array as indexed names give it); 0 for a run of groups
// that is not a whole table (a group that does not start at 0), which no one
// range of the array can write.
long long RangedElementCount(std::string_view name);

// True when an element range "[a,b]" is followed by more name text than bracket
// groups (t[0,1]x, r[2,3].v): a write would send another range than the name gives.
bool HasRangeInsideName(std::string_view name);

// True when a bracket group "[a,b]" of the name counts down (x[5,2]).
bool HasReversedRange(std::string_view name);

// False when a name's square brackets do not pair up ("a[1", "a]1[", "a[[1]]") or hold anything but an element
// number or range ("a[]", "a[x]", "a[1,]", a number above 2^31-1): such a name would go out as a command the target
// reads some other way.
bool BracketsHoldElementNumbers(std::string_view name);

// Cuts a comma list into pieces of at most `limit` characters, each cut at a
// comma. Empty when the value is empty, the limit below 1, or a stretch longer
// than the limit holds no comma.
std::vector<std::string> SplitValue(std::string_view value, int limit);

}  // namespace vtq
