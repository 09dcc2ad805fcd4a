#include "cli/verbs.h"

#include <QJsonArray>
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>

#include "base/file_io.h"
#include "base/text.h"
#include "channel/target_commands.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "core/commit_groups.h"
#include "core/edit_parameter.h"
#include "core/editor_session.h"
#include "core/group_list.h"
#include "core/read_groups.h"
#include "core/verify_writes.h"
#include "core/write_groups.h"
#include "defaults/changed_defaults.h"
#include "defaults/header_reader.h"
#include "defaults/header_writer.h"
#include "defaults/naming_presets.h"
#include "defaults/rf_export.h"
#include "files/file_operations.h"
#include "files/nvm_compare.h"
#include "files/nvm_file.h"
#include "link/link_host.h"
#include "link/open_link.h"
#include "link/target_address.h"
#include "model/value_types.h"
#include "model/write_commands.h"

namespace nvmtool {

namespace {

// Sessions count themselves to build and free the shared decoder: their start
// and close are serialised across the targets' threads.
std::mutex& SessionLifeLock() {
    static std::mutex lock;
    return lock;
}

// One session for the run of a verb, made and closed under the lock.
struct SessionHolder {
    SessionHolder(vtq::Host& host, ConsoleUser& user, const std::string& settingsPath) {
        const std::lock_guard<std::mutex> lock(SessionLifeLock());
        session = std::make_unique<vtq::EditorSession>(
            host, [&user](const std::string& text) { user.Message(text); }, settingsPath);
    }
    ~SessionHolder() {
        const std::lock_guard<std::mutex> lock(SessionLifeLock());
        session->Close();
        session.reset();
    }
    SessionHolder(const SessionHolder&) = delete;
    SessionHolder& operator=(const SessionHolder&) = delete;
    std::unique_ptr<vtq::EditorSession> session;
};

// The groups of a parameter file, each with the line that names it first.
using FileGroups = std::map<std::string, int, vtq::TextLess>;

class Runner {
public:
    Runner(const ToolOptions& o, TargetRun& run, ConsoleUser& user, vtq::Host& host, vtq::EditorSession& session,
           int index, int count)
        : o_(o), run_(run), user_(user), host_(host), session_(session), index_(index), count_(count) {}

    void Run() {
        const std::string& verb = o_.verb;
        if (verb == "send") return Send();
        if (!Start()) return;
        if (verb == "groups") return Groups();
        if (verb == "read") return Read();
        if (verb == "get") return Get();
        if (verb == "set") return Set();
        if (verb == "write") return Write();
        if (verb == "diff") return Diff();
        if (verb == "commit") return Commit();
        if (verb == "export-header") return ExportHeader();
        if (verb == "load-header") return LoadHeader();
        if (verb == "rf-export") return RfExport();
        if (verb == "changed-defaults") return ChangedDefaults();
    }

private:
    bool Fail(int status, const std::string& error) {
        run_.status = std::max(run_.status, status);
        run_.errors.push_back(error);
        return false;
    }
    void Count(const char* key, long long value) { run_.fields[key] = static_cast<qint64>(value); }
    vtq::GroupItems& Items() { return session_.Items(); }

    bool Start() {
        if (session_.Start()) return true;
        return Fail(kTargetLost, "The target gave no group list: it is not answering.");
    }

    // Checks exactly the named groups; every one must be on the target.
    bool SelectGroups(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            if (session_.GroupTable().Number(name) < 0)
                return Fail(kBadInput, "The target has no group \"" + name + "\".");
        }
        vtq::SelectExactGroups(Items(), vtq::JoinCommaText(names));
        return true;
    }

