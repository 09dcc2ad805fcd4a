// The naming presets file: its default content, round trips, the reading
// rules case by case, and the choice of the preset that fits a target.

#include "defaults/naming_presets.h"

#include "base/text.h"
#include "defaults/defaults_fixture.h"

namespace vtq {
namespace {

TEST(NamingPresets, MissingFileIsCreatedWithTheDefaultContentAndReadsBack) {
    test::TempDir dir;
    const std::string path = dir.File("DefaultNVMNaming.config");
    test::ScriptedUser user;
    NamingPresets presets, again;
    StartNamingPresets(presets, path, &user);
    test::ExpectGolden(path, "DefaultNVMNaming.config");
    EXPECT_TRUE(presets.Count() == 1 && presets.Current() == NamingPreset() && !presets.ComboShown());
    // Started again on its own file: the same presets, the same text, no messages.
    StartNamingPresets(again, path, &user);
    EXPECT_TRUE(again.Count() == 1 && again.Current() == NamingPreset() && user.messages.empty());
    test::ExpectGolden(path, "DefaultNVMNaming.config");
}

TEST(NamingPresets, RoundTripOfSeveralPresets) {
    test::TempDir dir;
    const std::string path = dir.File("n.config");
    const std::string text =
        "PresetName=Fast\nRF_NVM_Filename=r_\nFilePrepend=f_\nFilePostpend=_fp_\nArrayPrepend=a_\n"
        "ArrayPostpend=_ap_\nTableTypeName=tt\nfix_x=x_fixed\nCAL_Y=y_cal\ncal_y=y_again\n"
        "RF Groups= cal_y , fix_x,,\nRF Force Groups=TRUE\nfix_lost=dropped\n"
        "  PresetName  =  Fast  \nRF Groups=\"q r\",s\nRF Force Groups=0\n";
    NamingPresets presets, again;
    test::ScriptedUser user;
    ASSERT_TRUE(presets.LoadText(text, &user));
    ASSERT_EQ(presets.Count(), 2);
    const NamingPreset& fast = presets.Preset(0);
    EXPECT_EQ(JoinCommaText({fast.Name, fast.RF_NVM_Filename, fast.FilePrepend, fast.FilePostpend, fast.ArrayPrepend,
                             fast.ArrayPostpend, fast.TableTypeName}),
              "Fast,r_,f_,_fp_,a_,_ap_,tt");
    EXPECT_EQ(JoinCommaText(fast.RFGroups), "cal_y,fix_x");
    EXPECT_TRUE(fast.RFForceGroups);
    // Renames: case-insensitive keys, a repeated key replaces the value, defaults kept.
    EXPECT_EQ(fast.GroupRenames.Count(), 7);
    EXPECT_EQ(fast.ExportGroupName("Cal_Y") + fast.ExportGroupName("fix_t8x_lut") + fast.ExportGroupName("fix_unknown"),
              "y_again" "t8x_fixed" "fix_unknown");
    EXPECT_EQ(fast.GroupRenames.Find("fix_lost"), nullptr);
    EXPECT_EQ(fast.GroupRenames.Key(99) + fast.GroupRenames.Value(-1), "");
    // The second is made unique; its quoted group keeps its quotes on reading.
    EXPECT_EQ(presets.Preset(1).Name, "Fast_1");
    EXPECT_EQ(presets.Preset(1).RFGroups, (std::vector<std::string>{"\"q r\"", "s"}));
    EXPECT_TRUE(user.messages.empty());

    ASSERT_TRUE(presets.Save(path) && again.Load(path, &user));
    ASSERT_EQ(again.Count(), 2);
    EXPECT_EQ(again.Preset(0), presets.Preset(0));
    EXPECT_EQ(again.Preset(1).Name, "Fast_1");
    ASSERT_TRUE(again.Save(dir.File("second.config")));
    const std::string first = test::Slurp(path), second = test::Slurp(dir.File("second.config"));
    // The quoted group gains a pair of quotes at each round; everything else is stable.
    EXPECT_EQ(first.substr(0, first.find("RF Groups=\"")), second.substr(0, second.find("RF Groups=\"")));
}

// The presets' names, then what differs from a default preset in the first one, then the messages.
std::string ReadBack(const std::string& text) {
    NamingPresets presets;
    test::ScriptedUser user;
    std::string out = presets.LoadText(text, &user) ? "" : "unread ";
    out += JoinCommaText(presets.Names());
    const NamingPreset& first = presets.Preset(0);
    if (first.RFForceGroups) out += " force";
    if (first.RFGroups != NamingPreset::DefaultRfGroups()) out += " rf=" + JoinCommaText(first.RFGroups);
    if (first.GroupRenames.Count() != 5) out += " renames=" + std::to_string(first.GroupRenames.Count());
    if (first.FilePrepend != "rf_nvm_" || presets.CurrentIndex() != 0) out += " changed";
    for (const auto& m : user.messages) out += " !" + m;
    return out;
}

TEST(NamingPresets, ReadingRules) {
    const std::string invalid = std::string(" !") + kInvalidForceGroupsMessage;
    const std::string noRf = std::string(" !") + kNoRfGroupsMessage;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "unread Default"},
        {"// PresetName=x\nPresetName\n", "unread Default"},  // comments and non-settings only
        {"RF_NVM_Filename=r\nRF Force Groups=0\nRF_NVM_Filename=s\n", "Default,Default_1"},
        {"PresetName=A\nRF Force Groups=0\nPresetName=A\nRF Force Groups=0\nPresetName=A\n", "A,A_2,A_1"},
        // A name among the first settings renames the preset; one after six settings starts the next.
        {"PresetName=A\nTableTypeName=x\nPresetName=B\nFilePostpend=y\nArrayPrepend=z\nPresetName=C\n", "C"},
        {"PresetName=A\nRF_NVM_Filename=1\nFilePostpend=2\nArrayPrepend=3\nArrayPostpend=4\nTableTypeName=5\n"
         "PresetName=B\n", "A,B"},
        {"PresetName=A\nRF Force Groups=yes\n", "A" + invalid},
        {"PresetName=A\nRF Force Groups= True \n", "A force"},
        {"PresetName=A\nRF Force Groups=1\n", "A force"},
        {"PresetName=A\nRF Groups= , \nRF Force Groups=1\n", "A" + noRf},  // defaults, force cleared
        {"PresetName=A\nRF Force Groups=0\nRF Groups=x\n", "A"},         // after the force setting: no preset's
        {"PresetName=A\nfileprepend=x\nRF Groups=g\n", "A rf=g renames=6"},  // keys are exact: a misspelt one renames
    };
    for (const auto& [text, read] : cases) EXPECT_EQ(ReadBack(text), read) << text;
}

