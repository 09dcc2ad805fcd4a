#pragma once
// One line of a ".nvm" parameter file: "name=value" or "name=value (type)".
// The reader is tolerant: it also takes lines of target write commands ("nvm:"
// and "at@nvm:" prefixes), so a file of commands loads like a parameter file.
// Every writer of the format (Save File, restore points) builds its lines here.

#include <string>
#include <string_view>

#include "model/nvm_parameter.h"

namespace vtq {

inline constexpr const char* kNvmFileHeaderLine = "// NVM Parameter file saved from Brevant";

// One assignment of a parameter file. The views point into the parsed line.
struct NvmLine {
    std::string_view group;  // text before the first ".", trimmed
    std::string_view name;
    std::string_view value;  // without enclosing braces
    std::string_view type;   // empty when the line gives none
    bool braced = false;     // the value was given in braces: an array, even of one element
    // Set (with a false answer) when the line has the shape of an assignment
    // but cannot become a well-formed command: why, for the user.
    const char* refused = nullptr;
};

// The reason ParseNvmLine gives for a name, value or type holding a control character.
inline constexpr const char* kControlCharacterReason = "it holds a control character";

// Parses one line (without its line end); false when it is not an assignment.
bool ParseNvmLine(std::string_view line, NvmLine& out);

// The next line of a parameter file, advancing `rest` past it: lines end in
// LF, CR LF or a lone CR (so a comment ended by a CR does not take the next
// line with it). A UTF-8 byte order mark before a line (editors put one before
// the first) is not part of it.
std::string_view NextNvmFileLine(std::string_view& rest);

// The line a record is saved as; a one-element array keeps its braces so
// that it loads back as an array.
void AssignRecordLine(std::string& line, const NVMParameter& record);

// "name=value" or "name=value (type)"; the second form reuses the buffer of `line`.
std::string NvmParameterLine(std::string_view name, std::string_view value, std::string_view type);
void AssignParameterLine(std::string& line, std::string_view name, std::string_view value, std::string_view type);

// Does `line` (made by AssignRecordLine) load back into the record's name and
// value? `value` receives the value it loads as. A type the line cannot carry
// whole is learnt again from the target; the value is not.
bool RecordLineLoadsBack(const std::string& line, const NVMParameter& record, std::string& value);

}  // namespace vtq
