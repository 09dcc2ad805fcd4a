// Write, commit, edit and the debug command line against the in-process
// simulated modem: values reach its RAM mirror and then its NVM; a target lost,
// a cancel or the window closed at every step; the redirection to a file.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/file_io.h"
#include "channel/long_operation.h"
#include "core/commit_groups.h"
#include "core/debug_line.h"
#include "core/edit_parameter.h"
#include "core/editor_session.h"
#include "core/group_list.h"
#include "core/read_groups.h"
#include "core/write_groups.h"
#include "model/group_items.h"
#include "sim/image.h"
#include "support/scripted_user.h"
#include "support/sim_host.h"
#include "support/temp_dir.h"

namespace vtq::test {
inline void PrintTo(const LoggedLine& l, std::ostream* os) { *os << "{\"" << l.text << "\", " << int(l.flag) << "}"; }
}  // namespace vtq::test

namespace vtq {
namespace {

using test::LoggedLine;
using Lines = std::vector<LoggedLine>;
using Texts = std::vector<std::string>;

// View order: cal_b.big (written in two pieces), cal_b.mode, dyn_c.mask, fix_a.gain, fix_a.label, fix_a.lut.
constexpr const char* kImage = R"(naming indexed
group fix_a 1
  uint16 gain = 12
  uint16 lut[4] = 1, 2, 3, 4
  string label[8] = "hi"
end
group cal_b 2
  uint8 mode = 2
  uint16 big[300] = 300*1000
end
group dyn_c 0
  uint32 mask = 7
end
)";
constexpr int kRecords = 6;
const std::string kCannotOpen = "Cannot open file\n\n\"";

// The simulated modem, with a hook after every exchange (the host may close the window there).
class TapHost : public test::SimHost {
public:
    using SimHost::SimHost;
    std::function<void()> afterExchange;
    bool SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* lost) override {
        const bool ok = SimHost::SendReceive(command, answer, echo, lost);
        if (afterExchange) afterExchange();
        return ok;
    }
};

// Counts the record changes the grid would repaint.
struct Changes : GroupItemsListener {
    int count = 0;
    void RecordChanged(const NVMParameter&) override { ++count; }
};

class WriteCommitTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        host = std::make_unique<TapHost>(nvmsim::Image::Parse(kImage, error));
        session = std::make_unique<EditorSession>(*host, nullptr, dir.File("Brevant.ini"));
        ASSERT_TRUE(session->Start());
        Read("cal_b,dyn_c,fix_a");
    }
    void Read(const std::string& groups) {
        SelectExactGroups(session->Items(), groups);
        ASSERT_GT(ReadGroups(*session, user).total, 0);
        Fresh();
    }
    void Fresh() {
        host->commands.clear();
        host->lines.clear();
        host->afterExchange = nullptr;
        user = test::ScriptedUser();
    }
    // Every record edited (NotStored), the modem back at its image values and without faults.
    void Restart() {
        Fresh();
        host->modem().Reset();
        host->faults() = nvmsim::Faults();
        for (const char* g : {"cal_b", "dyn_c", "fix_a"}) session->Items().SetGroupState(g, ParameterState::NotStored);
    }
    NVMParameter& Rec(const std::string& name) {
        return *session->Items().FindGroup(name.substr(0, name.find('.')))->params.Find(name);
    }
    int CountState(ParameterState state) {
        int n = 0;
        for (NVMParameter* p : session->Items().View()) n += p->state == state ? 1 : 0;
        return n;
    }
    void ExpectCleanEnd() const {
        EXPECT_EQ(user.busyDepth, 0);
        EXPECT_EQ(user.progressOpened, user.progressClosed);
        EXPECT_TRUE(user.messages.empty());
    }
    // The number of records (or groups) a run of commands touched.
    static int RecordsIn(const Texts& commands) {
        std::set<std::string> names;
        for (const auto& c : commands) names.insert(c.substr(0, c.find_first_of("[=")));
        return static_cast<int>(names.size());
    }

    std::unique_ptr<TapHost> host;
    test::TempDir dir;
    std::unique_ptr<EditorSession> session;
    test::ScriptedUser user;
};

