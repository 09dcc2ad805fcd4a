#include "cli/verb_run.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "base/settings_folder.h"
#include "channel/long_operation.h"
#include "cli/verb_table.h"
#include "core/commit_groups.h"
#include "core/group_list.h"
#include "core/read_groups.h"
#include "defaults/naming_presets.h"
#include "link/link_host.h"
#include "link/open_link.h"
#include "link/target_address.h"

namespace nvmtool {

int ExitStatus(Outcome outcome) { return static_cast<int>(outcome); }

bool VerbResult::Fail(Outcome kind, const std::string& error) {
    outcome = std::max(outcome, kind);
    errors.push_back(error);
    return false;
}

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

// The host of a verb that works on files alone: there is no target, and nothing is sent.
class FileHost : public vtq::Host {
public:
    explicit FileHost(ConsoleUser& user) : user_(user) {}
    bool SendReceive(const std::string&, std::string&, bool, uint8_t*) override { return false; }
    bool CheckConnection() override { return false; }
    bool GetInfo(int, int, std::string&) override { return false; }
    void ShowLine(const std::string& text, uint8_t flag) override { user_.Log(text, flag); }

private:
    ConsoleUser& user_;
};
}  // namespace

void VerbRun::Run() {
    const VerbRow& verb = *FindVerb(o_.verb);
    // The settings of a run are its own, but its restore points go where the window's do.
    session_.Restore().folder = vtq::SettingsFolder() + "restore/";
    session_.Restore().enabled = !o_.noRestorePoint;
    if (!(verb.rules & kNoGroupList) && !RunsWithoutTarget(o_) && !Start()) return;
    (this->*verb.handler)();
}

bool VerbRun::Start() {
    if (session_.Start()) return true;
    return Fail(Outcome::kTargetLost, "The target gave no group list: it is not answering.");
}

// Checks exactly the named groups; every one must be on the target.
bool VerbRun::SelectGroups(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (session_.GroupTable().Number(name) < 0)
            return Fail(Outcome::kUsage, "The target has no group \"" + name + "\".");
    }
    vtq::SelectExactGroups(Items(), vtq::JoinCommaText(names));
    return true;
}

bool VerbRun::ReadSelected() {
    const int wanted = static_cast<int>(Items().CheckedGroupNames().size());
    const vtq::ReadGroupsResult r = vtq::ReadGroups(session_, user_);
    Count("groupsRead", r.groupsRead);
    Count("parametersRead", r.total);
    Count("parametersSkipped", r.skipped);
    if (r.targetLost) return Fail(Outcome::kTargetLost, "The target was lost during the read.");
    if (!r.started) return Fail(Outcome::kTargetLost, "The target is not answering.");
    if (r.skipped > 0) Fail(Outcome::kDifferences, vtq::IncompleteReadLine(r.skipped) + ".");
    if (r.groupsRead < wanted)
        Fail(Outcome::kDifferences, vtq::CountText(wanted - r.groupsRead, "group was", "groups were") + " not read.");
    return true;
}

// Commits the checked groups.
bool VerbRun::CommitChecked() {
    const vtq::CommitGroupsResult r = vtq::CommitGroups(session_, user_);
    Count("committed", r.committed);
    Count("commitFailed", r.failed);
    if (r.targetLost) return Fail(Outcome::kTargetLost, "The target was lost during the commit.");
    if (!r.started) {
        if (!user_.Unanswered().empty())
            return Fail(Outcome::kUsage, "Nothing committed: a question was not answered.");
        if (!host_.CheckConnection()) return Fail(Outcome::kTargetLost, "The target is not answering.");
        return Fail(Outcome::kDifferences, "Nothing committed.");
    }
    if (r.failed > 0 || r.skipped > 0)
        return Fail(Outcome::kDifferences,
                    vtq::CountText(r.failed + r.skipped, "group was", "groups were") + " not committed.");
    return true;
}

