#pragma once
// Write commands: one record becomes "at@nvm:name=value" (arrays in element
// ranges of at most 1000 characters per command), sent to the target or
// printed to an open file.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "channel/host.h"
#include "model/nvm_parameter.h"

namespace vtq {

// The most characters the target accepts in one command, final CR included.
inline constexpr size_t kMaxCommandLength = 1000;

// Writes the record. With `file` set, each command is printed followed by a
// line feed (the command ends in CR, so the stream, opened in binary mode, gets
// CR LF line ends) and nothing is sent; otherwise each command goes through the
// command exchange and a full success moves the record to InTargetRAM.
// `quiet` suppresses the per-record success and error lines. `targetLost` is
// cleared first and passed to every exchange. Answers true when every command
// was answered with success, or printed.
bool WriteParameter(Host& host, NVMParameter& record, bool quiet = false, std::ostream* file = nullptr,
                    uint8_t* targetLost = nullptr);

// The name with an element range: "[a]" or "[a,b]" appended, or put in place of
// the bracket run that ends in the last "[0," group (tab[0,63] -> tab[16,31]).
std::string IndexedName(std::string_view name, int first, int last);

// Cuts a comma list into pieces of at most `limit` characters, each cut at a
// comma. Empty when the value is empty, the limit below 1, or a stretch longer
// than the limit holds no comma.
std::vector<std::string> SplitValue(std::string_view value, int limit);

}  // namespace vtq
