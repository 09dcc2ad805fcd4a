#include "editor/group_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/group_items.h"
#include "support/scripted_host.h"

namespace vtq {
namespace {

using test::LoggedLine;
using test::ScriptedHost;

std::vector<std::pair<std::string, int>> Pairs(const TargetGroupTable& t) {
    return {t.Entries().begin(), t.Entries().end()};
}

TEST(GroupTableTest, ParsesTheGroupListAnswer) {
    struct Case {
        const char* answer;
        std::vector<std::pair<std::string, int>> table;
    };
    const Case cases[] = {
        {"$nvm_groups\nfix_a=1\ncal_b=2\ndyn_c=3", {{"cal_b", 2}, {"dyn_c", 3}, {"fix_a", 1}}},
        {"$nvm_groups:\r\nfix_a=1\r\nFIX_A=7\r\n", {{"fix_a", 1}}},
        {"$nvm_groups\n=5\nempty=\nnoequals\n", {{"empty", 0}}},
        {"$nvm_groups\n  sp g  = 12\r\n\tneg=-3\nmix=12abc\nlast=\t 4", {{"last", 4}, {"mix", 12}, {"neg", -3}, {"sp g", 12}}},
        {"before=9\n$nvm_groups\na=1\n$nvm_groups\nb=2", {{"a", 1}, {"b", 2}}},
        {"a=1\nb=2", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        TargetGroupTable t;
        ParseGroupListAnswer(c.answer, t);
        EXPECT_EQ(Pairs(t), c.table) << c.answer;
    }
    TargetGroupTable t;
    ParseGroupListAnswer("$nvm_groups\nfix_a=1\nFIX_A=7\nbig=99999999999", t);
    EXPECT_EQ(t.Number("FIX_A"), 1);
    EXPECT_EQ(t.Number("Fix_A"), 1);
    EXPECT_EQ(t.Number("fix"), -1);
    EXPECT_EQ(t.Number("big"), 2147483647);
}

class GroupListTest : public ::testing::Test {
protected:
    void Answer(const std::string& body) { host.answers[kGroupListCommand] = body + "\r\nOK\r\n"; }
    std::vector<bool> Checks() const {
        std::vector<bool> c;
        for (int i = 0; i < items.GroupCount(); ++i) c.push_back(items.IsChecked(i));
        return c;
    }
    std::vector<bool> NotOnTarget() const {
        std::vector<bool> c;
        for (int i = 0; i < items.GroupCount(); ++i) c.push_back(items.IsNotOnTarget(i));
        return c;
    }
    ScriptedHost host;
    GroupItems items{&host, true};
    TargetGroupTable table;
};

TEST_F(GroupListTest, FetchAddsListedGroupsAndMarksTheOthers) {
    items.FindOrAddGroup("file_only");
    items.FindOrAddGroup("CAL_B");
    items.MarkAllNotOnTarget();
    Answer("$nvm_groups:\r\nfix_a=1\r\ncal_b=2");
    EXPECT_TRUE(FetchGroupList(host, items, table, ""));
    EXPECT_EQ(host.commands, std::vector<std::string>{"at@nvm:$nvm_groups??\r"});
    EXPECT_EQ(items.AllGroupNames(), (std::vector<std::string>{"CAL_B", "file_only", "fix_a"}));
    EXPECT_EQ(NotOnTarget(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(Checks(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(table.Number("cal_b"), 2);
    EXPECT_TRUE(host.lines.empty());
}

TEST_F(GroupListTest, FailedFetchLeavesTheGroupsAndLogs) {
    const std::vector<std::pair<const char*, bool>> failures = {
        {"ERROR", true},                    // not a good answer
        {"", false},                        // no answer at all
        {"$nvm_groups\r\nnothing\r\nOK", true},  // no usable line
        {"groups: a=1\r\nOK", true},        // no key
    };
    for (const auto& [answer, received] : failures) {
        ScriptedHost h;
        GroupItems g(&h, true);
        g.FindOrAddGroup("keep");
        g.FindOrAddGroup("other");
        g.SetNotOnTarget(1, true);
        TargetGroupTable t;
        t.Add("stale", 4);
        h.responder = [&, a = std::string(answer), r = received](const std::string&, std::string& out) {
            out = a;
            return r;
        };
        EXPECT_FALSE(FetchGroupList(h, g, t, "other")) << answer;
        EXPECT_TRUE(t.Empty());
        EXPECT_EQ(g.AllGroupNames(), (std::vector<std::string>{"keep", "other"}));
        EXPECT_FALSE(g.IsNotOnTarget(0));
        EXPECT_TRUE(g.IsNotOnTarget(1));
        EXPECT_EQ(h.lines, (std::vector<LoggedLine>{{kGroupListFailedLine, 0}}));
        // The stored selection is applied to what is there.
        EXPECT_FALSE(g.IsChecked(0));
        EXPECT_TRUE(g.IsChecked(1));
    }
}

TEST_F(GroupListTest, StoredSelectionIsAppliedAndRefreshKeepsIt) {
    Answer("$nvm_groups\r\nfix_a=1\r\ncal_b=2\r\ndyn_c=3\r\n\"q x\"=4");
    ASSERT_TRUE(FetchGroupList(host, items, table, "CAL_B,gone"));
    EXPECT_EQ(Checks(), (std::vector<bool>{false, true, false, false}));
    ASSERT_TRUE(FetchGroupList(host, items, table, JoinCommaText({"\"q x\"", "fix_a"})));
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false, false, true}));

    // An empty stored text changes nothing.
    EXPECT_FALSE(ApplyStoredSelection(items, ""));
    EXPECT_FALSE(ApplyStoredSelection(items, " , "));
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false, false, true}));