TEST_F(WriteCommitTest, EditedValuesReachRamThenNvmAndReadBackUnchanged) {
    const struct {
        const char* name;
        const char* value;
        const char* onTarget;  // as the modem's value query shows it
    } edits[] = {
        {"fix_a.gain", "345", "345"}, {"fix_a.lut", "9,8,7,6", "{9,8,7,6}"}, {"fix_a.label", "\"yo\"", "\"yo\""}};
    Changes changes;  // the grid hears of every record a write or commit touched
    Read("fix_a");
    session->Items().AddListener(&changes);
    nvmsim::Modem& modem = host->modem();
    for (const auto& e : edits) EXPECT_TRUE(ApplyEditedValue(*host, Rec(e.name), e.value, false).changed);
    // Rows chosen bottom-up are written top-down.
    const WriteGroupsResult selected = WriteSelected(*session, user, 2, 0);
    EXPECT_EQ(std::tuple(selected.started, selected.attempted, selected.errors), std::tuple(true, 3, 0));
    EXPECT_EQ(changes.count, 3);
    EXPECT_EQ(host->commands,
              (Texts{"at@nvm:fix_a.gain=345\r", "at@nvm:fix_a.label=\"yo\"\r", "at@nvm:fix_a.lut[0,3]={9,8,7,6}\r"}));
    EXPECT_EQ(host->lines, (Lines{{"Store OK", 1}, {"Store OK", 1}, {"Store OK", 1}}));
    EXPECT_EQ(user.busyCalls, 2);
    for (const auto& e : edits) {
        EXPECT_EQ(modem.ValueOf(e.name), e.onTarget);
        EXPECT_NE(modem.ValueOf(e.name, true), e.onTarget);
        EXPECT_EQ(Rec(e.name).state, ParameterState::InTargetRAM);
    }
    // Write Groups sends the same, with one summary line.
    Fresh();
    modem.Reset();
    WriteGroups(*session, user);
    EXPECT_EQ(host->commands.size(), 3u);
    EXPECT_EQ(host->lines, (Lines{{"Write OK (3 parameters written) to target.", 1}}));
    EXPECT_EQ(user.statuses, (Texts{"Writing \"fix_a.gain...", "Writing \"fix_a.label...", "Writing \"fix_a.lut..."}));
    EXPECT_EQ(user.positions, (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(changes.count, 6);
    ExpectCleanEnd();

    Fresh();
    const CommitGroupsResult commit = CommitGroups(*session, user);
    EXPECT_TRUE(commit.started);
    EXPECT_EQ(commit.committed, 1);
    EXPECT_TRUE(user.questions.empty());
    EXPECT_EQ(host->commands, Texts{"at@nvm:store_nvm_sync(1)\r"});
    EXPECT_EQ(user.statuses, Texts{"Commiting \"fix_a\" group..."});
    EXPECT_EQ(host->lines, (Lines{{"fix_a committed in target.", 1}}));
    EXPECT_EQ(CountState(ParameterState::Unchanged), 3);
    EXPECT_EQ(changes.count, 9);
    session->Items().RemoveListener(&changes);
    for (const auto& e : edits) EXPECT_EQ(modem.ValueOf(e.name, true), e.onTarget);

    Read("fix_a");
    for (const auto& e : edits) EXPECT_EQ(Rec(e.name).value, e.value);
    EXPECT_EQ(CountState(ParameterState::Unchanged), 3);
}

TEST_F(WriteCommitTest, FailedWritesAndStoresNothingToDoAndNoTarget) {
    Restart();
    host->faults().errorPattern = "mode=|gain=";
    EXPECT_EQ(WriteGroups(*session, user).errors, 2);
    EXPECT_EQ(host->lines, (Lines{{"Error writing \"cal_b.mode\" to target.", 0},
                                  {"Error writing \"fix_a.gain\" to target.", 0},
                                  {"Write Done (2 errors out of a total of 6 parameters).", 0}}));
    EXPECT_EQ(CountState(ParameterState::NotStored), 2);

    // The commit asks first; No sends nothing. A group only known from a file is
    // skipped, a failed store leaves its group as it was, and records never
    // written stay NotStored.
    Fresh();
    EXPECT_FALSE(CommitGroups(*session, user).started);
    EXPECT_EQ(user.questions, Texts{UnwrittenRecordsQuestion(2)});
    EXPECT_TRUE(host->commands.empty());
    session->Items().FindOrAddGroup("zz_file");
    SelectExactGroups(session->Items(), "cal_b,dyn_c,fix_a,zz_file");
    host->faults().errorPattern = "sync\\(0\\)";
    user.yesNoAnswers = {true};
    const CommitGroupsResult r = CommitGroups(*session, user);
    EXPECT_EQ(std::tuple(r.committed, r.failed, r.skipped), std::tuple(2, 1, 1));
    EXPECT_EQ(host->commands,
              (Texts{"at@nvm:store_nvm_sync(2)\r", "at@nvm:store_nvm_sync(0)\r", "at@nvm:store_nvm_sync(1)\r"}));
    EXPECT_EQ(host->lines, (Lines{{"cal_b committed in target.", 1},
                                  {"fix_a committed in target.", 1},
                                  {"Skipping unknown group: zz_file", 1}}));
    EXPECT_EQ(user.statuses.back(), "Commiting \"zz_file\" group (4/4)...");
    EXPECT_EQ(user.positions, (std::vector<int>{0, 0, 1, 2, 3}));
    EXPECT_EQ(CountState(ParameterState::Unchanged), 3);  // cal_b.big, fix_a.label, fix_a.lut
    EXPECT_EQ(Rec("cal_b.mode").state, ParameterState::NotStored);
    EXPECT_EQ(Rec("dyn_c.mask").state, ParameterState::InTargetRAM);
    ExpectCleanEnd();

    // Not connected: Write Groups and Commit do nothing; Write Selected does not ask.
    Fresh();
    host->connected = false;
    EXPECT_FALSE(WriteGroups(*session, user).started);
    EXPECT_FALSE(CommitGroups(*session, user).started);
    EXPECT_TRUE(host->commands.empty() && host->lines.empty());
    EXPECT_EQ(WriteSelected(*session, user, 1, 1).attempted, 1);
    EXPECT_EQ(host->commands, Texts{"at@nvm:cal_b.mode=2\r"});

    Fresh();
    SelectExactGroups(session->Items(), "");
    EXPECT_FALSE(WriteGroups(*session, user).started);
    EXPECT_EQ(WriteSelected(*session, user, 0, 3).attempted, 0);
    EXPECT_FALSE(CommitGroups(*session, user).started);
    EXPECT_EQ(user.messages, (Texts{kNoParametersToWriteMessage, kNoGroupsToCommitMessage}));
    EXPECT_TRUE(host->commands.empty());
}

// How a run ended: cancelled, target lost, window closing.
using Ending = std::tuple<bool, bool, bool>;
template <class Result>
Ending EndOf(const Result& r) {
    EXPECT_EQ(r.RepaintGrid(), !r.closing);
    return {r.cancelled, r.targetLost, r.closing};
}

TEST_F(WriteCommitTest, TargetLostCancelAndCloseAtEveryStep) {
    const struct {
        const char* what;
        std::function<Ending(EditorSession&, UserSide&)> run;
        int steps;  // commands of a full run
    } operations[] = {
        {"write", [](EditorSession& s, UserSide& u) { return EndOf(WriteGroups(s, u)); }, kRecords + 1},
        {"commit", [](EditorSession& s, UserSide& u) { return EndOf(CommitGroups(s, u)); }, 3},
        {"selected", [](EditorSession& s, UserSide& u) { return EndOf(WriteSelected(s, u, kRecords - 1, 0)); },
         kRecords + 1},
    };
    const std::string groups[] = {"cal_b", "dyn_c", "fix_a"};
    const int groupSizes[] = {2, 1, 3};
    for (const auto& op : operations) {
        const std::string what = op.what;
        const bool commit = what == "commit";
        auto prepare = [&] {
            Restart();
            if (!commit) return;
            WriteGroups(*session, user);
            Fresh();
            host->modem().Reset();
        };
        prepare();
        op.run(*session, user);
        const Texts reference = host->commands;
        ASSERT_EQ(static_cast<int>(reference.size()), op.steps) << what;
        auto committedLines = [&](int k) {
            Lines lines;
            for (int g = 0; commit && g + 1 < k; ++g) lines.push_back({groups[g] + " committed in target.", 1});
            return lines;
        };
        // After each run: only a prefix of the full run was sent, and nothing is left open.
        auto check = [&](const Ending& ending, const Ending& expected) {
            EXPECT_EQ(ending, expected);
            EXPECT_EQ(host->commands, Texts(reference.begin(), reference.begin() + host->commands.size()));
            ExpectCleanEnd();
        };
        for (int k = 1; k <= op.steps; ++k) {
            SCOPED_TRACE(what + " step " + std::to_string(k));
            // The target stops answering at command k.
            prepare();
            host->faults().loseAfter = k;
            const Ending lost = op.run(*session, user);
            ASSERT_EQ(static_cast<int>(host->commands.size()), k);
            ASSERT_FALSE(host->lines.empty());
            EXPECT_EQ(host->lines.back(), (LoggedLine{kTargetLostMessage, 0}));
            const int records = RecordsIn(host->commands);
            if (commit) {
                Lines expected = committedLines(k);
                expected.push_back({kTargetLostMessage, 0});
                EXPECT_EQ(host->lines, expected);
                int committed = 0;
                for (int g = 0; g + 1 < k; ++g) committed += groupSizes[g];
                EXPECT_EQ(CountState(ParameterState::InTargetRAM), kRecords - committed);
            } else {
                EXPECT_EQ(CountState(ParameterState::InTargetRAM), records - 1);
            }
            if (what == "write") {
                EXPECT_EQ(host->lines[host->lines.size() - 2].text,
                          "Write Done (1 errors out of a total of " + std::to_string(records) + " parameters).");
            }
            check(lost, {false, true, false});

            // The host closes the window during command k, which also loses the target: nothing after it.
            prepare();
            size_t shown = 0;
            host->afterExchange = [&] {
                if (static_cast<int>(host->commands.size()) == k) user.closing = true, shown = host->lines.size();
            };
            host->faults().loseAfter = k;
            check(op.run(*session, user), {false, true, true});
            EXPECT_EQ(static_cast<int>(host->commands.size()), k);
            EXPECT_EQ(host->lines.size(), shown);
        }
        if (what == "selected") continue;  // no progress window, no events
        for (int k = 1; k <= (commit ? 3 : kRecords); ++k) {
            SCOPED_TRACE(what + " turn " + std::to_string(k));
            prepare();
            user.onProcessEvents = [&](int call) { user.cancelled = call >= k; };
            const Ending cancelled = op.run(*session, user);
            Lines expected = committedLines(k);
            expected.push_back({commit ? kCommitCancelledLine : kWriteCancelledLine, 1});
            if (!commit)
                expected.push_back({"Write OK (" + std::to_string(k - 1) + " parameters written) to target.", 1});
            EXPECT_EQ(host->lines, expected);
            EXPECT_EQ(RecordsIn(host->commands), k - 1);
            check(cancelled, {true, false, false});

            // Closed while turn k lets events through: nothing more is sent or shown.
            prepare();
            size_t shown = 0;
            user.onProcessEvents = [&](int call) {
                if (call == k) user.closing = true, shown = host->lines.size();
            };
            check(op.run(*session, user), {false, false, true});
            EXPECT_EQ(RecordsIn(host->commands), k - 1);
            EXPECT_EQ(host->lines.size(), shown);
        }
    }
}

TEST_F(WriteCommitTest, RedirectWritesTheCommandsWriteGroupsSends) {
    Restart();
    host->connected = false;
    const std::string path = dir.File("CommandDump.txt");
    user.fileNames = {path};
    EXPECT_TRUE(RedirectWriteGroups(*session, user).saved);
    EXPECT_EQ(user.messages, Texts{"Commands have been saved to\n\"" + path + "\""});
    EXPECT_EQ(host->lines, (Lines{{"Write OK (6 parameters written) to target.", 1}}));
    EXPECT_TRUE(host->commands.empty());
    EXPECT_EQ(CountState(ParameterState::NotStored), kRecords);
    EXPECT_EQ(user.progressOpened, 0);

    host->connected = true;
    WriteGroups(*session, user);
    std::string sent, written;
    for (const auto& c : host->commands) sent += c + "\n";
    ASSERT_TRUE(ReadWholeFile(path, written));
    EXPECT_EQ(written, sent);
    EXPECT_EQ(host->commands.size(), kRecords + 1u);

    // A write that fails at any point (first line, the split record, the last line) leaves the file that was there.
    ASSERT_TRUE(WriteFileAtomically(path, "old"));
    for (int k : {0, 1, 2, 2 * kRecords + 1}) {
        Fresh();
        user.fileNames = {path};
        AtomicFileWriter::FailWriteAfter(k);
        const RedirectResult failed = RedirectWriteGroups(*session, user);
        AtomicFileWriter::FailWriteAfter(-1);
        EXPECT_FALSE(failed.saved);
        EXPECT_EQ(failed.write.attempted, k < 2 ? 1 : k / 2);  // cal_b.big takes two commands
        EXPECT_EQ(failed.write.errors, 1);
        EXPECT_EQ(user.messages, Texts{kCannotOpen + path + "\"\n\nfor writing."});
        ASSERT_TRUE(ReadWholeFile(path, written));
        EXPECT_EQ(written, "old");
    }
    // Cancelled dialog, a folder that is not there, nothing to write: no success message, the file stays.
    Fresh();
    EXPECT_EQ(RedirectWriteGroups(*session, user).path, "");
    const std::string nowhere = dir.File("none/CommandDump.txt");
    user.fileNames = {nowhere, path};
    EXPECT_FALSE(RedirectWriteGroups(*session, user).saved);
    SelectExactGroups(session->Items(), "");
    EXPECT_FALSE(RedirectWriteGroups(*session, user).saved);
    EXPECT_EQ(user.messages, (Texts{kCannotOpen + nowhere + "\"\n\nfor writing.", kNoParametersToWriteMessage}));
    ASSERT_TRUE(ReadWholeFile(path, written));
    EXPECT_EQ(written, "old");
}

TEST(QueryTypeTest, CommandFormsAndAnswers) {
    const struct {
        int elementCount;
        const char* answer;
        const char* command;
        const char* type;
    } cases[] = {
        {0, "<uint16>\r\nOK", "at@nvm:g.p???\r", "uint16"},
        {4, "< int8 >\r\nOK", "at@nvm:g.p[0]???\r", "int8"},
        {0, "x > <string> <y>\r\nOK", "at@nvm:g.p???\r", "string"},
        {0, "<>\r\nOK", "at@nvm:g.p???\r", ""},
        {1, "uint16\r\nOK", "at@nvm:g.p[0]???\r", ""},
        {0, "<uint16>\r\nERROR", "at@nvm:g.p???\r", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        test::ScriptedHost host;
        host.answers[c.command] = c.answer;
        NVMParameter record;
        record.name = "g.p";
        record.elementCount = c.elementCount;
        EXPECT_EQ(QueryType(host, record), *c.type != 0);
        EXPECT_EQ(host.commands, Texts{c.command});
        EXPECT_EQ(record.type, c.type);
    }
}

TEST_F(WriteCommitTest, EditingFromTheGrid) {
    Read("fix_a");  // rows: fix_a.gain, fix_a.label, fix_a.lut
    std::vector<ValueEditRequest> requests;
    ValueEditAnswer answer;
    auto open = [&](const ValueEditRequest& r) {
        requests.push_back(r);
        return answer;
    };
    using enum ParameterState;
    const struct {
        int row;
        bool confirmed;
        const char* value;
        bool onTheFly;
        Texts commands;
        ParameterState state;
    } cases[] = {
        {0, true, "77", true, {"at@nvm:fix_a.gain???\r", "at@nvm:fix_a.gain=77\r"}, InTargetRAM},
        {0, true, "77", true, {}, InTargetRAM},  // same text, type known: nothing sent
        {2, true, "5,6,7,8", false, {"at@nvm:fix_a.lut[0]???\r"}, NotStored},
        {2, false, "1,1,1,1", true, {}, NotStored},
        {1, true, "\"yo\"", true, {"at@nvm:fix_a.label???\r", "at@nvm:fix_a.label=\"yo\"\r"}, InTargetRAM},
        {3, true, "1", true, {}, Unchanged},  // no such row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        Fresh();
        answer = {c.confirmed, c.value, c.onTheFly};
        user.inputAnswers = {c.value};
        Changes changes;
        session->Items().AddListener(&changes);
        const EditOutcome outcome = EditParameter(*session, user, c.row, open);
        session->Items().RemoveListener(&changes);
        EXPECT_EQ(changes.count, outcome.changed ? 1 : 0);
        EXPECT_EQ(outcome.changed, c.confirmed && !c.commands.empty());
        EXPECT_EQ(host->commands, c.commands);
        if (c.row < 3) {
            EXPECT_EQ(session->Items().ViewItem(c.row)->state, c.state);
        }
    }
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].editor, ValueEditor::Scalar);
    EXPECT_EQ(requests[0].type, "uint16");
    EXPECT_EQ(requests[2].editor, ValueEditor::Array);
    EXPECT_EQ(requests[2].dimensions, std::vector<int>{4});
    EXPECT_FALSE(requests[3].writeOnTheFly);  // the box as the previous editor left it
    EXPECT_TRUE(session->Settings().writeOnTheFly);
    EXPECT_EQ(ReadProfileString(session->SettingsPath(), kSettingsSection, kWriteOnTheFlyKey, ""), "1");
    EXPECT_EQ(host->modem().ValueOf("fix_a.gain"), "77");
    EXPECT_EQ(Rec("fix_a.lut").value, "5,6,7,8");

    // A string whose write fails is NotStored: the target does not hold it.
    Fresh();
    host->faults().errorPattern = "label=";
    user.inputAnswers = {"\"no\""};
    EXPECT_FALSE(EditParameter(*session, user, 1, open).written);
    EXPECT_EQ(Rec("fix_a.label").state, NotStored);
    EXPECT_EQ(user.questions, Texts{"fix_a.label:"});
}

TEST_F(WriteCommitTest, DebugLineSendsTheTrimmedCommand) {
    const struct {
        const char* typed;
        const char* command;
        LoggedLine line;
    } cases[] = {
        {"  at@nvm:fix_a.gain?\t", "at@nvm:fix_a.gain?\r", {"12", 1}},
        {"at@", "at@\r", {kNothingReceivedLine, 0}},
        {"at", "at\r", {"", 1}},
    };
    for (const auto& c : cases) {
        Fresh();
        EXPECT_EQ(SendDebugCommand(*host, c.typed), c.line.flag == 1);
        EXPECT_EQ(host->commands, Texts{c.command});
        EXPECT_EQ(host->lines, Lines{c.line});
    }
}

}  // namespace
}  // namespace vtq
