#pragma once
// Changing values in a parameter file without a target: each NAME=VALUE is
// checked against the file's own record of NAME (it must be there, an array
// keeps its element count, a value must fit the file's type text), and only
// when every one passes is the file replaced, atomically, with the lines of
// those parameters changed and every other line kept as it was.

#include <string>
#include <utility>
#include <vector>

namespace vtq {

struct FileEditResult {
    std::vector<std::string> errors;  // why nothing was written: an edit the checks refuse
    bool fileError = false;           // the file could not be read or written
    int changed = 0;
    int unchanged = 0;
};

// `edits` are (name, value) pairs, values as ParseNvmLine gives them (an
// array without its braces). The file is only written when something changed.
FileEditResult EditParameterFile(const std::string& path,
                                 const std::vector<std::pair<std::string, std::string>>& edits);

}  // namespace vtq
