// Reading a default-values header back and loading it into the simulated modem.

#include "defaults/header_reader.h"

#include <gmock/gmock.h>

#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "core/read_groups.h"
#include "defaults/defaults_fixture.h"
#include "model/group_items.h"

namespace vtq {
namespace {

using namespace test;

class HeaderLoad : public test::DefaultsTest {
protected:
    // The target's report of values that differ from the defaults (empty: none).
    std::string Changes(const std::string& group) {
        std::string answer;
        EXPECT_TRUE(Exchange(*host, cmd::TrackChanges(group), answer));
        return answer;
    }
};

const Texts kGroups = {"fix_ant_tuner", "fix_radio_cfg", "fix_thermal"};

TEST_F(HeaderLoad, ExportedHeaderLoadsBackAndTheTargetHoldsItsDefaults) {
    for (const auto& g : kGroups) ASSERT_NE(Changes(g), "") << g;
    // Records of a committed group that were in the target's RAM mirror are Unchanged afterwards.
    SelectExactGroups(session->Items(), "fix_thermal");
    ASSERT_GT(ReadGroups(*session, user).total, 1);
    auto record = session->Items().FindGroup("fix_thermal")->params.begin();
    NVMParameter *inRam = *record, *notStored = *++record;
    inRam->state = ParameterState::InTargetRAM;
    notStored->state = ParameterState::NotStored;
    host->commands.clear();
    host->lines.clear();

    const int busyCalls = user.busyCalls;
    struct : GroupItemsListener {  // the grid and the pending counts hear of the record the commit changed
        int count = 0;
        void RecordChanged(const NVMParameter&) override { ++count; }
    } changes;
    session->Items().AddListener(&changes);
    const LoadHeaderResult r = LoadDefaultHeaderToTarget(*session, user, DataFile("three_groups.h"));  // exported
    session->Items().RemoveListener(&changes);
    EXPECT_TRUE(changes.count == 1 && r.loaded && r.committed == 3 && r.failed == 0 && user.busyCalls == busyCalls + 2);
    EXPECT_EQ(host->lines, (Lines{{"Writing data to target...", 1}, {"fix_ant_tuner committed in target.", 1},
                                  {"fix_radio_cfg committed in target.", 1}, {"fix_thermal committed in target.", 1}}));
    EXPECT_EQ(user.messages, Texts{kLoadDoneMessage});
    // fix_ant_tuner: group 11, version 6, 18 U32 values in one chunk.
    ASSERT_GE(host->commands.size(), 3u);  // the probe first
    EXPECT_EQ(host->commands[1].rfind("at@nvm:write_to_mirror(11,6,0,\"%u\",{0xEB6A0039,0xE6A1780A,", 0), 0u);
    EXPECT_EQ(host->commands[2], "at@nvm:store_nvm_sync(11)\r");
    for (const auto& g : kGroups) EXPECT_EQ(Changes(g), "") << g;
    EXPECT_EQ((std::vector{inRam->state, notStored->state}),
              (std::vector{ParameterState::Unchanged, ParameterState::NotStored}));
}

// A target whose probe gives no version gets writes without one.
TEST_F(HeaderLoad, FailedWritesAreNotCommittedAndTheNextGroupGoesOn) {
    // fix_t8x_lut fails at the second of its three chunks; fix_thermal's char array goes out as U16.
    const std::string path = dir.File("faults.h");
    std::string radio;
    for (int i = 0; i < 500; ++i) radio += "1, ";
    ASSERT_TRUE(WriteFileAtomically(
        path, "/*\n[GROUP=fix_t8x_lut,ARRAYNAME=r,VERSION=8]\n[GROUP=fix_thermal,ARRAYNAME=t,VERSION=8]\n"
              "[GROUP=fix_ant_tuner,ARRAYNAME=tuner,VERSION=6]\n*/\n"
              " U16 r[] = {" + radio + "};\n char t[] = {1};\n U32 tuner[] = {0x1,0x2};\n"));
    host->faults().mirrorVersion = false;
    host->faults().errorPattern = "write_to_mirror\\(3,400,";
    const LoadHeaderResult r = LoadDefaultHeaderToTarget(*session, user, path);
    EXPECT_TRUE(r.committed == 2 && r.failed == 1);
    EXPECT_EQ(host->lines, (Lines{{"Writing data to target...", 1}, {kWriteErrorLine, 0},
                                  {NotCommittedLine("fix_t8x_lut"), 0},
                                  {"Unknown format \"char\" of array. Assuming U16.", 0},
                                  {"fix_thermal committed in target.", 1}, {"fix_ant_tuner committed in target.", 1}}));
    EXPECT_EQ(Sent("at@nvm:write_to_mirror(3,").size(), 2u);  // nothing more of a group after its failed chunk
    EXPECT_EQ(Sent("at@nvm:write_to_mirror(23"), Texts{"at@nvm:write_to_mirror(23,0,\"%hu\",{1})\r"});
    EXPECT_EQ(Sent("at@nvm:store_nvm_sync"), (Texts{"at@nvm:store_nvm_sync(23)\r", "at@nvm:store_nvm_sync(11)\r"}));
}

// A file with any error gets nothing sent but the probe; each error names the file and line.
TEST_F(HeaderLoad, AFileWithAnyErrorSendsNothing) {
    auto index = [](const std::string& entry) { return "/*\n[GROUP=" + entry + "]\n*/\n"; };  // the entry on line 2
    const std::string thermal = index("fix_thermal,ARRAYNAME=t,VERSION=8");
    const std::string noArray = "2: Cannot find the array definition of \"t\" for group fix_thermal";
    const std::string noNumber = " for group fix_thermal is not a number or a known constant";
    const std::string wide = " for group fix_thermal does not fit the element type ";
    const std::vector<std::pair<std::string, std::string>> cases = {  // header text, the error (after "path:")
        {thermal + "/* U16 t[] = {1};\n", noArray},  // an unclosed comment
        {thermal + " U16 t[] = {1, 2;\n", "4: Cannot locate valid data for the array \"t\" for group fix_thermal"},
        {index("fix_thermal,ARRAYNAME=t,VERSION=99999999999999999999") + " U16 t[] = {1};\n",
         "2: The version of group fix_thermal is not a small non-negative number: \"99999999999999999999\""},
        {index("no_such,ARRAYNAME=t,VERSION=8") + " U16 t[] = {1};\n", "2: The target has no group \"no_such\""},
        {"/*\n[GROUP=fix_thermal,ARRAYNAME=t,VERSION=8]\n[GROUP=FIX_thermal,ARRAYNAME=t,VERSION=8]*/ U16 t[] = {1};",
         "3: The group FIX_thermal is in the index more than once"},
        {"/*\n[GROUP=fix_thermal,ARRAYNAME=t,VERSION=8]\n[GROUP=fix_ant_tuner,ARRAYNAME=t,VERSION=6]*/ U16 t[] = {1};",
         "3: The array \"t\" of group fix_ant_tuner belongs to another group too"},
        {thermal + " U16 t[] = {1,\n 2), AT+CFUN=0;(, 3};\n", "5: The value \"2)\"" + noNumber},
        {thermal + " U16 t[] = {1,,2};\n", "4: The value \"\"" + noNumber},
        {thermal + " U16 t[] = {NMIN};\n", "4: The value \"NMIN\"" + noNumber},
        {thermal + " U16 t[] = {0xFFFFFFFFFFFF};\n", "4: The value \"0xFFFFFFFFFFFF\"" + wide + "U16"},
        {thermal + " U16 t[] = {-1};\n", "4: The value \"-1\"" + wide + "U16"},
        {thermal + " U16 t[] = {65536};\n", "4: The value \"65536\"" + wide + "U16"},
        {thermal + " S8 t[] = {-128, 127,\n\n 128};\n", "6: The value \"128\"" + wide + "S8"},
        {thermal + " S32 t[] = {-2147483648, 2147483648};\n", "4: The value \"2147483648\"" + wide + "S32"},
        {"/*\n[GROUP=fix_thermal,ARRAYNAME=t,VERSION=8]\n[CONSTANTS=NMAX=0x12345]\n*/\n U16 t[] = {-NMAX};\n",
         "5: The value \"-NMAX\"" + wide + "U16"},
    };
    const std::string path = dir.File("bad.h");
    for (const auto& [text, error] : cases) {
        SCOPED_TRACE(text);
        Reset();
        ASSERT_TRUE(WriteFileAtomically(path, text));
        EXPECT_EQ(LoadDefaultHeaderToTarget(*session, user, path).committed, 0);
        EXPECT_EQ(host->commands, Texts{"at@nvm:write_to_mirror()??\r"});
        EXPECT_THAT(host->lines, ::testing::Contains(LoggedLine{path + ":" + error, 0}));
        EXPECT_EQ(user.messages, Texts{HeaderRefusedMessage(path)});
    }
    // The definition is found past a declaration, a string and names that end or begin with it.
    Reset();
    ASSERT_TRUE(WriteFileAtomically(path, thermal + "extern U16 t[];\nconst char* s = \"t[] = {1}\";\n"
                                                    "U16 x_t[] = {2}, t_x[] = {3};\nU16 t [ 4 ] =\n{ 5 };\n"));
    EXPECT_EQ(LoadDefaultHeaderToTarget(*session, user, path).committed, 1);
    EXPECT_EQ(Sent("at@nvm:write_to_mirror(23"), Texts{"at@nvm:write_to_mirror(23,8,0,\"%hu\",{5})\r"});
}

// A cancel (Ctrl+C on the command line) stops the load before the next group, as it stops the other long operations.
TEST_F(HeaderLoad, ACancelStopsBeforeTheNextGroup) {
    struct CancelAtCommit : ProbeHost {
        ScriptedUser* user = nullptr;
        bool SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* lost) override {
            if (command.starts_with("at@nvm:store_nvm_sync")) user->cancelled = true;
            return ProbeHost::SendReceive(command, answer, echo, lost);
        }
    };
    auto cancelling = std::make_unique<CancelAtCommit>();
    cancelling->user = &user;
    Open(std::move(cancelling));
    const LoadHeaderResult r = LoadDefaultHeaderToTarget(*session, user, DataFile("three_groups.h"));
    EXPECT_TRUE(r.cancelled && r.committed == 1 && r.failed == 0);
    EXPECT_EQ(host->commands.size(), 3u) << "the probe, then the first group's values and commit";
    EXPECT_EQ(host->lines.back(), (LoggedLine{kLoadHeaderCancelledLine, 1}));
}

TEST_F(HeaderLoad, OpenDialogAndMissingFile) {
    EXPECT_FALSE(LoadDefaultHeaderToTarget(*session, user).loaded);
    user.fileNames = {dir.File("missing.h")};
    EXPECT_FALSE(LoadDefaultHeaderToTarget(*session, user).loaded);
    ASSERT_TRUE(WriteFileAtomically(dir.File("plain.h"), " U8 a[] = {1};"));
    EXPECT_FALSE(LoadDefaultHeaderToTarget(*session, user, dir.File("plain.h")).loaded);
    EXPECT_EQ(user.messages, (Texts{"File does not exist (\"" + dir.File("missing.h") + "\"). Nothing read.",
                                    kNoValidGroupsMessage}));
    EXPECT_TRUE(host->lines.empty());  // nothing was written
}

// The records as group:type:data:version, the lines shown ("!"), the constants; "unindexed" for a text without index.
std::string ReadHeader(const std::string& text) {
    test::ScriptedHost host;
    DefaultGroupList records(1);                // both cleared first
    HeaderConstants constants = {{"OLD", 1}};
    std::string out = ParseDefaultHeaderText(text, host, records, constants) ? "" : "unindexed";
    for (const auto& r : records)
        out += r.GroupName + ":" + r.ElementType + ":" + r.DataText + ":" + std::to_string(r.Version);
    for (const auto& line : host.Texts()) out += " !" + line;
    for (const auto& [name, value] : constants) out += " " + name + "=" + std::to_string(value);
    return out;
}

TEST(ParseDefaultHeaderText, Table) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[GROUP=g,ARRAYNAME=a,VERSION=1]\n U8 a[] = {1};", "unindexed"},  // the index must be in a comment
        {"// [GROUP= g ,ARRAYNAME= a ,VERSION= 2 ]\n u16 a[] = {\n 1, /* x */ 2 \n};", "g:u16:1,         2:2"},
        // An entry without VERSION= ends the index.
        {"/*[GROUP=g,ARRAYNAME=a,VERSION=1][GROUP=h,ARRAYNAME=b][GROUP=i,ARRAYNAME=c,VERSION=1]*/ U8 a[]={1}; "
         "U8 c[]={2};", "g:U8:1:1"},
        // Missing arrays are reported in the order of the index.
        {"/*[GROUP=g,ARRAYNAME=a,VERSION=1]\n[GROUP=h,ARRAYNAME=b,VERSION=1]\n[GROUP=i,ARRAYNAME=,VERSION=1]*/\n"
         " U8 b[] = { };",
         " !Cannot find the array definition of \"a\" for group g !Cannot locate valid data for the array \"b\" for "
         "group h !Cannot find the array definition of \"\" for group i"},
        // The array defined under the name, not the first text holding it.
        {"/*[GROUP=g,ARRAYNAME=tab,VERSION=1]*/ S16 tab_x[] = {5}; U8 tab[] = {6};", "g:U8:6:1"},
        {"/*[GROUP=g,ARRAYNAME=t,VERSION=1]*/ U8 t[1]; U16 t[2][ ] = {1, 2};", "g:U16:1, 2:1"},  // an array of arrays
        {"/*[GROUP=g,ARRAYNAME=a,VERSION=1]\n[CONSTANTS=NMAX=5,\"HX = 0x1fZ\",=3,BAD,NEG=-1,WORD=abc]*/ U8 a[]={NMAX};",
         "g:U8:NMAX:1 HX=31 NEG=4294967295 NMAX=5 WORD=0"},
        {"/*[GROUP=g,ARRAYNAME=a,VERSION=19][CONSTANTS=x]*/ U8 a[]={1};", "g:U8:1:19"},
        {"U8 a[]={1}; /* [GROUP=g,ARRAYNAME=a,VERSION=-2] */", "g:U8:1:0 !The version of group g is not a small "
                                                              "non-negative number: \"-2\""},
        {" U8 a[]={1}; /* [GROUP=g,ARRAYNAME=a,VERSION=1]", "g:U8:1:1"},  // an unterminated comment holds the index
        // A "//" inside a string starts no comment.
        {"/* [GROUP=g,ARRAYNAME=a,VERSION=1] */ char* s = \"//\"; U8 a[]={1};", "g:U8:1:1"},
    };
    for (const auto& [text, read] : cases) EXPECT_EQ(ReadHeader(text), read) << text;
}

