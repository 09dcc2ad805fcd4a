#pragma once
// A parameter file checked whole before anything of it is sent: every line is
// blank, a comment or one well-formed assignment, and the file names at least
// one parameter. The faults name the file and the line.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace vtq {

struct NvmFileCheck {
    std::string fault;  // the first fault, as "PATH:LINE: what"; empty when the file passes
    // Each group with the line that names it first; each parameter with the line whose value counts (the last).
    std::map<std::string, int, TextLess> groups, names;
    std::vector<std::string> warnings;  // a name given twice: the last value counts, as the load takes it
};

// `data` is the file's content; `path` names it in the faults and warnings.
NvmFileCheck CheckNvmFileText(std::string_view data, const std::string& path);

}  // namespace vtq
