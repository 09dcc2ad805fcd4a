#pragma once
// The verbs of nvmtool, one row each: the help, the usage checks, dispatch,
// the manual page and the shell completion are all made from these rows.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "cli/tool_options.h"

namespace nvmtool {

class VerbRun;

// Options only some verbs take; the global ones (--target, --json, ...) apply to every verb.
enum VerbOption : unsigned {
    kAll = 1,
    kOutput = 2,
    kFilter = 4,
    kCommit = 8,
    kDryRun = 16,
    kVerify = 32,
    kPreset = 64,
    kMerge = 128,
    kTable = 256,
    kCsv = 512,
    kList = 1024,
    kNoRestorePoint = 2048,
    kOtherUnit = 4096,
};

// What the checks before any target is asked know of a verb's arguments.
enum VerbRule : unsigned {
    kGroupsOrAll = 1,      // group names or --all, not both
    kNeedsOutput = 2,      // -o FILE is required
    kFileFirst = 4,        // the first argument is a path, never sent to the target
    kAssignments = 8,      // every argument is NAME=VALUE
    kParameterNames = 16,  // every argument is group.name
    kNoGroupList = 32,     // runs without asking the target for its group list
    kPresetsHelp = 64,     // the help says where the naming presets live
    kCsvFile = 128,        // with --csv the arguments are NAME FILE instead
    kNoTarget = 256,       // works on files alone: no target is connected or asked
    kListIsLocal = 512,    // with --list, only reads local files: no target is connected
};

constexpr size_t kMany = size_t(-1);

struct VerbRow {
    const char* name;
    void (VerbRun::*handler)();
    const char* summary;  // one line, for the manual page and the completion
    const char* usage;    // the arguments and options after "nvmtool "
    unsigned options;     // VerbOption bits
    unsigned rules;       // VerbRule bits
    size_t minArgs;
    size_t maxArgs;
    const char* help;  // what "nvmtool VERB --help" says
};

// An option: a flag sets `flag`; an option with a value sets `text`, or
// (--target, --timeout) is checked and stored by the parser.
struct OptionRow {
    const char* name;
    const char* alias;    // a second spelling, or null
    unsigned verbOption;  // the VerbOption bit; 0 for an option of every verb
    const char* value;    // the value's name (FILE, TEXT, ...); null for a flag
    bool ToolOptions::*flag;
    std::string ToolOptions::*text;
};

std::span<const VerbRow> VerbTable();
const VerbRow* FindVerb(std::string_view name);
std::span<const OptionRow> OptionTable();
const OptionRow* FindOption(std::string_view name);
// The verb's name and its arguments, as "Usage: nvmtool " shows them.
std::string Usage(const VerbRow& verb);
// The verb works on files alone: its row says so, or diff is given two files
// (a second argument with a point or a slash, which no group name holds).
bool RunsWithoutTarget(const ToolOptions& options);
// No link is made for the run: it works on files alone, or only lists local files (--list of a
// verb whose row says so); --target is still taken, but no target is connected.
bool ConnectsNoTarget(const ToolOptions& options);

}  // namespace nvmtool