TEST(NamingPresets, ChooseForTarget) {
    NamingPresets presets, single;
    ASSERT_TRUE(presets.LoadText("PresetName=none\nRF Groups=zz\nRF Force Groups=0\n"
                                 "PresetName=t8x\nRF Groups=cal_t8x_lut,fix_t8x_lut\nRF Force Groups=0\n"
                                 "PresetName=t8x_too\nRF Groups=fix_t8x_lut\nRF Force Groups=0\n"
                                 "PresetName=t71\nRF Groups=fix_t71_lut\nRF Force Groups=0\n",
                                 nullptr));
    std::vector<int> moved;
    presets.SetComboFollower([&](int i) { moved.push_back(i); });
    single.SetComboFollower([&](int i) { moved.push_back(i); });
    TargetGroupTable t8x, t71, neither;
    t8x.Add("CAL_T8X_LUT", 1);
    t8x.Add("fix_t8x_lut", 2);
    t71.Add("fix_t71_lut", 3);
    neither.Add("fix_other", 4);

    auto choose = [&](const TargetGroupTable& table) {
        presets.ChooseForTarget(table);
        return presets.CurrentIndex();
    };
    EXPECT_EQ(presets.PresetsOnTarget(t8x), (std::vector<int>{1, 2}));
    EXPECT_EQ(choose(t8x), 1);  // two fit, current does not: the first of them
    presets.Select(2, false);
    EXPECT_EQ(choose(t8x), 2);      // current fits: stays
    EXPECT_EQ(choose(t71), 3);      // exactly one fits
    EXPECT_EQ(choose(neither), 3);  // none: unchanged
    EXPECT_FALSE(presets.Select(4, true) || presets.Select(-1, true));
    single.ChooseForTarget(t8x);
    EXPECT_EQ(single.CurrentIndex(), 0);
    EXPECT_TRUE(single.Select(0, true));  // no combo box shown: nothing follows
    EXPECT_EQ(moved, (std::vector<int>{1, 3}));
}

}  // namespace
}  // namespace vtq
