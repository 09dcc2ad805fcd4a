// The parameter file: the tolerant line parser, the writer and its faults, the
// merge with its counters and reports, and the Save File and Load File operations.

#include "files/nvm_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/file_operations.h"
#include "files_test_support.h"
#include "support/scripted_host.h"
#include "support/scripted_user.h"
#include "support/host_model_link.h"
#include "support/temp_dir.h"

namespace vtq {
namespace {

using test::Fill;
using test::FileBytes;
using test::Record;

struct ParseCase {
    const char* line;
    bool assignment;
    const char* group = "";
    const char* name = "";
    const char* value = "";
    const char* type = "";
};

TEST(NvmFileParse, RulesInOrder) {
    const ParseCase cases[] = {
        {"// NVM Parameter file saved from Brevant", false},
        {"// Item Count=3:", false},
        {"", false},
        {"\r", false},
        {"//grp.a=1", false},
        {"nvm://grp.a=1", false},
        {"at@nvm:grp.a=5\r", true, "grp", "grp.a", "5"},
        {"aT@NvM: grp.a=5", true, "grp", "grp.a", "5"},
        {"AT@NVM:grp.a=5", true, "AT@NVM:grp", "AT@NVM:grp.a", "5"},
        {"NVM:grp.a=5", true, "NVM:grp", "NVM:grp.a", "5"},
        {"nvm:   grp.arr = {1, 2, 3}  ", true, "grp", "grp.arr", "1, 2, 3"},
        {"grp.arr={ {1,2},{3,4} } (uint8)", true, "grp", "grp.arr", "{1,2},{3,4}", "uint8"},
        {"grp.a=7 (uint8)", true, "grp", "grp.a", "7", "uint8"},
        {"grp.a=7 ( uint8 ) rest", true, "grp", "grp.a", "7", "uint8"},
        {"grp.a=7 (uint8", true, "grp", "grp.a", "7", ""},
        {"grp.a=", false},
        {"grp.a=  \t", false},
        {"grp.a 5", false},
        {"a=1", false},
        {"abc=1.5", true, "abc=1", "abc", "1.5"},
        {"  grp.a = 1", true, "  grp", "grp.a", "1"},
        {"grp.a=1=2", true, "grp", "grp.a", "1=2"},
        {"grp.tab[0,3]=1,2,3,4", true, "grp", "grp.tab[0,3]", "1,2,3,4"},
        // Bytes above 127 pass unchanged.
        {"gr\xe9.n\xff=\x80\xfe (t\xa0y)", true, "gr\xe9", "gr\xe9.n\xff", "\x80\xfe", "t\xa0y"},
        // Quoted strings keep their parentheses and braces.
        {"grp.s=\"Model (rev A)\" (string)", true, "grp", "grp.s", "\"Model (rev A)\"", "string"},
        {"grp.s=\"{x}\"", true, "grp", "grp.s", "\"{x}\""},
        // A line that leaves no value after the type or the braces is no assignment.
        {"grp.a=(uint8)", false},
        {"grp.a={ }", false},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.line);
        NvmLine l;
        ASSERT_EQ(ParseNvmLine(c.line, l), c.assignment);
        if (!c.assignment) continue;
        EXPECT_EQ(l.group, c.group);
        EXPECT_EQ(l.name, c.name);
        EXPECT_EQ(l.value, c.value);
        EXPECT_EQ(l.type, c.type);
    }
}

TEST(NvmFileNames, NvmAndTextRules) {
    const std::pair<const char*, const char*> nvm[] = {
        {"/d/a.txt", "/d/a.txt.nvm"}, {"/d/a", "/d/a.nvm"}, {"/d/a.NVM", "/d/a.NVM"},
        {"/d/a.nvm", "/d/a.nvm"},     {"/d.x/a", "/d.x/a.nvm"}, {"/d/.nvm", "/d/.nvm.nvm"},
    };
    for (const auto& [in, out] : nvm) EXPECT_EQ(NvmFileName(in), out) << in;
    const std::pair<const char*, const char*> text[] = {
        {"/d/a.nvm", "/d/a.txt"}, {"/d/a", "/d/a.txt"}, {"/d/a.b.c", "/d/a.b.txt"},
        {"/d.x/a", "/d.x/a.txt"}, {"/d/.diff", "/d/.diff.txt"}, {"/d/a.TXT", "/d/a.txt"},
    };
    for (const auto& [in, out] : text) EXPECT_EQ(TextFileName(in), out) << in;
}

TEST(NvmFileReport, CountsInWords) {
    struct Case {
        LoadCounts counts;
        const char* text;
    };
    const Case cases[] = {
        {{0, 1, 0}, "File Loaded. Replaced 1 item."},
        {{0, 2, 0}, "File Loaded. Replaced 2 items."},
        {{1, 0, 0}, "File Loaded. Added 1 item."},
        {{12, 0, 3}, "File Loaded. Added 12 items. (3 unchanged values.)"},
        {{2, 1, 1}, "File Loaded. Added 2 items, Replaced 1 item. (1 unchanged values.)"},
        {{0, 0, 5}, "File Loaded. Replaced 0 items. (5 unchanged values.)"},
    };
    for (const Case& c : cases) EXPECT_EQ(LoadReport(c.counts), c.text);
}

class NvmFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteFileAtomically(path, bytes));
        return path;
    }
    // Files left in the folder (a failed save must leave no temporary file behind).
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir;
    test::ScriptedHost host;
    test::HostModelLink link{host, false};
    GroupItems items{&link};
    test::ScriptedUser user;
};

