#include "cli/verb_run.h"

#include <algorithm>

#include "base/file_io.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "cli/verb_table.h"
#include "core/read_groups.h"
#include "files/file_operations.h"
#include "files/nvm_compare.h"
#include "files/nvm_file.h"

namespace nvmtool {

std::vector<Record> VerbRun::ViewRecords() {
    std::vector<Record> records;
    for (const vtq::NVMParameter* p : Items().View()) records.push_back({p->name, p->value, p->type});
    return records;
}

void VerbRun::Groups() {
    Result().shows = TextShows::kGroups;
    Result().groups.emplace();
    for (const auto& [name, number] : session_.GroupTable().Entries()) Result().groups->push_back({name, number});
}

void VerbRun::Read() {
    if (!SelectGroups(o_.all ? session_.GroupTable().Names() : o_.args) || !ReadSelected()) return;
    if (!o_.filter.empty()) Items().SetFilter(o_.filter);
    Result().parameters = ViewRecords();
    if (o_.output.empty()) {
        Result().shows = TextShows::kFileText;
        Result().fileText = vtq::ParameterFileText(Items(), session_.Unit());
        return;
    }
    if (Interrupted() != 0) return;  // an interrupted run saves nothing
    const std::string asked = OutPath(o_.output);
    // Skipped parameters or groups not read make the file incomplete: it goes beside, and a complete file at
    // the name asked for stays.
    const bool incomplete = Result().outcome != Outcome::kDone && asked != "-";
    const std::string path = incomplete ? vtq::PartialFilePath(asked) : asked;
    Result().file = path;
    if (Items().ViewCount() == 0) {
        Fail(Outcome::kDifferences, "No parameters to save: " + path + " is not written.");
    } else if (!vtq::WriteParameters(Items(), path, &user_, session_.Unit())) {
        Fail(Outcome::kFileError, "Cannot write " + path + ".");
    } else if (incomplete) {
        user_.Log("The read is incomplete, so the parameters read were written to \"" + path + "\"; \"" + asked +
                      "\" was not replaced.",
                  0);
    }
}

void VerbRun::Get() {
    if (!SelectGroups(GroupsOf(o_.args)) || !ReadSelected()) return;
    if (o_.table || o_.csv) return GetTables();
    Result().shows = TextShows::kParameters;
    Result().parameters.emplace();
    for (const std::string& name : o_.args) {
        const vtq::NVMParameter* p = vtq::FindRecord(Items(), name);
        if (p == nullptr) {
            Fail(Outcome::kUsage, "The target has no parameter \"" + name + "\".");
            continue;
        }
        Result().parameters->push_back({p->name, p->value, p->type});
    }
}

// Compares the records read with the file; `groups` (may be empty: all)
// limits the differences to those groups. False when the file went away.
bool VerbRun::CompareWithFile(const std::string& path, const std::vector<std::string>& groups) {
    std::unique_ptr<vtq::NVMDiff> diff = vtq::CompareWithFile(Items(), host_, path, user_);
    if (!diff) return Fail(Outcome::kFileError, "Cannot read the file " + path + ".");
    Result().shows = TextShows::kDifferences;
    vtq::DifferenceList& found = Result().differences.emplace();
    for (const vtq::Difference& d : diff->Result()) {
        const std::string group = vtq::GroupOfName(d.name);
        if (groups.empty() ||
            std::any_of(groups.begin(), groups.end(), [&](const std::string& g) { return vtq::SameText(g, group); }))
            found.push_back(d);
    }
    const int count = static_cast<int>(found.size());
    Count("differenceCount", count);
    if (count > 0) Fail(Outcome::kDifferences, vtq::DifferenceCountText(count));
    return true;
}

void VerbRun::Diff() {
    const std::string& path = o_.args[0];
    FileGroups fileGroups;
    if (!CheckParameterFile(path, fileGroups)) return;
    if (RunsWithoutTarget(o_)) {
        // Two files: the first stands where the target's values would.
        vtq::LoadCounts counts;
        if (!CheckParameterFile(o_.args[1], fileGroups)) return;
        vtq::LoadParameters(Items(), path, counts, vtq::FileNames::AsGiven);
        return (void)CompareWithFile(o_.args[1], {});
    }
    const std::vector<std::string> only(o_.args.begin() + 1, o_.args.end());
    std::vector<std::string> groups = only;
    if (groups.empty() && !GroupsOnTarget(path, fileGroups, groups)) return;
    if (!SelectGroups(groups) || !ReadSelected()) return;
    CompareWithFile(path, only);
}

void VerbRun::Commit() {
    if (SelectGroups(o_.all ? session_.GroupTable().Names() : o_.args)) CommitChecked();
}

void VerbRun::Send() {
    std::string answer;
    uint8_t lost = 0;
    if (!host_.SendReceive(o_.args[0], answer, false, &lost))
        return (void)Fail(Outcome::kTargetLost, "No answer to " + o_.args[0] + ".");
    Result().shows = TextShows::kAnswer;
    Result().answer = answer;
    if (!vtq::IsGoodAnswer(answer)) Fail(Outcome::kDifferences, "The answer does not end in OK.");
}

}  // namespace nvmtool
