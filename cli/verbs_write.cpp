#include "cli/verb_run.h"

#include <algorithm>

#include "base/file_io.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"
#include "core/edit_parameter.h"
#include "core/restore_points.h"
#include "core/verify_writes.h"
#include "core/write_groups.h"
#include "files/file_operations.h"
#include "files/nvm_file.h"
#include "files/nvm_file_check.h"
#include "model/value_types.h"
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

// The size of the array `name`, as read or as the target tells it; 0 when
// the target has no such array, -1 when it did not answer.
int VerbRun::ArraySize(const std::string& name) {
    if (const vtq::NVMParameter* held = vtq::FindRecord(Items(), name); held && held->elementCount >= 1)
        return held->elementCount;
    if (const auto read = readArrays_.find(name); read != readArrays_.end()) return read->second.elementCount;
    const auto known = arraySizes_.find(name);
    if (known != arraySizes_.end()) return known->second;
    int size = Items().QueryArraySize(name);
    if (size < 0 && host_.CheckConnection()) size = 0;  // answered, but not with a size
    return arraySizes_[name] = size;
}

// A name that ends in an element range must stay inside its array:
// Outcome::kDone, Outcome::kUsage (with `why`) or Outcome::kTargetLost.
Outcome VerbRun::CheckElementRange(const std::string& name, std::string& why) {
    vtq::ElementRange range;
    if (!vtq::ParseElementRange(name, range)) return Outcome::kDone;
    const std::string array(range.array);
    const int size = ArraySize(array);
    if (size < 0) return Outcome::kTargetLost;
    if (size == 0) {
        why = "The target has no array \"" + array + "\" for the element range \"" + name + "\".";
    } else if (range.last >= size) {
        why = "The element range \"" + name + "\" is outside \"" + array + "\", which has " +
              vtq::CountText(size, "element", "elements") + ".";
    }
    return why.empty() ? Outcome::kDone : Outcome::kUsage;
}

// A parameter the target lacks would be refused at its write, after the
// writes before it went out: the read tells (with --all the target is asked).
Outcome VerbRun::CheckOnTarget(const std::string& name, std::string& why) {
    if (vtq::ElementRange range; vtq::ParseElementRange(name, range)) return Outcome::kDone;
    bool has = readNames_.count(name) != 0;
    if (o_.all) {
        std::string answer;
        has = vtq::Exchange(host_, vtq::cmd::Size(name), answer);
        if (!has && !host_.CheckConnection()) return Outcome::kTargetLost;
    }
    if (has) return Outcome::kDone;
    why = "The target has no parameter \"" + name + "\".";
    return Outcome::kUsage;
}

// Every record the write would send, checked as it builds them (the dry
// run and the real run alike): parameters the target has, element ranges inside their arrays, values
// of the right element count, commands the target can take. The first
// fault stops the verb before anything is written.
bool VerbRun::CheckWrites(const std::string& path) {
    for (const vtq::NVMParameter* p : Items().View()) {
        std::string why;
        Outcome status = CheckOnTarget(p->name, why);
        if (status == Outcome::kDone) status = CheckElementRange(p->name, why);
        if (status == Outcome::kTargetLost) return Fail(Outcome::kTargetLost, "The target is not answering.");
        if (status == Outcome::kDone)
            for (const vtq::LogLine& line : vtq::WriteCommands(*p).refusal)
                if (line.flag == 0) why = line.text;
        if (why.empty()) continue;
        const auto line = fileLines_.find(p->name);
        return Fail(Outcome::kUsage,
                    path + (line == fileLines_.end() ? "" : ":" + std::to_string(line->second)) + ": " + why);
    }
    return true;
}

// Keeps the arrays that the file's element ranges write into, as read: the
// load folds an array away when a range of it comes in as a record.
void VerbRun::KeepArraysOfRanges() {
    for (const auto& [name, line] : fileLines_) {
        vtq::ElementRange range;
        if (!vtq::ParseElementRange(name, range)) continue;
        const vtq::NVMParameter* held = vtq::FindRecord(Items(), range.array);
        if (held && held->elementCount >= 1) readArrays_.emplace(std::string(range.array), *held);
    }
}

// An element range whose values the array read holds already.
bool VerbRun::RangeAsRead(const vtq::NVMParameter& record) const {
    vtq::ElementRange range;
    if (!vtq::ParseElementRange(record.name, range)) return false;
    const auto read = readArrays_.find(std::string(range.array));
    return read != readArrays_.end() && Slice(read->second.value, range.first, range.last) == record.value;
}

// Leaves only the records a file load changed or added.
void VerbRun::KeepOnlyChanged() {
    vtq::UpdateBracket bracket(Items());
    for (int g = 0; g < Items().GroupCount(); ++g) {
        const vtq::GroupItem* group = Items().Group(g);
        std::vector<int> unchanged;
        int position = 0;
        for (const vtq::NVMParameter* p : group->params) {
            if (p->state == vtq::ParameterState::Unchanged || RangeAsRead(*p)) unchanged.push_back(position);
            ++position;
        }
        for (auto it = unchanged.rbegin(); it != unchanged.rend(); ++it) Items().DeleteParameter(g, *it);
    }
}

