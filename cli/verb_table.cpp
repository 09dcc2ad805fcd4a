#include "cli/verb_table.h"

#include "cli/verb_run.h"

namespace nvmtool {

namespace {

// To add a verb: write its handler as a member of VerbRun (verb_run.h, defined in a verbs_*.cpp file), then add
// a row here. The row's options and rules are all the argument checks need; the help, the manual page and the
// shell completion pick the new verb up from the row.
// The writing verbs save the values they replace first.
// A file of another unit is refused unless the user says it is meant for this one.
#define OTHER_UNIT_HELP                                                                            \
    "\nA file saved from another unit (its serial number differs from the target's) that holds\n"  \
    "calibration values (groups cal_...) is written only with --other-unit; without it the verb\n" \
    "stops with status 2, naming both serial numbers, and sends nothing."
#define RESTORE_POINT_HELP                                                                                   \
    "\nThe values the target held for every parameter about to change are saved first as a restore\n"      \
    "point (see restore); --no-restore-point skips it."

const VerbRow kVerbs[] = {
    {"groups", &VerbRun::Groups, "list the target's NVM groups and their numbers", "", 0, 0, 0, 0,
     "Lists the target's NVM groups with their numbers, one \"name=number\" line each."},
    {"read", &VerbRun::Read, "read groups into a parameter file", "[GROUP...] [--all] [-o FILE] [--filter TEXT]",
     kAll | kOutput | kFilter, kGroupsOrAll, 0, kMany,
     "Reads the named groups (or --all groups) from the target and writes their parameters in the\n"
     "parameter-file format to FILE, or to standard output. --filter keeps the parameters whose name\n"
     "contains TEXT (without regard to case). A target lost during the read writes no file. Parameters\n"
     "whose pieces the target damaged are skipped: the last line counts them and the status is 1."},
    {"get", &VerbRun::Get, "print parameters as name=value lines, or arrays as tables", "NAME... [--table|--csv]",
     kTable | kCsv, kParameterNames, 1, kMany,
     "Reads the groups of the named parameters (group.name) and prints \"name=value\" for each.\n"
     "--table prints each array as a table of aligned rows (a two-dimensional array as its rows and\n"
     "columns, a three-dimensional one as one table per first index, a one-dimensional one in rows\n"
     "of 16); --csv prints the same rows with the values separated by commas. An array's name may\n"
     "leave out its index ranges (cal_rx_gain.gain_tab for cal_rx_gain.gain_tab[0,6][0,6])."},
    {"set", &VerbRun::Set, "write values to the target's RAM mirror",
     "NAME=VALUE... [--commit] | NAME --csv FILE [--commit]", kCommit | kCsv | kNoRestorePoint, kAssignments | kCsvFile,
     1, kMany,
     "Writes values to the target's RAM mirror (arrays as 1,2,3 or {1,2,3}, elements of an array as\n"
     "NAME[2,3]=7,8); every name, element range and element count is checked against the target before\n"
     "anything is written. With --csv the array NAME is written from FILE, comma-separated rows as\n"
     "get --csv prints them (tab or semicolon separated rows are taken too): a file whose rows and\n"
     "columns differ from the array's stops the verb, naming both shapes, before anything is sent;\n"
     "values beyond the element type's range are clamped to it and counted; an element written in\n"
     "hexadecimal stays hexadecimal. --commit then stores their groups in NVM, but not a group a write\n"
     "to which failed." RESTORE_POINT_HELP},
    {"write", &VerbRun::Write, "write a parameter file to the target",
     "FILE [--dry-run] [--commit] [--verify] [--all] [--no-restore-point] [--other-unit]",
     kDryRun | kCommit | kVerify | kAll | kNoRestorePoint | kOtherUnit, kFileFirst, 1, 1,
     "Writes the parameters of a parameter file to the target's RAM mirror: those whose values differ\n"
     "from the target's, or --all of them without reading the target first. --dry-run prints the\n"
     "target commands instead of sending them; --verify reads the written values back and compares\n"
     "them with the file; --commit stores every group the file names in NVM (a value an earlier run\n"
     "wrote may still be only in the RAM mirror), except a group a write to which failed. A file line\n"
     "that is not an assignment, an element range outside its array, a value of the wrong element\n"
     "count or a group the target does not have stops the verb before anything is written; a name\n"
     "given twice is warned about, and its last value counts." OTHER_UNIT_HELP RESTORE_POINT_HELP},
    {"diff", &VerbRun::Diff, "compare the target with a parameter file, or two files", "FILE [GROUP...] | A.nvm B.nvm",
     0, kFileFirst, 1, kMany,
     "Compares the target with a parameter file (the file's groups, or only the named ones) and prints\n"
     "one line per difference. Given two files (the second with a point or a slash in its name), compares\n"
     "them without a target, A in the target's place: a parameter only in B is Extra, one only in A\n"
     "Missing. Exit status 1 when there are differences."},
    {"edit", &VerbRun::Edit, "change values in a parameter file, without a target", "FILE NAME=VALUE...", 0,
     kFileFirst | kAssignments | kNoTarget, 2, kMany,
     "Changes values in a parameter file, in place, with the checks set makes: every NAME must be in\n"
     "the file, an array keeps its element count, a value holds no control character and fits the\n"
     "type the file gives; otherwise nothing is written (status 2, the problem named). Other lines,\n"
     "comments and the unit lines stay as they are; the file is replaced only by the complete new one."},
    {"commit", &VerbRun::Commit, "store groups' RAM mirror in NVM", "GROUP...|--all", kAll, kGroupsOrAll, 0, kMany,
     "Stores the RAM mirror of the named groups (or --all groups) in the target's NVM."},
    {"export-header", &VerbRun::ExportHeader, "write groups' default values as a C header",
     "GROUP...|--all -o FILE.h [--preset NAME]", kAll | kOutput | kPreset, kGroupsOrAll | kNeedsOutput | kPresetsHelp,
     0, kMany,
     "Reads the default values of the groups from the target and writes them as a C source header.\n"
     "The naming preset is the one that fits the target's groups, or --preset NAME; the RF variant\n"
     "identifier comes from the target, or from --variant ID."},
    {"load-header", &VerbRun::LoadHeader, "load a C header's default values and commit them",
     "FILE.h [--no-restore-point]", kNoRestorePoint, kFileFirst, 1, 1,
     "Loads the default values of a C source header (as export-header or rf-export write it) into the\n"
     "target's RAM mirror and commits each group that was written completely. A file without a group\n"
     "index stops the verb before anything is sent." RESTORE_POINT_HELP},
    {"restore", &VerbRun::Restore, "list restore points or write one back", "--list | ID [--commit] [--other-unit]",
     kList | kCommit | kOtherUnit, kNoGroupList | kListIsLocal, 0, 1,
     "--list prints the restore points, newest first: ID, time, unit, the operation it was saved\n"
     "before, the number of parameters and the groups. With an ID (or the path of a point) the point's\n"
     "values are written to the target where they differ, as write does (saving a restore point of\n"
     "their own first); --commit then stores their groups in NVM. The points are in the folder\n"
     "restore beside the settings; the last 200 (or 100 MB) are kept, and the newest of each unit." OTHER_UNIT_HELP},
    {"rf-export", &VerbRun::RfExport, "write the RF groups' default values as a C header",
     "-o FILE.h [--merge OLD.h] [--preset NAME]", kOutput | kPreset | kMerge, kNeedsOutput | kPresetsHelp, 0, 0,
     "Reads the default values of the RF groups from the target and writes them as a C source header;\n"
     "--merge takes the comments of an older header of this target into it."},
    {"changed-defaults", &VerbRun::ChangedDefaults, "save the values that differ from their defaults",
     "[GROUP...] -o FILE", kOutput, kNeedsOutput, 0, kMany,
     "Saves the parameters whose values differ from their defaults, as the target reports them, as\n"
     "target commands in a file the parameter-file reader takes (\".nvm\" is added). Without group names\n"
     "every group of the target is asked."},
    {"send", &VerbRun::Send, "send one command and print the raw answer", "COMMAND", 0, kNoGroupList, 1, 1,
     "Sends one command (a carriage return is added) and prints the raw answer. Exit status 1 when\n"
     "the answer does not end in OK."},
};

#undef RESTORE_POINT_HELP
#undef OTHER_UNIT_HELP

// Options of single verbs first, in the order their misuse is reported.
const OptionRow kOptions[] = {
    {"--all", nullptr, kAll, nullptr, &ToolOptions::all, nullptr},
    {"-o", "--output", kOutput, "FILE", nullptr, &ToolOptions::output},
    {"--filter", nullptr, kFilter, "TEXT", nullptr, &ToolOptions::filter},
    {"--commit", nullptr, kCommit, nullptr, &ToolOptions::commit, nullptr},
    {"--dry-run", nullptr, kDryRun, nullptr, &ToolOptions::dryRun, nullptr},
    {"--verify", nullptr, kVerify, nullptr, &ToolOptions::verify, nullptr},
    {"--preset", nullptr, kPreset, "NAME", nullptr, &ToolOptions::preset},
    {"--merge", nullptr, kMerge, "OLD.h", nullptr, &ToolOptions::merge},
    {"--list", nullptr, kList, nullptr, &ToolOptions::list, nullptr},
    {"--no-restore-point", nullptr, kNoRestorePoint, nullptr, &ToolOptions::noRestorePoint, nullptr},
    {"--other-unit", nullptr, kOtherUnit, nullptr, &ToolOptions::otherUnit, nullptr},
    {"--table", nullptr, kTable, nullptr, &ToolOptions::table, nullptr},
    {"--csv", nullptr, kCsv, nullptr, &ToolOptions::csv, nullptr},
    {"--target", nullptr, 0, "T", nullptr, nullptr},
    {"--timeout", nullptr, 0, "MS", nullptr, nullptr},
    {"--variant", nullptr, 0, "ID", nullptr, &ToolOptions::variant},
    {"--json", nullptr, 0, nullptr, &ToolOptions::json, nullptr},
    {"-q", "--quiet", 0, nullptr, &ToolOptions::quiet, nullptr},
    {"--yes", nullptr, 0, nullptr, &ToolOptions::yes, nullptr},
    {"-h", "--help", 0, nullptr, &ToolOptions::help, nullptr},
    {"--version", nullptr, 0, nullptr, &ToolOptions::version, nullptr},
};

}  // namespace

std::span<const OptionRow> OptionTable() { return kOptions; }

const OptionRow* FindOption(std::string_view name) {
    for (const OptionRow& option : kOptions)
        if (name == option.name || (option.alias && name == option.alias)) return &option;
    return nullptr;
}

std::string Usage(const VerbRow& verb) {
    return *verb.usage ? std::string(verb.name) + " " + verb.usage : std::string(verb.name);
}

std::span<const VerbRow> VerbTable() { return kVerbs; }

bool RunsWithoutTarget(const ToolOptions& options) {
    const VerbRow* verb = FindVerb(options.verb);
    if (verb && (verb->rules & kNoTarget)) return true;
    return options.verb == "diff" && options.args.size() == 2 &&
           options.args[1].find_first_of("./") != std::string::npos;
}

bool ConnectsNoTarget(const ToolOptions& options) {
    const VerbRow* verb = FindVerb(options.verb);
    return RunsWithoutTarget(options) || (verb && (verb->rules & kListIsLocal) && options.list);
}

const VerbRow* FindVerb(std::string_view name) {
    for (const VerbRow& verb : kVerbs)
        if (name == verb.name) return &verb;
    return nullptr;
}

}  // namespace nvmtool
