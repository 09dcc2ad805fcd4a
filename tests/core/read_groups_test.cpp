// Read Groups against the in-process simulated modem: progress texts, totals,
// cancel, a target lost at every command of a read, the window closed mid-read,
// and a refresh of the group list after it.

#include "core/read_groups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <ostream>
#include <vector>

#include "base/file_io.h"
#include "channel/long_operation.h"
#include "channel/piece_decoder.h"
#include "core/editor_session.h"
#include "core/group_list.h"
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

// Three groups; cal_b holds an array longer than a dump shows, so its read
// also sends the size and value queries of the parameter list.
constexpr const char* kImage = R"(naming indexed
group fix_a 1
  uint16 gain = 12
  int8 offset = -3
  uint16 lut[4] = 1, 2, 3, 4
end
group cal_b 2
  uint8 mode = 2
  uint16 big[1200] = 600*1, 600*2
end
group dyn_c 3
  uint32 mask = 7
  uint8 fill_0[1] = 0
  string label[8] = "hi"
end
)";

// Read order is the sorted checked names: cal_b (2 records), dyn_c (2), fix_a (3).
std::string Status(const std::string& group, int i, int n) {
    return "Reading \"" + group + "\" group (" + std::to_string(i) + "/" + std::to_string(n) + ")...";
}

class ReadGroupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        auto image = nvmsim::Image::Parse(kImage, error);
        ASSERT_TRUE(image) << error;
        host = std::make_unique<test::SimHost>(image);
        session = std::make_unique<EditorSession>(
            *host, [this](const std::string& m) { decoderMessages.push_back(m); }, settings.File("Brevant.ini"));
        items = &session->Items();
        ASSERT_TRUE(session->Start());
        host->commands.clear();
        host->lines.clear();
    }
    void TearDown() override {
        session.reset();
        EXPECT_TRUE(decoderMessages.empty());
    }

    ReadGroupsResult Read(const std::string& selection) {
        SelectExactGroups(*items, selection);
        return ReadGroups(*session, user);
    }
    int Count(const std::string& group) const { return items->GroupParamCount(items->GroupIndex(group)); }
    std::string Value(const std::string& name) const {
        const GroupItem* g = items->FindGroup(name.substr(0, name.find('.')));
        const NVMParameter* p = g ? g->params.Find(name) : nullptr;
        return p ? p->value : "<missing>";
    }
    int DumpsSent() const {
        int n = 0;
        for (const auto& c : host->commands) n += c.starts_with("at@nvm:dump_csv_add(") ? 1 : 0;
        return n;
    }
    // What every run must leave behind, whatever ended it.
    void ExpectCleanEnd() const {
        EXPECT_EQ(user.busyDepth, 0);
        EXPECT_EQ(user.progressOpened, user.progressClosed);
        EXPECT_FALSE(user.progressOpen);
        EXPECT_EQ(items->UpdateLock(), 0);
        EXPECT_TRUE(user.messages.empty());
    }

    std::vector<std::string> decoderMessages;
    std::unique_ptr<test::SimHost> host;
    test::TempDir settings;
    std::unique_ptr<EditorSession> session;
    GroupItems* items = nullptr;
    test::ScriptedUser user;
};