TEST_F(NvmFileTest, SaveWritesTheFilteredViewInViewOrder) {
    Fill(items, {{"grp.b", "2", "uint8"}, {"grp.a", "1"}, {"grp.tab", "1,2,3", "int16"}, {"oth.x", "\xe9\xff"}});
    items.SetChecked(items.GroupIndex("oth"), false);
    items.SetFilter("A");  // grp.a and grp.tab
    user.fileNames = {dir.File("out.txt")};
    ASSERT_TRUE(SaveFileClick(items, user));
    const std::string path = dir.File("out.txt.nvm");
    EXPECT_EQ(FileBytes(path),
              "// NVM Parameter file saved from Brevant\r\n// Item Count=2:\r\ngrp.a=1\r\ngrp.tab=1,2,3 (int16)\r\n");
    EXPECT_EQ(user.messages, std::vector<std::string>{"The Parameters in view have been save to:\n\"" + path + "\""});

    items.SetChecked(items.GroupIndex("oth"), true);
    items.SetFilter("");
    ASSERT_TRUE(WriteParameters(items, path, nullptr));
    EXPECT_EQ(FileBytes(path), "// NVM Parameter file saved from Brevant\r\n// Item Count=4:\r\ngrp.a=1\r\n"
                               "grp.b=2 (uint8)\r\ngrp.tab=1,2,3 (int16)\r\noth.x=\xe9\xff\r\n");
}

TEST_F(NvmFileTest, SaveRefusalsLeaveNoFile) {
    user.fileNames = {dir.File("empty")};
    EXPECT_FALSE(SaveFileClick(items, user));
    Fill(items, {{"grp.a", "1"}});
    user.fileNames = {dir.File("none/x.nvm")};
    EXPECT_FALSE(SaveFileClick(items, user));
    EXPECT_FALSE(SaveFileClick(items, user));  // cancelled: no message
    EXPECT_EQ(user.messages, (std::vector<std::string>{
                                 "Nothing in the list to save.",
                                 "Cannot open file for writing:\n\"" + dir.File("none/x.nvm") + "\""}));
    EXPECT_TRUE(Files().empty());
    EXPECT_FALSE(WriteParameters(items, dir.File("none/x.nvm"), nullptr));
}

