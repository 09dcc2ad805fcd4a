// The group list and its selection; the dump answers' lines; Read Groups against the in-process simulated modem.

#include <algorithm>
#include <tuple>

#include "base/file_io.h"
#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "core/dump_parser.h"
#include "core/group_list.h"
#include "support/host_model_link.h"
#include "support/piece_encoder.h"
#include "support/scripted_host.h"
#include "session_fixture.h"

namespace vtq {
namespace {

using test::LoggedLine;
using Texts = std::vector<std::string>;

// cal_b holds an array longer than a dump shows: its read also sends the size and value queries.
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

class ReadGroupsTest : public test::SessionTest {
protected:
    void SetUp() override { Open(kImage); }
    void TearDown() override { EXPECT_TRUE(decoderMessages.empty()); }
    int Count(const std::string& group) { return Items().GroupParamCount(Items().GroupIndex(group)); }
    std::string Value(const std::string& name) { return Rec(name) ? Rec(name)->value : "<missing>"; }
    static int Dumps(const Texts& commands) {
        return static_cast<int>(std::count_if(commands.begin(), commands.end(),
                                              [](const auto& c) { return c.starts_with("at@nvm:dump_csv_add("); }));
    }
};

TEST_F(ReadGroupsTest, OneGroupShowsNoBarThreeGroupsCountUpAndQueryLongArrays) {
    EXPECT_EQ(Read("fix_a").total, 3);
    EXPECT_EQ(std::tuple(user.statuses, user.barVisible, host->commands, Value("fix_a.offset") + Value("fix_a.lut")),
              std::tuple(Texts{"Reading \"fix_a\" group..."}, false, Texts{"at@nvm:dump_csv_add(\"fix_a\")\r"},
                         "-31,2,3,4"));

    Fresh();
    const ReadGroupsResult r = Read("fix_a,cal_b,dyn_c");
    EXPECT_EQ(std::tuple(r.total, r.groupsRead, r.RebuildGrid()), std::tuple(7, 3, true));
    EXPECT_EQ(std::tuple(user.barVisible, user.range, user.positions, host->lines),
              std::tuple(true, 3, std::vector{0, 0, 1, 2}, std::vector<LoggedLine>{{"7 NVM items read in total.", 1}}));
    // A second read replaces the values instead of adding to them; the fill entry is dropped.
    EXPECT_EQ(std::tuple(Count("fix_a"), Count("dyn_c"), Value("dyn_c.label")), std::tuple(3, 2, "\"hi\""));
    const std::string big = Value("cal_b.big");
    // Beyond the dump's cut: fetched by queries.
    EXPECT_TRUE(std::count(big.begin(), big.end(), ',') == 1199 && big.ends_with(",2,2") && Items().ViewCount() == 7);
    ExpectCleanEnd();
}

// Cancel pressed while dyn_c, the second group, is read is seen at the third group's turn; the host closing
// the window (with or without losing the target in the same exchange) lets the exchange in flight complete.
TEST_F(ReadGroupsTest, CancelOrCloseDuringAThreeGroupRead) {
    const std::tuple<const char*, int, bool, bool, std::vector<LoggedLine>> cases[] = {
        {"cancel", 3, false, false, {{kReadCancelledLine, 1}, {"4 NVM items read in total.", 1}}},
        {"close", 2, true, false, {}},
        {"close, target lost", 2, true, true, {}}};  // what, events turn, closing, lost, lines
    for (const auto& [what, turn, closing, lost, lines] : cases) {
        SCOPED_TRACE(what);
        Read("fix_a");
        Fresh();
        user.onProcessEvents = [&](int call) {
            if (call != turn) return;
            (closing ? user.closing : user.cancelled) = true;
            if (lost) host->faults().loseAfter = host->modem().commandCount() + 1;
        };
        const ReadGroupsResult r = Read("fix_a,cal_b,dyn_c");
        EXPECT_EQ(std::tuple(r.cancelled, r.closing, r.RebuildGrid()), std::tuple(!closing, closing, !closing));
        EXPECT_EQ(std::pair(Dumps(host->commands), host->lines), std::pair(2, lines));
        if (!closing) {  // fix_a was emptied before the cancel was seen, and not read
            EXPECT_EQ(std::tuple(r.total, Count("cal_b"), Count("dyn_c"), Count("fix_a")), std::tuple(4, 2, 2, 0));
        }
        ExpectCleanEnd();
    }
}

TEST_F(ReadGroupsTest, TargetLostAtEveryCommandOfAThreeGroupRead) {
    ASSERT_EQ(Read("fix_a,cal_b,dyn_c").total, 7);
    const Texts reference = host->commands;
    for (int k = 1; k <= static_cast<int>(reference.size()); ++k) {
        SCOPED_TRACE("target lost at command " + std::to_string(k));
        SetUp();
        host->faults().loseAfter = host->modem().commandCount() + k;
        const ReadGroupsResult r = Read("fix_a,cal_b,dyn_c");
        EXPECT_TRUE(r.targetLost && !r.cancelled);
        // No group is started after the loss; groups finished before it hold their values; the totals line comes
        // before the lost message.
        EXPECT_EQ(host->commands, Texts(reference.begin(), reference.begin() + k));
        const int dumpsBeforeLoss = Dumps(host->commands);
        const std::string totals = r.total ? std::to_string(r.total) + " NVM items read in total." : kNoItemsReadLine;
        EXPECT_EQ(host->lines, (std::vector<LoggedLine>{{totals, 1}, {kTargetLostMessage, 0}}));
        for (const NVMParameter* p : Items().View()) EXPECT_NE(p->value, "") << p->name;  // no answer is no value
        EXPECT_EQ(std::tuple(Count("cal_b"), Count("dyn_c"), Count("fix_a")),
                  std::tuple(dumpsBeforeLoss >= 2 ? 2 : Count("cal_b"), dumpsBeforeLoss == 3 ? 2 : Count("dyn_c"), 0));
        ExpectCleanEnd();
        TearDown();
    }
}

TEST_F(ReadGroupsTest, NothingToRead) {
    EXPECT_FALSE(Read("").started);
    EXPECT_EQ(std::pair(user.messages, user.busyCalls), std::pair(Texts{kNoGroupsToReadMessage}, 0));
    user.messages.clear();

    // Failed exchanges are skipped silently, and the old values are gone.
    Read("fix_a");
    host->lines.clear();
    host->faults().errorPattern = "dump_csv_add";
    const ReadGroupsResult r = Read("fix_a,dyn_c");
    EXPECT_EQ(std::tuple(r.total, r.RebuildGrid(), Count("fix_a"), host->lines),
              std::tuple(0, false, 0, std::vector<LoggedLine>{{kNoItemsReadLine, 1}}));
    ExpectCleanEnd();
}

// A piece the target damaged loses its parameter: the read counts it and its summary says the read is incomplete.
TEST_F(ReadGroupsTest, DamagedPiecesAreCountedAsSkipped) {
    host->faults().corruptPiece = 2;
    host->faults().damage = nvmsim::PieceDamage::Truncated;
    const ReadGroupsResult r = Read("fix_a,cal_b");
    EXPECT_EQ(std::tuple(r.total, r.skipped, Rec("fix_a.offset")), std::tuple(3, 2, nullptr));
    ASSERT_FALSE(host->lines.empty());
    EXPECT_EQ(host->lines.back(),
              (LoggedLine{"The read is incomplete: 2 parameters were skipped (see the lines above).", 0}));
    ExpectCleanEnd();
}

// The selection stored at the last close is checked at the next start; the host's other keys stay.
TEST_F(ReadGroupsTest, StartAppliesTheStoredSelectionRefreshKeepsItCloseStoresIt) {
    const std::string ini = dir.File("Brevant.ini");
    session.reset();  // its close stores the selection
    ASSERT_TRUE(WriteFileAtomically(ini, "[Host]\r\nLastPort=COM3\r\n[Mode]\r\nNVMSelGroups=CAL_B,\"dyn_c\"\r\n"));
    Open(kImage);
    EXPECT_EQ(Items().CheckedGroupNames(), (Texts{"cal_b", "dyn_c"}));

    SelectExactGroups(Items(), "cal_b,fix_a");
    EXPECT_EQ(ReadGroups(*session, user).total, 5);
    ASSERT_TRUE(session->RefreshGroups());
    EXPECT_EQ(std::tuple(Items().CheckedGroupNames(), Value("fix_a.gain"), session->GroupTable().Number("dyn_c")),
              std::tuple(Texts{"cal_b", "fix_a"}, "12", 3));

    session->Close();
    session.reset();  // a second close stores nothing
    EXPECT_EQ(test::FileText(ini), "[Host]\r\nLastPort=COM3\r\n[Mode]\r\nNVMSelGroups=cal_b,fix_a\r\n");
}

TEST(GroupTableTest, ParsesTheGroupListAnswer) {
    using Table = std::vector<std::pair<std::string, int>>;
    const std::pair<const char*, Table> cases[] = {
        {"$nvm_groups\nfix_a=1\ncal_b=2\ndyn_c=3", {{"cal_b", 2}, {"dyn_c", 3}, {"fix_a", 1}}},
        {"$nvm_groups:\r\nfix_a=1\r\nFIX_A=7\r\n", {{"fix_a", 1}}},
        {"$nvm_groups\n=5\nempty=\nnoequals\n", {{"empty", 0}}},
        {"$nvm_groups\n  sp g  = 12\r\n\tneg=-3\nmix=12abc\nlast=\t 4", {{"last", 4}, {"mix", 12}, {"neg", -3}, {"sp g", 12}}},
        {"before=9\n$nvm_groups\na=1\n$nvm_groups\nb=2", {{"a", 1}, {"b", 2}}},
        {"a=1\nb=2", {}},
    };
    for (const auto& [answer, expected] : cases) {
        TargetGroupTable t;
        ParseGroupListAnswer(answer, t);
        EXPECT_EQ(Table(t.Entries().begin(), t.Entries().end()), expected) << answer;
    }
    TargetGroupTable t;
    ParseGroupListAnswer("$nvm_groups\nfix_a=1\nFIX_A=7\nbig=99999999999", t);
    EXPECT_EQ(std::tuple(t.Number("Fix_A"), t.Number("fix"), t.Number("big")), std::tuple(1, -1, 2147483647));
}

using Names = std::vector<std::string>;
using test::EncodePiece;

// A group list over a scripted host, without a session.
class GroupListTest : public ::testing::Test {
protected:
    std::vector<bool> Flags(bool (GroupItems::*flag)(int) const) const {
        std::vector<bool> c;
        for (int i = 0; i < items.GroupCount(); ++i) c.push_back((items.*flag)(i));
        return c;
    }
    NVMParameter* Find(const char* name) { return items.Group(0)->params.Find(name); }
    test::ScriptedHost host;
    test::HostModelLink link{host};
    GroupItems items{&link};
    TargetGroupTable table;
};

TEST_F(GroupListTest, FetchAddsListedGroupsAndMarksTheOthers) {
    items.FindOrAddGroup("file_only");
    items.FindOrAddGroup("CAL_B");
    host.answers[cmd::kGroupList] = "$nvm_groups:\r\nfix_a=1\r\ncal_b=2\r\nOK\r\n";
    EXPECT_TRUE(FetchGroupList(host, items, table, "fix_a"));
    EXPECT_EQ(std::tuple(host.commands, items.AllGroupNames(), table.Number("cal_b"), host.lines.size()),
              std::tuple(Names{"at@nvm:$nvm_groups??\r"}, Names{"CAL_B", "file_only", "fix_a"}, 2, 0u));
    EXPECT_EQ(std::pair(Flags(&GroupItems::IsNotOnTarget), Flags(&GroupItems::IsChecked)),
              std::pair(std::vector{false, true, false}, std::vector{false, false, true}));
}

TEST_F(GroupListTest, FailedFetchLeavesTheGroupsAndLogs) {
    const std::pair<const char*, bool> failures[] = {
        {"ERROR", true}, {"", false}, {"$nvm_groups\r\nnothing\r\nOK", true}, {"groups: a=1\r\nOK", true}};
    items.FindOrAddGroup("keep");
    items.FindOrAddGroup("other");
    items.SetNotOnTarget(1, true);
    for (const auto& [answer, received] : failures) {
        host.lines.clear();
        items.SetChecked(1, false);
        table.Add("stale", 4);
        host.responder = [&, a = std::string(answer), r = received](const std::string&, std::string& out) {
            out = a;
            return r;
        };
        EXPECT_FALSE(FetchGroupList(host, items, table, "other")) << answer;
        EXPECT_TRUE(table.Empty() && !items.IsNotOnTarget(0) && items.IsNotOnTarget(1));
        // The stored selection still applies.
        EXPECT_EQ(std::tuple(items.AllGroupNames(), host.lines, items.CheckedGroupNames()),
                  std::tuple(Names{"keep", "other"}, std::vector<test::LoggedLine>{{kGroupListFailedLine, 0}},
                             Names{"other"}));
    }
}

TEST_F(GroupListTest, SelectionCommands) {
    // In name order: cal_a, dyn_c, fix_b, other, xCAL_y.
    for (const char* name : {"cal_a", "xCAL_y", "fix_b", "dyn_c", "other"}) items.FindOrAddGroup(name);
    items.SetChecked(3, true);
    EXPECT_TRUE(SelectGroupsContaining(items, "Cal_") && !SelectGroupsContaining(items, "nothing"));  // adds
    EXPECT_EQ(Flags(&GroupItems::IsChecked), (std::vector<bool>{true, false, false, true, true}));

    EXPECT_TRUE(SelectExactGroups(items, "FIX_B,dyn_c,absent"));
    EXPECT_EQ(Flags(&GroupItems::IsChecked), (std::vector<bool>{false, true, true, false, false}));
    // Changing nothing, or naming no group, reports no change.
    EXPECT_TRUE(!SelectExactGroups(items, "dyn_c,fix_b") && !ApplyStoredSelection(items, " , ") &&
                ApplyStoredSelection(items, "\"OTHER\""));
    EXPECT_EQ(items.CheckedGroupNames(), Names{"other"});
}

struct DumpParsing : GroupListTest {
    void SetUp() override { items.FindOrAddGroup("grp"); }
};

TEST_F(DumpParsing, LinesAreSplitIntoNameAndValueOrReported) {
    const std::tuple<const char*, const char*, const char*> cases[] = {  // line, record name, value or message
        {"  grp.gain ;{ 12 }\r\n", "grp.gain", "12"},
        {"grp.lut[0];{1, 2, 3,4}", "grp.lut", "1,2,3,4"},
        {"grp.name;{\"abc\"}", "grp.name", "\"abc\""},
        {"grp.s;{{1,2},{3}}", "grp.s", "{1,2"},
        {" \t ", nullptr, nullptr},
        {"grp.x 5", nullptr, "Skipping parameter: name not found in target answer: \"grp.x 5\""},
        {"grp.x;5", nullptr, "Skipping parameter: value start not found in target answer: \"grp.x;5\""},
        {"grp.x;{5", nullptr, "Skipping parameter: value end not found in target answer: \"grp.x;{5\""},
        {"{a;b}", nullptr, "Skipping parameter: value start not found in target answer: \"{a;b}\""},
        {"grp.a=1;{5}", nullptr, "Skipping parameter: name not usable in a command: \"grp.a=1;{5}\""},
        {"grp.t[1;{5}", nullptr, "Skipping parameter: name not usable in a command: \"grp.t[1;{5}\""},
        {"grp.\x01x;{5}", nullptr, "Skipping parameter: name not usable in a command: \"grp.\x01x;{5}\""},
        {"grp.t.[]x;{5}", nullptr, "Skipping parameter: name not usable in a command: \"grp.t.[]x;{5}\""},
        // An empty element would go out as a write whose values do not fill its element range.
        {"grp.t[0];{1,}", nullptr, "Skipping parameter: value holds an empty element: \"grp.t[0];{1,}\""},
        {"grp.u;{ , }", nullptr, "Skipping parameter: value holds an empty element: \"grp.u;{ , }\""},
        {"grp.v;{1,,2}", nullptr, "Skipping parameter: value holds an empty element: \"grp.v;{1,,2}\""},
        {"grp.w;{\"a,,b\",\"\"}", "grp.w", "\"a,,b\",\"\""},
    };
    for (const auto& [line, name, text] : cases) {
        host.lines.clear();
        EXPECT_EQ(ParseDumpLine(items, line, 0), name != nullptr) << line;
        if (name) { EXPECT_EQ(Find(name) ? Find(name)->value : "<missing>", text) << line; }
        const std::vector<LoggedLine> logged = {LoggedLine{text ? text : "", 0}};
        EXPECT_EQ(host.lines, !name && text ? logged : std::vector<LoggedLine>{}) << line;
    }
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(DumpParsing, WarningsRefetchAndAReadRecordIsUnchanged) {
    host.answers = {{"at@nvm:grp.big??\r", "grp.big[0,3]\r\nOK"}, {"at@nvm:grp.big[0,3]?\r", "{1,2,3,4}\r\nOK"}};
    EXPECT_TRUE(ParseDumpLine(items, "grp.big[0];{1,2,3} WARNING: truncated", 0));
    EXPECT_EQ(std::pair(Find("grp.big")->value, host.commands.size()), std::pair(std::string("1,2,3,4"), size_t{2}));
    EXPECT_TRUE(ParseDumpLine(items, "grp.b2[0];{1,WARNING} x", 0) &&
                ParseDumpLine(items, "grp.b3[0];{1,2} warning", 0));
    EXPECT_EQ(host.commands.size(), 2u);

    items.AddParameter(0, "grp.a", "1", "", false)->state = ParameterState::NotStored;
    EXPECT_TRUE(ParseDumpLine(items, " grp.a;{2} ", 0));
    EXPECT_EQ(Find("grp.a")->state, ParameterState::Unchanged);
    EXPECT_FALSE(ParseDumpLine(items, "grp.pad.fill_1;{0}", 0) || ParseDumpLine(items, "other.x;{0}", 5));
}

TEST_F(DumpParsing, AnswersAreCutAtMarkersNotAtLineEnds) {
    const std::string answer = "junk " + EncodePiece("grp.a;{1}") + EncodePiece("grp.b;{2, 3}") + "\r\n" +
                               EncodePiece("grp.x 5}") + EncodePiece("grp.f.fill_2;{0}") + "\r\n " +
                               EncodePiece("grp.e;{6}");
    EXPECT_EQ((std::pair{ParseDumpAnswer(items, answer, 0), Find("grp.b")->value}), std::pair(3, std::string("2,3")));
    EXPECT_EQ(host.Texts(), Texts{"Skipping parameter: name not found in target answer: \"grp.x 5}\""});
    EXPECT_EQ(ParseDumpAnswer(items, answer, 3), 0);

    // Nothing to add; a piece that decodes to nothing (damaged, or run into a
    // following line that is no piece) is reported, so no parameter vanishes unseen.
    const std::pair<std::string, bool> nones[] = {
        {"", false}, {"OK", false}, {"grp.q;{1}", false}, {"%B64:" + EncodePiece("grp.q;{1}").substr(5), false},
        {"%b64:", true}, {"%b64:!!!!", true}, {EncodePiece("grp.q;{1}") + "\r\nnot a piece", true}};
    for (const auto& [none, reported] : nones) {
        host.lines.clear();
        EXPECT_EQ((std::pair{ParseDumpAnswer(items, none, 0), host.lines.size()}), std::pair(0, size_t{reported}))
            << none;
        if (reported) {
            EXPECT_TRUE(host.lines[0].text.starts_with("Skipping parameter: piece could not be decoded: \"%b64:"));
        }
    }
    EXPECT_EQ(Find("grp.q"), nullptr);
}

// Parsing prepares the group's display order and table-base check in advance;
// the results must be those of doing the work later.
TEST_F(DumpParsing, PreparedGroupsBehaveAsUnprepared) {
    items.SetChecked(0, true);
    const std::string answer = EncodePiece("grp.t[10];{1}") + EncodePiece("grp.t[9];{1}") + EncodePiece("grp.a;{1}") +
                               EncodePiece("grp.a.b;{1}") + EncodePiece("grp.a.b.c;{1}");
    UpdateBracket bracket(items);
    EXPECT_EQ(ParseDumpAnswer(items, answer, 0), 5);
    for (int removed : {1, 1, 0}) EXPECT_EQ(items.RemoveExtraLutFill(false), removed);
    items.AddParameter(0, "grp.t", "1", "", false);
    EXPECT_EQ(items.RemoveExtraLutFill(false), 1);
    items.EndUpdate();
    ASSERT_EQ(items.ViewCount(), 3);
    EXPECT_EQ(items.ViewItem(1)->name + items.ViewItem(2)->name, "grp.t[9]grp.t[10]");
    items.BeginUpdate();
}

}  // namespace
}  // namespace vtq