TEST_F(ReadGroupsTest, OneGroupShowsNoBarThreeGroupsCountUpAndQueryLongArrays) {
    EXPECT_EQ(Read("fix_a").total, 3);
    EXPECT_EQ(user.statuses, std::vector<std::string>{"Reading \"fix_a\" group..."});
    EXPECT_FALSE(user.barVisible);
    EXPECT_EQ(host->commands, std::vector<std::string>{"at@nvm:dump_csv_add(\"fix_a\")\r"});
    EXPECT_EQ(Value("fix_a.offset"), "-3");
    EXPECT_EQ(Value("fix_a.lut"), "1,2,3,4");

    user = test::ScriptedUser();
    host->lines.clear();
    const ReadGroupsResult r = Read("fix_a,cal_b,dyn_c");
    EXPECT_EQ(r.total, 7);
    EXPECT_EQ(r.groupsRead, 3);
    EXPECT_TRUE(r.RebuildGrid());
    EXPECT_EQ(user.statuses,
              (std::vector<std::string>{Status("cal_b", 1, 3), Status("dyn_c", 2, 3), Status("fix_a", 3, 3)}));
    EXPECT_TRUE(user.barVisible);
    EXPECT_EQ(user.range, 3);
    EXPECT_EQ(user.positions, (std::vector<int>{0, 0, 1, 2}));
    EXPECT_GT(host->commands.size(), 4u);  // the long array was fetched by queries
    EXPECT_EQ(host->lines, (std::vector<LoggedLine>{{"7 NVM items read in total.", 1}}));
    EXPECT_EQ(Count("fix_a"), 3) << "a second read replaces the values instead of adding to them";
    EXPECT_EQ(Count("dyn_c"), 2) << "the fill entry is dropped";
    EXPECT_EQ(Value("dyn_c.label"), "\"hi\"");
    const std::string big = Value("cal_b.big");
    EXPECT_EQ(std::count(big.begin(), big.end(), ','), 1199);
    EXPECT_TRUE(big.ends_with(",2,2"));
    EXPECT_EQ(items->ViewCount(), 7);
    ExpectCleanEnd();
}

TEST_F(ReadGroupsTest, CancelDuringTheSecondGroupIsSeenAtTheThird) {
    Read("fix_a");
    host->lines.clear();
    host->commands.clear();
    user = test::ScriptedUser();
    // The click arrives while dyn_c, the second group, is read; the window
    // handles it at the next event processing, the third group's turn.
    user.onProcessEvents = [&](int call) {
        if (call == 3) user.cancelled = true;
    };
    const ReadGroupsResult r = Read("fix_a,cal_b,dyn_c");
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.total, 4);
    EXPECT_EQ(DumpsSent(), 2);
    EXPECT_EQ(Count("cal_b"), 2);
    EXPECT_EQ(Count("dyn_c"), 2);
    EXPECT_EQ(Count("fix_a"), 0);  // emptied before the cancel was seen, and not read
    EXPECT_EQ(host->lines, (std::vector<LoggedLine>{{kReadCancelledLine, 1}, {"4 NVM items read in total.", 1}}));
    ExpectCleanEnd();
}

TEST_F(ReadGroupsTest, TargetLostAtEveryCommandOfAThreeGroupRead) {
    // A clean run gives the reference: its commands and what each group holds.
    ASSERT_EQ(Read("fix_a,cal_b,dyn_c").total, 7);
    const std::vector<std::string> reference = host->commands;
    const int commands = static_cast<int>(reference.size());
    ASSERT_GT(commands, 3);

    for (int k = 1; k <= commands; ++k) {
        SCOPED_TRACE("target lost at command " + std::to_string(k));
        SetUp();
        user = test::ScriptedUser();
        host->faults().loseAfter = host->modem().commandCount() + k;
        const ReadGroupsResult r = Read("fix_a,cal_b,dyn_c");
        EXPECT_TRUE(r.targetLost);
        EXPECT_FALSE(r.cancelled);

        // No group is started after the one during which the target went away.
        int dumpsBeforeLoss = 0;
        for (int i = 0; i < k; ++i) dumpsBeforeLoss += reference[i].starts_with("at@nvm:dump_csv_add(") ? 1 : 0;
        EXPECT_EQ(DumpsSent(), dumpsBeforeLoss);
        for (size_t i = 0; i < host->commands.size() && i < static_cast<size_t>(k); ++i)
            EXPECT_EQ(host->commands[i], reference[i]);

        // Groups finished before the loss hold their values; the totals line comes before the lost message.
        const std::string totals = r.total > 0 ? std::to_string(r.total) + " NVM items read in total." : kNoItemsReadLine;
        EXPECT_EQ(host->lines, (std::vector<LoggedLine>{{totals, 1}, {kTargetLostMessage, 0}}));
        if (dumpsBeforeLoss >= 2) {
            EXPECT_EQ(Count("cal_b"), 2);
        }
        if (dumpsBeforeLoss == 3) {
            EXPECT_EQ(Count("dyn_c"), 2);
        }
        EXPECT_EQ(Count("fix_a"), 0);
        ExpectCleanEnd();
        TearDown();
    }
    SetUp();
}