TEST_F(NvmFileTest, SaveFailingAtAnyWriteKeepsTheOldFile) {
    Fill(items, {{"grp.a", "1"}, {"grp.b", "2", "uint8"}});
    const std::string old = "// old file\r\ngrp.a=0\r\n";
    const std::string path = Write("keep.nvm", old);
    // Header (2 lines) and 2 parameter lines, two writes each; the 9th write does not exist.
    for (int k = 0; k < 8; ++k) {
        SCOPED_TRACE(k);
        user.messages.clear();
        user.fileNames = {path};
        AtomicFileWriter::FailWriteAfter(k);
        EXPECT_FALSE(SaveFileClick(items, user));
        AtomicFileWriter::FailWriteAfter(-1);
        EXPECT_EQ(FileBytes(path), old);
        EXPECT_EQ(user.messages, std::vector<std::string>{"Cannot write file:\n\"" + path + "\""});
        EXPECT_EQ(Files(), std::vector<std::string>{"keep.nvm"});
    }
    AtomicFileWriter::FailWriteAfter(8);
    EXPECT_TRUE(WriteParameters(items, path, nullptr));
    AtomicFileWriter::FailWriteAfter(-1);
    EXPECT_NE(FileBytes(path), old);
}

TEST_F(NvmFileTest, MergeCountsReplacedAddedAndUnchanged) {
    Fill(items, {{"grp.same", "5", "uint8"}, {"grp.val", "1", "uint8"}, {"grp.typ", "3", "uint8"},
                 {"grp.tbl", "1,2"}, {"off.x", "0"}});
    items.SetChecked(items.GroupIndex("off"), false);
    items.SetIndexedNames(true);
    const std::string path = Write("in.nvm",
                                   "// NVM Parameter file saved from Brevant\r\n// Item Count=99:\r\n"
                                   "GRP.SAME=5 (uint8)\r\n"    // found without regard to case: unchanged
                                   "grp.val=2 (uint8)\r\n"     // value differs: replaced
                                   "grp.typ=3\r\n"             // no type clears the known one: replaced
                                   "grp.new=7\r\n"             // added
                                   "grp.gone.fill_0=0\r\n"     // declined by the container
                                   "grp.tbl[0]={1,2}\r\n"      // renamed onto grp.tbl, same value: unchanged
                                   "off.x=0\r\n"               // its group becomes checked: unchanged
                                   "new_grp.a=1\r\n"
                                   "new_grp.a.m=4\r\n"         // makes new_grp.a a redundant table base
                                   "\r\n");
    LoadCounts counts;
    ASSERT_TRUE(LoadParameters(items, path, counts));
    EXPECT_EQ(counts.added, 3);
    EXPECT_EQ(counts.replaced, 2);
    EXPECT_EQ(counts.unchanged, 3);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"Removed 1 extra LUT/fill parameters"});

    EXPECT_EQ(Record(items, "grp.val")->value, "2");
    EXPECT_EQ(Record(items, "grp.val")->state, ParameterState::NotStored);
    EXPECT_EQ(Record(items, "grp.typ")->type, "");
    EXPECT_EQ(Record(items, "grp.same")->state, ParameterState::Unchanged);
    EXPECT_EQ(Record(items, "grp.new")->state, ParameterState::NotStored);
    EXPECT_EQ(Record(items, "grp.gone.fill_0"), nullptr);
    const GroupItem* created = items.FindGroup("new_grp");
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->notOnTarget);
    EXPECT_FALSE(items.FindGroup("grp")->notOnTarget);
    EXPECT_TRUE(items.FindGroup("off")->checked);
    EXPECT_EQ(items.ViewCount(), 7);
}

TEST_F(NvmFileTest, RenamedEntryTakesTheFileValue) {
    Fill(items, {{"grp.tbl", "1,2"}});
    const std::string path = Write("in.nvm", "grp.tbl[0]=3,4 (uint8)\n");
    LoadCounts counts;
    ASSERT_TRUE(LoadParameters(items, path, counts));
    EXPECT_EQ(counts.replaced, 1);
    EXPECT_EQ(Record(items, "grp.tbl")->value, "3,4");
    EXPECT_EQ(Record(items, "grp.tbl")->type, "uint8");
}