// Groups among `groups` that hold a value not in the target's RAM mirror
// (a write or its read-back failed): committing them would store a group
// the user did not get. Each is named on a line.
std::vector<std::string> VerbRun::GroupsToCommit(const std::vector<std::string>& groups) {
    std::vector<std::string> kept;
    for (const std::string& group : groups) {
        int notStored = 0;
        Items().CountStates(group, nullptr, &notStored, nullptr);
        if (notStored == 0 && failedGroups_.count(group) == 0) {
            kept.push_back(group);
            continue;
        }
        user_.Log("Not committed: group " + group + ", since a write to it failed.", 0);
        Fail(Outcome::kDifferences, "The group " + group + " was not committed: a write to it failed.");
    }
    return kept;
}

// The groups of parameter names, each once.
std::vector<std::string> VerbRun::GroupsOf(const std::vector<std::string>& names) {
    std::vector<std::string> groups;
    for (const std::string& name : names) {
        const std::string group = vtq::GroupOfName(name);
        if (std::none_of(groups.begin(), groups.end(), [&](const std::string& g) { return vtq::SameText(g, group); }))
            groups.push_back(group);
    }
    return groups;
}

// The naming presets of the settings folder, read only; false when --preset names none of them.
bool VerbRun::LoadPresets(vtq::NamingPresets& presets) {
    presets.Load(vtq::NamingPresetsPath(), &user_);
    if (o_.preset.empty() || presets.IndexOf(o_.preset) >= 0) return true;
    return Fail(Outcome::kUsage, "There is no naming preset \"" + o_.preset + "\".");
}

// Why an operation that writes `path` did not: an unanswered question, the
// file, a silent target, or the target refusing.
void VerbRun::NotWritten(const std::string& path, bool fileError) {
    if (fileError) return (void)Fail(Outcome::kFileError, "Cannot write " + path + ".");
    if (!user_.Unanswered().empty())
        return (void)Fail(Outcome::kUsage, "Nothing written: a question was not answered.");
    if (!host_.CheckConnection()) return (void)Fail(Outcome::kTargetLost, "The target is not answering.");
    Fail(Outcome::kDifferences, "Nothing written to " + path + ".");
}
std::string PathForTarget(const std::string& path, int index, int count) {
    if (count <= 1 || path == "-") return path;
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const size_t cut =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1 ? path.size() : dot;
    return path.substr(0, cut) + "-" + std::to_string(index + 1) + path.substr(cut);
}

namespace {

// The verb over a link to `target`; the run fails with the reason when it cannot be reached.
void RunOverLink(const ToolOptions& options, const std::string& target, int index, int count, ConsoleUser& user,
                 const std::string& settingsPath, TargetRun& run) {
    targetlink::TargetSession link;
    link.SetTimeoutMs(options.timeoutMs);
    link.SetLog([&user](const std::string& text, uint8_t flag) { user.Log(text, flag); });
    targetlink::TargetAddress address;
    std::string error;
    std::unique_ptr<targetlink::ByteLink> byteLink;
    if (targetlink::ParseTargetAddress(target, address, error)) byteLink = targetlink::MakeLink(address, error);
    if (!byteLink || !link.Attach(std::move(byteLink), error))
        return (void)run.result.Fail(Outcome::kTargetLost, "Cannot connect to " + target + ": " + error);
    targetlink::LinkHost host(link, "nvmtool " NVMTOOL_VERSION,
                              [&user](const std::string& text, uint8_t flag) { user.Log(text, flag); });
    SessionHolder session(host, user, settingsPath);
    VerbRun(options, run, user, host, *session.session, index, count).Run();
}

}  // namespace

TargetRun RunOnTarget(const ToolOptions& options, const std::string& target, int index, int count,
                      const ConsoleSettings& console, const std::string& settingsPath) {
    TargetRun run;
    run.target = target;
    ConsoleUser user(console);
    try {
        if (ConnectsNoTarget(options)) {
            FileHost host(user);
            SessionHolder session(host, user, settingsPath);
            VerbRun(options, run, user, host, *session.session, index, count).Run();
        } else {
            RunOverLink(options, target, index, count, user, settingsPath, run);
        }
    } catch (const std::exception& e) {
        run.result.Fail(Outcome::kUsage, std::string("Stopped: ") + e.what());
    }
    user.CloseProgress();
    run.messages = user.Messages();
    run.log = user.LogLines();
    return run;
}

}  // namespace nvmtool
