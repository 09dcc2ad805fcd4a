// Write, commit, edit and the debug command line against the in-process
// simulated modem: values reach its RAM mirror and then its NVM; a target lost,
// a cancel or the window closed at every step; the redirection to a file.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "channel/long_operation.h"
#include "core/commit_groups.h"
#include "core/debug_line.h"
#include "core/edit_parameter.h"
#include "core/editor_session.h"
#include "core/group_list.h"
#include "core/read_groups.h"
#include "core/settings.h"
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

// cal_b.big is written in two pieces; view order: cal_b.big, cal_b.mode, dyn_c.mask, fix_a.gain, fix_a.label,
// fix_a.lut.
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
group dyn_c 3
  uint32 mask = 7
end
)";
constexpr int kRecords = 6;

NVMParameter Param(const char* name, const char* value, const char* type, int elementCount) {
    NVMParameter p;
    p.name = name;
    p.value = value;
    p.type = type;
    p.elementCount = elementCount;
    return p;
}

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

class WriteCommitTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        auto image = nvmsim::Image::Parse(kImage, error);
        ASSERT_TRUE(image) << error;
        host = std::make_unique<TapHost>(image);
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
    // Every record edited (NotStored) and the modem back at its image values.
    void Restart() {
        Fresh();
        host->modem().Reset();
        host->faults().loseAfter = 0;
        host->faults().errorPattern.clear();
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
    // The records a run of commands touched, in order.
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

struct EditCase {
    const char* name;
    const char* value;
    const char* onTarget;  // as the modem's value query shows it
};
constexpr EditCase kEdits[] = {
    {"fix_a.gain", "345", "345"}, {"fix_a.lut", "9,8,7,6", "{9,8,7,6}"}, {"fix_a.label", "\"yo\"", "\"yo\""}};

TEST_F(WriteCommitTest, EditedValuesReachRamThenNvmAndReadBackUnchanged) {
    Read("fix_a");
    nvmsim::Modem& modem = host->modem();
    // Write Selected, rows chosen bottom-up, writes top-down in view order.
    for (const auto& e : kEdits) EXPECT_TRUE(ApplyEditedValue(*host, Rec(e.name), e.value, false).changed);
    EXPECT_EQ(WriteSelected(*session, user, 2, 0).attempted, 3);
    EXPECT_EQ(host->commands,
              (Texts{"at@nvm:fix_a.gain=345\r", "at@nvm:fix_a.label=\"yo\"\r", "at@nvm:fix_a.lut[0,3]={9,8,7,6}\r"}));
    EXPECT_EQ(host->lines, (Lines{{"Store OK", 1}, {"Store OK", 1}, {"Store OK", 1}}));
    for (const auto& e : kEdits) {
        EXPECT_EQ(modem.ValueOf(e.name), e.onTarget);
        EXPECT_NE(modem.ValueOf(e.name, true), e.onTarget);
        EXPECT_EQ(Rec(e.name).state, ParameterState::InTargetRAM);
    }
    // Write Groups sends the same, with one summary line.
    Fresh();
    modem.Reset();
    const WriteGroupsResult w = WriteGroups(*session, user);
    EXPECT_EQ(host->commands.size(), 3u);
    EXPECT_EQ(host->lines, (Lines{{"Write OK (3 parameters written) to target.", 1}}));
    EXPECT_EQ(user.statuses, (Texts{"Writing \"fix_a.gain...", "Writing \"fix_a.label...", "Writing \"fix_a.lut..."}));
    EXPECT_TRUE(w.RepaintGrid());
    ExpectCleanEnd();

    Fresh();
    const CommitGroupsResult c = CommitGroups(*session, user);
    EXPECT_EQ(c.committed, 1);
    EXPECT_TRUE(user.questions.empty());
    EXPECT_EQ(host->commands, Texts{"at@nvm:store_nvm_sync(1)\r"});
    EXPECT_EQ(user.statuses, Texts{"Commiting \"fix_a\" group..."});
    EXPECT_EQ(host->lines, (Lines{{"fix_a committed in target.", 1}}));
    EXPECT_EQ(CountState(ParameterState::Unchanged), 3);
    for (const auto& e : kEdits) EXPECT_EQ(modem.ValueOf(e.name, true), e.onTarget);

    Read("fix_a");
    for (const auto& e : kEdits) EXPECT_EQ(Rec(e.name).value, e.value);
    EXPECT_EQ(CountState(ParameterState::Unchanged), 3);
}

TEST_F(WriteCommitTest, WriteGroupsCountsFailuresAndNeedsParameters) {
    Restart();
    host->faults().errorPattern = "mode=|gain=";
    const WriteGroupsResult r = WriteGroups(*session, user);
    EXPECT_EQ(r.errors, 2);
    EXPECT_EQ(host->lines, (Lines{{"Error writing \"cal_b.mode\" to target.", 0},
                                  {"Error writing \"fix_a.gain\" to target.", 0},
                                  {"Write Done (2 errors out of a total of 6 parameters).", 0}}));
    EXPECT_EQ(CountState(ParameterState::NotStored), 2);
    EXPECT_EQ(user.range, kRecords);

    Fresh();
    host->connected = false;  // not connected: nothing happens, but Write Selected does not ask
    EXPECT_FALSE(WriteGroups(*session, user).started);
    EXPECT_FALSE(CommitGroups(*session, user).started);
    EXPECT_TRUE(host->commands.empty() && host->lines.empty());
    EXPECT_EQ(WriteSelected(*session, user, 1, 1).attempted, 1);
    EXPECT_EQ(host->commands, Texts{"at@nvm:cal_b.mode=2\r"});
    ExpectCleanEnd();

    Fresh();
    SelectExactGroups(session->Items(), "");
    EXPECT_FALSE(WriteGroups(*session, user).started);
    EXPECT_EQ(WriteSelected(*session, user, 0, 3).attempted, 0);
    EXPECT_FALSE(CommitGroups(*session, user).started);
    EXPECT_EQ(user.messages, (Texts{kNoParametersToWriteMessage, kNoGroupsToCommitMessage}));
    EXPECT_TRUE(host->commands.empty());
}

// How a run ended, and one operation run to its end once for reference and then ended early at each step.
struct Ending {
    bool cancelled, targetLost, closing;
    bool operator==(const Ending&) const = default;
};
template <class Result>
Ending EndOf(const Result& r) {
    EXPECT_EQ(r.RepaintGrid(), !r.closing);
    return {r.cancelled, r.targetLost, r.closing};
}
struct Operation {
    const char* what;
    std::function<Ending(EditorSession&, UserSide&)> run;
    int steps;  // commands of a full run
};

TEST_F(WriteCommitTest, TargetLostCancelAndCloseAtEveryStep) {
    const Operation operations[] = {
        {"write", [](EditorSession& s, UserSide& u) { return EndOf(WriteGroups(s, u)); }, kRecords + 1},
        {"commit", [](EditorSession& s, UserSide& u) { return EndOf(CommitGroups(s, u)); }, 3},
        {"write selected", [](EditorSession& s, UserSide& u) { return EndOf(WriteSelected(s, u, kRecords - 1, 0)); },
         kRecords + 1},
    };
    const char* groups[] = {"cal_b", "dyn_c", "fix_a"};
    const int kGroupSizes[] = {2, 1, 3};
    for (const Operation& op : operations) {
        const bool commit = std::string(op.what) == "commit";
        Restart();
        if (commit) WriteGroups(*session, user);
        Fresh();
        op.run(*session, user);
        const Texts reference = host->commands;
        ASSERT_EQ(static_cast<int>(reference.size()), op.steps) << op.what;
        auto prepare = [&] {
            Restart();
            if (!commit) return;
            WriteGroups(*session, user);
            Fresh();
            host->modem().Reset();
        };
        auto expectPrefix = [&] {
            EXPECT_EQ(host->commands, Texts(reference.begin(), reference.begin() + host->commands.size()));
        };
        for (int k = 1; k <= op.steps; ++k) {
            SCOPED_TRACE(std::string(op.what) + " step " + std::to_string(k));
            // The target stops answering at command k.
            prepare();
            host->faults().loseAfter = k;
            EXPECT_EQ(op.run(*session, user), (Ending{false, true, false}));
            ASSERT_EQ(static_cast<int>(host->commands.size()), k);
            expectPrefix();
            ASSERT_FALSE(host->lines.empty());
            EXPECT_EQ(host->lines.back(), (LoggedLine{kTargetLostMessage, 0}));
            if (commit) {
                Lines expected;
                for (int g = 0; g + 1 < k; ++g)
                    expected.push_back({std::string(groups[g]) + " committed in target.", 1});
                expected.push_back({kTargetLostMessage, 0});
                EXPECT_EQ(host->lines, expected);
                int committed = 0;
                for (int g = 0; g + 1 < k; ++g) committed += kGroupSizes[g];
                EXPECT_EQ(CountState(ParameterState::InTargetRAM), kRecords - committed);
            } else {
                const int records = RecordsIn(host->commands);
                EXPECT_EQ(CountState(ParameterState::InTargetRAM), records - 1);
                if (std::string(op.what) == "write") {
                    EXPECT_EQ(host->lines[host->lines.size() - 2].text,
                              "Write Done (1 errors out of a total of " + std::to_string(records) + " parameters).");
                }
            }
            ExpectCleanEnd();

            // The host closes the window during command k: nothing is sent or shown after it.
            prepare();
            size_t shown = 0;
            host->afterExchange = [&] {
                if (static_cast<int>(host->commands.size()) == k) user.closing = true, shown = host->lines.size();
            };
            host->faults().loseAfter = k;  // and the target is lost in that exchange
            EXPECT_EQ(op.run(*session, user), (Ending{false, true, true}));
            EXPECT_EQ(static_cast<int>(host->commands.size()), k);
            expectPrefix();
            EXPECT_EQ(host->lines.size(), shown);
            ExpectCleanEnd();
        }
        if (std::string(op.what) == "write selected") continue;  // no progress window, nothing to cancel
        const int turns = commit ? 3 : kRecords;
        for (int k = 1; k <= turns; ++k) {
            SCOPED_TRACE(std::string(op.what) + " cancel at turn " + std::to_string(k));
            prepare();
            user.onProcessEvents = [&](int call) { user.cancelled = call >= k; };
            EXPECT_EQ(op.run(*session, user), (Ending{true, false, false}));
            Lines expected;
            if (commit)
                for (int g = 0; g + 1 < k; ++g)
                    expected.push_back({std::string(groups[g]) + " committed in target.", 1});
            expected.push_back({commit ? kCommitCancelledLine : kWriteCancelledLine, 1});
            if (!commit)
                expected.push_back({"Write OK (" + std::to_string(k - 1) + " parameters written) to target.", 1});
            EXPECT_EQ(host->lines, expected);
            EXPECT_EQ(RecordsIn(host->commands), k - 1);
            ExpectCleanEnd();

            // Closed while the turn lets events through: nothing more is sent.
            prepare();
            size_t shown = 0;
            user.onProcessEvents = [&](int call) {
                if (call == k) user.closing = true, shown = host->lines.size();
            };
            EXPECT_EQ(op.run(*session, user), (Ending{false, false, true}));
            expectPrefix();
            EXPECT_EQ(RecordsIn(host->commands), k - 1);
            EXPECT_EQ(host->lines.size(), shown);
            ExpectCleanEnd();
        }
    }
}

TEST_F(WriteCommitTest, CommitAsksBeforeUnwrittenRecordsAndKeepsThemNotStored) {
    Restart();
    WriteSelected(*session, user, 0, 1);  // cal_b written; dyn_c and fix_a left NotStored
    Fresh();
    EXPECT_FALSE(CommitGroups(*session, user).started);  // No
    EXPECT_EQ(user.questions, Texts{UnwrittenRecordsQuestion(4)});
    EXPECT_TRUE(host->commands.empty());
    EXPECT_NE(UnwrittenRecordsQuestion(4).find("You have 4 parameters you have not written"), std::string::npos);

    // A group only known from a file is skipped; a failed store leaves its group as it was.
    session->Items().FindOrAddGroup("zz_file");
    SelectExactGroups(session->Items(), "cal_b,dyn_c,fix_a,zz_file");
    host->faults().errorPattern = "sync\\(3\\)";
    user.yesNoAnswers = {true};
    const CommitGroupsResult r = CommitGroups(*session, user);
    EXPECT_EQ(r.committed, 2);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(host->commands,
              (Texts{"at@nvm:store_nvm_sync(2)\r", "at@nvm:store_nvm_sync(3)\r", "at@nvm:store_nvm_sync(1)\r"}));
    EXPECT_EQ(host->lines, (Lines{{"cal_b committed in target.", 1},
                                  {"fix_a committed in target.", 1},
                                  {"Skipping unknown group: zz_file", 1}}));
    EXPECT_EQ(user.statuses.back(), "Commiting \"zz_file\" group (4/4)...");
    EXPECT_EQ(user.positions, (std::vector<int>{0, 0, 1, 2, 3}));
    EXPECT_EQ(Rec("cal_b.big").state, ParameterState::Unchanged);
    EXPECT_EQ(Rec("fix_a.gain").state, ParameterState::NotStored);
    EXPECT_EQ(Rec("dyn_c.mask").state, ParameterState::NotStored);
    EXPECT_TRUE(user.barVisible);
    ExpectCleanEnd();
}

TEST_F(WriteCommitTest, RedirectWritesTheCommandsWriteGroupsSends) {
    Restart();
    host->connected = false;
    const std::string path = dir.File("CommandDump.txt");
    user.fileNames = {path};
    const RedirectResult r = RedirectWriteGroups(*session, user);
    EXPECT_TRUE(r.saved);
    EXPECT_EQ(user.messages, Texts{"Commands have been saved to\n\"" + path + "\""});
    EXPECT_EQ(host->lines, (Lines{{"Write OK (6 parameters written) to target.", 1}}));
    EXPECT_TRUE(host->commands.empty());
    EXPECT_EQ(CountState(ParameterState::NotStored), kRecords);
    EXPECT_EQ(user.progressOpened, 0);

    host->connected = true;
    Fresh();
    WriteGroups(*session, user);
    std::string expected, written;
    for (const auto& c : host->commands) expected += c + "\n";
    ASSERT_TRUE(ReadWholeFile(path, written));
    EXPECT_EQ(written, expected);
    EXPECT_EQ(host->commands.size(), kRecords + 1u);

    // A write that fails at any point leaves the file that was there.
    ASSERT_TRUE(WriteFileAtomically(path, "old"));
    for (int k = 0; k < 2 * (kRecords + 1); ++k) {
        Fresh();
        user.fileNames = {path};
        AtomicFileWriter::FailWriteAfter(k);
        const RedirectResult failed = RedirectWriteGroups(*session, user);
        AtomicFileWriter::FailWriteAfter(-1);
        EXPECT_FALSE(failed.saved);
        EXPECT_EQ(failed.write.attempted, k / 2 + 1 - (k >= 2 ? 1 : 0));  // cal_b.big takes two commands
        EXPECT_EQ(failed.write.errors, 1);
        EXPECT_EQ(user.messages, Texts{"Cannot open file\n\n\"" + path + "\"\n\nfor writing."});
        ASSERT_TRUE(ReadWholeFile(path, written));
        EXPECT_EQ(written, "old");
    }
    // Cancelled dialog, a folder that is not there, nothing to write: no file, no success message.
    Fresh();
    EXPECT_EQ(RedirectWriteGroups(*session, user).path, "");
    user.fileNames = {dir.File("none/CommandDump.txt")};
    EXPECT_FALSE(RedirectWriteGroups(*session, user).saved);
    SelectExactGroups(session->Items(), "");
    user.fileNames = {path};
    EXPECT_FALSE(RedirectWriteGroups(*session, user).saved);
    EXPECT_EQ(user.messages, (Texts{"Cannot open file\n\n\"" + dir.File("none/CommandDump.txt") + "\"\n\nfor writing.",
                                    kNoParametersToWriteMessage}));
    ASSERT_TRUE(ReadWholeFile(path, written));
    EXPECT_EQ(written, "old");
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))  // no temporary left behind
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST(QueryTypeTest, CommandFormsAndAnswers) {
    struct Case {
        int elementCount;
        const char* answer;
        const char* command;
        const char* type;
    } cases[] = {
        {0, "<uint16>\r\nOK", "at@nvm:g.p???\r", "uint16"},
        {4, "< int8 >\r\nOK", "at@nvm:g.p[0]???\r", "int8"},
        {0, "x > <string> <y>\r\nOK", "at@nvm:g.p???\r", "string"},
        {0, "<>\r\nOK", "at@nvm:g.p???\r", ""},
        {0, "< >\r\nOK", "at@nvm:g.p???\r", ""},
        {1, "uint16\r\nOK", "at@nvm:g.p[0]???\r", ""},
        {0, "<uint16\r\nOK", "at@nvm:g.p???\r", ""},
        {0, "<uint16>\r\nERROR", "at@nvm:g.p???\r", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        test::ScriptedHost host;
        host.answers[c.command] = c.answer;
        NVMParameter record = Param("g.p", "", "", c.elementCount);
        EXPECT_EQ(QueryType(host, record), *c.type != 0);
        EXPECT_EQ(host.commands, Texts{c.command});
        EXPECT_EQ(record.type, c.type);
    }
    // A type already known stays when the answer names none.
    test::ScriptedHost host;
    host.answers["at@nvm:g.p???\r"] = "<>\r\nOK";
    NVMParameter record = Param("g.p", "1", "uint8", 0);
    EXPECT_TRUE(QueryType(host, record));
    EXPECT_EQ(record.type, "uint8");
}

TEST_F(WriteCommitTest, EditingFromTheGrid) {
    Read("fix_a");  // rows: fix_a.gain, fix_a.label, fix_a.lut
    std::vector<ValueEditRequest> requests;
    ValueEditAnswer answer;
    auto open = [&](const ValueEditRequest& r) {
        requests.push_back(r);
        return answer;
    };
    struct Case {
        int row;
        bool confirmed;
        const char* value;
        bool onTheFly;
        Texts commands;
        ParameterState state;
    } cases[] = {
        {0, true, "77", true, {"at@nvm:fix_a.gain???\r", "at@nvm:fix_a.gain=77\r"}, ParameterState::InTargetRAM},
        {0, true, "77", true, {}, ParameterState::InTargetRAM},  // same text, type known: nothing sent
        {2, true, "5,6,7,8", false, {"at@nvm:fix_a.lut[0]???\r"}, ParameterState::NotStored},
        {2, false, "1,1,1,1", true, {}, ParameterState::NotStored},
        {1,
         true,
         "\"yo\"",
         true,
         {"at@nvm:fix_a.label???\r", "at@nvm:fix_a.label=\"yo\"\r"},
         ParameterState::InTargetRAM},
        {3, true, "1", true, {}, ParameterState::Unchanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        Fresh();
        answer = {c.confirmed, c.value, c.onTheFly};
        if (c.row == 1) user.inputAnswers = {c.value};
        EditParameter(*session, user, c.row, open);
        EXPECT_EQ(host->commands, c.commands);
        if (c.row < 3) {
            EXPECT_EQ(session->Items().ViewItem(c.row)->state, c.state);
        }
        if (c.row == 0 || c.row == 2) {
            EXPECT_EQ(session->Settings().writeOnTheFly, c.onTheFly);
        }
    }
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].editor, ValueEditor::Scalar);
    EXPECT_EQ(requests[0].type, "uint16");
    EXPECT_EQ(requests[2].editor, ValueEditor::Array);
    EXPECT_EQ(requests[2].dimensions, std::vector<int>{4});
    EXPECT_FALSE(requests[3].writeOnTheFly);  // the box as it was left
    EXPECT_EQ(ReadProfileString(session->SettingsPath(), kSettingsSection, kWriteOnTheFlyKey, ""), "1");
    EXPECT_EQ(host->modem().ValueOf("fix_a.gain"), "77");
    EXPECT_EQ(Rec("fix_a.lut").value, "5,6,7,8");

    // A string whose write fails is NotStored: the target does not hold it.
    Fresh();
    host->faults().errorPattern = "label=";
    user.inputAnswers = {"\"no\""};
    EXPECT_FALSE(EditParameter(*session, user, 1, open).written);
    EXPECT_EQ(Rec("fix_a.label").state, ParameterState::NotStored);
    EXPECT_EQ(user.questions, Texts{"fix_a.label:"});
}

