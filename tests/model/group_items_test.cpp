#include "model/group_items.h"
#include "support/host_model_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_host.h"

namespace vtq {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> ViewNames(const GroupItems& items) {
    std::vector<std::string> names;
    for (const NVMParameter* p : items.View()) names.push_back(p->name);
    return names;
}

std::string Shape(const NVMParameter* p) {
    return p ? p->name + " {" + p->value + "} " + std::to_string(p->elementCount) + " " + p->dimensionText : "none";
}

void Add(GroupItems& items, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        items.FindOrAddGroup(GroupOfName(name));
        items.AddParameter(items.GroupIndex(GroupOfName(name)), name, "1", "", false);
    }
}

TEST(GroupItemsGroups, CaseInsensitiveGroupsFlagsAndStates) {
    GroupItems items;
    GroupItem* g = nullptr;
    EXPECT_TRUE(items.FindOrAddGroup("fix_b") && items.FindOrAddGroup("CAL_A") && !items.FindOrAddGroup("FIX_B", &g));
    EXPECT_EQ(g->name, "fix_b");
    EXPECT_THAT(items.AllGroupNames(), ElementsAre("CAL_A", "fix_b"));
    EXPECT_EQ(std::pair(items.GroupIndex("Fix_B"), items.GroupIndex("none")), std::pair(1, -1));
    // Each setter tells whether anything changed (braces keep the calls in order).
    EXPECT_EQ((std::tuple{items.SetChecked(-1, true), items.SetChecked(1, true), items.SetChecked(1, true)}),
              std::tuple(false, true, false));
    EXPECT_THAT(items.CheckedGroupNames(), ElementsAre("fix_b"));
    EXPECT_EQ((std::pair{items.CheckAllGroups(), items.CheckAllGroups()}), std::pair(true, false));
    EXPECT_EQ(items.CheckedCount(), 2);
    items.MarkAllNotOnTarget();
    EXPECT_EQ((std::pair{items.SetNotOnTarget(0, false), items.SetNotOnTarget(0, false)}), std::pair(true, false));
    EXPECT_TRUE(items.IsNotOnTarget(1) && !items.IsNotOnTarget(0) && !items.IsNotOnTarget(2));

    items.AddParameter(0, "CAL_A.a[0]", "1,2", "", false);
    items.AddParameter(0, "CAL_A.b", "2", "", false)->state = ParameterState::NotStored;
    int unchanged = 0, notStored = 0, inRam = 0;
    items.CountStates("cal_a", &unchanged, &notStored, nullptr);
    EXPECT_EQ(unchanged + 10 * notStored, 11);
    EXPECT_TRUE(items.SetGroupState("cal_a", ParameterState::InTargetRAM));
    EXPECT_FALSE(items.SetGroupState("other", ParameterState::Unchanged));
    items.CountStates("CAL_A", nullptr, nullptr, &inRam);
    EXPECT_EQ(inRam, 2);

    EXPECT_TRUE(items.IndexedNames());
    items.ClearAll();
    EXPECT_EQ(items.GroupCount() + items.IndexedNames() + items.FilterHidesAll(), 0);
}

TEST(GroupItemsAdd, ShapesRecordsFromTheDumpAlone) {
    test::ScriptedHost host;
    test::HostModelLink link(host, false);
    GroupItems items(&link);
    items.FindOrAddGroup("grp");
    const std::tuple<const char*, const char*, const char*> cases[] = {  // name, value, record shape
        {"grp.level", " 12 ", "grp.level {12} 0 "},
        {"grp.list", "1, 2,\t3", "grp.list {1,2,3} 3 3"},
        // Blanks inside a quoted string are part of the value; blanks around it are not.
        {"grp.s", " \"band 3/7\t20\" ", "grp.s {\"band 3/7\t20\"} 0 "},
        {"grp.ss", "\"a b\r\nc\" ", "grp.ss {\"a bc\"} 0 "},
        {"grp.gain_2x3", "1,2,3,4,5,6", "grp.gain {1,2,3,4,5,6} 6 6"},
        {"grp.mode_1", "4", "grp.mode {4} 1 1"},      // scalar query impossible: one-element array
        {"grp.tbl_4x8", "1,2", "grp.tbl {1,2} 2 2"},  // sizes disagree, nothing to ask: the dump wins
        {"grp.r[0,3]", "5", "grp.r[0,3] {5} 0 "},
        {"_5", "7", "_5 {7} 0 "},  // a suffix needs a name before it
        {"grp.lut[0]", "1, 2, 3,4", "grp.lut {1,2,3,4} 4 4"},
        {"grp.after_2x2", "1,2,3,4", "grp.after_2x2 {1,2,3,4} 4 4"},  // indexed names: suffix kept
    };
    for (const auto& [name, value, shape] : cases) {
        NVMParameter* p = items.AddParameter(0, name, value, "uint8", false);
        ASSERT_EQ(Shape(p), shape);
        EXPECT_EQ(p->type + char('0' + int(p->state)), "uint80");
        EXPECT_EQ(items.Group(0)->params.Find(p->name), p);
    }
    EXPECT_TRUE(host.commands.empty());
}