TEST(NextValueChunk, Table) {
    auto chunks = [](const std::string& data) {
        std::vector<int> counts;
        size_t cursor = 0;
        for (int guard = 0; guard < 100; ++guard) {
            const ValueChunk c = NextValueChunk(data, cursor);
            if (!c.text.empty()) counts.push_back(c.count);
            if (c.tooLong) counts.push_back(-1);
            if (c.exhausted) break;
        }
        return counts;
    };
    std::string wide, narrow;
    for (int i = 0; i < 450; ++i) wide += "0x0001,\r\n ";
    for (int i = 0; i < 300; ++i) narrow += "7 ,";
    EXPECT_EQ(chunks(wide), (std::vector<int>{136, 136, 136, 42}));
    EXPECT_EQ(chunks(narrow), (std::vector<int>{200, 100}));
    EXPECT_EQ(chunks("1, " + std::string(950, '9') + ", 2"), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(chunks("1, " + std::string(951, '9') + ", 2"), (std::vector<int>{1, -1}));
    EXPECT_EQ(chunks(" } 1"), std::vector<int>{});
}

TEST(ReplaceConstants, WholeIdentifiersOnlyAndCommentSplit) {
    const HeaderConstants constants = {{"NMAX", 5}, {"N", 0x12345}, {"X0", 1}};
    EXPECT_EQ(ReplaceConstants("NMAX,NMAX_2,xNMAX,(NMAX),N,NN,NMAXz,9N", constants),
              "0x0005,NMAX_2,xNMAX,(0x0005),0x12345,NN,NMAXz,9N");
    // An inserted value is not searched again.
    EXPECT_EQ(ReplaceConstants("X0", {{"X0", 0x0}, {"x0000", 7}}), "0x0000");
    EXPECT_EQ(ReplaceConstants("a", {{"", 1}}), "a");
    EXPECT_EQ(ConstantValue("0X123456789") + ConstantValue("12abc"), 0x12345678u + 12);  // at most 8 digits
    EXPECT_EQ(Hex4(0xabcdef), "0xabcdef");
    const HeaderTexts t = SplitHeaderText("a/*b*/c//d\r\ne/*f");
    EXPECT_EQ(t.code + "|" + t.comments, "a     c   \r\ne   |bd\r\nf");
}

}  // namespace
}  // namespace vtq
