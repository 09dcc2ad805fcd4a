#pragma once
// Write commands: one record becomes "at@nvm:name=value" (arrays in element
// ranges of at most 1000 characters per command), sent to the target or
// printed to an open file.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "channel/host.h"
#include "model/nvm_parameter.h"

namespace vtq {

// The most characters the target accepts in one command, final CR included.
inline constexpr size_t kMaxCommandLength = 1000;

// Where the command builder says why a record cannot be written (text, show-line flag).
using WriteLog = std::function<void(const std::string&, uint8_t)>;

// The commands that write the record, in sending order: one command, or the
// element ranges of a long array. False when the record cannot be written
// (an array value whose element count is not the record's, a command the
// target cannot take); `log` then gets the lines that say why and `commands`
// is empty. Writing to the target and printing a dry run both build here, so
// what a dry run shows is what a real run sends.
bool WriteCommands(const NVMParameter& record, std::vector<std::string>& commands, const WriteLog& log);

// Writes the record. With `file` set, each command is printed followed by a
// line feed (the command ends in CR, so the stream, opened in binary mode, gets
// CR LF line ends) and nothing is sent; otherwise each command goes through the
// command exchange and a full success moves the record to InTargetRAM.
// `quiet` suppresses the per-record success and error lines. `targetLost` is
// cleared first and passed to every exchange. Answers true when every command
// was answered with success, or printed.
bool WriteParameter(Host& host, NVMParameter& record, bool quiet = false, std::ostream* file = nullptr,
                    uint8_t* targetLost = nullptr);

// Why the target would refuse the record's value, as a log line; empty when
// nothing speaks against it or the type is not known: a scalar outside its
// type's range (the scalar editor flags it), a string without its quotes.
std::string LikelyRefusal(const NVMParameter& record);
// Logs LikelyRefusal after a failed write (flag 0), unless the target was lost.
void ExplainRefusal(Host& host, const NVMParameter& record, const uint8_t* targetLost);

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

// True when a bracket group "[a,b]" of the name counts down (x[5,2]).
bool HasReversedRange(std::string_view name);

// False when a name's square brackets do not pair up ("a[1", "a]1[", "a[[1]]"): such a name would go out as a
// command the target reads some other way.
bool BracketsPairUp(std::string_view name);

// Cuts a comma list into pieces of at most `limit` characters, each cut at a
// comma. Empty when the value is empty, the limit below 1, or a stretch longer
// than the limit holds no comma.
std::vector<std::string> SplitValue(std::string_view value, int limit);

}  // namespace vtq