// The elements `first`..`last` of an array value, as a comma list.
std::string VerbRun::Slice(std::string_view value, long long first, long long last) {
    std::string out;
    size_t start = 0;
    for (long long index = 0; index <= last; ++index) {
        const size_t comma = value.find(',', start);
        if (index >= first)
            out.append(index > first ? "," : "")
                .append(value.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return out;
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
    std::vector<vtq::NVMParameter*> records;
    std::vector<vtq::NVMParameter> ranges(values.size());
    if (!FindSetRecords(values, records, ranges) || Result().outcome != Outcome::kDone) return;
    WriteSetValues(values, records, ranges);
    if (!o_.commit || Result().outcome == Outcome::kTargetLost || Interrupted() != 0) return;
    const std::vector<std::string> commit = GroupsToCommit(GroupsOf(names));
    if (!commit.empty() && SelectGroups(commit)) CommitChecked();
}

// The record each value of `set` goes to, a record of its own for an element
// range; every name, element range and element count is checked before the
// first write. False when the target stopped answering.
bool VerbRun::FindSetRecords(const SetValues& values, std::vector<vtq::NVMParameter*>& records,
                             std::vector<vtq::NVMParameter>& ranges) {
    for (size_t i = 0; i < values.size(); ++i) {
        const auto& [name, value] = values[i];
        vtq::NVMParameter* record = vtq::FindRecord(Items(), name);
        vtq::ElementRange range;
        std::string why;
        if (record == nullptr && vtq::ParseElementRange(name, range)) {
            const Outcome status = CheckElementRange(name, why);
            if (status == Outcome::kTargetLost) return Fail(Outcome::kTargetLost, "The target is not answering.");
            if (status != Outcome::kDone) {
                Fail(Outcome::kUsage, why);
                continue;
            }
            ranges[i].name = name;
            ranges[i].elementCount = static_cast<int32_t>(range.last - range.first + 1);
            record = &ranges[i];
        }
        records.push_back(record);
        if (record == nullptr) {
            Fail(Outcome::kUsage, "The target has no parameter \"" + name + "\".");
        } else if (record->elementCount >= 1 && !value.starts_with('"') &&
                   vtq::ElementCount(value) != record->elementCount) {
            Fail(Outcome::kUsage, "\"" + name + "\" has " +
                                      vtq::CountText(record->elementCount, "element", "elements") + "; " +
                                      vtq::CountText(vtq::ElementCount(value), "value is", "values are") + " given.");
        }
    }
    return true;
}

// Writes the values that differ from what the target holds, one by one.
void VerbRun::WriteSetValues(const SetValues& values, const std::vector<vtq::NVMParameter*>& records,
                             std::vector<vtq::NVMParameter>& ranges) {
    // What each value changes is known before anything is sent: the restore point holds exactly those.
    std::vector<bool> changes(records.size());
    std::vector<vtq::NVMParameter*> changed;
    for (size_t i = 0; i < records.size(); ++i) {
        vtq::NVMParameter& record = *records[i];
        if (&record == &ranges[i]) {
            // A range of an array the read holds: written when its elements differ.
            vtq::ElementRange range;
            vtq::ParseElementRange(record.name, range);
            const vtq::NVMParameter* array = vtq::FindRecord(Items(), std::string(range.array));
            changes[i] = !array || Slice(array->value, range.first, range.last) != values[i].second;
            record.value = values[i].second;
        } else {
            changes[i] = vtq::ApplyEditedValue(host_, record, values[i].second, false).changed;
        }
        if (changes[i]) changed.push_back(&record);
    }
    uint8_t lost = 0;
    if (!changed.empty() && !vtq::SaveRestorePoint(session_, user_, "set", changed, &lost))
        return (void)Fail(lost ? Outcome::kTargetLost : Outcome::kFileError, kNoRestorePointError);
    int written = 0, unchanged = 0, failed = 0;
    // An interrupt stops the writes as Cancel stops a long operation: before the next one.
    for (size_t i = 0; i < records.size() && !lost && Interrupted() == 0; ++i) {
        vtq::NVMParameter& record = *records[i];
        record.value = values[i].second;  // a name given twice is written with each of its values in turn
        if (!changes[i]) {
            ++unchanged;
        } else if (vtq::WriteRecord(host_, record, vtq::RecordReport::Each, &lost)) {
            ++written;
        } else {
            ++failed;
            failedGroups_.insert(vtq::GroupOfName(record.name));
        }
    }
    Count("written", written);
    Count("unchanged", unchanged);
    Count("failed", failed);
    if (lost) {
        Fail(Outcome::kTargetLost, "The target was lost during the write.");
    } else if (failed > 0) {
        Fail(Outcome::kDifferences, vtq::CountText(failed, "write", "writes") + " failed.");
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
    if (!CheckParameterFile(path, fileGroups)) return;
    std::vector<std::string> groups;
    if (!GroupsOnTarget(path, fileGroups, groups)) return;
    if (!o_.all && (!SelectGroups(groups) || !ReadSelected())) return;
    for (const vtq::NVMParameter* p : Items().View()) readNames_.insert(p->name);
    KeepArraysOfRanges();
    if (!vtq::LoadFile(Items(), host_, path, user_))
        return (void)Fail(Outcome::kFileError, "Cannot load " + path + ".");
    if (!o_.all) KeepOnlyChanged();
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
