#include "files/nvm_file_check.h"

#include "files/nvm_file.h"

namespace vtq {

namespace {

// Why `line` cannot stand in the file; empty when it can.
std::string LineFault(std::string_view line, NvmLine& parsed) {
    if (HasControlByte(line)) return "a control character in \"" + ShowControlBytes(line) + "\".";
    if (ParseNvmLine(line, parsed)) return {};
    if (parsed.refused)
        return "not a well-formed assignment (" + std::string(parsed.refused) + "): " + std::string(line);
    return "not a parameter assignment: " + std::string(line);
}

}  // namespace

NvmFileCheck CheckNvmFileText(std::string_view data, const std::string& path) {
    NvmFileCheck check;
    std::string_view rest = data;
    for (int number = 1; !rest.empty(); ++number) {
        const std::string_view line = TrimView(NextNvmFileLine(rest));
        if (line.empty() || line.starts_with("//")) continue;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        NvmLine parsed;
        if (std::string fault = LineFault(line, parsed); !fault.empty()) {
            check.fault = where + fault;
            return check;
        }
        check.groups.emplace(Trim(parsed.group), number);
        const auto [it, first] = check.names.emplace(std::string(parsed.name), number);
        if (!first) {
            check.warnings.push_back(where + "\"" + it->first + "\" is given on line " + std::to_string(it->second) +
                                     " too; the last value counts.");
            it->second = number;
        }
    }
    if (check.groups.empty()) check.fault = path + ": no parameter assignment in the file.";
    return check;
}

}  // namespace vtq