struct GroupItemsQueries : ::testing::Test {
    GroupItemsQueries() { items.FindOrAddGroup("grp"); }
    test::ScriptedHost host;
    test::HostModelLink link{host};
    GroupItems items{&link};
};

TEST_F(GroupItemsQueries, RefusesFillersAndUnknownGroupsAndKeepsTheFirstOfAName) {
    for (const char* declined : {"grp.pad.fill_3", "grp.FILL_3", "other.x"})  // fillers silently, the other loudly
        EXPECT_EQ(items.AddParameter(*declined == 'o', declined, "0", "", false), nullptr);
    EXPECT_THAT(host.lines, ElementsAre(test::LoggedLine{"Ignored adding \"other.x\" because the group does not exist.", 1}));

    NVMParameter* first = items.AddParameter(0, "grp.x", "1", "", false);
    EXPECT_EQ(items.AddParameter(0, "GRP.X", "2", "", false), first);
    EXPECT_EQ(first->value + std::to_string(items.GroupParamCount(0)), "11");
}

TEST_F(GroupItemsQueries, AsksTheTargetWhenTheDumpIsNotEnough) {
    host.answers = {
        {"at@nvm:grp.tab??\r", "grp.tab[0,899]\r\nOK\r\n"},
        {"at@nvm:grp.tab[0,899]?\r", "grp.tab[0,899]={ 7, 8 }\r\nOK\r\n"},
        {"at@nvm:grp.mode_1?\r", "3\r\nOK"},
        {"at@nvm:grp.tbl??\r", "grp.tbl[0, 31]\r\nOK"},
        {"at@nvm:grp.tbl[0,31]?\r", "{9,9}\r\nOK"},
        {"at@nvm:grp.r[0,3]??\r", "grp.r[0,3]={1, 2, 3, 4}\r\nOK"},
        {"at@nvm:grp.e??\r", "grp.e[0,1]\r\nOK"},
        {"at@nvm:grp.e[0,1]?\r", "{5,6}\r\nOK"},
        {"at@nvm:grp.w_2x2??\r", "OK"},
    };

    // Scalar query accepted: the suffix is part of the name.
    EXPECT_EQ(Shape(items.AddParameter(0, "grp.mode_1", "4", "", false)), "grp.mode_1 {4} 0 ");
    // Suffix size disagrees with the dump: full name unknown, stripped name answers 32.
    EXPECT_EQ(Shape(items.AddParameter(0, "grp.tbl_4x8", "1,2,3", "", false)), "grp.tbl {9,9} 32 32");
    EXPECT_EQ(Shape(items.AddParameter(0, "grp.r[0,3]", "5", "", false)), "grp.r[0,3] {1,2,3,4} 4 4");
    // The full name answers without a size: it stays, with the dump's values.
    EXPECT_EQ(Shape(items.AddParameter(0, "grp.w_2x2", "1,2,3", "", false)), "grp.w_2x2 {1,2,3} 3 3");
    EXPECT_EQ(Shape(items.AddParameter(0, "grp.e[0]", "", "", false)), "grp.e {5,6} 2 2");  // an empty dump

    // More than 800 elements: size and values come from the target.
    host.commands.clear();
    std::string numbers = "0";
    for (int i = 1; i < 900; ++i) numbers += "," + std::to_string(i);
    EXPECT_EQ(Shape(items.AddParameter(0, "grp.tab[0]", numbers, "", false)), "grp.tab {7,8} 900 900");
    EXPECT_THAT(host.commands, ElementsAre("at@nvm:grp.tab??\r", "at@nvm:grp.tab[0,899]?\r"));

    // Re-query flag with a failing size query: the count is -1, the dump's value stays.
    host.commands.clear();
    EXPECT_EQ(Shape(items.AddParameter(0, "grp.big[0]", "1,2,3", "", true)), "grp.big {1,2,3} -1 -1");
    EXPECT_THAT(host.commands, ElementsAre("at@nvm:grp.big??\r", "at@nvm:grp.big[0]?\r"));

    // Once the target is lost, no further query waits for it; the dump's text stays.
    uint8_t lost = 0;
    link.lost = &lost;
    host.commands.clear();
    host.loseTargetAt = 1;
    EXPECT_EQ(Shape(items.AddParameter(0, "grp.lost[0]", "1,2", "", true)), "grp.lost {1,2} -1 -1");
    EXPECT_EQ(Shape(items.AddParameter(0, "grp.later[0]", "1,2", "", true)), "grp.later {1,2} -1 -1");
    EXPECT_THAT(host.commands, ElementsAre("at@nvm:grp.lost??\r"));
}

