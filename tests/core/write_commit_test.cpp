// Write, commit, edit, the debug command line and the checks of values given by name, against the in-process
// simulated modem.

#include <set>
#include <tuple>

#include "base/file_io.h"
#include "core/commit_groups.h"
#include "core/debug_line.h"
#include "core/edit_parameter.h"
#include "core/set_values.h"
#include "core/write_groups.h"
#include "files/file_operations.h"
#include "model/nvm_line.h"
#include "session_fixture.h"

namespace vtq {
namespace {

using test::LoggedLine;
using Lines = std::vector<LoggedLine>;
using Texts = std::vector<std::string>;
using enum ParameterState;

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

class WriteCommitTest : public test::SessionTest {
protected:
    void SetUp() override {
        Open(kImage);
        // The exact commands of each run: restore points and their reads have tests of their own.
        session->Restore().enabled = false;
        ReadOnly("cal_b,dyn_c,fix_a");
    }
    void ReadOnly(const std::string& groups) {
        ASSERT_GT(Read(groups).total, 0);
        Fresh();
    }
    // Every record edited (NotStored), the modem back at its image values and without faults.
    void Restart() {
        Fresh();
        host->modem().Reset();
        host->faults() = nvmsim::Faults();
        for (const char* g : {"cal_b", "dyn_c", "fix_a"}) Items().SetGroupState(g, NotStored);
    }
    static int RecordsIn(const Texts& commands) {
        std::set<std::string> names;
        for (const auto& c : commands) names.insert(c.substr(0, c.find_first_of("[=")));
        return static_cast<int>(names.size());
    }
};

TEST_F(WriteCommitTest, EditedValuesAreWrittenTopDownThenCommitted) {
    ReadOnly("fix_a");
    test::Changes changes(Items());  // the grid hears of every record a write or commit touched
    for (const auto& [name, value] :
         {std::pair("fix_a.gain", "345"), {"fix_a.lut", "9,8,7,6"}, {"fix_a.label", "\"yo\""}})
        EXPECT_TRUE(ApplyEditedValue(*host, *Rec(name), value, false).changed);
    // Rows chosen bottom-up and apart are written top-down, each once; the edited row between them is held back.
    const WriteGroupsResult selected = WriteSelected(*session, user, {Rec("fix_a.lut"), Rec("fix_a.gain"), Rec("fix_a.lut")});
    EXPECT_EQ(std::tuple(selected.attempted, selected.errors, user.busyCalls), std::tuple(2, 0, 2));
    EXPECT_EQ(host->commands, (Texts{"at@nvm:fix_a.gain=345\r", "at@nvm:fix_a.lut[0,3]={9,8,7,6}\r"}));
    EXPECT_EQ(std::tuple(host->lines, Rec("fix_a.label")->state), std::tuple(Lines(2, {"Store OK", 1}), NotStored));
    // Write Groups sends every record, with one summary line.
    Fresh();
    WriteGroups(*session, user);
    EXPECT_EQ(host->lines, (Lines{{"Write OK (3 parameters written) to target.", 1}}));
    EXPECT_EQ(std::tuple(CommitGroups(*session, user).committed, user.questions.size()), std::tuple(1, 0u));
    EXPECT_EQ(std::tuple(CountState(Unchanged), changes.count), std::tuple(3, 8));
}

TEST_F(WriteCommitTest, FailedWritesAndStoresNothingToDoAndNoTarget) {
    Restart();
    host->faults().errorPattern = "mode=|gain=";
    EXPECT_EQ(WriteGroups(*session, user).errors, 2);
    EXPECT_EQ(host->lines, (Lines{{"Error writing \"cal_b.mode\" to target.", 0},
                                  {"Error writing \"fix_a.gain\" to target.", 0},
                                  {"Write Done (2 errors out of a total of 6 parameters).", 0}}));

    // The commit asks first; No sends nothing. A group only known from a file is skipped.
    Fresh();
    EXPECT_FALSE(CommitGroups(*session, user).started);
    EXPECT_EQ(user.questions, Texts{UnwrittenRecordsQuestion(2)});
    Items().FindOrAddGroup("zz_file");
    SelectExactGroups(Items(), "cal_b,dyn_c,fix_a,zz_file");
    host->faults().errorPattern = "sync\\(0\\)";
    user.yesNoAnswers = {true};
    const CommitGroupsResult r = CommitGroups(*session, user);
    EXPECT_EQ(std::tuple(r.committed, r.failed, r.skipped), std::tuple(2, 1, 1));
    EXPECT_EQ(host->commands,
              (Texts{"at@nvm:store_nvm_sync(2)\r", "at@nvm:store_nvm_sync(0)\r", "at@nvm:store_nvm_sync(1)\r"}));
    EXPECT_EQ(host->lines, (Lines{{"cal_b committed in target.", 1},
                                  {"fix_a committed in target.", 1},
                                  {"Skipping unknown group: zz_file", 1}}));
    EXPECT_EQ(Rec("cal_b.mode")->state, NotStored);  // never written: the commit leaves it
    ExpectCleanEnd();

    // Not connected: Write Groups and Commit do nothing; Write Selected does not ask.
    Fresh();
    host->connected = false;
    EXPECT_FALSE(WriteGroups(*session, user).started);
    EXPECT_FALSE(CommitGroups(*session, user).started);
    EXPECT_TRUE(host->commands.empty() && host->lines.empty());
    EXPECT_EQ((std::pair{WriteSelected(*session, user, {Rec("cal_b.mode")}).attempted, host->commands}),
              std::pair(1, Texts{"at@nvm:cal_b.mode=2\r"}));

    Fresh();
    SelectExactGroups(Items(), "");
    EXPECT_FALSE(WriteGroups(*session, user).started);
    EXPECT_EQ(WriteSelected(*session, user, {Rec("cal_b.mode")}).attempted, 0);  // not in the view
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
    const std::tuple<std::string, std::function<Ending(EditorSession&, UserSide&)>, int> operations[] = {
        {"write", [](EditorSession& s, UserSide& u) { return EndOf(WriteGroups(s, u)); }, kRecords + 1},
        {"commit", [](EditorSession& s, UserSide& u) { return EndOf(CommitGroups(s, u)); }, 3},
        {"selected", [](EditorSession& s, UserSide& u) {
             return EndOf(WriteSelected(s, u, {s.Items().View().rbegin(), s.Items().View().rend()}));
         },
         kRecords + 1},
    };  // name, run, commands of a full run
    const std::string groups[] = {"cal_b", "dyn_c", "fix_a"};
    const int committedBefore[] = {0, 0, 2, 3};  // records of the groups committed before step k
    for (const auto& [what, run, steps] : operations) {
        const bool commit = what == "commit";
        auto prepare = [&] {
            Restart();
            if (!commit) return;
            WriteGroups(*session, user);
            Fresh();
            host->modem().Reset();
        };
        prepare();
        run(*session, user);
        const Texts reference = host->commands;
        ASSERT_EQ(static_cast<int>(reference.size()), steps) << what;
        auto committedLines = [&](int k, const LoggedLine& last) {  // the groups stored before step k, then `last`
            Lines lines;
            for (int g = 0; commit && g + 1 < k; ++g) lines.push_back({groups[g] + " committed in target.", 1});
            lines.push_back(last);
            return lines;
        };
        // After each run: only a prefix of the full run was sent, and nothing is left open.
        auto check = [&](const Ending& ending, const Ending& expected) {
            EXPECT_EQ(ending, expected);
            EXPECT_EQ(host->commands, Texts(reference.begin(), reference.begin() + host->commands.size()));
            ExpectCleanEnd();
        };
        for (int k = 1; k <= steps; ++k) {
            SCOPED_TRACE(what + " step " + std::to_string(k));
            prepare();
            host->faults().loseAfter = k;
            const Ending lost = run(*session, user);
            ASSERT_EQ(static_cast<int>(host->commands.size()), k);
            ASSERT_FALSE(host->lines.empty());
            EXPECT_EQ(host->lines.back(), (LoggedLine{kTargetLostMessage, 0}));
            const int records = RecordsIn(host->commands);
            EXPECT_EQ(CountState(InTargetRAM), commit ? kRecords - committedBefore[k] : records - 1);
            if (commit) { EXPECT_EQ(host->lines, committedLines(k, {kTargetLostMessage, 0})); }
            if (what == "write") {
                EXPECT_EQ(host->lines.end()[-2].text,
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
            check(run(*session, user), {false, true, true});
            EXPECT_EQ(std::pair(static_cast<int>(host->commands.size()), host->lines.size()), std::pair(k, shown));
        }
        if (what == "selected") continue;  // no progress window, no events
        for (int k = 1; k <= (commit ? 3 : kRecords); ++k) {
            SCOPED_TRACE(what + " turn " + std::to_string(k));
            prepare();
            user.onProcessEvents = [&](int call) { user.cancelled = call >= k; };
            const Ending cancelled = run(*session, user);
            Lines expected = committedLines(k, {commit ? kCommitCancelledLine : kWriteCancelledLine, 1});
            if (!commit)
                expected.push_back({"Write OK (" + std::to_string(k - 1) + " parameters written) to target.", 1});
            EXPECT_EQ(std::pair(host->lines, RecordsIn(host->commands)), std::pair(expected, k - 1));
            check(cancelled, {true, false, false});

            // Closed while turn k lets events through: nothing more is sent or shown.
            prepare();
            size_t shown = 0;
            user.onProcessEvents = [&](int call) {
                if (call == k) user.closing = true, shown = host->lines.size();
            };
            check(run(*session, user), {false, false, true});
            EXPECT_EQ(std::pair(RecordsIn(host->commands), host->lines.size()), std::pair(k - 1, shown));

            // Every group unchecked while turn k lets events through: the run ends with the records it reached.
            if (commit) continue;
            prepare();
            user.onProcessEvents = [&](int call) {
                if (call == k) SelectExactGroups(Items(), "");
            };
            EXPECT_EQ(WriteGroups(*session, user).attempted, k - 1);
            SelectExactGroups(Items(), "cal_b,dyn_c,fix_a");
        }
    }
}

TEST_F(WriteCommitTest, RedirectWritesTheCommandsWriteGroupsSends) {
    Restart();
    host->connected = false;
    const std::string path = dir.File("CommandDump.txt");
    user.fileNames = {path};
    EXPECT_TRUE(RedirectWriteGroups(*session, user).saved);
    EXPECT_EQ(std::tuple(user.messages, host->lines, CountState(NotStored), user.progressOpened),
              std::tuple(Texts{"Commands have been saved to\n\"" + path + "\""},
                         Lines{{"Write OK (6 parameters written) to target.", 1}}, kRecords, 0));

    host->connected = true;
    WriteGroups(*session, user);
    std::string sent;
    for (const auto& c : host->commands) sent += c + "\n";
    EXPECT_EQ(std::pair(test::FileText(path), host->commands.size()), std::pair(sent, size_t{kRecords + 1}));

    // A write that fails at any point (first line, the split record, the last line) leaves the file that was there.
    ASSERT_TRUE(WriteFileAtomically(path, "old"));
    for (int k : {0, 2, 2 * kRecords + 1}) {
        Fresh();
        user.fileNames = {path};
        AtomicFileWriter::FailWriteAfter(k);
        const RedirectResult failed = RedirectWriteGroups(*session, user);
        AtomicFileWriter::FailWriteAfter(-1);
        EXPECT_EQ(std::tuple(failed.saved, failed.write.attempted, failed.write.errors, test::FileText(path)),
                  std::tuple(false, k < 2 ? 1 : k / 2, 1, "old"));
        EXPECT_EQ(user.messages, Texts{kCannotOpen + path + "\"\n\nfor writing."});
    }
    // Cancelled dialog, a folder that is not there, nothing to write: no success message, the file stays.
    Fresh();
    EXPECT_EQ(RedirectWriteGroups(*session, user).path, "");
    const std::string nowhere = dir.File("none/CommandDump.txt");
    user.fileNames = {nowhere, path};
    EXPECT_FALSE(RedirectWriteGroups(*session, user).saved);
    SelectExactGroups(Items(), "");
    EXPECT_FALSE(RedirectWriteGroups(*session, user).saved);
    EXPECT_EQ(user.messages, (Texts{kCannotOpen + nowhere + "\"\n\nfor writing.", kNoParametersToWriteMessage}));
    // The window closing meanwhile: the file stays and nothing is said.
    SelectExactGroups(Items(), "cal_b,dyn_c,fix_a");
    user.fileNames = {path};
    user.closing = true;
    const RedirectResult closing = RedirectWriteGroups(*session, user);
    EXPECT_TRUE(closing.write.started && !closing.saved && user.messages.size() == 2 && test::FileText(path) == "old");
}

TEST(QueryTypeTest, CommandFormsAndAnswers) {
    const std::tuple<int, const char*, const char*, const char*> cases[] = {  // elements, answer, command, type
        {0, "<uint16>\r\nOK", "at@nvm:g.p???\r", "uint16"}, {4, "< int8 >\r\nOK", "at@nvm:g.p[0]???\r", "int8"},
        {0, "x > <string> <y>\r\nOK", "at@nvm:g.p???\r", "string"}, {0, "<>\r\nOK", "at@nvm:g.p???\r", ""},
        {1, "uint16\r\nOK", "at@nvm:g.p[0]???\r", ""}, {0, "<uint16>\r\nERROR", "at@nvm:g.p???\r", ""}};
    for (const auto& [elements, answer, command, type] : cases) {
        test::ScriptedHost host;
        host.answers[command] = answer;
        NVMParameter record;
        record.name = "g.p";
        record.elementCount = elements;
        EXPECT_EQ(QueryType(host, record), *type != 0) << answer;
        EXPECT_EQ(std::pair(host.commands, record.type), std::pair(Texts{command}, std::string(type))) << answer;
    }
}

TEST_F(WriteCommitTest, EditingFromTheGridAndTheDebugLine) {
    ReadOnly("fix_a");  // rows: fix_a.gain, fix_a.label, fix_a.lut
    std::vector<ValueEditRequest> requests;
    ValueEditAnswer answer;
    auto open = [&](const ValueEditRequest& r) {
        requests.push_back(r);
        return answer;
    };
    const std::tuple<int, bool, const char*, bool, Texts, ParameterState> cases[] = {
        // row, confirmed, value, write on the fly, commands sent, state after
        {0, true, "77", true, {"at@nvm:fix_a.gain???\r", "at@nvm:fix_a.gain=77\r"}, InTargetRAM},
        {0, true, "77", true, {}, InTargetRAM},  // same text, type known: nothing sent
        {2, true, "5,6,7,8", false, {"at@nvm:fix_a.lut[0]???\r"}, NotStored},
        {2, false, "1,1,1,1", true, {}, NotStored},
        {1, true, "\"yo\"", true, {"at@nvm:fix_a.label???\r", "at@nvm:fix_a.label=\"yo\"\r"}, InTargetRAM},
        {3, true, "1", true, {}, Unchanged},  // no such row
        // A control character would end the command early: such a value is refused, whichever editor gave it.
        {1, true, "\"x\ry\"", true, {}, InTargetRAM}, {2, true, "1,\x1b,3,4", true, {}, NotStored},
    };
    for (const auto& [row, confirmed, value, onTheFly, commands, state] : cases) {
        SCOPED_TRACE(row);
        Fresh();
        answer = {confirmed, value, onTheFly};
        user.inputAnswers = {value};
        test::Changes changes(Items());
        const EditOutcome outcome = EditParameter(*session, user, row, open);
        EXPECT_EQ(std::tuple(changes.count, outcome.changed, host->commands),
                  std::tuple(outcome.changed ? 1 : 0, confirmed && !commands.empty(), commands));
        if (row < 3) { EXPECT_EQ(Items().ViewItem(row)->state, state); }
    }
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(std::tuple(requests[0].editor, requests[0].type), std::tuple(ValueEditor::Scalar, "uint16"));
    EXPECT_EQ(std::tuple(requests[2].editor, requests[2].dimensions), std::tuple(ValueEditor::Array, std::vector{4}));
    NVMParameter single;  // an array of one element, shown with the array editor too
    single.elementCount = 1;
    EXPECT_EQ(EditorFor(single), ValueEditor::Array);
    EXPECT_TRUE(!requests[3].writeOnTheFly && session->Settings().writeOnTheFly);  // the box as the last editor left it
    EXPECT_EQ(ReadProfileString(session->SettingsPath(), kSettingsSection, kWriteOnTheFlyKey, ""), "1");

    // A string whose write fails is NotStored: the target does not hold it.
    Fresh();
    host->faults().errorPattern = "label=";
    user.inputAnswers = {"\"no\""};
    EXPECT_FALSE(EditParameter(*session, user, 1, open).written);
    EXPECT_EQ(std::pair(Rec("fix_a.label")->state, user.questions), std::pair(NotStored, Texts{"fix_a.label:"}));

    // The debug line sends the trimmed command and shows the answer, or that nothing came.
    for (const auto& [typed, command, line] : {std::tuple("  at@nvm:fix_a.gain?\t", "at@nvm:fix_a.gain?\r",
                                                          LoggedLine{"77", 1}),
                                               std::tuple("at@", "at@\r", LoggedLine{kNothingReceivedLine, 0}),
                                               std::tuple("at", "at\r", LoggedLine{"", 1})}) {
        Fresh();
        EXPECT_EQ(SendDebugCommand(*host, typed), line.flag == 1);
        EXPECT_EQ(std::pair(host->commands, host->lines), std::pair(Texts{command}, Lines{line}));
    }
}

// Values given by name are checked against the target before anything is sent.
class SetValuesTest : public test::SessionTest {};

TEST_F(SetValuesTest, WhatSetAndFileWritesRefuse) {
    enum Kind { Set, File, FileAll };  // a set's NAME=VALUE; a file's lines, with fix_a read or all asked of the target
    const std::tuple<const char*, Kind, const char*> rows[] = {  // given, kind, refusal (a file's after "F:")
        {"fix_a.nope=1", Set, "The target has no parameter \"fix_a.nope\"."},
        {"fix_a.lut=1,2,3", Set, "\"fix_a.lut\" has 4 elements; 3 values are given."},
        {"fix_a.lut[2,4]=1,2,3", Set,
         "The element range \"fix_a.lut[2,4]\" is outside \"fix_a.lut\", which has 4 elements."},
        {"fix_a.nope[0,1]=1,2", Set,
         "The target has no array \"fix_a.nope\" for the element range \"fix_a.nope[0,1]\"."},
        {"fix_a.lut[2,3]=7,8\nfix_a.lut[3,4]=7,8\n", FileAll,
         "2: The element range \"fix_a.lut[3,4]\" is outside \"fix_a.lut\", which has 4 elements."},
        {"fix_a.gain=4\nfix_a.nothing=0\n", File, "2: The target has no parameter \"fix_a.nothing\"."},
        {"fix_a.gain=4\nfix_a.nothing=0\n", FileAll, "2: The target has no parameter \"fix_a.nothing\"."},
        {"fix_a.gain=4\nfix_a.lut=1,2,3\n", File, "2: \"fix_a.lut\" has 4 elements; the value gives 3."},
    };
    for (const auto& [given, kind, refusal] : rows) {
        Open(kImage);
        ValueChecks checks(*session);
        std::string why;
        if (kind == Set) {
            ASSERT_GT(Read("fix_a").total, 0);
            NvmLine line;
            ParseNvmLine(given, line);
            const SetPlan plan = PlanSetValues(checks, *session, {{std::string(line.name), std::string(line.value)}});
            why = plan.refusals.empty() ? "(none)" : plan.refusals[0];
        } else {
            const std::string path = dir.File("F");
            ASSERT_TRUE(WriteFileAtomically(path, given));
            std::map<std::string, int, TextLess> lines{{"fix_a.nothing", 2}, {"fix_a.lut[3,4]", 2}, {"fix_a.lut", 2}};
            if (kind == File) { ASSERT_GT(Read("fix_a").total, 0); }
            checks.NoteRead(lines);
            if (kind == FileAll) checks.AskTarget();
            ASSERT_TRUE(LoadFile(Items(), *host, path, user));
            EXPECT_EQ(checks.Writes(path, lines, why), CheckStatus::Refused) << given;
            EXPECT_TRUE(why.starts_with(path + ":")) << why;
            why.erase(0, path.size() + 1);
        }
        EXPECT_EQ(why, refusal) << given;
        for (const std::string& command : host->commands)
            EXPECT_EQ(command.find('='), std::string::npos) << given << ": " << command;
    }
}

}  // namespace
}  // namespace vtq
