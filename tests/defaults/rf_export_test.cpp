// The RF default-values export, fresh or merged into an old commented header; then the naming presets file.

#include "defaults/rf_export.h"

#include "defaults/defaults_fixture.h"
#include "defaults/header_merge.h"

namespace vtq {
namespace {

using namespace test;

class RfExport : public test::DefaultsTest {
protected:
    // Three RF groups with default arrays; variant CUST_22_7, chip 5.
    void SetUp() override { Open(std::make_unique<test::ProbeHost>(test::DataFile("rf_image.txt"))); }
    RfExportResult Run(const RfExportOptions& options) { return ExportRfDefaults(*session, user, presets, options); }
};

TEST_F(RfExport, MergeKeepsNotationCommentsAndDefines) {
    const std::string oldPath = dir.File("old.h"), newPath = dir.File("new.h");
    ASSERT_TRUE(WriteFileAtomically(oldPath, Slurp(test::DataFile("rf_old.h"))));
    user.yesNoAnswers = {true};
    user.fileNames = {newPath, oldPath};
    const RfExportResult r = Run({});
    ASSERT_TRUE(r.written && r.merged);
    test::ExpectGolden(newPath, "rf_merged.h");
    // The old file untouched; each array found by its kind.
    EXPECT_EQ(std::pair(Slurp(oldPath), user.captions.size()), std::pair(Slurp(test::DataFile("rf_old.h")), size_t{0}));
    const std::string values = " extra array entries were ", fromTarget = " with values from target for the array ";
    EXPECT_EQ(user.messages,
              (Texts{"1" + values + "added" + fromTarget + "\"rf_t8x_fixed_data\"." + kWrongOriginalSentence,
                     "2" + values + "not replaced" + fromTarget + "\"rf_t8x_setcal_data\"." + kWrongOriginalSentence,
                     "Saved to\n\"" + newPath + "\""}));
    EXPECT_EQ(host->lines,
              (Lines{{"Keeping the define \"GAIN_MAX\" (it was read from target as 0x0030).", 1},
                     {"Removed 2 array entries beyond the target's values from \"rf_t8x_setcal_data\".", 1},
                     {"Default data written to \"" + newPath + "\".", 1}}));
}

TEST_F(RfExport, FreshHeaderWhenNoOldFileIsGiven) {
    user.fileNames = {dir.File("fresh.h")};
    const RfExportResult r = Run({});  // the question answered No
    ASSERT_TRUE(r.written && !r.merged);
    test::ExpectGolden(dir.File("fresh.h"), "rf_fresh.h");
    // A header written fresh serves as the old header of a merge: its own index maps each group to its array.
    user = test::User();
    EXPECT_TRUE(Run({dir.File("again.h"), "", "", dir.File("fresh.h")}).written);
    EXPECT_TRUE(user.captions.empty());

    Reset();  // a cancelled save dialog, an invalid variant given: nothing read
    EXPECT_FALSE(Run({}).written || Run({dir.File("v.h"), "", "v-1", ""}).written);
    EXPECT_EQ(std::tuple(host->lines, user.messages, Sent().size()),
              std::tuple(Lines{{kRfCanceledLine, 1}}, Texts{kInvalidVariantMessage}, 0u));

    Reset();
    host->faults().errorPattern = "dump_default\\(\"fix_t8x_lut\"";
    EXPECT_FALSE(Run({dir.File("part.h"), "", "k1", ""}).written);
    EXPECT_EQ(std::tuple(user.messages, Slurp(dir.File("part.h"))),
              std::tuple(Texts{kExportFailedMessage}, "<missing>"));
}

// A target lost while the identity lines of the header are asked: no file.
TEST_F(RfExport, TargetLostAtTheIdentityQueriesWritesNoFile) {
    class LostAtIdentity : public test::ProbeHost {
    public:
        using ProbeHost::ProbeHost;
        bool GetInfo(int id, int size, std::string& text) override {
            if (id == kInfoTargetRevision) connected = false;
            return ProbeHost::GetInfo(id, size, text);
        }
    };
    Open(std::make_unique<LostAtIdentity>(test::DataFile("rf_image.txt")));
    const RfExportResult r = Run({dir.File("lost.h"), "", "", ""});
    EXPECT_TRUE(!r.written && r.targetLost);
    EXPECT_EQ(std::tuple(Slurp(dir.File("lost.h")), host->lines),
              std::tuple("<missing>", Lines{{kIdentityLostLine, 0}}));
}

TEST_F(RfExport, MergeFailuresWriteNothing) {
    const std::string table = "rf_nvm_t8x_calib_binary_data_table_cust_k1", quoted = "\"" + table + "\".";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {" U16 a_calib_x[] = {1}; " + table + " /* { */", "Cannot find the array beginning '{' after " + quoted},
        {" U16 " + table + "[] = { 1, 2 // }", "Cannot find the array ending '}' after " + quoted},
    };
    const std::string oldPath = dir.File("bad.h"), newPath = dir.File("out.h");
    for (const auto& [old, reason] : cases) {
        SCOPED_TRACE(old);
        ASSERT_TRUE(WriteFileAtomically(oldPath, old) && WriteFileAtomically(newPath, "previous"));
        user = test::User();
        EXPECT_FALSE(Run({newPath, "", "k1", oldPath}).written);
        const std::string why = "The given header file:\n" + oldPath + "\nis not valid.\n" + reason +
                                "\nNothing saved.";
        EXPECT_EQ(std::tuple(user.messages, Slurp(newPath)), std::tuple(Texts{why}, "previous"));
    }
    // A merged file that cannot be written is told, not reported as saved.
    ASSERT_TRUE(WriteFileAtomically(oldPath, Slurp(test::DataFile("rf_old.h"))));
    user = test::User();
    EXPECT_FALSE(Run({dir.File("no/new.h"), "", "", oldPath}).written);
    EXPECT_EQ(user.messages.back(), "Could not write to file: \"" + dir.File("no/new.h") + "\".");
}

TEST(DetermineRfGroups, Table) {
    const Texts a = RfGroupSetA(), b = RfGroupSetB();
    Texts both = a;
    both.insert(both.end(), b.begin(), b.end());
    const std::string gone = "The following NVM groups do not exist on the connected target:\n\"zz,gone\".\nPlease "
                             "edit the RF groups in the file (\"%appdata%\\korvale\\Brevant\\DefaultNVMNaming."
                             "config\"), or set 'RF Force Groups=0'";
    // What, target groups, configured, forced, chip answer, found, working groups, lines.
    const std::tuple<const char*, Texts, Texts, bool, std::string, bool, Texts, Texts> cases[] = {
        {"configured groups present, one numbered 0", {"x", "y"}, {"x", "Y"}, false, "", true, {"x", "Y"}, {}},
        {"chip 5 takes set A over configured missing groups", both, {"zz"}, false, "TRAVU_ID: id = 5, revision = 1",
         true, a, {}},
        {"chip 6 takes set B; forced missing groups named", both, {"zz", a[0], "gone"}, true, "rev = 3, ID=6", true, b,
         {gone}},
        {"chip 1 takes set A too", both, {"zz"}, false, "id = 1", true, a, {}},
        {"unknown chip: set A before set B", both, {"zz"}, false, "id = -6", true, a, {}},
        {"chip 5 without set A falls back to set B", b, {}, false, "id = 5", true, b, {}},
        {"nothing complete", {"cal_t8x_lut"}, {"zz"}, false, "ERROR", false, {"old"}, {}},
    };
    for (const auto& [what, target, configured, force, chipAnswer, ok, working, lines] : cases) {
        SCOPED_TRACE(what);
        test::ScriptedHost host;
        host.answers["at@hwid:ver_hwid_get(TRAVU_ID)\r"] = chipAnswer + "\r\nOK";
        TargetGroupTable table;
        for (size_t i = 0; i < target.size(); ++i) table.Add(target[i], static_cast<int>(i));
        NamingPreset preset;
        preset.RFGroups = configured;
        preset.RFForceGroups = force;
        preset.RFWorkingGroups = {"old"};
        EXPECT_EQ(DetermineRfGroups(host, preset, table), ok);
        EXPECT_EQ(std::tuple(preset.RFWorkingGroups, host.Texts()), std::tuple(working, lines));
    }
}

TEST(NamingPresets, MissingFileIsCreatedWithTheDefaultContentAndReadsBack) {
    test::TempDir dir;
    const std::string path = dir.File("DefaultNVMNaming.config");
    test::ScriptedUser user;
    NamingPresets presets, again;
    StartNamingPresets(presets, path, &user);
    StartNamingPresets(again, path, &user);
    test::ExpectGolden(path, "DefaultNVMNaming.config");
    EXPECT_TRUE(presets.Count() == 1 && presets.Current() == NamingPreset() && !presets.ComboShown());
    EXPECT_TRUE(again.Count() == 1 && again.Current() == NamingPreset() && user.messages.empty());
    // A file of the user's own is read and kept, not replaced by the default content.
    ASSERT_TRUE(WriteFileAtomically(path, "PresetName=mine\nRF Force Groups=1\n"));
    NamingPresets mine;
    StartNamingPresets(mine, path, &user);
    EXPECT_TRUE(mine.Names() == Texts{"mine"} && Slurp(path).find("PresetName=mine") != std::string::npos);
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
        {"PresetName=A\nRF Force Groups=0\nPresetName=A_1\nRF Force Groups=0\nPresetName=A\n", "A,A_1,A_2"},
        // A name among the first settings renames the preset; one after six settings starts the next.
        {"PresetName=A\nTableTypeName=x\nPresetName=B\nFilePostpend=y\nArrayPrepend=z\nPresetName=C\n", "C"},
        {"PresetName=A\nRF_NVM_Filename=1\nFilePostpend=2\nArrayPrepend=3\nArrayPostpend=4\nTableTypeName=5\n"
         "PresetName=B\n", "A,B"},
        {"PresetName=A\nRF Force Groups=yes\n", "A" + invalid},
        {"PresetName=A\nRF Force Groups= True \n", "A force"}, {"PresetName=A\nRF Force Groups=1\n", "A force"},
        {"PresetName=A\nRF Groups= , \nRF Force Groups=1\n", "A" + noRf},  // defaults, force cleared
        {"PresetName=A\nRF Force Groups=0\nRF Groups=x\n", "A"},         // after the force setting: no preset's
        {"PresetName=A\nfileprepend=x\nRF Groups=g\n", "A rf=g renames=6"},  // keys are exact: a misspelt one renames
        // A group named twice in one list is refused like an empty list.
        {"PresetName=A\nRF Groups=a,b,A\nRF Force Groups=1\n", "A !Error in config file. The group \"A\" is named twice in the RF Groups of preset \"A\". "
         "Using default settings."},
    };
    for (const auto& [text, read] : cases) EXPECT_EQ(ReadBack(text), read) << text;
}

TEST(NamingPresets, ChooseForTarget) {
    NamingPresets presets, single;
    ASSERT_TRUE(presets.LoadText("PresetName=none\nRF Groups=zz\nRF Force Groups=0\n"
                                 "PresetName=t8x\nRF Groups=cal_t8x_lut,fix_t8x_lut\nRF Force Groups=0\n"
                                 "PresetName=t8x_too\nRF Groups=fix_t8x_lut\nRF Force Groups=0\n"
                                 "PresetName=t71\nRF Groups=fix_t71_lut\nRF Force Groups=0\n", nullptr));
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
}

}  // namespace
}  // namespace vtq
