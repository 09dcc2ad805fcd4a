#include <utility>

#include "base/file_io.h"
#include "cli/verb_run.h"
#include "core/block_paste.h"
#include "core/edit_parameter.h"
#include "core/table_record.h"
#include "model/array_value.h"

namespace nvmtool {

void VerbRun::GetTables() {
    Result().shows = TextShows::kTables;
    Result().csv = o_.csv;
    Result().tables.emplace();
    for (const std::string& name : o_.args) {
        const vtq::NVMParameter* record = vtq::FindTableRecord(Items(), name);
        if (record == nullptr) {
            Fail(Outcome::kUsage, "The target has no parameter \"" + name + "\".");
        } else if (record->elementCount < 1) {
            Fail(Outcome::kUsage, "\"" + record->name + "\" is not an array.");
        } else {
            Result().tables->push_back({record->name, vtq::TableOf(*record)});
        }
    }
}

// set NAME --csv FILE: the file read (before the target is asked anything),
// the array's group read, the file's rows checked against the array's shape,
// and the array's new value handed to the write as one NAME=VALUE.
bool VerbRun::TableFromFile(std::vector<std::pair<std::string, std::string>>& values,
                            std::vector<std::string>& names) {
    const std::string& name = o_.args[0];
    const std::string& path = o_.args[1];
    std::string text;
    if (!vtq::ReadWholeFile(path, text)) return Fail(Outcome::kFileError, "Cannot read the file " + path + ".");
    if (!SelectGroups(GroupsOf({name})) || !ReadSelected()) return false;
    vtq::NVMParameter* record = vtq::FindTableRecord(Items(), name);
    if (record == nullptr) return Fail(Outcome::kUsage, "The target has no parameter \"" + name + "\".");
    if (record->elementCount < 1) return Fail(Outcome::kUsage, "\"" + record->name + "\" is not an array.");
    // The element type decides the range values are clamped to.
    if (record->type.empty() && !vtq::QueryType(host_, *record)) {
        if (!host_.CheckConnection()) return Fail(Outcome::kTargetLost, "The target is not answering.");
        return Fail(Outcome::kUsage, "The target gave no element type for \"" + record->name +
                                         "\", so its range is not known; nothing is written.");
    }
    vtq::ArrayTable table = vtq::TableOf(*record);
    vtq::BlockResult result = vtq::ReadTableText(table, text, path);
    if (!result.done) return Fail(Outcome::kUsage, result.message);
    if (result.clamped) user_.Log(result.message, 0);
    for (vtq::CellChange& change : result.changes) table.elements[change.index] = std::move(change.after);
    values.emplace_back(record->name, vtq::JoinElements(table.elements));
    names.push_back(record->name);
    return true;
}

}  // namespace nvmtool
