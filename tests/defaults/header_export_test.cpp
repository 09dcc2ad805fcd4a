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

class HeaderExport : public test::DefaultsTest {};

const Texts kThree = {"fix_ant_tuner", "fix_radio_cfg", "fix_thermal"};

TEST_F(HeaderExport, ThreeGroupsMatchTheGoldenFile) {
    const std::string path = dir.File("out.h");
    user.fileNames = {path};
    const HeaderExportResult r = Export(kThree);
    ASSERT_TRUE(r.written && r.groupsWritten == 3);
    // Probe, variant query, three dumps; the bar and positions: the read's tests.
    EXPECT_EQ(std::tuple(user.offered, host->commands.size(), host->lines, user.messages),
              std::tuple(Texts{"rf_nvm_fix_ant_tuner_default_binary_cust_c22_7.h"}, 5u,
                         Lines{{"Default data written to \"" + path + "\".", 1}}, Texts{}));
    EXPECT_EQ(user.statuses, (Texts{"Reading \"fix_ant_tuner\" group (1/3)...",
                                    "Reading \"fix_radio_cfg\" group (2/3)...",
                                    "Reading \"fix_thermal\" group (3/3)..."}));
    EXPECT_TRUE(user.progressClosed == 1 && user.busyDepth == 0);
    test::ExpectGolden(path, "three_groups.h");
}

TEST_F(HeaderExport, OneGroupWithTheVariantAskedFromTheUser) {
    presets.Current().GroupRenames.Add("fix_thermal", "heat");
    presets.Current().FilePostpend = "_def_";
    host->faults().errorPattern = "RF_ENGINE_ID";
    user.inputAnswers = {" __ ", "k22-7", " _9k_ "};
    user.fileNames = {dir.File("one.h")};
    ASSERT_TRUE(Export({"fix_thermal"}).written);
    EXPECT_EQ(std::tuple(user.questions, user.messages, user.offered, user.statuses),
              std::tuple(Texts(3, "RF variant ID e.g. k22_7:"), Texts(2, kInvalidVariantMessage),
                         Texts{"rf_nvm_heat_def_9k.h"}, Texts{"Reading \"fix_thermal\" group..."}));
    test::ExpectGolden(dir.File("one.h"), "one_group.h");

    // Cancelling the input box, or the save dialog: one line, nothing dumped.
    for (bool inputCancelled : {true, false}) {
        Reset();
        if (inputCancelled) host->faults().errorPattern = "RF_ENGINE_ID";
        const HeaderExportResult r = Export({"fix_thermal"});
        EXPECT_TRUE(!r.written && r.cancelled && Sent().empty());
        EXPECT_EQ(std::tuple(host->lines, user.offered.size()),
                  std::tuple(Lines{{"Operation canceled.", 1}}, inputCancelled ? 0u : 1u));
    }
}

