#pragma once
// The command line of nvmtool: one verb, its arguments, the targets and the
// options; the help texts of the program and of every verb.

#include <string>
#include <vector>

namespace nvmtool {

// The target of a verb that works on files alone, as the output names it.
inline constexpr const char* kNoTargetName = "no target";

struct ToolOptions {
    std::string verb;
    std::vector<std::string> args;     // the verb's own arguments
    std::vector<std::string> targets;  // as given; "sim" when none is
    int timeoutMs = 30000;
    std::string output;   // -o
    std::string filter;   // --filter
    std::string preset;   // --preset
    std::string variant;  // --variant
    std::string merge;    // --merge
    bool all = false;
    bool commit = false;
    bool dryRun = false;
    bool verify = false;
    bool list = false;            // restore --list
    bool noRestorePoint = false;  // --no-restore-point
    bool otherUnit = false;       // --other-unit: calibration values of another unit may be written
    bool table = false;  // get: arrays as aligned rows
    bool csv = false;    // get: arrays as comma-separated rows; set: NAME FILE, the array from that file
    bool yes = false;
    bool json = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// False with `error` naming the argument at fault. --help and --version are
// not errors: `help`/`version` are set and the rest is not checked.
bool ParseArguments(const std::vector<std::string>& args, ToolOptions& options, std::string& error);

// The options of every verb and the exit statuses, as the help ends.
extern const char* const kGlobalHelp;

// The program's help, or the verb's when `verb` names one.
std::string HelpText(const std::string& verb);

}  // namespace nvmtool