    bool ReadSelected() {
        const int wanted = static_cast<int>(Items().CheckedGroupNames().size());
        const vtq::ReadGroupsResult r = vtq::ReadGroups(session_, user_);
        Count("groupsRead", r.groupsRead);
        Count("parametersRead", r.total);
        Count("parametersSkipped", r.skipped);
        if (r.targetLost) return Fail(kTargetLost, "The target was lost during the read.");
        if (!r.started) return Fail(kTargetLost, "The target is not answering.");
        if (r.skipped > 0) Fail(kDifferences, vtq::IncompleteReadLine(r.skipped) + ".");
        if (r.groupsRead < wanted)
            Fail(kDifferences, vtq::CountText(wanted - r.groupsRead, "group was", "groups were") + " not read.");
        return true;
    }

    // Commits the checked groups.
    bool CommitChecked() {
        const vtq::CommitGroupsResult r = vtq::CommitGroups(session_, user_);
        Count("committed", r.committed);
        Count("commitFailed", r.failed);
        if (r.targetLost) return Fail(kTargetLost, "The target was lost during the commit.");
        if (!r.started) {
            if (!user_.Unanswered().empty()) return Fail(kBadInput, "Nothing committed: a question was not answered.");
            if (!host_.CheckConnection()) return Fail(kTargetLost, "The target is not answering.");
            return Fail(kDifferences, "Nothing committed.");
        }
        if (r.failed > 0 || r.skipped > 0)
            return Fail(kDifferences,
                        vtq::CountText(r.failed + r.skipped, "group was", "groups were") + " not committed.");
        return true;
    }

    std::string OutPath(const std::string& path) const { return PathForTarget(path, index_, count_); }

    // The parameter file as the file writer writes it, for standard output.
    std::string ViewAsFile() {
        std::string text;
        for (const std::string& line : vtq::ParameterFileLines(Items())) text += line + "\r\n";
        return text;
    }

    QJsonArray ViewAsJson() {
        QJsonArray list;
        for (const vtq::NVMParameter* p : Items().View())
            list.append(QJsonObject{{"name", Text(p->name)}, {"value", Text(p->value)}, {"type", Text(p->type)}});
        return list;
    }

    // Reads the file and checks every line: blank, a comment or an assignment.
    // The groups it names, with their first lines; a name given twice is
    // warned about (the last value counts, as the load takes it).
    bool CheckParameterFile(const std::string& path, FileGroups& groups) {
        std::string data;
        if (!vtq::ReadWholeFile(path, data)) return Fail(kFileError, "Cannot read the file " + path + ".");
        std::string_view rest = data;
        for (int number = 1; !rest.empty(); ++number) {
            const std::string_view line = vtq::TrimView(vtq::NextNvmFileLine(rest));
            if (line.empty() || line.starts_with("//")) continue;
            const std::string where = path + ":" + std::to_string(number) + ": ";
            if (vtq::HasControlByte(line))
                return Fail(kBadInput, where + "a control character in \"" + vtq::ShowControlBytes(line) + "\".");
            vtq::NvmLine parsed;
            if (!vtq::ParseNvmLine(line, parsed)) {
                if (parsed.refused)
                    return Fail(kBadInput, where + "not a well-formed assignment (" + parsed.refused +
                                               "): " + std::string(line));
                return Fail(kBadInput, where + "not a parameter assignment: " + std::string(line));
            }
            groups.emplace(vtq::Trim(parsed.group), number);
            const auto [it, first] = fileLines_.emplace(std::string(parsed.name), number);
            if (!first) {
                user_.Log(where + "\"" + it->first + "\" is given on line " + std::to_string(it->second) +
                              " too; the last value counts.",
                          0);
                it->second = number;
            }
        }
        if (groups.empty()) return Fail(kBadInput, path + ": no parameter assignment in the file.");
        return true;
    }

