// Comparison with a file: each kind of difference, value hiding type, the
// missing pass over every editor group, the toggles and the restriction, and
// the difference text saved atomically.

#include "files/nvm_compare.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/file_operations.h"
#include "files_test_support.h"
#include "support/host_model_link.h"
#include "support/scripted_host.h"
#include "support/scripted_user.h"
#include "support/temp_dir.h"

namespace vtq {
namespace {

using test::FileBytes;
using test::Fill;

std::vector<std::string> Texts(const DifferenceList& list) {
    std::vector<std::string> texts;
    for (const Difference& d : list) texts.push_back(d.text + " | " + DiffLabel(d.kind));
    return texts;
}

class CompareTest : public ::testing::Test {
protected:
    void SetUp() override {
        Fill(editor, {{"grp.a", "1", "uint8"}, {"grp.b", "2", "uint8"}, {"grp.c", "3"}, {"grp.d", "x", "uint8"},
                      {"grp.e", "\"Ab\""}, {"hid.h", "5"}, {"hid.i", "6", "int8"}});
        editor.SetChecked(editor.GroupIndex("hid"), false);
        editor.SetFilter("zzz");
        const std::string path = dir.File("cmp.nvm");
        ASSERT_TRUE(WriteFileAtomically(path, "GRP.A=1 (uint16)\n"   // type only: !type
                                              "grp.b=9 (int8)\n"     // value and type: only !=
                                              "grp.c=3 (uint8)\n"    // type unknown in the editor: none
                                              "grp.d=x\n"            // no type in the file: none
                                              "grp.e=\"ab\"\n"       // values differ in case: !=
                                              "hid.i=6 (int8)\n"     // same in an unchecked group: none
                                              "new.n=1\n"            // not in the editor: added
                                              "new.t=0\nnew.t.m=1\n"));  // a base the load removes
        diff = CompareWithFile(editor, host, path, user);
        ASSERT_NE(diff, nullptr);
    }

    test::TempDir dir;
    test::ScriptedHost host;
    test::HostModelLink link{host, false};
    GroupItems editor{&link};
    test::ScriptedUser user;
    std::unique_ptr<NVMDiff> diff;
};

TEST_F(CompareTest, KindsOrderAndRestriction) {
    EXPECT_EQ(Texts(diff->Result()), (std::vector<std::string>{
                                         "\"GRP.A\" type: \"uint8\" != \"uint16\" | !type",
                                         "\"grp.b\" value: \"2\" != \"9\" | !=",
                                         "\"grp.e\" value: \"\"Ab\"\" != \"\"ab\"\" | !=",
                                         "\"new.n\" added | Extra",
                                         "\"new.t.m\" added | Extra",
                                         "\"hid.h\" missing | Missing",
                                     }));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"Removed 1 extra LUT/fill parameters"});
    EXPECT_TRUE(user.messages.empty());
    // The editor's records are untouched.
    EXPECT_EQ(test::Record(editor, "grp.b")->value, "2");
    EXPECT_EQ(test::Record(editor, "grp.b")->state, ParameterState::Unchanged);
    EXPECT_EQ(editor.GroupCount(), 2);

    diff->SetSelectedOnly(true);
    EXPECT_FALSE(diff->HasResult());
    EXPECT_EQ(diff->Result().size(), 5u);
    EXPECT_EQ(diff->Result().back().kind, DiffKind::Extra);
}

TEST_F(CompareTest, TogglesCountOnlyTheShownKinds) {
    struct Step {
        DiffKind kind;
        bool shown;
        const char* status;
        size_t rows;
    };
    const Step steps[] = {
        {DiffKind::Missing, true, "6 differences.", 6}, {DiffKind::Missing, false, "5 differences.", 5},
        {DiffKind::Extra, false, "3 differences.", 3},  {DiffKind::Value, false, "1 difference.", 1},
        {DiffKind::Type, false, "No differences.", 1},  {DiffKind::Value, true, "2 differences.", 2},
    };
    for (const Step& s : steps) {
        diff->SetShown(s.kind, s.shown);
        EXPECT_EQ(diff->StatusText(), s.status);
        EXPECT_EQ(diff->RowTexts().size(), s.rows);
    }
    diff->SetShown(DiffKind::Value, false);
    EXPECT_EQ(diff->RowTexts(), std::vector<std::string>{"(empty)"});
}

TEST_F(CompareTest, SaveTextIsAtomic) {
    diff->SetShown(DiffKind::Extra, false);
    diff->SetShown(DiffKind::Type, false);
    user.fileNames = {dir.File("d.nvm")};
    ASSERT_TRUE(SaveDifferencesClick(*diff, user));
    const std::string path = dir.File("d.txt");
    const std::string text = "\"grp.b\" value: \"2\" != \"9\"\r\n\"grp.e\" value: \"\"Ab\"\" != \"\"ab\"\"\r\n"
                             "\"hid.h\" missing\r\n";
    EXPECT_EQ(FileBytes(path), text);
    EXPECT_EQ(user.messages, std::vector<std::string>{"Text saved to file:\n" + path});

    diff->SetShown(DiffKind::Missing, false);
    for (int k = 0; k < 4; ++k) {
        user.messages.clear();
        user.fileNames = {path};
        AtomicFileWriter::FailWriteAfter(k);
        EXPECT_FALSE(SaveDifferencesClick(*diff, user));
        AtomicFileWriter::FailWriteAfter(-1);
        EXPECT_EQ(FileBytes(path), text);
        EXPECT_EQ(user.messages, std::vector<std::string>{"Cannot write file:\n\"" + path + "\""});
    }
    user.fileNames = {dir.File("none/d")};
    EXPECT_FALSE(SaveDifferencesClick(*diff, user));
    EXPECT_EQ(user.messages.back(), "Cannot open file for writing:\n\"" + dir.File("none/d.txt") + "\"");
    const size_t shown = user.messages.size();
    EXPECT_FALSE(SaveDifferencesClick(*diff, user));  // cancelled
    EXPECT_EQ(user.messages.size(), shown);
}

TEST_F(CompareTest, UnreadableAndEmptyFilesOpenNoComparison) {
    ASSERT_TRUE(WriteFileAtomically(dir.File("empty.nvm"), "// x.y=1\n"));
    user.messages.clear();
    EXPECT_EQ(CompareWithFile(editor, host, dir.File("missing.nvm"), user), nullptr);
    EXPECT_EQ(CompareWithFile(editor, host, dir.File("empty.nvm"), user), nullptr);
    EXPECT_EQ(user.messages, (std::vector<std::string>{"Could not load file: \"" + dir.File("missing.nvm") + "\"",
                                                       "Nothing to load in file."}));
}

TEST(DifferenceCount, SingularAndPlural) {
    EXPECT_EQ(DifferenceCountText(0), "No differences.");
    EXPECT_EQ(DifferenceCountText(1), "1 difference.");
    EXPECT_EQ(DifferenceCountText(12), "12 differences.");
}

}  // namespace
}  // namespace vtq