TEST_F(NvmFileTest, DigitSuffixNamesAsTargetOrAsGiven) {
    Fill(items, {{"grp.slope", "-72"}});
    const std::string text = "grp.slope_3=16\ngrp.gain_2=5\ngrp.t[0]=1,2\n";
    LoadCounts counts;
    // Without a target to confirm them, the container takes the suffixes for sizes.
    LoadParametersFromText(items, text, counts, FileNames::AsTarget);
    EXPECT_EQ(counts.added, 3);
    EXPECT_EQ(Record(items, "grp.slope")->value, "-72");
    EXPECT_NE(Record(items, "grp.gain"), nullptr);

    GroupItems fresh;
    LoadParametersFromText(fresh, text, counts, FileNames::AsGiven);
    EXPECT_EQ(counts.added, 3);
    EXPECT_EQ(Record(fresh, "grp.slope_3")->value, "16");
    EXPECT_EQ(Record(fresh, "grp.gain_2")->value, "5");
    EXPECT_EQ(Record(fresh, "grp.t")->value, "1,2");
    EXPECT_TRUE(fresh.IndexedNames());
    LoadParametersFromText(fresh, "grp.x_2=1\n", counts, FileNames::AsGiven);
    EXPECT_FALSE(fresh.IndexedNames());
}

TEST_F(NvmFileTest, LoadFileReportsAndSecondLoadChangesNothing) {
    Fill(items, {{"grp.a", "1"}});
    const std::string path = Write("in.nvm", "grp.a=2\ngrp.b=3 (int8)\nnvm:grp.c={1, 2}\nat@nvm:x.y=\"s p\"\r\n");
    ASSERT_TRUE(LoadFile(items, host, path, user));
    ASSERT_TRUE(LoadFile(items, host, path, user));
    EXPECT_EQ(host.lines, (std::vector<test::LoggedLine>{{"File Loaded. Added 3 items, Replaced 1 item.", 1},
                                                         {"File Loaded. Replaced 0 items. (4 unchanged values.)", 1}}));
    EXPECT_EQ(Record(items, "grp.c")->value, "1,2");
    EXPECT_EQ(Record(items, "x.y")->value, "\"s p\"");
    EXPECT_TRUE(user.messages.empty());
    EXPECT_EQ(items.UpdateLock(), 0);
}

TEST_F(NvmFileTest, UnreadableOrEmptyFilesChangeNothing) {
    Fill(items, {{"grp.a", "1"}});
    items.SetChecked(0, false);
    items.SetIndexedNames(true);
    const std::string paths[] = {dir.File("missing.nvm"), dir.Path().string(), Write("empty.nvm", ""),
                                 Write("comments.nvm", "// NVM Parameter file saved from Brevant\r\n// x.y=1\r\n"
                                                       "no assignment here\r\n\r\nx.y=\r\n")};
    for (const std::string& path : paths) {
        EXPECT_FALSE(LoadFile(items, host, path, user));
        if (path == paths[1]) EXPECT_TRUE(items.IndexedNames());  // kept by the unreadable files
    }
    EXPECT_EQ(user.messages, (std::vector<std::string>{"Could not load file: \"" + paths[0] + "\"",
                                                       "Could not load file: \"" + paths[1] + "\"",
                                                       "Nothing to load in file.", "Nothing to load in file."}));
    EXPECT_EQ(items.AllGroupNames(), std::vector<std::string>{"grp"});
    EXPECT_FALSE(items.IsChecked(0));
    EXPECT_EQ(Record(items, "grp.a")->state, ParameterState::Unchanged);
    EXPECT_TRUE(host.lines.empty());
}

}  // namespace
}  // namespace vtq
