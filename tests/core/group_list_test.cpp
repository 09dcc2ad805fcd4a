#include "core/group_list.h"

#include <gtest/gtest.h>

#include <tuple>

#include "channel/target_commands.h"
#include "model/group_items.h"
#include "support/host_model_link.h"
#include "support/scripted_host.h"

namespace vtq {
namespace {

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

class GroupListTest : public ::testing::Test {
protected:
    std::vector<bool> Flags(bool (GroupItems::*flag)(int) const) const {
        std::vector<bool> c;
        for (int i = 0; i < items.GroupCount(); ++i) c.push_back((items.*flag)(i));
        return c;
    }
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

    items.AddParameter(0, "cal_a.a", "1", "", false);
    items.AddParameter(0, "cal_a.b", "2", "", false);
    EXPECT_EQ(GroupLineText(items, 0) + "|" + GroupLineText(items, 1), "cal_a (2)|dyn_c");
    // Checked, total: caption, Select None, Select All, Clear enabled.
    for (const auto& [checked, total, none, all, clear] : {std::tuple(0, 0, false, false, false),
                                                           std::tuple(0, 1, false, true, true),
                                                           std::tuple(1, 1, true, false, true)}) {
        const SelectionDisplay d = GetSelectionDisplay(checked, total);
        EXPECT_EQ(std::tuple(d.caption, d.selectNoneEnabled, d.selectAllEnabled, d.clearEnabled),
                  std::tuple("Selected NVM Groups (" + std::to_string(checked) + "/" + std::to_string(total) + ")",
                             none, all, clear));
    }
}

}  // namespace
}  // namespace vtq
