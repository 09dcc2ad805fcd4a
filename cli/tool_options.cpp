#include "cli/tool_options.h"

#include <charconv>

#include "base/text.h"
#include "defaults/naming_presets.h"
#include "files/nvm_file.h"
#include "link/target_address.h"

namespace nvmtool {

namespace {

// Options of single verbs; the global ones apply to every verb.
enum VerbOption : unsigned {
    kAll = 1,
    kOutput = 2,
    kFilter = 4,
    kCommit = 8,
    kDryRun = 16,
    kVerify = 32,
    kPreset = 64,
    kMerge = 128,
};

struct Verb {
    const char* name;
    const char* usage;
    unsigned options;
    size_t minArgs;
    size_t maxArgs;
    const char* help;
};

constexpr size_t kMany = size_t(-1);

const Verb kVerbs[] = {
    {"groups", "groups", 0, 0, 0, "Lists the target's NVM groups with their numbers, one \"name=number\" line each."},
    {"read", "read [GROUP...] [--all] [-o FILE] [--filter TEXT]", kAll | kOutput | kFilter, 0, kMany,
     "Reads the named groups (or --all groups) from the target and writes their parameters in the\n"
     "parameter-file format to FILE, or to standard output. --filter keeps the parameters whose name\n"
     "contains TEXT (without regard to case). A target lost during the read writes no file. Parameters\n"
     "whose pieces the target damaged are skipped: the last line counts them and the status is 1."},
    {"get", "get NAME...", 0, 1, kMany,
     "Reads the groups of the named parameters (group.name) and prints \"name=value\" for each."},
    {"set", "set NAME=VALUE... [--commit]", kCommit, 1, kMany,
     "Writes values to the target's RAM mirror (arrays as 1,2,3 or {1,2,3}, elements of an array as\n"
     "NAME[2,3]=7,8); every name, element range and element count is checked against the target before\n"
     "anything is written. --commit then stores their groups in NVM, but not a group a write to which\n"
     "failed."},
    {"write", "write FILE [--dry-run] [--commit] [--verify] [--all]", kDryRun | kCommit | kVerify | kAll, 1, 1,
     "Writes the parameters of a parameter file to the target's RAM mirror: those whose values differ\n"
     "from the target's, or --all of them without reading the target first. --dry-run prints the\n"
     "target commands instead of sending them; --verify reads the written values back and compares\n"
     "them with the file; --commit stores every group the file names in NVM (a value an earlier run\n"
     "wrote may still be only in the RAM mirror), except a group a write to which failed. A file line\n"
     "that is not an assignment, an element range outside its array, a value of the wrong element\n"
     "count or a group the target does not have stops the verb before anything is written; a name\n"
     "given twice is warned about, and its last value counts."},
    {"diff", "diff FILE [GROUP...]", 0, 1, kMany,
     "Compares the target with a parameter file (the file's groups, or only the named ones) and prints\n"
     "one line per difference. Exit status 1 when there are differences."},
    {"commit", "commit GROUP...|--all", kAll, 0, kMany,
     "Stores the RAM mirror of the named groups (or --all groups) in the target's NVM."},
    {"export-header", "export-header GROUP...|--all -o FILE.h [--preset NAME]", kAll | kOutput | kPreset, 0, kMany,
     "Reads the default values of the groups from the target and writes them as a C source header.\n"
     "The naming preset is the one that fits the target's groups, or --preset NAME; the RF variant\n"
     "identifier comes from the target, or from --variant ID."},
    {"load-header", "load-header FILE.h", 0, 1, 1,
     "Loads the default values of a C source header (as export-header or rf-export write it) into the\n"
     "target's RAM mirror and commits each group that was written completely. A file without a group\n"
     "index stops the verb before anything is sent."},
    {"rf-export", "rf-export -o FILE.h [--merge OLD.h] [--preset NAME]", kOutput | kPreset | kMerge, 0, 0,
     "Reads the default values of the RF groups from the target and writes them as a C source header;\n"
     "--merge takes the comments of an older header of this target into it."},
    {"changed-defaults", "changed-defaults [GROUP...] -o FILE", kOutput, 0, kMany,
     "Saves the parameters whose values differ from their defaults, as the target reports them, as\n"
     "target commands in a file the parameter-file reader takes (\".nvm\" is added). Without group names\n"
     "every group of the target is asked."},
    {"send", "send COMMAND", 0, 1, 1,
     "Sends one command (a carriage return is added) and prints the raw answer. Exit status 1 when\n"
     "the answer does not end in OK."},
};

const Verb* FindVerb(const std::string& name) {
    for (const Verb& verb : kVerbs)
        if (name == verb.name) return &verb;
    return nullptr;
}

const char* const kGlobalHelp =
    "Targets and options of every verb:\n"
    "  --target sim[:IMAGE]          the in-process simulated modem (default), on its default image or IMAGE\n"
    "  --target serial:DEVICE[@BAUD] a serial port, 115200 baud unless given\n"
    "  --target tcp:HOST:PORT       a TCP connection (an IPv6 address in brackets)\n"
    "                                several --target options run the verb on every target at once, each\n"
    "                                with a session of its own; FILE names then get -1, -2, ... before\n"
    "                                their extension\n"
    "  --timeout MS                  time-out of one command (default 30000)\n"
    "  --json                        one JSON document on standard output: results, counters,\n"
    "                                differences and errors per target\n"
    "  -q, --quiet                   no progress and no information lines on standard error\n"
    "  --yes                         answer Yes to every question (such as committing groups with\n"
    "                                unwritten values); without it and without a terminal the verb stops\n"
    "  --variant ID                  the RF variant identifier, when the target gives none\n"
    "  -o FILE                       a symbolic link is followed; a device or FIFO is written in place;\n"
    "                                - is standard output. Only a complete result replaces FILE: an\n"
    "                                incomplete one goes beside it, as NAME.partial.EXT, and is named\n"
    "  -h, --help                    this help, or the verb's\n"
    "\n"
    "Exit status: 0 done; 1 differences found or some writes (or group reads, commits) failed; 2 bad usage\n"
    "or bad input file; 3 target lost or not answering; 4 a file could not be read or written (nothing\n"
    "written in its place); 130 or 143 interrupted by Ctrl+C or SIGTERM (the operation is cancelled and\n"
    "no file replaced).\n"
    "With several targets, the highest status of any target.\n";

bool ParseNumber(const std::string& text, int& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string OptionName(unsigned option) {
    switch (option) {
        case kAll:
            return "--all";
        case kOutput:
            return "-o";
        case kFilter:
            return "--filter";
        case kCommit:
            return "--commit";
        case kDryRun:
            return "--dry-run";
        case kVerify:
            return "--verify";
        case kPreset:
            return "--preset";
        case kMerge:
            return "--merge";
    }
    return "?";
}

// Checks the arguments that make sense without a target.
bool CheckVerbArguments(const Verb& verb, const ToolOptions& o, unsigned given, std::string& error) {
    for (unsigned bit = 1; bit <= kMerge; bit <<= 1) {
        if ((given & bit) && !(verb.options & bit)) {
            error = "The option " + OptionName(bit) + " does not apply to " + verb.name + ".";
            return false;
        }
    }
    const std::string name = verb.name;
    const bool groupsOrAll = name == "read" || name == "commit" || name == "export-header";
    if (groupsOrAll && o.all == !o.args.empty()) {
        error = o.all ? name + " takes group names or --all, not both." : name + " needs group names or --all.";
        return false;
    }
    if (o.args.size() < verb.minArgs || o.args.size() > verb.maxArgs) {
        error = "Usage: nvmtool " + std::string(verb.usage);
        return false;
    }
    if ((verb.options & kOutput) && o.output.empty() && name != "read") {
        error = name + " needs -o FILE.";
        return false;
    }
    if (o.output == "-" && o.json) {
        error = "-o - and --json both use standard output: give -o FILE.";
        return false;
    }
    // Names, values and commands go to the target: a control character in one
    // would end its command line early and start another. Paths may hold anything.
    const bool fileFirst = name == "write" || name == "diff" || name == "load-header";
    for (size_t i = fileFirst ? 1 : 0; i < o.args.size(); ++i) {
        if (vtq::HasControlByte(o.args[i])) {
            error = "The argument \"" + vtq::ShowControlBytes(o.args[i]) + "\" holds a control character.";
            return false;
        }
    }
    for (const std::string& arg : o.args) {
        vtq::NvmLine line;
        if (name == "set" && !vtq::ParseNvmLine(arg, line)) {
            error = line.refused ? "The argument \"" + arg + "\" cannot be written: " + line.refused + "."
                                 : "The argument \"" + arg + "\" is not NAME=VALUE (NAME as group.name).";
            return false;
        }
        if (name == "get" && (arg.find('.') == std::string::npos || arg.find('=') != std::string::npos)) {
            error = "The argument \"" + arg + "\" is not a parameter name (group.name).";
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, ToolOptions& o, std::string& error) {
    unsigned given = 0;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool hasValue = false;
        if (!optionsEnd && arg.starts_with("--") && arg.find('=') != std::string::npos) {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            hasValue = true;
        }
        // The value of an option that takes one: after "=" or the next argument.
        auto takeValue = [&](std::string& into) {
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    error = "The option " + arg + " needs a value.";
                    return false;
                }
                value = args[++i];
            }
            into = value;
            return true;
        };
        if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
            if (o.verb.empty()) {
                if (arg == "help") {
                    o.help = true;
                    continue;
                }
                o.verb = arg;
            } else {
                o.args.push_back(arg);
            }
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--target") {
            std::string text;
            if (!takeValue(text)) return false;
            nvmhost::TargetAddress target;
            std::string why;
            if (!nvmhost::ParseTargetAddress(text, target, why)) {
                error = "--target " + text + ": " + why;
                return false;
            }
            o.targets.push_back(text);
        } else if (arg == "--timeout") {
            std::string text;
            if (!takeValue(text)) return false;
            if (!ParseNumber(text, o.timeoutMs) || o.timeoutMs < 1) {
                error = "--timeout " + text + ": give a number of milliseconds, 1 or more.";
                return false;
            }
        } else if (arg == "-o" || arg == "--output") {
            if (!takeValue(o.output)) return false;
            given |= kOutput;
        } else if (arg == "--filter") {
            if (!takeValue(o.filter)) return false;
            given |= kFilter;
        } else if (arg == "--preset") {
            if (!takeValue(o.preset)) return false;
            given |= kPreset;
        } else if (arg == "--merge") {
            if (!takeValue(o.merge)) return false;
            given |= kMerge;
        } else if (arg == "--variant") {
            if (!takeValue(o.variant)) return false;
        } else if (hasValue) {
            error = "The option " + arg + " takes no value.";
            return false;
        } else if (arg == "--all") {
            o.all = true;
            given |= kAll;
        } else if (arg == "--commit") {
            o.commit = true;
            given |= kCommit;
        } else if (arg == "--dry-run") {
            o.dryRun = true;
            given |= kDryRun;
        } else if (arg == "--verify") {
            o.verify = true;
            given |= kVerify;
        } else if (arg == "--yes") {
            o.yes = true;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "-q" || arg == "--quiet") {
            o.quiet = true;
        } else {
            error = "Unknown option " + arg + ".";
            return false;
        }
    }
    if (o.help || o.version) return true;
    if (o.targets.empty()) o.targets.push_back("sim");
    if (o.verb.empty()) {
        error = "No verb given; nvmtool --help lists them.";
        return false;
    }
    const Verb* verb = FindVerb(o.verb);
    if (verb == nullptr) {
        error = "Unknown verb " + o.verb + "; nvmtool --help lists the verbs.";
        return false;
    }
    return CheckVerbArguments(*verb, o, given, error);
}

// Where the naming presets of export-header and rf-export live on this system.
std::string PresetsHelp() {
    return "Naming presets (--preset NAME, and the RF groups of rf-export) are read from\n  " +
           vtq::NamingPresetsPath() +
           "\n(the settings folder: $APPDATA when set, else $XDG_CONFIG_HOME or ~/.config, then Korvale/Brevant/;\n"
           "the file is created with the default preset when the editor starts).\n";
}

std::string HelpText(const std::string& name) {
    if (const Verb* verb = FindVerb(name)) {
        const bool presets = name == "export-header" || name == "rf-export";
        return "Usage: nvmtool " + std::string(verb->usage) + " [--target T]... [options]\n\n" + verb->help + "\n\n" +
               (presets ? PresetsHelp() + "\n" : std::string()) + kGlobalHelp;
    }
    std::string text =
        "nvmtool: the VTQ NVM Editor's operations from a shell, on the targets the stand-in host takes.\n\n"
        "Usage: nvmtool VERB [ARGUMENTS] [--target T]... [options]\n\nVerbs:\n";
    for (const Verb& verb : kVerbs) text += "  " + std::string(verb.usage) + "\n";
    return text + "\nnvmtool VERB --help describes a verb.\n\n" + PresetsHelp() + "\n" + kGlobalHelp;
}

}  // namespace nvmtool
