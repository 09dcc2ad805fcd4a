#include "cli/tool_options.h"

#include <charconv>

#include "base/text.h"
#include "cli/verb_table.h"
#include "defaults/naming_presets.h"
#include "files/nvm_file.h"
#include "link/target_address.h"

namespace nvmtool {

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
    "  --version                     the version of nvmtool\n"
    "\n"
    "Exit status: 0 done; 1 differences found or some writes (or group reads, commits) failed; 2 bad usage\n"
    "or bad input file; 3 target lost or not answering; 4 a file could not be read or written (nothing\n"
    "written in its place); 130 or 143 interrupted by Ctrl+C or SIGTERM (the operation is cancelled and\n"
    "no file replaced).\n"
    "With several targets, the highest status of any target.\n";

namespace {

bool ParseNumber(const std::string& text, int& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Checks the arguments that make sense without a target.
bool CheckVerbArguments(const VerbRow& verb, const ToolOptions& o, unsigned given, std::string& error) {
    for (const OptionRow& option : OptionTable()) {
        if ((given & option.verbOption) && !(verb.options & option.verbOption)) {
            error = "The option " + std::string(option.name) + " does not apply to " + verb.name + ".";
            return false;
        }
    }
    const std::string name = verb.name;
    // set NAME --csv FILE: a parameter name and a path instead of the assignments.
    const bool csvFile = (verb.rules & kCsvFile) && o.csv;
    if (csvFile && (o.args.size() != 2 || o.args[0].find('.') == std::string::npos ||
                    o.args[0].find('=') != std::string::npos)) {
        error = "Usage: nvmtool " + name + " NAME --csv FILE [--commit]";
        return false;
    }
    if (o.table && o.csv) {
        error = "--table and --csv: give one of them.";
        return false;
    }
    if ((verb.rules & kGroupsOrAll) && o.all == !o.args.empty()) {
        error = o.all ? name + " takes group names or --all, not both." : name + " needs group names or --all.";
        return false;
    }
    if (o.args.size() < verb.minArgs || o.args.size() > verb.maxArgs) {
        error = "Usage: nvmtool " + Usage(verb);
        return false;
    }
    if ((verb.rules & kNeedsOutput) && o.output.empty()) {
        error = name + " needs -o FILE.";
        return false;
    }
    if (o.output == "-" && o.json) {
        error = "-o - and --json both use standard output: give -o FILE.";
        return false;
    }
    // Names, values and commands go to the target: a control character in one
    // would end its command line early and start another. Paths may hold anything.
    const size_t names = csvFile ? 1 : o.args.size();
    for (size_t i = (verb.rules & kFileFirst) ? 1 : 0; i < names; ++i) {
        if (vtq::HasControlByte(o.args[i])) {
            error = "The argument \"" + vtq::ShowControlBytes(o.args[i]) + "\" holds a control character.";
            return false;
        }
    }
    for (size_t i = (verb.rules & kFileFirst) ? 1 : 0; i < o.args.size(); ++i) {
        const std::string& arg = o.args[i];
        vtq::NvmLine line;
        if ((verb.rules & kAssignments) && !csvFile && !vtq::ParseNvmLine(arg, line)) {
            error = line.refused ? "The argument \"" + arg + "\" cannot be written: " + line.refused + "."
                                 : "The argument \"" + arg + "\" is not NAME=VALUE (NAME as group.name).";
            return false;
        }
        if ((verb.rules & kParameterNames) &&
            (arg.find('.') == std::string::npos || arg.find('=') != std::string::npos)) {
            error = "The argument \"" + arg + "\" is not a parameter name (group.name).";
            return false;
        }
    }
    return true;
}

bool SetTarget(ToolOptions& o, const std::string& text, std::string& error) {
    targetlink::TargetAddress target;
    std::string why;
    if (!targetlink::ParseTargetAddress(text, target, why)) {
        error = "--target " + text + ": " + why;
        return false;
    }
    o.targets.push_back(text);
    return true;
}

bool SetTimeout(ToolOptions& o, const std::string& text, std::string& error) {
    if (ParseNumber(text, o.timeoutMs) && o.timeoutMs >= 1) return true;
    error = "--timeout " + text + ": give a number of milliseconds, 1 or more.";
    return false;
}

// Takes the option `arg` (its value after "=" in `inlineValue`, or the next
// argument): false with `error` when it is unknown or its value is missing.
bool TakeOption(const std::vector<std::string>& args, size_t& i, const std::string& arg, const std::string* inlineValue,
                ToolOptions& o, unsigned& given, std::string& error) {
    const OptionRow* row = FindOption(arg);
    if (row == nullptr || (inlineValue != nullptr && row->value == nullptr)) {
        error = row ? "The option " + arg + " takes no value." : "Unknown option " + arg + ".";
        return false;
    }
    given |= row->verbOption;
    if (row->value == nullptr) {
        o.*(row->flag) = true;
        return true;
    }
    if (inlineValue == nullptr && i + 1 >= args.size()) {
        error = "The option " + arg + " needs a value.";
        return false;
    }
    const std::string& value = inlineValue ? *inlineValue : args[++i];
    if (row->text != nullptr) {
        o.*(row->text) = value;
        return true;
    }
    return (row->name == std::string_view("--target") ? SetTarget : SetTimeout)(o, value, error);
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, ToolOptions& o, std::string& error) {
    unsigned given = 0;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!o.verb.empty()) {
                o.args.push_back(arg);
            } else if (arg == "help") {
                o.help = true;
            } else {
                o.verb = arg;
            }
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (const size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string::npos) {
            const std::string value = arg.substr(equals + 1);
            if (!TakeOption(args, i, arg.substr(0, equals), &value, o, given, error)) return false;
        } else if (!TakeOption(args, i, arg, nullptr, o, given, error)) {
            return false;
        }
    }
    if (o.help || o.version) return true;
    const bool targetGiven = !o.targets.empty();
    if (!targetGiven) o.targets.push_back("sim");
    if (o.verb.empty()) {
        error = "No verb given; nvmtool --help lists them.";
        return false;
    }
    const VerbRow* verb = FindVerb(o.verb);
    if (verb == nullptr) {
        error = "Unknown verb " + o.verb + "; nvmtool --help lists the verbs.";
        return false;
    }
    if (!CheckVerbArguments(*verb, o, given, error)) return false;
    if (!RunsWithoutTarget(o)) return true;
    if (targetGiven) {
        error = o.verb + " works on files alone: it takes no --target.";
        return false;
    }
    o.targets = {kNoTargetName};
    return true;
}

// Where the naming presets of export-header and rf-export live on this system.
std::string PresetsHelp() {
    return "Naming presets (--preset NAME, and the RF groups of rf-export) are read from\n  " +
           vtq::NamingPresetsPath() +
           "\n(the settings folder: $APPDATA when set, else $XDG_CONFIG_HOME or ~/.config, then Korvale/Brevant/;\n"
           "the file is created with the default preset when the editor starts).\n";
}

std::string HelpText(const std::string& name) {
    if (const VerbRow* verb = FindVerb(name)) {
        return "Usage: nvmtool " + Usage(*verb) + " [--target T]... [options]\n\n" + verb->help + "\n\n" +
               ((verb->rules & kPresetsHelp) ? PresetsHelp() + "\n" : std::string()) + kGlobalHelp;
    }
    std::string text =
        "nvmtool: the VTQ NVM Editor's operations from a shell, on the targets the stand-in host takes.\n\n"
        "Usage: nvmtool VERB [ARGUMENTS] [--target T]... [options]\n\nVerbs:\n";
    for (const VerbRow& verb : VerbTable()) text += "  " + Usage(verb) + "\n";
    return text + "\nnvmtool VERB --help describes a verb.\n\n" + PresetsHelp() + "\n" + kGlobalHelp;
}

}  // namespace nvmtool
