#include "cli/verb_run.h"

#include <algorithm>

#include "base/file_io.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"
#include "core/restore_points.h"
#include "core/verify_writes.h"
#include "core/write_groups.h"
#include "files/file_edit.h"
#include "files/file_operations.h"
#include "files/nvm_file.h"
#include "files/nvm_file_check.h"
#include "files/unit_guard.h"
#include "model/write_commands.h"

namespace nvmtool {

// Reads the file and checks every line: blank, a comment or an assignment.
// The groups it names, with their first lines; a name given twice is
// warned about (the last value counts, as the load takes it).
bool VerbRun::CheckParameterFile(const std::string& path, FileGroups& groups) {
    std::string data;
    if (!vtq::ReadWholeFile(path, data)) return Fail(Outcome::kFileError, "Cannot read the file " + path + ".");
    vtq::NvmFileCheck check = vtq::CheckNvmFileText(data, path);
    for (const std::string& warning : check.warnings) user_.Log(warning, 0);
    if (!check.fault.empty()) return Fail(Outcome::kUsage, check.fault);
    groups = std::move(check.groups);
    fileLines_ = std::move(check.names);
    return true;
}

// Every record the write would send, checked as it builds them (the dry
// run and the real run alike); the first fault stops the verb before anything is written.
bool VerbRun::CheckWrites(const std::string& path) {
    std::string why;
    const vtq::CheckStatus status = checks_.Writes(path, fileLines_, why);
    if (status == vtq::CheckStatus::TargetLost) return Fail(Outcome::kTargetLost, "The target is not answering.");
    return status == vtq::CheckStatus::Ok || Fail(Outcome::kUsage, why);
}

// Calibration values saved from another unit go to this one only with --other-unit.
bool VerbRun::CheckUnit(const std::string& path) {
    std::string data;
    if (!vtq::ReadWholeFile(path, data)) return Fail(Outcome::kFileError, "Cannot read the file " + path + ".");
    const vtq::FileUnit file = vtq::ReadFileUnit(data);
    if (o_.otherUnit || !vtq::CrossesUnits(file.unit, session_.Unit(), file.calibrationValues)) return true;
    return Fail(Outcome::kUsage, path + " was saved from the unit with serial number " + file.unit.serial +
                                     ", the target's is " + session_.Unit().serial + "; it holds " +
                                     vtq::CountText(file.calibrationValues, "calibration value", "calibration values") +
                                     ". Nothing was sent: give --other-unit to write them to this unit.");
}

void VerbRun::Edit() {
    vtq::NamedValues edits;
    for (size_t i = 1; i < o_.args.size(); ++i) {
        vtq::NvmLine line;
        vtq::ParseNvmLine(o_.args[i], line);
        edits.emplace_back(std::string(line.name), std::string(line.value));
    }
    const vtq::FileEditResult r = vtq::EditParameterFile(o_.args[0], edits);
    Count("changed", r.changed);
    Count("unchanged", r.unchanged);
    for (const std::string& error : r.errors) Fail(r.fileError ? Outcome::kFileError : Outcome::kUsage, error);
    if (r.errors.empty())
        user_.Log(o_.args[0] + ": " + vtq::CountText(r.changed, "value", "values") + " changed, " +
                      std::to_string(r.unchanged) + " already as given.",
                  1);
}

void VerbRun::Set() {
    SetValues values;
    std::vector<std::string> names;
    // With --csv the one value comes from the file, once the array's group is read.
    for (size_t i = 0; i < o_.args.size() && !o_.csv; ++i) {
        vtq::NvmLine line;
        vtq::ParseNvmLine(o_.args[i], line);
        std::string value(line.value);
        vtq::RemoveBlanksOutsideQuotes(value);
        values.emplace_back(std::string(line.name), value);
        names.emplace_back(line.name);
    }
    if (o_.csv ? !TableFromFile(values, names) : !SelectGroups(GroupsOf(names)) || !ReadSelected()) return;
    vtq::SetPlan plan = vtq::PlanSetValues(checks_, session_, values);
    for (const std::string& why : plan.refusals) Fail(Outcome::kUsage, why);
    if (plan.targetLost) return (void)Fail(Outcome::kTargetLost, "The target is not answering.");
    if (Result().outcome != Outcome::kDone) return;
    WriteSetValues(values, plan);
    if (!o_.commit || Result().outcome == Outcome::kTargetLost || Interrupted() != 0) return;
    const std::vector<std::string> commit = GroupsToCommit(GroupsOf(names));
    if (!commit.empty() && SelectGroups(commit)) CommitChecked();
}

// Writes the values that differ from what the target holds, one by one.
void VerbRun::WriteSetValues(const SetValues& values, vtq::SetPlan& plan) {
    const vtq::SetWriteResult r = vtq::WriteSetValues(session_, user_, values, plan);
    if (r.noRestorePoint) return (void)Fail(r.targetLost ? Outcome::kTargetLost : Outcome::kFileError, kNoRestorePointError);
    failedGroups_.insert(r.failedGroups.begin(), r.failedGroups.end());
    Count("written", r.written);
    Count("unchanged", r.unchanged);
    Count("failed", r.failed);
    if (r.targetLost) {
        Fail(Outcome::kTargetLost, "The target was lost during the write.");
    } else if (r.failed > 0) {
        Fail(Outcome::kDifferences, vtq::CountText(r.failed, "write", "writes") + " failed.");
    }
}

// The commands the write would send, printed instead: the same builder as
// the real run, then the store commands of the groups --commit would store.
void VerbRun::DryRun(const std::string& path, const std::vector<std::string>& groups) {
    Result().shows = TextShows::kCommands;
    std::vector<std::string>& shown = Result().commands;
    int count = 0;
    for (const vtq::NVMParameter* p : Items().View()) {
        const std::vector<std::string> commands = vtq::WriteCommands(*p).commands;
        shown.insert(shown.end(), commands.begin(), commands.end());
        count += static_cast<int>(commands.size());
    }
    if (o_.commit)
        for (const std::string& group : groups) shown.push_back(vtq::cmd::Commit(session_.GroupTable().Number(group)));
    Count("commands", count);
    user_.Log("Dry run: " + vtq::CountText(Items().ViewCount(), "parameter", "parameters") + " of " + path +
                  " would be written (" + vtq::CountText(count, "command", "commands") + ")" +
                  (o_.commit ? " and " + vtq::CountText(static_cast<long long>(groups.size()), "group", "groups") +
                                   " committed"
                             : std::string()) +
                  "; nothing was sent.",
              1);
}

// The file's groups, each of which the target must have: the first it lacks
// is named with its file line.
bool VerbRun::GroupsOnTarget(const std::string& path, const FileGroups& fileGroups, std::vector<std::string>& groups) {
    for (const auto& [group, line] : fileGroups) {
        if (session_.GroupTable().Number(group) < 0)
            return Fail(Outcome::kUsage,
                        path + ":" + std::to_string(line) + ": the target has no group \"" + group + "\".");
        groups.push_back(group);
    }
    return true;
}

void VerbRun::Write() { WriteFile(o_.args[0]); }

void VerbRun::Restore() {
    const std::string& folder = session_.Restore().folder;
    if (o_.list) {
        if (!o_.args.empty()) return (void)Fail(Outcome::kUsage, "restore --list takes no restore point.");
        Result().restorePoints = vtq::ListRestorePoints(folder);
        Result().shows = TextShows::kRestorePoints;
        return;
    }
    if (o_.args.empty()) return (void)Fail(Outcome::kUsage, "restore needs --list or the ID of a restore point.");
    const std::string path = vtq::FindRestorePoint(folder, o_.args[0]);
    if (path.empty())
        return (void)Fail(Outcome::kUsage,
                          "There is no restore point \"" + o_.args[0] + "\" (restore --list shows them).");
    if (Start()) WriteFile(path);
}

void VerbRun::WriteFile(const std::string& path) {
    FileGroups fileGroups;
    if (!CheckParameterFile(path, fileGroups) || !CheckUnit(path)) return;
    std::vector<std::string> groups;
    if (!GroupsOnTarget(path, fileGroups, groups)) return;
    if (!o_.all && (!SelectGroups(groups) || !ReadSelected())) return;
    checks_.NoteRead(fileLines_);
    if (o_.all) checks_.AskTarget();
    if (!vtq::LoadFile(Items(), host_, path, user_))
        return (void)Fail(Outcome::kFileError, "Cannot load " + path + ".");
    if (!o_.all) checks_.KeepOnlyChanged();
    if (!CheckWrites(path)) return;
    Count("toWrite", Items().ViewCount());
    if (o_.dryRun) return DryRun(path, groups);
    if (Items().ViewCount() == 0) {
        user_.Log("The target already holds every value of " + path + ".", 1);
    } else {
        const vtq::WriteGroupsResult r = vtq::WriteGroups(session_, user_);
        Count("attempted", r.attempted);
        Count("failed", r.errors);
        if (r.targetLost) return (void)Fail(Outcome::kTargetLost, "The target was lost during the write.");
        if (r.noRestorePoint) return (void)Fail(Outcome::kFileError, kNoRestorePointError);
        if (!r.started) return (void)Fail(Outcome::kTargetLost, "The target is not answering.");
        if (r.errors > 0) Fail(Outcome::kDifferences, vtq::CountText(r.errors, "write", "writes") + " failed.");
    }
    if (o_.verify) {
        // Every value written is read back by the editor's own verify, as the window's option does.
        std::vector<vtq::NVMParameter*> sent;
        for (vtq::NVMParameter* record : Items().View())
            if (record->state == vtq::ParameterState::InTargetRAM) sent.push_back(record);
        const vtq::VerifyResult v = vtq::VerifyWrittenRecords(session_, user_, sent);
        Result().verifyFailures = v.failures;
        Count("verified", v.checked);
        if (v.targetLost) return (void)Fail(Outcome::kTargetLost, "The target was lost during the verify.");
        if (!v.failures.empty())
            Fail(Outcome::kDifferences,
                 vtq::CountText(static_cast<long long>(v.failures.size()), "value was", "values were") +
                     " not kept by the target.");
    }
    // Every group the file names: a value an earlier run wrote may still be
    // only in the RAM mirror, and nothing here can tell.
    if (!o_.commit) return;
    const std::vector<std::string> commit = GroupsToCommit(groups);
    if (commit.empty() || !SelectGroups(commit)) return;
    Result().commitGroups = commit;
    CommitChecked();
}

}  // namespace nvmtool
