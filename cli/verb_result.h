#pragma once
// What one verb found on one target, apart from how it is printed: the text
// printer and the JSON printer (printers.h) turn it into output, and the exit
// status comes from its outcome alone.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/array_block.h"
#include "core/restore_points.h"
#include "core/verify_writes.h"
#include "files/nvm_compare.h"

namespace nvmtool {

// How a run ended, from the best to the worst; the worst of a run counts.
enum class Outcome : int {
    kDone = 0,
    kDifferences = 1,  // differences found, or some writes, reads or commits failed
    kUsage = 2,        // bad usage or a bad input file: nothing changed
    kTargetLost = 3,   // target lost or not answering
    kFileError = 4,    // a file could not be read or written (nothing written in its place)
};

int ExitStatus(Outcome outcome);

struct Record {
    std::string name, value, type;
};

struct GroupEntry {
    std::string name;
    int number = -1;
};

// What the text printer puts on standard output.
enum class TextShows { kNothing, kGroups, kParameters, kTables, kFileText, kDifferences, kCommands, kAnswer, kRestorePoints };

// An array shown as a table (get --table, --csv).
struct TableEntry {
    std::string name;
    vtq::ArrayTable table;
};

struct VerbResult {
    Outcome outcome = Outcome::kDone;
    TextShows shows = TextShows::kNothing;
    std::vector<std::string> errors;
    std::map<std::string, long long> counters;
    std::optional<std::vector<GroupEntry>> groups;
    std::optional<std::vector<Record>> parameters;
    std::optional<std::vector<TableEntry>> tables;
    bool csv = false;  // the tables' text is comma-separated
    std::optional<vtq::DifferenceList> differences;
    std::optional<std::vector<vtq::VerifyFailure>> verifyFailures;
    std::optional<std::vector<std::string>> commitGroups;
    std::optional<std::vector<vtq::RestorePointInfo>> restorePoints;
    std::string fileText;                // a parameter file for standard output (read without -o)
    std::vector<std::string> commands;   // the commands a dry run would send
    std::optional<std::string> answer;   // the raw answer of a command sent as given
    std::optional<std::string> file;     // the file written, or that would have been
    std::optional<bool> written, merged;

    // Records an error; the worst outcome counts. Always false.
    bool Fail(Outcome kind, const std::string& error);
};

}  // namespace nvmtool