// Cancel logs and tells the export failed; closing the window ends quietly. Neither touches the file.
TEST_F(HeaderExport, CancelOrCloseInTheSecondGroupWritesNothing) {
    const std::string path = dir.File("old.h");
    for (bool close : {false, true}) {
        SCOPED_TRACE(close ? "close" : "cancel");
        Reset();
        ASSERT_TRUE(WriteFileAtomically(path, "old"));
        user.fileNames = {path};
        user.onProcessEvents = [&](int call) { (close ? user.closing : user.cancelled) = call == 2; };
        const HeaderExportResult r = Export(kThree);
        EXPECT_TRUE(!r.written && r.cancelled && Sent().size() == 1 && user.busyDepth == 0 && !user.progressOpen);
        EXPECT_EQ(std::tuple(host->lines, user.messages, Slurp(path)),
                  std::tuple(close ? Lines{} : Lines{{"Operation Canceled.", 1}},
                             close ? Texts{} : Texts{kExportFailedMessage}, "old"));
    }
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
    HeaderExportResult r = Export({"fix_thermal"}, {path, "B", "v7"});
    ASSERT_TRUE(r.written);
    // Probe and one dump: no variant query, no save dialog.
    EXPECT_EQ(std::tuple(r.path, presets.CurrentIndex(), user.offered.size(), host->commands.size()),
              std::tuple(path, 1, 0u, 2u));
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

TEST(DefaultHeaderText, HostInformationAndGuardName) {
    test::ScriptedHost host;
    const DefaultGroupList one = {DefaultGroupData{1, "g", "a", "U8", "t", "1"}};
    const std::string hyphens(76, '-');
    auto block = [&] {  // the lines between the comment's first line and the group index, each ended by LF
        std::string text;
        for (const std::string& line : DefaultHeaderLines(AskHeaderOrigin(host), one, "G")) text += line + "\n";
        const size_t b = text.find("/*" + hyphens + "\n") + 79;
        return text.substr(b, text.find("NVM Groups in this file") - b);
    };
    EXPECT_EQ(block(), "");
    host.info = {{20, ""}, {10, "\r\n rev\r\n\r\n2 "}};
    EXPECT_EQ(block(), "Generated with Brevant\n\nConnected Target Details:\n\nrev\n2\n\n");
    host.info = {{20, "T20"}, {9, "T9"}, {99, ""}};
    EXPECT_EQ(block(), "Generated with T20\n\nConnected Target Details:\nT9\n\n");
    EXPECT_EQ(MakeGuardName(" /x/y/7abc.h "), "_7ABC_H");
    EXPECT_EQ(MakeGuardName("C:\\dir\\my file-1.h"), "MY_FILE_1_H");
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
    // Only the exact names are skipped: Hyb_Cust is asked like any other group.
    // The target refuses Hyb_Cust: the file misses it and goes beside the one asked for.
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
    EXPECT_EQ(std::tuple(user.offered, user.filters, host->commands.back()),
              std::tuple(Texts{"ChangedParameters.nvm"}, Texts{"NVM parameter file (*.NVM)"},
                         "at@nvm:track_changes(Hyb_Cust)\r"));

    // A group the target refuses is named; the others are still asked.
    Reset();
    host->faults().errorPattern = "track_changes\\(fix_radio_cfg";
    Save("fix_ant_tuner,fix_radio_cfg,fix_thermal", dir.File("c.nvm"));
    EXPECT_EQ(host->lines, (Lines{{"Could not read the changes of group \"fix_radio_cfg\".", 0},
                                  {IncompleteFileLine(dir.File("c.nvm"), dir.File("c.partial.nvm"), 1), 0},
                                  {Written(dir.File("c.partial.nvm"), 2), 1}}));
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
    EXPECT_EQ(std::tuple(Slurp(dir.File("hyb.nvm")), Sent("at@nvm:track_changes(").size(), user.statuses,
                         user.messages),
              std::tuple(std::string(kUnitLines), 1u, Texts{"Reading \"hyb_cust\" group..."}, Texts{kNoChangesMessage}));
}

TEST_F(ChangedDefaults, EmptySetsProbeAndDialog) {
    EXPECT_EQ((std::tuple{Save("", "x").changedGroups, user.messages, host->commands.size()}),
              std::tuple(0, Texts{"Please select the wanted groups to read first."}, 0u));
    EXPECT_FALSE(Save("fix_thermal", "").written);  // the save dialog cancelled
    EXPECT_EQ(std::tuple(host->commands.back(), host->lines.size()), std::tuple("at@nvm:track_changes()??\r", 0u));
    host->connected = false;  // the connection check fails: nothing more, cursor restored
    EXPECT_FALSE(Save("fix_thermal", dir.File("c.nvm")).written);
    EXPECT_EQ(Slurp(dir.File("c.nvm")), "<missing>");
    host->connected = true;
    EXPECT_FALSE(Save("fix_thermal", dir.File("missing/c.nvm")).written);
    EXPECT_EQ(std::tuple(user.messages.back(), user.busyDepth),
              std::tuple("Cannot open file \"" + dir.File("missing/c.nvm") + "\" for writing.", 0));
    session->GroupTable().Clear();
    EXPECT_EQ(SaveAllChangedDefaults(*session, user, "x").changedGroups, 0);
    EXPECT_EQ(user.messages.back(), "No groups to read.");
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

// Version, type, name and {data} of the answer, or the failure.
std::string Parsed(const std::string& answer) {
    DefaultGroupData r;
    r.GroupName = "kept";
    const DefaultDumpFailure failure = ParseDefaultAnswer(answer, r);
    if (failure != DefaultDumpFailure::None) return failure == DefaultDumpFailure::NoArray ? "no array" : "no brace";
    return std::to_string(r.Version) + " " + r.ElementType + " " + r.ArrayName + " {" + r.DataText + "} " + r.GroupName;
}

TEST(ParseDefaultAnswer, Table) {
    const Pairs cases = {
        // The worked example: comment blanked, CR LF collapsed.
        {"VERSION=3\r\n/* default values */\r\nconst U16 fix_t71_lut_default[] = { 0x0010, 0x0020, // gain\r\n0x0030 };",
         "3 U16 fix_t71_lut_default {0x0010, 0x0020,        \n0x0030} kept"},
        {" U8 a[4] = {1,\r\n\r\n\r\n2};", "0 U8 a {1,\n2} kept"},                  // no VERSION=: 0
        {"/* VERSION= -12x */ S8 b[] = {-1}", "-12 S8 b {-1} kept"},               // counted inside a comment
        {" U8 c[] = { 1, /* } */ 2 }", "0 U8 c {1,         2} kept"},              // a brace in a comment
        {" U8 d[] = { {1}, 2 }", "0 U8 d {{1} kept"},                              // a nested brace ends the data
        {"VERSION=99999999999 U8 f[]={}", "2147483647 U8 f {} kept"},               // saturated
        {"VERSION=3\r\nnothing here", "no array"}, {"x /* U8 a[] = {1} */", "no array"},
        {" U8 a[] = {1 /* }", "no brace"},  // an unterminated comment hides the rest
    };
    for (const auto& [answer, parsed] : cases) EXPECT_EQ(Parsed(answer), parsed) << answer;
    EXPECT_EQ(DefaultDumpFailureLine(DefaultDumpFailure::NoArray, "g"),
              "Could not find default data in answer from target for group g");
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

TEST(VariantIdFromAnswer, Table) {
    const Pairs cases = {
        {"RF_ENGINE_ID: string = \"CUST_22_7\", length = 9", "c22_7"}, {"STRING = cust_7", "c7"},
        {"x = 1, string = \"k22_7\"", "k22_7"},  // the first "=" whose word is not "string" is passed over
        {"string = \"CUST_\"", ""},              // no digit left
        {"strings = \"k1\"", ""}, {"= string", ""}, {"string = \"a-b 1\"", "a_b_1"},
        {"string =   __k22__  , x", "k22"}, {"string = CUST_5x, string = k9", "c5x"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(VariantIdFromAnswer(in), out) << in;
}

}  // namespace
}  // namespace vtq
