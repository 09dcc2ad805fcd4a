#pragma once
// The run of one verb on one target: the session, the user side and the
// steps the verbs share (choosing groups, reading, committing, failing with
// an exit status). Each verb is one member, named in its row of the verb table.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "cli/console_user.h"
#include "cli/tool_options.h"
#include "cli/verb_result.h"
#include "cli/verbs.h"
#include "core/editor_session.h"
#include "core/set_values.h"
#include "model/nvm_parameter.h"

namespace vtq {
class NamingPresets;
}

namespace nvmtool {

inline constexpr const char* kNoRestorePointError = "The restore point could not be saved; nothing was written.";

class VerbRun {
public:
    VerbRun(const ToolOptions& o, TargetRun& run, ConsoleUser& user, vtq::Host& host, vtq::EditorSession& session,
            int index, int count)
        : o_(o), run_(run), user_(user), host_(host), session_(session), index_(index), count_(count) {}

    // Runs the verb of the options, as its row names it.
    void Run();

    // The verbs (verbs_read.cpp, verbs_write.cpp, verbs_defaults.cpp).
    void Groups();
    void Read();
    void Get();
    void Set();
    void Write();
    void Diff();
    void Commit();
    void ExportHeader();
    void LoadHeader();
    void RfExport();
    void ChangedDefaults();
    void Send();
    void Restore();
    void Edit();

private:
    // The groups of a parameter file, each with the line that names it first.
    using FileGroups = std::map<std::string, int, vtq::TextLess>;
    // The names and values `set` writes, in the order given.
    using SetValues = vtq::NamedValues;

    bool Fail(Outcome kind, const std::string& error) { return Result().Fail(kind, error); }
    void Count(const char* key, long long value) { Result().counters[key] = value; }
    VerbResult& Result() { return run_.result; }
    vtq::GroupItems& Items() { return session_.Items(); }
    std::string OutPath(const std::string& path) const { return PathForTarget(path, index_, count_); }

    // Shared steps (verb_run.cpp).
    bool Start();
    bool SelectGroups(const std::vector<std::string>& names);
    bool ReadSelected();
    bool CommitChecked();
    std::vector<std::string> GroupsToCommit(const std::vector<std::string>& groups);
    static std::vector<std::string> GroupsOf(const std::vector<std::string>& names);
    bool LoadPresets(vtq::NamingPresets& presets);
    void NotWritten(const std::string& path, bool fileError);

    // Reading and comparing (verbs_read.cpp).
    std::vector<Record> ViewRecords();
    bool CompareWithFile(const std::string& path, const std::vector<std::string>& groups);

    // Arrays as tables (verbs_table.cpp): get --table and --csv; set NAME --csv FILE.
    void GetTables();
    bool TableFromFile(SetValues& values, std::vector<std::string>& names);

    // Writing files and values (verbs_write.cpp).
    bool CheckParameterFile(const std::string& path, FileGroups& groups);
    bool CheckUnit(const std::string& path);
    bool CheckWrites(const std::string& path);
    void WriteSetValues(const SetValues& values, vtq::SetPlan& plan);
    void DryRun(const std::string& path, const std::vector<std::string>& groups);
    void WriteFile(const std::string& path);
    bool GroupsOnTarget(const std::string& path, const FileGroups& fileGroups, std::vector<std::string>& groups);

    const ToolOptions& o_;
    // Parameter names of the file with the line that gives their value.
    std::map<std::string, int, vtq::TextLess> fileLines_;
    // Groups a write failed in, this run.
    std::set<std::string, vtq::TextLess> failedGroups_;
    TargetRun& run_;
    ConsoleUser& user_;
    vtq::Host& host_;
    vtq::EditorSession& session_;
    int index_;
    int count_;
    // What the writes of this run are checked against before anything is sent.
    vtq::ValueChecks checks_{session_};
};

}  // namespace nvmtool
