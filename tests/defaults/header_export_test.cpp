// The default-value header and the changed defaults against the simulated modem; the scanners of the dump answers.

#include "defaults/header_writer.h"

#include "channel/long_operation.h"
#include "defaults/changed_defaults.h"
#include "defaults/default_dump.h"
#include "defaults/defaults_fixture.h"

namespace vtq {
namespace {

using namespace test;
using Pairs = std::vector<std::pair<std::string, std::string>>;

using HeaderExport = test::DefaultsTest;
const Texts kThree = {"fix_ant_tuner", "fix_radio_cfg", "fix_thermal"};

TEST_F(HeaderExport, ThreeGroupsMatchTheGoldenFile) {
    const std::string path = dir.File("out.h");
    user.fileNames = {path};
    ASSERT_EQ(Export(kThree).groupsWritten, 3);
    // Probe, variant query, three dumps; the bar and positions: the read's tests.
    EXPECT_EQ(std::tuple(host->commands.size(), host->lines, user.messages),
              std::tuple(5u, Lines{{"Default data written to \"" + path + "\".", 1}}, Texts{}));
    EXPECT_TRUE(user.progressClosed == 1 && user.busyDepth == 0);
    test::ExpectGolden(path, "three_groups.h");
}

// Cancelling the variant question, or the save dialog: one line, nothing dumped.
TEST_F(HeaderExport, CancelledVariantOrSaveDialogSendsNoDump) {
    for (bool inputCancelled : {true, false}) {
        Reset();
        if (inputCancelled) host->faults().errorPattern = "RF_ENGINE_ID";
        const HeaderExportResult r = Export({"fix_thermal"});
        EXPECT_TRUE(!r.written && r.cancelled && Sent().empty());
        EXPECT_EQ(std::tuple(host->lines, user.offered.size()),
                  std::tuple(Lines{{"Operation canceled.", 1}}, inputCancelled ? 0u : 1u));
    }
    Reset();
    LoseAt(2);  // the variant query
    EXPECT_TRUE(Export({"fix_thermal"}).targetLost && Sent().empty());
}

TEST_F(HeaderExport, ProbeFailingEachWay) {
    struct Case { const char* what; std::function<void()> fault; std::string message; Texts groups = kThree; };
    const std::vector<Case> cases = {
        {"no group checked: told after the probe", [] {}, "Please select the wanted groups to read first.", {}},
        {"empty answer", [&] { host->emptyProbe = "at@nvm:dump_default()??\r"; }, kFeatureUnsupportedMessage},
        {"ERROR", [&] { host->faults().errorPattern = "dump_default\\(\\)"; }, kFeatureUnsupportedOrSilentMessage},
        {"no answer", [&] { LoseAt(1); }, "The connected target it is not responding."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        user.fileNames = {dir.File("p.h")};
        c.fault();
        EXPECT_FALSE(Export(c.groups).written);
        EXPECT_EQ(std::tuple(user.messages, host->commands),
                  std::tuple(Texts{c.message}, Texts{"at@nvm:dump_default()??\r"}));
        EXPECT_TRUE(host->lines.empty() && user.offered.empty());
    }
}

TEST_F(HeaderExport, CommandLineOptionsSkipTheQuestions) {
    ASSERT_TRUE(presets.LoadText("PresetName=A\nRF Force Groups=0\nPresetName=B\nFilePrepend=b_\nRF Force Groups=0\n",
                                 nullptr));
    const std::string path = dir.File("cli.h");
    ASSERT_EQ(Export({"fix_thermal"}, {path, "B", "v7"}).path, path);
    // Probe and one dump: no variant query, no save dialog.
    EXPECT_EQ(std::tuple(presets.CurrentIndex(), user.offered.size(), host->commands.size()), std::tuple(1, 0u, 2u));
    EXPECT_NE(Slurp(path).find("fix_thermal_default_v7[]"), std::string::npos);
    EXPECT_TRUE(Export({"fix_thermal"}, {path, "A", "v7"}).written);  // the first preset by name
    EXPECT_FALSE(Export({"fix_thermal"}, {path, "", "v-7"}).written);
    EXPECT_EQ(user.messages.back(), kInvalidVariantMessage);
}

TEST_F(HeaderExport, AFailedGroupIsLeftOutAndTheOthersWritten) {
    host->faults().errorPattern = "dump_default\\(\"fix_radio_cfg\"";
    user.fileNames = {dir.File("f.h")};
    ASSERT_TRUE(WriteFileAtomically(dir.File("f.h"), "complete"));
    ASSERT_TRUE(Export(kThree).written);
    EXPECT_EQ(host->lines, (Lines{{"Could not get default data for group fix_radio_cfg", 0},
                                  {IncompleteFileLine(dir.File("f.h"), dir.File("f.partial.h"), 1), 0},
                                  {"Default data written to \"" + dir.File("f.partial.h") + "\".", 1}}));
    EXPECT_EQ(Slurp(dir.File("f.h")), "complete");  // only a complete header replaces a file
    const std::string text = Slurp(dir.File("f.partial.h"));
    EXPECT_NE(text.find("[GROUP=fix_thermal,"), std::string::npos);
    EXPECT_EQ(text.find("fix_radio_cfg"), std::string::npos);
}

TEST_F(HeaderExport, FailedWriteKeepsTheOldFile) {
    const std::string path = dir.File("keep.h");
    ASSERT_TRUE(WriteFileAtomically(path, "old"));
    user.fileNames = {path};
    AtomicFileWriter::FailWriteAfter(5);
    EXPECT_FALSE(Export(kThree).written);
    AtomicFileWriter::FailWriteAfter(-1);
    EXPECT_EQ(std::tuple(user.messages, host->lines.size(), Slurp(path)),
              std::tuple(Texts{"Could not write to file: \"" + path + "\"."}, 0u, "old"));
    EXPECT_FALSE(WriteDefaultHeader(*host, user, path, {}));
    EXPECT_FALSE(WriteDefaultHeader(*host, user, "", {DefaultGroupData{}}));
    EXPECT_EQ(host->lines, (Lines{{"Nothing saved.", 1}, {"Nothing saved.", 1}}));
}

class ChangedDefaults : public test::DefaultsTest {
protected:
    ChangedDefaultsResult Save(const std::string& selection, const std::string& path) {
        SelectExactGroups(session->Items(), selection);
        return SaveSelectedChangedDefaults(*session, user, path);
    }
    static std::string Written(const std::string& path, int groups) {  // two or more groups
        return std::to_string(groups) + " groups had changes and was written to the file: \"" + path + "\"";
    }
};

// The identity lines every changed-defaults file of the simulated unit starts with.
const char* const kUnitLines =
    "// Unit: Simulated Modems / NVM-SIM 8x / Revision: 8.4.1-sim\r\n// Unit serial number: 356938035643809\r\n";

TEST_F(ChangedDefaults, OneChangedGroupAmongSeveral) {
    user.fileNames = {dir.File("changes.TXT")};
    // Only the exact names are skipped: Hyb_Cust is asked, refused, and the file goes beside the one asked for.
    ASSERT_TRUE(WriteFileAtomically(dir.File("changes.TXT.nvm"), "complete"));
    const ChangedDefaultsResult r = ExportChangedDefaults(*session, user, {"dyn_cell_info", "fix_thermal", "Hyb_Cust"});
    const std::string path = dir.File("changes.TXT.partial.nvm");
    EXPECT_EQ(std::tuple(r.path, r.changedGroups, r.failedGroups, Slurp(dir.File("changes.TXT.nvm"))),
              std::tuple(path, 1, 1, "complete"));
    EXPECT_EQ(Slurp(path),
              std::string(kUnitLines) + "at@nvm:fix_thermal.ramp_drx=61\r\nat@nvm:fix_thermal.path[2].ramp=52\r\n");
    EXPECT_EQ(host->lines, (Lines{{"Could not read the changes of group \"Hyb_Cust\".", 0},
                                  {IncompleteFileLine(dir.File("changes.TXT.nvm"), path, 1), 0},
                                  {"1 group had changes and was written to the file: \"" + path + "\"", 1}}));
    EXPECT_EQ(host->commands.back(), "at@nvm:track_changes(Hyb_Cust)\r");
}

TEST_F(ChangedDefaults, AllGroupsSkipTheCrashingOnes) {
    const ChangedDefaultsResult r = SaveAllChangedDefaults(*session, user, dir.File("all.nvm"));
    EXPECT_EQ(Sent("at@nvm:track_changes(").size(), 63u);  // 64 groups and the probe, less the two skipped
    EXPECT_EQ(host->lines.back(), (LoggedLine{Written(dir.File("all.nvm"), r.changedGroups), 1}));
    const LoggedLine skipped{"Skipping the group \"hyb_cust\" because it causes target to crash to ask on this group.",
                             1};
    EXPECT_EQ(std::count(host->lines.begin(), host->lines.end(), skipped), 1);

    // Only a crashing group: a file of the identity lines alone replaces the old one.
    Reset();
    ASSERT_TRUE(WriteFileAtomically(dir.File("hyb.nvm"), "old"));
    EXPECT_TRUE(Save("hyb_cust", dir.File("hyb.nvm")).written);
    EXPECT_EQ(std::tuple(Slurp(dir.File("hyb.nvm")), Sent("at@nvm:track_changes(").size(), user.messages),
              std::tuple(std::string(kUnitLines), 1u, Texts{kNoChangesMessage}));
    // No group chosen: one line says so and nothing is written.
    Reset();
    EXPECT_FALSE(ExportChangedDefaults(*session, user, {}, dir.File("none.nvm")).written);
    EXPECT_EQ(host->lines, (Lines{{"No groups to read. Nothing done.", 1}}));
}

// Commands: 1 probe, 2 fix_ant_tuner, 3 fix_radio_cfg, 4 fix_thermal (all three changed); 5 is never sent.
TEST_F(ChangedDefaults, TargetLostAtEveryCommandAndCancel) {
    const std::string three = "fix_ant_tuner,fix_radio_cfg,fix_thermal";
    for (int k = 2; k <= 5; ++k) {
        SCOPED_TRACE("lost at command " + std::to_string(k));
        Reset();
        LoseAt(k);
        const ChangedDefaultsResult r = Save(three, dir.File("lost.nvm"));
        EXPECT_EQ(std::tuple(host->commands.size(), r.targetLost, r.changedGroups),
                  std::tuple(size_t(std::min(k, 4)), k <= 4, std::min(k, 5) - 2));
        // Only a complete run writes the file asked for; a lost one puts what it read beside.
        EXPECT_EQ(std::filesystem::exists(dir.File("lost.nvm")), k == 5);
        EXPECT_EQ(Slurp(dir.File(k == 5 ? "lost.nvm" : "lost.partial.nvm")).find("fix_radio_cfg") != std::string::npos,
                  k >= 4);
        const auto count = [&](const std::string& text) {
            return std::count(host->lines.begin(), host->lines.end(), LoggedLine{text, 0});
        };
        EXPECT_EQ(std::tuple(count(kChangedLostLine), count(kChangedLostNothingLine)),
                  std::tuple(k == 3 || k == 4, k == 2));
        EXPECT_TRUE(k == 5 || host->lines.back() == (LoggedLine{kTargetLostMessage, 0}));
    }
    Reset();
    user.onProcessEvents = [&](int call) { user.cancelled = call == 3; };
    const ChangedDefaultsResult r = Save(three, dir.File("c.nvm"));
    EXPECT_TRUE(r.cancelled && r.changedGroups == 2);
    EXPECT_EQ(host->lines, (Lines{{IncompleteFileLine(dir.File("c.nvm"), dir.File("c.partial.nvm"), 1), 0},
                                  {"The read was canceled by user.", 1},
                                  {Written(dir.File("c.partial.nvm"), 2), 1}}));
}

TEST(FindCArray, Table) {
    auto found = [](const std::string& text, size_t from) {
        const CArrayFind f = FindCArray(text, from);
        return f.Found() ? f.type + " " + f.name + " @" + std::to_string(f.brace) : "none";
    };
    const std::vector<std::tuple<std::string, size_t, std::string>> cases = {
        {"\tconst\tU32\ttab_1[10]\r\n=\r\n{", 0, "U32 tab_1 @25"},
        {" U8 a[] = 5; U8 b[] = {", 0, "U8 b @22"},
        {"U8 x[2]; const U16 e [ N ] =\n{", 0, "U16 e @29"},  // a declaration's "]" is passed over
        {"U8 a[] = {", 0, "none"},                             // type not preceded by a blank
        {" a[] = {", 0, "none"},                               // no type
        {" U8 a] = {", 0, "none"},                             // no "["
        {" U8 a[] = x {", 0, "none"},                          // something between "=" and "{"
        {" U8 a[] {", 0, "none"},                              // no "="
        {"[1] = {2} U8 a[] = {3}", 0, "none"},                 // the first "] = {" decides
        {"x U8 a[] = {", 1, "U8 a @11"},
        {"x U8 a[] = {", 2, "none"},  // the type needs a blank before it after `from`
        {"x   [1] = {", 2, "none"},     // blanks alone after `from`: no name
        {" U8 a[] = { U8 b[] = {", 11, "U8 b @21"}, {" U8 a[] = {", 99, "none"},
    };
    for (const auto& [text, from, result] : cases) EXPECT_EQ(found(text, from), result) << text << " from " << from;
}

TEST(IdentifiersFileNamesAndComments, Table) {
    for (const char* kept : {"a.nvm", "a.NVM"}) EXPECT_EQ(WithNvmExtension(kept), kept);
    EXPECT_EQ(WithNvmExtension("d.nvm/a"), "d.nvm/a.nvm");  // a.txt gains it in OneChangedGroupAmongSeveral
    for (const auto& [in, out] : Pairs{{"a.h", "a.partial.h"}, {"d.x/a", "d.x/a.partial"}, {".h", ".h.partial"}})
        EXPECT_EQ(PartialFilePath(in), out) << in;
    for (const auto& [in, out] :
         Pairs{{"", ""}, {"az_AZ09", "az_AZ09"}, {"`{@[/:", "______"}, {"7abc.h", "_7abc_h"}, {"\xE9t", "_t"}})
        EXPECT_EQ(MakeCIdentifier(in), out) << in;
    EXPECT_EQ(BlankComments("a/*b*/c//d\r\ne/*f"), "a     c   \r\ne   ");
    EXPECT_EQ(BlankComments("/*/ x */y"), "        y");
    EXPECT_EQ(BlankComments("a / b * c /"), "a / b * c /");
    EXPECT_EQ(ReadDecimal(" \t\v\f+42x"), 42);  // the number reader's own table has the limits
}

}  // namespace
}  // namespace vtq