    // Refresh stores the current selection first; groups the target no longer lists stay checked
    // but are marked, and the selection comes back after the fetch.
    items.SetChecked(1, true);
    std::string stored = "fix_a";
    Answer("$nvm_groups\r\ncal_b=2\r\ndyn_c=3");
    EXPECT_TRUE(RefreshGroupList(host, items, table, stored));
    EXPECT_EQ(stored, "\"\"\"q x\"\"\",cal_b,fix_a");
    EXPECT_EQ(Checks(), (std::vector<bool>{true, true, false, true}));
    EXPECT_EQ(NotOnTarget(), (std::vector<bool>{true, false, false, true}));

    // With no groups listed yet the stored selection is not replaced.
    GroupItems empty(&host, true);
    stored = "dyn_c";
    EXPECT_TRUE(RefreshGroupList(host, empty, table, stored));
    EXPECT_EQ(stored, "dyn_c");
    EXPECT_EQ(empty.CheckedGroupNames(), std::vector<std::string>{"dyn_c"});
}

TEST_F(GroupListTest, SelectionCommands) {
    for (const char* name : {"cal_a", "xCAL_y", "fix_b", "dyn_c", "other"}) items.FindOrAddGroup(name);
    // Order by name: cal_a, dyn_c, fix_b, other, xCAL_y.
    items.SetChecked(3, true);
    EXPECT_TRUE(SelectGroupsContaining(items, "Cal_"));
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false, false, true, true}));
    EXPECT_FALSE(SelectGroupsContaining(items, "cal_"));
    EXPECT_FALSE(SelectGroupsContaining(items, "nothing"));
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false, false, true, true}));

    EXPECT_TRUE(SelectExactGroups(items, "FIX_B,dyn_c,absent"));
    EXPECT_EQ(Checks(), (std::vector<bool>{false, true, true, false, false}));
    EXPECT_EQ(items.CheckedCount(), 2);
    EXPECT_TRUE(SelectExactGroups(items, ""));
    EXPECT_EQ(items.CheckedCount(), 0);

    EXPECT_TRUE(SetCheckStates(items, {true, false, true}));
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false, true, false, false}));
    EXPECT_FALSE(SetCheckStates(items, {true, false, true, false, false, true}));
}

TEST_F(GroupListTest, SelectionDisplayAndLineText) {
    struct Case {
        int checked, total;
        const char* caption;
        bool none, all, clear;
    };
    const Case cases[] = {
        {0, 0, "Selected NVM Groups (0/0)", false, false, false},
        {0, 3, "Selected NVM Groups (0/3)", false, true, true},
        {3, 41, "Selected NVM Groups (3/41)", true, true, true},
        {3, 3, "Selected NVM Groups (3/3)", true, false, true},
    };
    for (const Case& c : cases) {
        const SelectionDisplay d = GetSelectionDisplay(c.checked, c.total);
        EXPECT_EQ(d.caption, c.caption);
        EXPECT_EQ(d.selectNoneEnabled, c.none) << c.caption;
        EXPECT_EQ(d.selectAllEnabled, c.all) << c.caption;
        EXPECT_EQ(d.clearEnabled, c.clear) << c.caption;
    }

    items.FindOrAddGroup("grp");
    items.FindOrAddGroup("zz");
    items.SetChecked(0, true);
    items.AddParameter(0, "grp.a", "1", "", false);
    items.AddParameter(0, "grp.b", "2", "", false);
    EXPECT_EQ(GroupLineText(items, 0), "grp (2)");
    EXPECT_EQ(GroupLineText(items, 1), "zz");
    EXPECT_EQ(GetSelectionDisplay(items).caption, "Selected NVM Groups (1/2)");

    items.ClearAll();
    const SelectionDisplay cleared = GetSelectionDisplay(items);
    EXPECT_EQ(cleared.caption, "Selected NVM Groups (0/0)");
    EXPECT_FALSE(cleared.selectAllEnabled || cleared.selectNoneEnabled || cleared.clearEnabled);
}

}  // namespace
}  // namespace vtq
