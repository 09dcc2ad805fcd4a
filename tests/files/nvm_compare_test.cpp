// Comparison with a file: the kinds of difference, the restriction, the difference text saved atomically.

#include "files/nvm_compare.h"

#include "files_test_support.h"

namespace vtq {
namespace {

using Texts = std::vector<std::string>;

class CompareTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::Fill(editor, {{"grp.a", "1", "uint8"}, {"grp.b", "2", "uint8"}, {"grp.c", "3"}, {"grp.d", "x", "uint8"},
                            {"grp.e", "\"Ab\""}, {"grp.t[2]", "2"}, {"grp.t[10]", "0"}, {"hid.h", "5"},
                            {"hid.i", "6", "int8"}});
        editor.SetChecked(editor.GroupIndex("hid"), false);
        editor.SetFilter("zzz");
        const std::string path = dir.File("cmp.nvm");
        ASSERT_TRUE(WriteFileAtomically(path, "GRP.A=1 (uint16)\n"   // type only: !type
                                              "grp.b=9 (int8)\n"     // value and type: only !=
                                              "grp.c=3 (uint8)\n"    // type unknown in the editor: none
                                              "grp.d=x\n"            // no type in the file: none
                                              "grp.e=\"ab\"\n"       // values differ in case: !=
                                              "grp.t[2]=2\ngrp.t[10]=1\n"
                                              "hid.i=6 (int8)\n"     // same in an unchecked group: none
                                              "new.n=1\n"            // not in the editor: added
                                              "new.t=0\nnew.t.m=1\n"));  // a base the load removes
        diff = CompareWithFile(editor, host, path, user);
        ASSERT_NE(diff, nullptr);
    }
    Texts Result() {
        Texts texts;
        for (const Difference& d : diff->Result()) texts.push_back(d.text + " | " + DiffLabel(d.kind));
        return texts;
    }

    test::TempDir dir;
    test::ScriptedHost host;
    GroupItems editor;
    test::ScriptedUser user;
    std::unique_ptr<NVMDiff> diff;
};

TEST_F(CompareTest, KindsInOrderAndTheRestriction) {
    const Texts fileRecords = {"\"GRP.A\" type: \"uint8\" != \"uint16\" | !type",
                               "\"grp.b\" value: \"2\" != \"9\" | !=",
                               "\"grp.e\" value: \"\"Ab\"\" != \"\"ab\"\" | !=",
                               "\"grp.t[10]\" value: \"0\" != \"1\" | !=",
                               "\"new.n\" added | Extra",
                               "\"new.t.m\" added | Extra"};
    Texts all = fileRecords;
    all.push_back("\"hid.h\" missing | Missing");
    EXPECT_EQ(std::pair(Result(), host.Texts()), std::pair(all, Texts{"Removed 1 extra LUT/fill parameters"}));
    EXPECT_EQ(diff->StatusText(), "7 differences.");
    EXPECT_EQ(test::Record(editor, "grp.b")->value + std::to_string(editor.GroupCount()), "22");  // editor untouched

    // The file's view in its display order (t[2] before t[10]), no missing pass.
    diff->SetSelectedOnly(true);
    EXPECT_TRUE(!diff->HasResult() && Result() == fileRecords);
}

TEST_F(CompareTest, SaveTextIsAtomic) {
    diff->SetShown(DiffKind::Extra, false);
    diff->SetShown(DiffKind::Type, false);
    user.fileNames = {dir.File("d.nvm")};
    ASSERT_TRUE(SaveDifferencesClick(*diff, user));
    const std::string path = dir.File("d.txt");
    const std::string text = "\"grp.b\" value: \"2\" != \"9\"\r\n\"grp.e\" value: \"\"Ab\"\" != \"\"ab\"\"\r\n"
                             "\"grp.t[10]\" value: \"0\" != \"1\"\r\n\"hid.h\" missing\r\n";
    EXPECT_EQ(std::pair(test::FileBytes(path), user.messages), std::pair(text, Texts{"Text saved to file:\n" + path}));

    // A failed write leaves the old text; a missing folder, a cancel, an unreadable or empty file show why.
    diff->SetShown(DiffKind::Missing, false);
    user.messages.clear();
    user.fileNames = {path, dir.File("none/d")};
    AtomicFileWriter::FailWriteAfter(3);
    EXPECT_FALSE(SaveDifferencesClick(*diff, user));
    AtomicFileWriter::FailWriteAfter(-1);
    EXPECT_EQ(test::FileBytes(path), text);
    EXPECT_FALSE(SaveDifferencesClick(*diff, user) || SaveDifferencesClick(*diff, user));  // the second cancelled
    ASSERT_TRUE(WriteFileAtomically(dir.File("empty.nvm"), "// x.y=1\n"));
    EXPECT_FALSE(CompareWithFile(editor, host, dir.File("missing.nvm"), user) ||
                 CompareWithFile(editor, host, dir.File("empty.nvm"), user));
    EXPECT_EQ(user.messages, (Texts{"Cannot write file:\n\"" + path + "\"",
                                    "Cannot open file for writing:\n\"" + dir.File("none/d.txt") + "\"",
                                    "Could not load file: \"" + dir.File("missing.nvm") + "\"",
                                    "Nothing to load in file."}));
    diff->SetShown(DiffKind::Value, false);
    EXPECT_EQ(diff->StatusText(), "No differences.");
}

}  // namespace
}  // namespace vtq