    // The size of the array `name`, as read or as the target tells it; 0 when
    // the target has no such array, -1 when it did not answer.
    int ArraySize(const std::string& name) {
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
    // kDone, kBadInput (with `why`) or kTargetLost.
    int CheckElementRange(const std::string& name, std::string& why) {
        vtq::ElementRange range;
        if (!vtq::ParseElementRange(name, range)) return kDone;
        const std::string array(range.array);
        const int size = ArraySize(array);
        if (size < 0) return kTargetLost;
        if (size == 0) {
            why = "The target has no array \"" + array + "\" for the element range \"" + name + "\".";
        } else if (range.last >= size) {
            why = "The element range \"" + name + "\" is outside \"" + array + "\", which has " +
                  vtq::CountText(size, "element", "elements") + ".";
        }
        return why.empty() ? kDone : kBadInput;
    }

    // Every record the write would send, checked as it builds them (the dry
    // run and the real run alike): element ranges inside their arrays, values
    // of the right element count, commands the target can take. The first
    // fault stops the verb before anything is written.
    bool CheckWrites(const std::string& path) {
        for (const vtq::NVMParameter* p : Items().View()) {
            std::string why;
            const int status = CheckElementRange(p->name, why);
            if (status == kTargetLost) return Fail(kTargetLost, "The target is not answering.");
            std::vector<std::string> commands;
            if (status == kDone)
                vtq::WriteCommands(*p, commands, [&why](const std::string& text, uint8_t flag) {
                    if (flag == 0) why = text;
                });
            if (why.empty()) continue;
            const auto line = fileLines_.find(p->name);
            return Fail(kBadInput,
                        path + (line == fileLines_.end() ? "" : ":" + std::to_string(line->second)) + ": " + why);
        }
        return true;
    }

    // Groups among `groups` that hold a value not in the target's RAM mirror
    // (a write or its read-back failed): committing them would store a group
    // the user did not get. Each is named on a line.
    std::vector<std::string> GroupsToCommit(const std::vector<std::string>& groups) {
        std::vector<std::string> kept;
        for (const std::string& group : groups) {
            int notStored = 0;
            Items().CountStates(group, nullptr, &notStored, nullptr);
            if (notStored == 0 && failedGroups_.count(group) == 0) {
                kept.push_back(group);
                continue;
            }
            user_.Log("Not committed: group " + group + ", since a write to it failed.", 0);
            Fail(kDifferences, "The group " + group + " was not committed: a write to it failed.");
        }
        return kept;
    }

    // Keeps the arrays that the file's element ranges write into, as read: the
    // load folds an array away when a range of it comes in as a record.
    void KeepArraysOfRanges() {
        for (const auto& [name, line] : fileLines_) {
            vtq::ElementRange range;
            if (!vtq::ParseElementRange(name, range)) continue;
            const vtq::NVMParameter* held = vtq::FindRecord(Items(), range.array);
            if (held && held->elementCount >= 1) readArrays_.emplace(std::string(range.array), *held);
        }
    }

    // An element range whose values the array read holds already.
    bool RangeAsRead(const vtq::NVMParameter& record) const {
        vtq::ElementRange range;
        if (!vtq::ParseElementRange(record.name, range)) return false;
        const auto read = readArrays_.find(std::string(range.array));
        return read != readArrays_.end() && Slice(read->second.value, range.first, range.last) == record.value;
    }

    // Leaves only the records a file load changed or added.
    void KeepOnlyChanged() {
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

    // Compares the records read with the file; `groups` (may be empty: all)
    // limits the differences to those groups. False when the file went away.
    bool CompareWithFile(const std::string& path, const std::vector<std::string>& groups) {
        std::unique_ptr<vtq::NVMDiff> diff = vtq::CompareWithFile(Items(), host_, path, user_);
        if (!diff) return Fail(kFileError, "Cannot read the file " + path + ".");
        QJsonArray list;
        int count = 0;
        for (const vtq::Difference& d : diff->Result()) {
            const size_t close = d.text.find('"', 1);
            const std::string group = vtq::GroupOfName(d.text.substr(1, close == std::string::npos ? 0 : close - 1));
            if (!groups.empty() && std::none_of(groups.begin(), groups.end(),
                                                [&](const std::string& g) { return vtq::SameText(g, group); }))
                continue;
            ++count;
            run_.out += d.text + "\n";
            list.append(QJsonObject{{"kind", vtq::DiffLabel(d.kind)}, {"text", Text(d.text)}});
        }
        run_.fields["differences"] = list;
        Count("differenceCount", count);
        if (count > 0) Fail(kDifferences, vtq::DifferenceCountText(count));
        return true;
    }

    void Groups() {
        QJsonArray list;
        for (const auto& [name, number] : session_.GroupTable().Entries()) {
            run_.out += name + "=" + std::to_string(number) + "\n";
            list.append(QJsonObject{{"name", Text(name)}, {"number", number}});
        }
        run_.fields["groups"] = list;
    }

    void Read() {
        if (!SelectGroups(o_.all ? session_.GroupTable().Names() : o_.args) || !ReadSelected()) return;
        if (!o_.filter.empty()) Items().SetFilter(o_.filter);
        Count("parameters", Items().ViewCount());
        run_.fields["parameters"] = ViewAsJson();
        if (o_.output.empty()) {
            run_.out = ViewAsFile();
            return;
        }
        if (Interrupted() != 0) return;  // an interrupted run saves nothing
        const std::string asked = OutPath(o_.output);
        // Skipped parameters or groups not read make the file incomplete: it goes beside, and a complete file at
        // the name asked for stays.
        const bool incomplete = run_.status != kDone && asked != "-";
        const std::string path = incomplete ? vtq::PartialFilePath(asked) : asked;
        run_.fields["file"] = Text(path);
        if (Items().ViewCount() == 0) {
            Fail(kDifferences, "No parameters to save: " + path + " is not written.");
        } else if (!vtq::WriteParameters(Items(), path, &user_)) {
            Fail(kFileError, "Cannot write " + path + ".");
        } else if (incomplete) {
            user_.Log("The read is incomplete, so the parameters read were written to \"" + path + "\"; \"" + asked +
                          "\" was not replaced.",
                      0);
        }
    }

    // The groups of parameter names, each once.
    static std::vector<std::string> GroupsOf(const std::vector<std::string>& names) {
        std::vector<std::string> groups;
        for (const std::string& name : names) {
            const std::string group = vtq::GroupOfName(name);
            if (std::none_of(groups.begin(), groups.end(),
                             [&](const std::string& g) { return vtq::SameText(g, group); }))
                groups.push_back(group);
        }
        return groups;
    }

    void Get() {
        if (!SelectGroups(GroupsOf(o_.args)) || !ReadSelected()) return;
        QJsonArray list;
        for (const std::string& name : o_.args) {
            const vtq::NVMParameter* p = vtq::FindRecord(Items(), name);
            if (p == nullptr) {
                Fail(kBadInput, "The target has no parameter \"" + name + "\".");
                continue;
            }
            run_.out += vtq::NvmParameterLine(p->name, p->value, {}) + "\n";
            list.append(QJsonObject{{"name", Text(p->name)}, {"value", Text(p->value)}, {"type", Text(p->type)}});
        }
        run_.fields["parameters"] = list;
    }

    // The elements `first`..`last` of an array value, as a comma list.
    static std::string Slice(std::string_view value, long long first, long long last) {
        std::string out;
        size_t start = 0;
        for (long long index = 0; index <= last; ++index) {
            const size_t comma = value.find(',', start);
            if (index >= first)
                out.append(index > first ? "," : "").append(value.substr(start, comma == std::string_view::npos
                                                                                     ? std::string_view::npos
                                                                                     : comma - start));
            if (comma == std::string_view::npos) break;
            start = comma + 1;
        }
        return out;
    }

    void Set() {
        std::vector<std::pair<std::string, std::string>> values;
        std::vector<std::string> names;
        for (const std::string& arg : o_.args) {
            vtq::NvmLine line;
            vtq::ParseNvmLine(arg, line);
            std::string value(line.value);
            vtq::RemoveBlanksOutsideQuotes(value);
            values.emplace_back(std::string(line.name), value);
            names.emplace_back(line.name);
        }
        if (!SelectGroups(GroupsOf(names)) || !ReadSelected()) return;
        // Every name, element range and element count is checked before the first write.
        std::vector<vtq::NVMParameter*> records;
        std::vector<vtq::NVMParameter> ranges(values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            const auto& [name, value] = values[i];
            vtq::NVMParameter* record = vtq::FindRecord(Items(), name);
            vtq::ElementRange range;
            std::string why;
            if (record == nullptr && vtq::ParseElementRange(name, range)) {
                const int status = CheckElementRange(name, why);
                if (status == kTargetLost) return (void)Fail(kTargetLost, "The target is not answering.");
                if (status != kDone) {
                    Fail(kBadInput, why);
                    continue;
                }
                ranges[i].name = name;
                ranges[i].elementCount = static_cast<int32_t>(range.last - range.first + 1);
                record = &ranges[i];
            }
            records.push_back(record);
            if (record == nullptr) {
                Fail(kBadInput, "The target has no parameter \"" + name + "\".");
            } else if (record->elementCount >= 1 && !value.starts_with('"') &&
                       vtq::ElementCount(value) != record->elementCount) {
                Fail(kBadInput, "\"" + name + "\" has " + vtq::CountText(record->elementCount, "element", "elements") +
                                    "; " + vtq::CountText(vtq::ElementCount(value), "value is", "values are") +
                                    " given.");
            }
        }
        if (run_.status != kDone) return;
        int written = 0, unchanged = 0, failed = 0;
        uint8_t lost = 0;
        for (size_t i = 0; i < records.size() && !lost; ++i) {
            vtq::NVMParameter& record = *records[i];
            bool changed = true;
            if (&record == &ranges[i]) {
                // A range of an array the read holds: written when its elements differ.
                vtq::ElementRange range;
                vtq::ParseElementRange(record.name, range);
                const vtq::NVMParameter* array = vtq::FindRecord(Items(), std::string(range.array));
                changed = !array || Slice(array->value, range.first, range.last) != values[i].second;
                record.value = values[i].second;
            } else {
                changed = vtq::ApplyEditedValue(host_, record, values[i].second, false).changed;
            }
            if (!changed) {
                ++unchanged;
            } else if (vtq::WriteParameter(host_, record, false, nullptr, &lost)) {
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
            Fail(kTargetLost, "The target was lost during the write.");
            return;
        }
        if (failed > 0) Fail(kDifferences, vtq::CountText(failed, "write", "writes") + " failed.");
        if (!o_.commit) return;
        const std::vector<std::string> commit = GroupsToCommit(GroupsOf(names));
        if (!commit.empty() && SelectGroups(commit)) CommitChecked();
    }

    // The commands the write would send, printed instead: the same builder as
    // the real run, then the store commands of the groups --commit would store.
    void DryRun(const std::string& path, const std::vector<std::string>& groups) {
        std::vector<std::string> commands;
        int count = 0;
        for (const vtq::NVMParameter* p : Items().View()) {
            vtq::WriteCommands(*p, commands, [](const std::string&, uint8_t) {});
            for (const std::string& command : commands) run_.out += command + "\n";
            count += static_cast<int>(commands.size());
        }
        if (o_.commit)
            for (const std::string& group : groups) run_.out += vtq::cmd::Commit(session_.GroupTable().Number(group)) + "\n";
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
    bool GroupsOnTarget(const std::string& path, const FileGroups& fileGroups, std::vector<std::string>& groups) {
        for (const auto& [group, line] : fileGroups) {
            if (session_.GroupTable().Number(group) < 0)
                return Fail(kBadInput,
                            path + ":" + std::to_string(line) + ": the target has no group \"" + group + "\".");
            groups.push_back(group);
        }
        return true;
    }

    void Write() {
        const std::string& path = o_.args[0];
        FileGroups fileGroups;
        if (!CheckParameterFile(path, fileGroups)) return;
        std::vector<std::string> groups;
        if (!GroupsOnTarget(path, fileGroups, groups)) return;
        if (!o_.all && (!SelectGroups(groups) || !ReadSelected())) return;
        KeepArraysOfRanges();
        if (!vtq::LoadFile(Items(), host_, path, user_)) return (void)Fail(kFileError, "Cannot load " + path + ".");
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
            if (r.targetLost) return (void)Fail(kTargetLost, "The target was lost during the write.");
            if (!r.started) return (void)Fail(kTargetLost, "The target is not answering.");
            if (r.errors > 0) Fail(kDifferences, vtq::CountText(r.errors, "write", "writes") + " failed.");
        }
        if (o_.verify) {
            // Every value written is read back by the editor's own verify, as the window's option does.
            std::vector<vtq::NVMParameter*> sent;
            for (vtq::NVMParameter* record : Items().View())
                if (record->state == vtq::ParameterState::InTargetRAM) sent.push_back(record);
            const vtq::VerifyResult v = vtq::VerifyWrittenRecords(session_, user_, sent);
            QJsonArray failures;
            for (const vtq::VerifyFailure& f : v.failures)
                failures.append(QJsonObject{{"name", Text(f.name)},
                                            {"written", Text(f.written)},
                                            {"readBack", Text(f.readBack)},
                                            {"answered", f.answered}});
            run_.fields["verifyFailures"] = failures;
            Count("verified", v.checked);
            if (v.targetLost) return (void)Fail(kTargetLost, "The target was lost during the verify.");
            if (!v.failures.empty())
                Fail(kDifferences,
                     vtq::CountText(static_cast<long long>(v.failures.size()), "value was", "values were") +
                         " not kept by the target.");
        }
        // Every group the file names: a value an earlier run wrote may still be
        // only in the RAM mirror, and nothing here can tell.
        if (!o_.commit) return;
        const std::vector<std::string> commit = GroupsToCommit(groups);
        if (commit.empty() || !SelectGroups(commit)) return;
        QJsonArray named;
        for (const std::string& group : commit) named.append(Text(group));
        run_.fields["commitGroups"] = named;
        CommitChecked();
    }

    void Diff() {
        const std::string& path = o_.args[0];
        FileGroups fileGroups;
        if (!CheckParameterFile(path, fileGroups)) return;
        const std::vector<std::string> only(o_.args.begin() + 1, o_.args.end());
        std::vector<std::string> groups = only;
        if (groups.empty() && !GroupsOnTarget(path, fileGroups, groups)) return;
        if (!SelectGroups(groups) || !ReadSelected()) return;
        CompareWithFile(path, only);
    }

    void Commit() {
        if (SelectGroups(o_.all ? session_.GroupTable().Names() : o_.args)) CommitChecked();
    }

    // The naming presets of the settings folder, read only; false when --preset names none of them.
    bool LoadPresets(vtq::NamingPresets& presets) {
        presets.Load(vtq::NamingPresetsPath(), &user_);
        if (o_.preset.empty() || presets.IndexOf(o_.preset) >= 0) return true;
        return Fail(kBadInput, "There is no naming preset \"" + o_.preset + "\".");
    }

    // Why an operation that writes `path` did not: an unanswered question, the
    // file, a silent target, or the target refusing.
    void NotWritten(const std::string& path, bool fileError) {
        if (fileError) return (void)Fail(kFileError, "Cannot write " + path + ".");
        if (!user_.Unanswered().empty()) return (void)Fail(kBadInput, "Nothing written: a question was not answered.");
        if (!host_.CheckConnection()) return (void)Fail(kTargetLost, "The target is not answering.");
        Fail(kDifferences, "Nothing written to " + path + ".");
    }

    void ExportHeader() {
        vtq::NamingPresets presets;
        if (!SelectGroups(o_.all ? session_.GroupTable().Names() : o_.args) || !LoadPresets(presets)) return;
        vtq::HeaderExportOptions options;
        options.path = OutPath(o_.output);
        options.presetName = o_.preset;
        options.variantId = o_.variant;
        const int wanted = static_cast<int>(Items().CheckedGroupNames().size());
        const vtq::HeaderExportResult r = vtq::ExportDefaultHeader(session_, user_, presets, options);
        run_.fields["file"] = Text(r.path.empty() ? options.path : r.path);
        run_.fields["written"] = r.written;
        Count("groupsWritten", r.groupsWritten);
        if (r.targetLost)
            return (void)Fail(kTargetLost, "The target was lost while its default values were read; " +
                                               (r.written ? "the groups read went to " + r.path + ", and " : std::string()) +
                                               options.path + " was not replaced.");
        if (!r.written) return NotWritten(r.path.empty() ? options.path : r.path, r.fileError);
        // Groups whose defaults the target refused are missing from the header.
        if (r.groupsWritten < wanted)
            Fail(kDifferences, vtq::CountText(wanted - r.groupsWritten, "group was", "groups were") +
                                   " not exported; the header went to " + r.path + ".");
    }

    void RfExport() {
        vtq::NamingPresets presets;
        if (!LoadPresets(presets)) return;
        std::string old;
        if (!o_.merge.empty() && !vtq::ReadWholeFile(o_.merge, old))
            return (void)Fail(kFileError, "Cannot read the file " + o_.merge + ".");
        vtq::RfExportOptions options;
        options.path = OutPath(o_.output);
        options.presetName = o_.preset;
        options.variantId = o_.variant;
        options.oldHeader = o_.merge;
        const vtq::RfExportResult r = vtq::ExportRfDefaults(session_, user_, presets, options);
        run_.fields["file"] = Text(options.path);
        run_.fields["written"] = r.written;
        run_.fields["merged"] = r.merged;
        if (r.targetLost) return (void)Fail(kTargetLost, "The target was lost; nothing was written.");
        if (!r.written) NotWritten(options.path, r.fileError);
    }

    void LoadHeader() {
        const std::string& path = o_.args[0];
        std::string text;
        if (!vtq::ReadWholeFile(path, text)) return (void)Fail(kFileError, "Cannot read the file " + path + ".");
        const vtq::HeaderRead read = vtq::ReadDefaultHeader(text);
        if (!read.indexed)
            return (void)Fail(kBadInput, path + ": no group index of a default-values header in the file.");
        const vtq::LoadHeaderResult r = vtq::LoadDefaultHeaderToTarget(session_, user_, path);
        // The file's problems are on the log line by line; the first one names the file and line.
        if (!r.problems.empty()) {
            const long long more = static_cast<long long>(r.problems.size()) - 1;
            const std::string rest =
                more > 0 ? " (and " + vtq::CountText(more, "more problem", "more problems") + ")" : "";
            return (void)Fail(kBadInput, r.problems.front() + rest);
        }
        Count("groups", static_cast<long long>(read.records.size()));
        Count("committed", r.committed);
        Count("failed", r.failed);
        if (r.targetLost) return (void)Fail(kTargetLost, "The target was lost while the header was loaded.");
        if (!r.loaded) return (void)NotWritten(path, false);
        if (r.failed > 0) Fail(kDifferences, vtq::CountText(r.failed, "group was", "groups were") + " not loaded.");
    }

    void ChangedDefaults() {
        const std::vector<std::string> groups = o_.args.empty() ? session_.GroupTable().Names() : o_.args;
        if (!SelectGroups(groups)) return;
        const vtq::ChangedDefaultsResult r = vtq::ExportChangedDefaults(session_, user_, groups, OutPath(o_.output));
        run_.fields["file"] = Text(r.path);
        run_.fields["written"] = r.written;
        Count("changedGroups", r.changedGroups);
        Count("failedGroups", r.failedGroups);
        if (r.targetLost)
            return (void)Fail(kTargetLost, "The target was lost; " +
                                               (r.written ? "the changes read went to " + r.path + ", and " : std::string()) +
                                               vtq::WithNvmExtension(OutPath(o_.output)) + " was not replaced.");
        if (!r.written) return NotWritten(r.path, r.fileError);
        if (r.failedGroups > 0)
            Fail(kDifferences, vtq::CountText(r.failedGroups, "group was", "groups were") + " not read.");
    }

    void Send() {
        std::string answer;
        uint8_t lost = 0;
        if (!host_.SendReceive(o_.args[0], answer, false, &lost))
            return (void)Fail(kTargetLost, "No answer to " + o_.args[0] + ".");
        run_.out = answer;
        run_.fields["answer"] = Text(answer);
        run_.fields["ok"] = vtq::IsGoodAnswer(answer);
        if (!vtq::IsGoodAnswer(answer)) Fail(kDifferences, "The answer does not end in OK.");
    }

    const ToolOptions& o_;
    // Parameter names of the file with the line that gives their value.
    std::map<std::string, int, vtq::TextLess> fileLines_;
    // The arrays the file's element ranges write into, as read before the load.
    std::map<std::string, vtq::NVMParameter, vtq::TextLess> readArrays_;
    // Array sizes the target gave for element ranges.
    std::map<std::string, int, vtq::TextLess> arraySizes_;
    // Groups a write failed in, this run.
    std::set<std::string, vtq::TextLess> failedGroups_;
    TargetRun& run_;
    ConsoleUser& user_;
    vtq::Host& host_;
    vtq::EditorSession& session_;
    int index_;
    int count_;
};

}  // namespace

std::string PathForTarget(const std::string& path, int index, int count) {
    if (count <= 1 || path == "-") return path;
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const size_t cut =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1 ? path.size() : dot;
    return path.substr(0, cut) + "-" + std::to_string(index + 1) + path.substr(cut);
}

TargetRun RunOnTarget(const ToolOptions& options, const std::string& target, int index, int count,
                      const ConsoleSettings& console, const std::string& settingsPath) {
    TargetRun run;
    run.target = target;
    ConsoleUser user(console);
    try {
        nvmhost::TargetSession link;
        link.SetTimeoutMs(options.timeoutMs);
        link.SetLog([&user](const std::string& text, uint8_t flag) { user.Log(text, flag); });
        nvmhost::TargetAddress address;
        std::string error;
        std::unique_ptr<nvmhost::ByteLink> byteLink;
        if (nvmhost::ParseTargetAddress(target, address, error)) byteLink = nvmhost::MakeLink(address, error);
        if (!byteLink || !link.Attach(std::move(byteLink), error)) {
            run.status = kTargetLost;
            run.errors.push_back("Cannot connect to " + target + ": " + error);
        } else {
            nvmhost::LinkHost host(link, "nvmtool " NVMTOOL_VERSION,
                                   [&user](const std::string& text, uint8_t flag) { user.Log(text, flag); });
            SessionHolder session(host, user, settingsPath);
            Runner(options, run, user, host, *session.session, index, count).Run();
        }
    } catch (const std::exception& e) {
        run.status = std::max<int>(run.status, kBadInput);
        run.errors.push_back(std::string("Stopped: ") + e.what());
    }
    user.CloseProgress();
    run.messages = user.Messages();
    run.log = user.LogLines();
    return run;
}

QJsonObject RunToJson(const TargetRun& run) {
    QJsonObject json = run.fields;
    json["target"] = Text(run.target);
    json["status"] = run.status;
    QJsonArray errors, messages, log;
    for (const std::string& e : run.errors) errors.append(Text(e));
    for (const std::string& m : run.messages) messages.append(Text(m));
    for (const auto& [text, flag] : run.log) log.append(QJsonObject{{"flag", flag}, {"text", Text(text)}});
    json["errors"] = errors;
    json["messages"] = messages;
    json["log"] = log;
    return json;
}

}  // namespace nvmtool
