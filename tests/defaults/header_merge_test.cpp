// The merge of target default values into an old commented header: which array stands for which group, where the
// group index goes, how values the old array lacks are added, and that the merged header loads back.

#include "defaults/header_merge.h"

#include "defaults/defaults_fixture.h"
#include "defaults/header_reader.h"
#include "defaults/naming_presets.h"
#include "defaults/rf_export.h"

namespace vtq {
namespace {

using namespace test;

TEST(MergeDefaultsIntoHeader, SixGroupsAskForThree) {
    test::ScriptedHost host;
    DefaultGroupList six;
    for (const auto& g : RfGroupSetB()) six.push_back(DefaultGroupData{1, g, g + "_a", "U16", g + "_t", "1"});
    test::TempDir dir;
    test::User user;
    user.picks = {{0, 2, 4}, {0, 1, 2, 3, 4, 5}};
    // Three groups picked go on to the merge.
    EXPECT_FALSE(MergeDefaultsIntoHeader(host, user, NamingPreset(), dir.File("none.h"), dir.File("o.h"), six));
    EXPECT_EQ(user.messages.back(), "The given header file:\n" + dir.File("none.h") +
                                        "\nis not valid.\nCannot find the array \"cal_t71_lut_t\".\nNothing saved.");
    EXPECT_FALSE(MergeDefaultsIntoHeader(host, user, NamingPreset(), dir.File("none.h"), dir.File("o.h"), six));
    EXPECT_EQ(std::tuple(user.messages.back(), user.busyDepth), std::tuple(kThreeGroupsMessage, 0));
    EXPECT_FALSE(MergeDefaultsIntoHeader(host, user, NamingPreset(), dir.File("none.h"), dir.File("o.h"), {}));
    EXPECT_EQ(host.Texts(), Texts{"Nothing saved."});
}

TEST(MergeDefaultsIntoText, IndexPlacementAndAddedValues) {
    test::ScriptedHost host;
    test::ScriptedUser user;
    DefaultGroupList three;
    for (const char* g : {"a", "b", "c"}) three.push_back(DefaultGroupData{2, g, std::string(g) + "_x", "U16", g, "9"});
    const std::string arrays = "U16 a[] = {9};\nU16 b[] = {9};\nU16 c[] = {9};\n";
    const std::string block = "\n/*" + std::string(76, '-') +
                              "\nNVM Groups in this file (do not delete):\n[GROUP=a,ARRAYNAME=a,VERSION=2]\n"
                              "[GROUP=b,ARRAYNAME=b,VERSION=2]\n[GROUP=c,ARRAYNAME=c,VERSION=2]\n" +
                              std::string(76, '-') + "*/\n";
    const std::string bigIndex = "/* [GROUP=a,ARRAYNAME=a,VERSION=1]" + std::string(5000, ' ') + "*/";
    const std::vector<std::pair<std::string, std::string>> cases = {  // old text, merged text or "" for none
        {"/* top */\n" + arrays, "/* top */" + block + "\n" + arrays},
        {"// x\n#include \"t.h\"\n/* late */\n" + arrays, "// x\n" + block + "#include \"t.h\"\n/* late */\n" + arrays},
        {"x\n" + arrays, "x\n" + block + arrays},
        {"u16 a[] = {9};\n" + arrays.substr(15), "u16 a[] = {9};\n" + block + arrays.substr(15)},
        // No comment and no include line: the index goes first.
        {"u16 a[] = {9};\nu16 b[] = {9};\nu16 c[] = {9};", block + "u16 a[] = {9};\nu16 b[] = {9};\nu16 c[] = {9};"},
        {"/*1*/ /* [GROUP=a,ARRAYNAME=a,VERSION=1] */\n" + arrays, "/*1*/ " + block + "\n" + arrays},
        // The old index's comment is replaced whole, stray "/*" inside it or not.
        {"/* x /* [GROUP=a,ARRAYNAME=a,VERSION=1] /* y */\n" + arrays, block + "\n" + arrays},
        // An old index too big to replace, or an entry without its keys: the merge would not load back.
        {bigIndex + "\n" + arrays, ""},
        {"/* [GROUP=a] */\n" + arrays, ""},
        // c's unclosed braces hold a's first definition, which c's merge then drops: the later a would read back.
        {"U16 c[] = {9 {\nU16 a[] = {1};\nU16 b[] = {9};\nU16 a[] = {7};\n", ""},
        // An index outside a comment (also right after one) stays where it is.
        {"/* c */[GROUP=a,ARRAYNAME=a,VERSION=1]\n" + arrays,
         "/* c */" + block + "[GROUP=a,ARRAYNAME=a,VERSION=1]\n" + arrays},
    };
    for (const auto& [old, merged] : cases) {
        SCOPED_TRACE(old.substr(0, 40));
        std::string buffer = old;
        DefaultGroupList records = three;
        ASSERT_EQ(MergeDefaultsIntoText(host, user, NamingPreset(), "old", buffer, records), !merged.empty());
        EXPECT_EQ(merged.empty() ? merged : buffer, merged);
    }
    // Values the old array lacks stand eight to a line.
    std::string data;
    for (int i = 1; i <= 11; ++i) data += std::to_string(i) + ", ";
    // A define kept for a value of 0 gets its constants entry; one already kept for another value is replaced. The
    // comma after a value goes before a line comment that ends the array's last line, also one ending in "/".
    DefaultGroupList records = {{1, "g", "", "S16", "arr", "-1, " + data}, {1, "h", "", "U8", "h", "1"},
                                {1, "i", "", "U8", "i", "1, 2"}, {1, "j", "", "U8", "j", "0, 0, 3, 4"}};
    std::string buffer = "/* top */\nS16 arr[] = { 5 /* c, */ };\nU8 h[] = {};\nU8 i[] = {1,};\n"
                         "U8 j[] = {ZERO, ZERO, ZERO // see a/\n};\n";
    ASSERT_TRUE(MergeDefaultsIntoText(host, user, NamingPreset(), "old", buffer, records));
    EXPECT_NE(buffer.find("\nS16 arr[] = { -0x0001 /* c, */,\n  0x0001,0x0002,0x0003,0x0004,0x0005,0x0006,0x0007,"
                          "0x0008,\n  0x0009,0x000a,0x000b };\nU8 h[] = {\n  0x0001};\nU8 i[] = {1,\n  0x0002};\n"
                          "U8 j[] = {ZERO, ZERO, 0x0003, // see a/\n  0x0004\n};\n"),
              std::string::npos)
        << buffer;
    EXPECT_NE(buffer.find("\n[CONSTANTS=ZERO=0x0000]\n"), std::string::npos) << buffer;
}

// A merge either refuses the old header or gives one the strict reader loads back with the target's values.
TEST(MergeDefaultsIntoText, MergedHeaderLoadsBackOrIsRefused) {
    const std::string why = "The given header file:\nold\nis not valid.\n";
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
        // old text, merged array, message, show line
        {"U16 t_calib_x[] = {1, 2};", "{0x0007, 0x0008}", "", ""},
        // Entries beyond the target's array go, a define and a comment among them; comments after the kept ones stay.
        {"/* top */\nU16 t_calib_x[] = {1, G, 3 /* c */, KEEP};", "{0x0007, G /* c */}",
         "2 extra array entries were not replaced", "Removed 2 array entries"},
        {"/* top */\nU16 t_calib_x[] = {\n  7, 8, // note\n  3, 4,\n  5\n};", "{\n  7, 8 // note\n};",
         "3 extra array entries were not replaced", "Removed 3 array entries"},
        // The array's definition, not a declaration before it (whose next "{" is another array's).
        {"U16 t_calib_x;\nU16 other[] = {1};\nU16 t_calib_x[] = {1, 2};", "t_calib_x[] = {0x0007, 0x0008}", "", ""},
        {"U16 t_calib_x;\nU16 other[] = {1};\nvtq_nvm_default_data_binary_type d[] = {{&t_calib_x[0]}};\n"
         "U16 t_calib_x[] = {1, 2};", "t_calib_x[] = {0x0007, 0x0008}", "", ""},
        // The index goes where code is, not into a comment whose end its own "*/" would take.
        {"/* top\nU16 t_calib_x[] = {1, 2};\n*/\nU16 t_calib_x[] = {3, 4};", "t_calib_x[] = {0x0007, 0x0008}", "", ""},
        // A name that is no C identifier is no candidate; one the strict reader would not take is refused.
        {"U16 a_calib_\x01[] = {1, 2};", "", why + "Cannot find the array \"t_calib_x\".\nNothing saved.", ""},
        {"U16 t_calib_x\x01[] = {1, 2};", "",
         why + "Cannot find the array definition of \"t_calib_x\" for group g.\nNothing saved.", ""},
    };
    for (const auto& [old, array, message, line] : cases) {
        SCOPED_TRACE(old);
        test::ScriptedHost host;
        test::ScriptedUser user;
        std::string buffer = old;
        DefaultGroupList records = {{1, "g", "", "U16", "t_calib_x", "7, 8"}};
        const bool merged = MergeDefaultsIntoText(host, user, NamingPreset(), "old", buffer, records);
        const Texts lines = host.Texts();
        EXPECT_EQ(std::tuple(merged, user.messages.empty() ? "" : user.messages.back().substr(0, message.size()),
                             lines.empty() ? "" : lines.back().substr(0, line.size())),
                  std::tuple(!array.empty(), message, line));
        if (!merged) continue;
        EXPECT_NE(buffer.find(array), std::string::npos) << buffer;
        const HeaderRead back = ReadDefaultHeader(buffer);
        EXPECT_TRUE(back.problems.empty()) << back.problems.at(0).text;
        ASSERT_EQ(back.records.size(), 1u);
        std::vector<uint32_t> values;
        for (const std::string& v : SplitCommaText(ReplaceConstants(back.records[0].DataText, back.constants)))
            values.push_back(ConstantValue(Trim(v)));
        EXPECT_EQ(values, (std::vector<uint32_t>{7, 8}));
    }
}

TEST(ListDataArraysAndPickArray, Table) {
    const std::string text =
        " U16 a_calib_[] = {1}; const short s[] = {2}; uint16_t w[] = {3}; char_t c[] = {4};\n"
        "/* U8 hidden[] = {5}; */ U32 rf_fixed_x[] = {6}; TT t[] = {7}; "
        "vtq_nvm_default_data_binary_type d[] = {8}; int_a b[] = {9}; myint i[] = {10}; U8 x_setcal_y[] = {11};";
    NamingPreset preset;
    preset.TableTypeName = "tt";
    Texts candidates = ListDataArrays(text, preset);
    EXPECT_EQ(candidates, (Texts{"a_calib_", "s", "rf_fixed_x", "x_setcal_y"}));

    test::User user;
    EXPECT_EQ(PickArray(user, "t8x_fixed_table", candidates), "rf_fixed_x");
    EXPECT_EQ(PickArray(user, "A_CALIB_TABLE", candidates), "a_calib_");
    // No kind, or a kind no candidate has: the user picks; Cancel picks nothing.
    user.picks = {{2}, {0}};
    EXPECT_EQ(PickArray(user, "t8x_fixed_calib_", candidates), std::nullopt);  // a pick out of range
    EXPECT_EQ(PickArray(user, "t8x_fixed_calib_", candidates), "s");
    EXPECT_EQ(PickArray(user, "none", candidates), "x_setcal_y");  // the last one is taken without asking
    EXPECT_EQ(PickArray(user, "none", candidates), std::nullopt);
    candidates = {"p_calib_1", "q_calib_2"};
    EXPECT_EQ(PickArray(user, "x_calib_", candidates), std::nullopt);
    EXPECT_EQ(candidates.size(), 2u);
}

}  // namespace
}  // namespace vtq