TEST_F(GroupItemsQueries, QueryArraySizeReadsRangesAndBraces) {
    const std::pair<const char*, int> cases[] = {{"x[0,15]={...}", 16}, {"x[2, 5]", 4}, {"x[3]", 3},
                                                 {"x={1,2,3}", 3},      {"plain", 0},
                                                 {"x[+2,5]", 0}};  // a sign is no part of an element number
    for (const auto& [answer, size] : cases) {
        host.answers["at@nvm:x??\r"] = std::string(answer) + "\r\nOK";
        EXPECT_EQ(items.QueryArraySize("x"), size) << answer;
    }
    host.answers.clear();
    EXPECT_EQ(items.QueryArraySize("x"), -1);
}

TEST(GroupItemsView, NaturalOrderComparesIndexesAsNumbers) {
    // Prefixes of different length compare as text.
    const std::pair<const char*, const char*> ordered[] = {
        {"tbl[2]", "tbl[10]"}, {"rec[1].b", "rec[1].c"}, {"m[2][10]", "m[10][2]"}, {"a[5]", "bb[1]"}, {"t", "t[0]"}};
    for (const auto& [a, b] : ordered) EXPECT_TRUE(NaturalNameCompare(a, b) < 0 && NaturalNameCompare(b, a) > 0) << a;
    EXPECT_EQ(NaturalNameCompare("t[01]", "t[1]"), 0);

    GroupItems items;
    Add(items, {"b.tbl[9]", "b.tbl[10]", "b.tbl[1]", "a.z"});
    items.CheckAllGroups();
    EXPECT_THAT(ViewNames(items), ElementsAre("a.z", "b.tbl[1]", "b.tbl[9]", "b.tbl[10]"));
    EXPECT_EQ(std::tuple(items.FirstViewIndex(1), items.ViewItem(3)->viewIndex, items.ViewItem(4)),
              std::tuple(1, 3, nullptr));
}

TEST(GroupItemsView, FilterSelectsRecordsOfCheckedGroups) {
    GroupItems items;
    Add(items, {"cal.Gain", "cal.offset", "fix.gain"});
    // With no checked group a filter that matches nothing hides nothing.
    EXPECT_TRUE(items.SetFilter("  NOTHING ") && !items.FilterHidesAll() && !items.SetFilter("nothing"));
    EXPECT_EQ(items.Filter(), "nothing");
    items.SetChecked(0, true);
    EXPECT_TRUE(items.FilterHidesAll() && items.FirstViewIndex(0) == -1);

    items.SetFilter("GAIN");
    EXPECT_THAT(ViewNames(items), ElementsAre("cal.Gain"));
    const NVMParameter* offset = items.Group(0)->params.Find("cal.offset");
    EXPECT_TRUE(offset->viewIndex == -1 && !offset->filterMatch);
    EXPECT_EQ(items.Group(1)->params.Find("fix.gain")->viewIndex, -1);  // unchecked group

    items.SetFilter("");
    EXPECT_THAT(ViewNames(items), ElementsAre("cal.Gain", "cal.offset"));

    {
        UpdateBracket bracket(items);
        items.SetChecked(1, true);
        Add(items, {"fix.new"});
        EXPECT_EQ(items.ViewCount(), 2);
    }
    EXPECT_THAT(ViewNames(items), ElementsAre("cal.Gain", "cal.offset", "fix.gain", "fix.new"));
}

// Freed records leave the view at once, even in an update bracket (the window may repaint during a long operation).
TEST(GroupItemsView, FreedRecordsLeaveTheViewAtOnce) {
    GroupItems items;
    Add(items, {"grp.a", "grp.b"});
    items.SetChecked(0, true);
    EXPECT_TRUE(items.DeleteParameter(0, 0));
    EXPECT_THAT(ViewNames(items), ElementsAre("grp.b"));
    items.BeginUpdate();
    items.ClearGroup(0);
    EXPECT_EQ(items.ViewCount(), 0);
    Add(items, {"grp.c"});
    items.EndUpdate();
    EXPECT_THAT(ViewNames(items), ElementsAre("grp.c"));

    items.EndUpdate();  // unbalanced: the lock goes back to 0 and the view keeps working
    EXPECT_EQ(items.UpdateLock(), 0);
    items.SetChecked(0, false);
    EXPECT_EQ(items.ViewCount(), 0);
}

TEST_F(GroupItemsQueries, RemoveExtraLutFillDropsBaseEntriesOfElementwiseTables) {
    Add(items, {"g1.tab", "g1.tab[1]", "g1.tab[2]", "g1.tabx", "g1.rec", "g1.rec.m"});
    // After a deletion the walk moves on, so a base entry right after a removed one stays.
    Add(items, {"g2.a", "g2.a.b", "g2.a.b.c", "g2.B", "g2.b[1]"});
    items.CheckAllGroups();

    EXPECT_EQ(items.RemoveExtraLutFill(true), 3);
    EXPECT_THAT(ViewNames(items),
                ElementsAre("g1.rec.m", "g1.tab[1]", "g1.tab[2]", "g1.tabx", "g2.B", "g2.a.b", "g2.a.b.c", "g2.b[1]"));
    EXPECT_EQ(items.RemoveExtraLutFill(false), 1);  // the skipped g2.a.b
    EXPECT_EQ(items.RemoveExtraLutFill(true), 0);
}

}  // namespace
}  // namespace vtq