TEST(EditorForTest, StringScalarOrArray) {
    EXPECT_EQ(EditorFor(Param("g.s", "\"a,b\"", "String", 0)), ValueEditor::String);
    EXPECT_EQ(EditorFor(Param("g.s", "5", "uint8", 0)), ValueEditor::Scalar);
    EXPECT_EQ(EditorFor(Param("g.s", "5,6", "", 0)), ValueEditor::Array);
    EXPECT_EQ(EditorFor(Param("g.s", "5", "", 1)), ValueEditor::Array);
}

TEST_F(WriteCommitTest, DebugLineSendsTheTrimmedCommand) {
    struct Case {
        const char* typed;
        const char* command;
        LoggedLine line;
    } cases[] = {
        {"  at@nvm:fix_a.gain?\t", "at@nvm:fix_a.gain?\r", {"12", 1}},
        {"at@", "at@\r", {kNothingReceivedLine, 0}},
        {"at", "at\r", {"", 1}},
    };
    for (const Case& c : cases) {
        Fresh();
        EXPECT_EQ(SendDebugCommand(*host, c.typed), c.line.flag == 1);
        EXPECT_EQ(host->commands, Texts{c.command});
        EXPECT_EQ(host->lines, Lines{c.line});
    }
}

}  // namespace
}  // namespace vtq