TEST_F(ReadGroupsTest, NothingToRead) {
    // No group checked: a message box, nothing else.
    EXPECT_FALSE(Read("").started);
    EXPECT_EQ(user.messages, std::vector<std::string>{kNoGroupsToReadMessage});
    EXPECT_EQ(user.busyCalls, 0);
    user.messages.clear();

    // Not connected: nothing is sent and nothing shown.
    host->connected = false;
    EXPECT_FALSE(Read("fix_a").started);
    host->connected = true;
    EXPECT_TRUE(host->commands.empty() && host->lines.empty());

    // Failed exchanges are skipped silently, and the old values are gone.
    Read("fix_a");
    host->lines.clear();
    host->faults().errorPattern = "dump_csv_add";
    const ReadGroupsResult r = Read("fix_a,dyn_c");
    EXPECT_EQ(r.total, 0);
    EXPECT_FALSE(r.RebuildGrid());
    EXPECT_EQ(Count("fix_a"), 0);
    EXPECT_EQ(host->lines, (std::vector<LoggedLine>{{kNoItemsReadLine, 1}}));
    ExpectCleanEnd();
}

TEST_F(ReadGroupsTest, ClosingTheWindowEndsTheReadWithoutMessages) {
    for (bool lost : {false, true}) {
        SCOPED_TRACE(lost ? "target lost in the same exchange" : "target still there");
        host->lines.clear();
        host->commands.clear();
        user = test::ScriptedUser();
        // The host closes the window while the second group's turn lets events through.
        user.onProcessEvents = [&](int call) {
            if (call != 2) return;
            user.closing = true;
            if (lost) host->faults().loseAfter = host->modem().commandCount() + 1;
        };
        const ReadGroupsResult r = Read("fix_a,cal_b,dyn_c");
        EXPECT_TRUE(r.closing);
        EXPECT_FALSE(r.RebuildGrid());
        EXPECT_EQ(DumpsSent(), 2);  // the exchange in flight completes, nothing after it
        EXPECT_TRUE(host->lines.empty());
        ExpectCleanEnd();
    }
}

// The selection stored at the last close is checked at the next start; the host's other keys stay.
TEST_F(ReadGroupsTest, StartAppliesTheStoredSelectionRefreshKeepsItCloseStoresIt) {
    const std::string ini = settings.File("Brevant.ini");
    session.reset();
    ASSERT_TRUE(WriteFileAtomically(ini, "[Host]\r\nLastPort=COM3\r\n[Mode]\r\nNVMSelGroups=CAL_B,\"dyn_c\"\r\n"));
    session = std::make_unique<EditorSession>(*host, nullptr, ini);
    items = &session->Items();
    ASSERT_TRUE(session->Start());
    EXPECT_EQ(items->CheckedGroupNames(), (std::vector<std::string>{"cal_b", "dyn_c"}));

    SelectExactGroups(*items, "cal_b,fix_a");
    EXPECT_EQ(ReadGroups(*session, user).total, 5);
    ASSERT_TRUE(session->RefreshGroups());
    EXPECT_EQ(items->CheckedGroupNames(), (std::vector<std::string>{"cal_b", "fix_a"}));
    EXPECT_EQ(Value("fix_a.gain"), "12");
    EXPECT_EQ(session->GroupTable().Number("dyn_c"), 3);

    session->Close();
    std::string text;
    ASSERT_TRUE(ReadWholeFile(ini, text));
    EXPECT_EQ(text, "[Host]\r\nLastPort=COM3\r\n[Mode]\r\nNVMSelGroups=cal_b,fix_a\r\n");
}

}  // namespace
}  // namespace vtq
