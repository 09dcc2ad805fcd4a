// The parameter file: the line parser, the writer and its faults, the merge, Save File and Load File.

#include "files/nvm_file.h"
#include "files/nvm_file_check.h"

#include <filesystem>
#include <tuple>

#include "files_test_support.h"
#include "support/host_model_link.h"

namespace vtq {
namespace {

using test::FileBytes;
using test::Fill;
using test::Record;
using Texts = std::vector<std::string>;

TEST(NvmFileParse, RulesInOrder) {
    // Line, then "group|name|value|type" or "-" for no assignment.
    const std::pair<const char*, const char*> cases[] = {
        {"// Item Count=3:", "-"}, {"nvm://grp.a=1", "-"}, {"grp.a=  \t", "-"}, {"grp.a 5", "-"}, {"a=1", "-"},
        {"at@nvm:grp.a=5\r", "grp|grp.a|5|"}, {"aT@NvM: grp.a=5", "grp|grp.a|5|"},
        {"AT@NVM:grp.a=5", "grp|grp.a|5|"}, {"nvm:   grp.arr = {1, 2, 3}  ", "grp|grp.arr|1, 2, 3|"},
        {"grp.arr={ {1,2},{3,4} } (uint8)", "grp|grp.arr|{1,2},{3,4}|uint8"},
        {"grp.a=7 ( uint8 ) rest", "grp|grp.a|7|uint8"}, {"grp.a=7 (uint8", "grp|grp.a|7|"},
        {"abc=1.5", "-"}, {"  grp.a = 1=2", "grp|grp.a|1=2|"},
        {"gr\xe9.n\xff=\x80\xfe (t\xa0y)", "gr\xe9|gr\xe9.n\xff|\x80\xfe|t\xa0y"},
        // Quoted strings keep their parentheses and braces; nothing left after the type or braces: no assignment.
        {"grp.s=\"Model (rev A)\" (string)", "grp|grp.s|\"Model (rev A)\"|string"},
        {"grp.s=\"{x}\"", "grp|grp.s|\"{x}\"|"}, {"grp.a=(uint8)", "-"}, {"grp.a={ }", "-"},
        {"grp.a=,", "-"}, {"grp.a={ , }", "-"},
        // Unbalanced braces and element ranges that count down would make a malformed command.
        {"grp.a={1,2,3", "-"}, {"grp.a=1,2,3}", "-"}, {"grp.a={{1,2},{3}", "-"}, {"grp.s=\"{x\"", "grp|grp.s|\"{x\"|"},
        {"grp.a[5,2]=1,2,3,4", "-"}, {"grp.a[1=5", "-"}, {"grp.a]1[=5", "-"}, {"grp.a[[1]]=5", "-"}, {"grp.a[2,5]=1,2,3,4", "grp|grp.a[2,5]|1,2,3,4|"},
        // An element range is written with exactly its values; a run of ranges names a whole table from 0.
        {"grp.a[1,2]=1,2,3", "-"}, {"grp.t[0,1][0,2]={1,2,3}", "-"}, {"grp.t[0,1][1,2]=1,2,3,4", "-"},
        {"grp.t[0,1][0,2]={1,2,3,4,5,6}", "grp|grp.t[0,1][0,2]|1,2,3,4,5,6|"}, {"grp.s[0,7]=\"x,y\"", "grp|grp.s[0,7]|\"x,y\"|"},
        // A value that begins with a double quote is one string (written as it stands), not a list or an open string.
        {"grp.s[0,1]=\"x\",3", "-"}, {"grp.s[0,1]=\"x,y", "-"}, {"grp.s=\"x\"\"y\"", "-"},
        // A range followed by more name text: the write would send some other range, or the values of another name.
        {"grp.t[0,1][0,2]x.y=1,2,3,4,5,6", "-"}, {"grp.r[0,3].v=1,2,3,4", "-"}, {"grp.t[0,1]+=1,2", "-"},
        {"grp.t[1]x.y=5", "-"},
        {"grp.a.[]b=5", "-"}, {"grp.a[1,]=5", "-"}, {"grp.a[x].b=5", "-"}, {"grp.r[ 1 ].b=5", "grp|grp.r[ 1 ].b|5|"},
        {"grp.r[2147483648].b=5", "-"}, {"grp.r[2147483647].b=5", "grp|grp.r[2147483647].b|5|"},
        // A control character inside a name, value or type would end the command early; a tab is a blank.
        {"grp.d\rat@nvm:grp.a=77", "-"}, {"grp.a=5\rat@nvm:grp.b=9", "-"}, {"grp.s=\"a\x01\"", "-"},
        {"grp.a=1 (u\x7f)", "-"}, {"grp.a={1,\t2}\x1b", "grp|grp.a|1,\t2|"},
    };
    for (const auto& [text, expected] : cases) {
        NvmLine l;
        const std::string got = ParseNvmLine(text, l) ? std::string(l.group) + "|" + std::string(l.name) + "|" +
                                                            std::string(l.value) + "|" + std::string(l.type)
                                                      : "-";
        EXPECT_EQ(got, expected) << text;
    }
}

TEST(NvmFileNames, NvmAndTextRules) {
    for (const auto& [in, nvm, txt] : std::vector<std::tuple<const char*, const char*, const char*>>{
             {"/d/a.NVM", "/d/a.NVM", "/d/a.txt"}, {"/d.x/a", "/d.x/a.nvm", "/d.x/a.txt"},
             {"/d/.nvm", "/d/.nvm.nvm", "/d/.nvm.txt"}, {"/d/a.b.c", "/d/a.b.c.nvm", "/d/a.b.txt"}})
        EXPECT_EQ(NvmFileName(in) + " " + TextFileName(in), nvm + (" " + std::string(txt)));
}

class NvmFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteFileAtomically(path, bytes));
        return path;
    }

    test::TempDir dir;
    test::ScriptedHost host;
    test::HostModelLink link{host, false};
    GroupItems items{&link};
    test::ScriptedUser user;
};

TEST_F(NvmFileTest, SaveWritesTheFilteredViewOrRefuses) {
    user.fileNames = {dir.File("empty")};
    EXPECT_FALSE(SaveFileClick(items, user));
    Fill(items, {{"grp.b", "2", "uint8"}, {"grp.a", "1"}, {"grp.tab", "1,2,3", "int16"}, {"oth.x", "\xe9\xff"}});
    items.SetChecked(items.GroupIndex("oth"), false);
    items.SetFilter("A");  // grp.a and grp.tab
    user.fileNames = {dir.File("out.txt"), dir.File("none/x.nvm")};
    EXPECT_TRUE(SaveFileClick(items, user) && !SaveFileClick(items, user) && !SaveFileClick(items, user));  // cancelled
    const std::string path = dir.File("out.txt.nvm");
    EXPECT_EQ(FileBytes(path),
              "// NVM Parameter file saved from Brevant\r\n// Item Count=2:\r\ngrp.a=1\r\ngrp.tab=1,2,3 (int16)\r\n");
    EXPECT_EQ(user.messages, (Texts{"Nothing in the list to save.",
                                    "The Parameters in view have been save to:\n\"" + path + "\"",
                                    "Cannot open file for writing:\n\"" + dir.File("none/x.nvm") + "\""}));

    // A failed write is told and leaves the old file (the writer's tests fail it at every point).
    items.SetChecked(items.GroupIndex("oth"), true);
    items.SetFilter("");
    const std::string old = FileBytes(path);
    AtomicFileWriter::FailWriteAfter(5);
    EXPECT_FALSE(WriteParameters(items, path, &user));
    AtomicFileWriter::FailWriteAfter(-1);
    EXPECT_EQ(std::pair(FileBytes(path), user.messages.back()), std::pair(old, "Cannot write file:\n\"" + path + "\""));
    EXPECT_TRUE(WriteParameters(items, path, nullptr));
    EXPECT_EQ(FileBytes(path), "// NVM Parameter file saved from Brevant\r\n// Item Count=4:\r\ngrp.a=1\r\n"
                               "grp.b=2 (uint8)\r\ngrp.tab=1,2,3 (int16)\r\noth.x=\xe9\xff\r\n");
    EXPECT_EQ(ParameterFileText(items), FileBytes(path));
}

// Every record saved loads back as it was; a record whose line would not load stays out, named in the log.
TEST_F(NvmFileTest, WhatIsSavedLoadsBackAlike) {
    Fill(items, {{"grp.one[0]", "5"}, {"grp.tab", "1,2"}, {"grp.s", "\"x\"", "string"}});
    {
        UpdateBracket bracket(items);
        items.AddParameter(items.GroupIndex("grp"), "no_dot_name", "7", "", false);
    }
    const std::string path = dir.File("out.nvm");
    ASSERT_TRUE(WriteParameters(items, path, &user));
    EXPECT_EQ(FileBytes(path), "// NVM Parameter file saved from Brevant\r\n// Item Count=3:\r\n"
                               "grp.one={5}\r\ngrp.s=\"x\" (string)\r\ngrp.tab=1,2\r\n");
    EXPECT_EQ(host.Texts(), Texts{"Not saved: \"no_dot_name\" has no group name before a point; the file could "
                                  "not load it back."});
    // Save File counts what it wrote and names what it left out; with nothing left to write, no file.
    user.fileNames = {path, dir.File("none.nvm")};
    ASSERT_TRUE(SaveFileClick(items, user));
    EXPECT_EQ(user.messages.back(), "The Parameters in view have been save to:\n\"" + path +
                                        "\"\n3 parameters saved; 1 left out (see the log): no_dot_name");
    items.SetFilter("no_dot");
    EXPECT_FALSE(SaveFileClick(items, user) || std::filesystem::exists(dir.File("none.nvm")));
    EXPECT_EQ(user.messages.back(), "Nothing in the list to save.\n1 left out (see the log): no_dot_name");
    items.SetFilter("");
    GroupItems fresh;
    LoadCounts counts;
    ASSERT_TRUE(LoadParameters(fresh, path, counts, FileNames::AsGiven));
    EXPECT_EQ(std::pair(counts.added, Record(fresh, "grp.one")->elementCount), std::pair(3, 1));

    // A name given twice: the later line wins whole, its element count too, and the save loads back alike.
    GroupItems twice;
    LoadParametersFromText(twice, "grp.d={1,2}\ngrp.d={1,2,3}\ngrp.e=1,2\ngrp.e={5}\ngrp.f[0]=1,2\ngrp.f=7\n", counts,
                           FileNames::AsGiven);
    EXPECT_EQ(counts.added, 3);
    const auto shapes = [](const GroupItems& in) {
        std::string text;
        for (const char* name : {"grp.d", "grp.e", "grp.f"}) {
            const NVMParameter* r = Record(in, name);
            text += (r ? r->value + "/" + std::to_string(r->elementCount) : "<missing>") + " ";
        }
        return text;
    };
    EXPECT_EQ(shapes(twice), "1,2,3/3 5/1 7/0 ");
    ASSERT_TRUE(WriteParameters(twice, path, &user));
    GroupItems back;
    ASSERT_TRUE(LoadParameters(back, path, counts, FileNames::AsGiven));
    EXPECT_EQ(shapes(back), shapes(twice));

    // A record a load would drop as the base of the next one stays out of the file, named in the log.
    GroupItems chain{&link};
    LoadParametersFromText(chain, "grp.c[0].x=1\ngrp.c[0].x[0,1]={2,3}\ngrp.c=5\n", counts, FileNames::AsGiven);
    host.lines.clear();
    ASSERT_TRUE(WriteParameters(chain, path, nullptr));
    EXPECT_EQ(FileBytes(path), "// NVM Parameter file saved from Brevant\r\n// Item Count=1:\r\ngrp.c[0].x[0,1]=2,3\r\n");
    EXPECT_EQ(host.Texts(), Texts{"Not saved: \"grp.c[0].x\": a load would remove it as an extra LUT/fill parameter "
                                  "of \"grp.c[0].x[0,1]\"."});
    // A name that begins with a byte order mark would load back without it.
    GroupItems marked;
    LoadParametersFromText(marked, "at@nvm:\xEF\xBB\xBFgrp.b=1\n", counts, FileNames::AsGiven);
    EXPECT_FALSE(WriteParameters(marked, dir.File("marked.nvm"), nullptr));
}

// Files from other editors: a byte order mark, lines ended by a lone CR, the prefix in capitals.
TEST_F(NvmFileTest, LinesOfOtherEditorsLoad) {
    GroupItems fresh;
    LoadCounts counts;
    LoadParametersFromText(fresh, "\xEF\xBB\xBFgrp.a=1\r// note\rgrp.b=2\r\nAT@NVM:grp.c=3\n", counts,
                           FileNames::AsGiven);
    EXPECT_TRUE(fresh.AllGroupNames() == Texts{"grp"} && counts.added == 3 && Record(fresh, "grp.b"));
}

TEST_F(NvmFileTest, MergeCountsReplacedAddedAndUnchanged) {
    Fill(items, {{"grp.same", "5", "uint8"}, {"grp.val", "1", "uint8"}, {"grp.typ", "3", "uint8"},
                 {"grp.tbl", "1,2"}, {"grp.slope", "-72"}, {"off.x", "0"}});
    items.SetChecked(items.GroupIndex("off"), false);
    items.SetIndexedNames(true);
    const std::string path = Write("in.nvm",
                                   "// NVM Parameter file saved from Brevant\r\n// Item Count=99:\r\n"
                                   "GRP.SAME=5 (uint8)\r\n"    // found without regard to case: unchanged
                                   "grp.val=2 (uint8)\r\n"     // value differs: replaced
                                   "grp.typ=3\r\n"             // no type clears the known one: replaced
                                   "grp.slope_3=16\r\n"        // taken for an array grp.slope: that record stays
                                   "grp.tbl[0]={3, 4}\r\n"     // the array grp.tbl: replaced
                                   "grp.new=7\r\n"             // added
                                   "grp.s=\"a\x01\"\n"           // refused: a control character inside
                                   "grp.r[0,1]=5\r\n"          // refused: a range of two, one value
                                   "grp.gone.fill_0=0\r\n"     // declined by the container
                                   "off.x=0\r\n"               // its group becomes checked: unchanged
                                   "new_grp.a=1\r\n"           // added, then removed as a table base
                                   "new_grp.a.m=4\r\n");
    LoadCounts counts;
    ASSERT_TRUE(LoadParameters(items, path, counts));
    EXPECT_EQ(std::tuple(counts.added, counts.replaced, counts.unchanged), std::tuple(4, 3, 2));
    EXPECT_EQ(host.Texts(), (Texts{"Line not loaded: it holds a control character: \"grp.s=\"a<0x01>\"\"",
                                   "Line not loaded: its element range and value count differ: \"grp.r[0,1]=5\"",
                                   "Removed 1 extra LUT/fill parameters"}));
    EXPECT_TRUE(items.IndexedNames());  // cleared at the start (grp.slope_3), set by grp.tbl[0]
    EXPECT_EQ(Record(items, "grp.val")->value + Record(items, "grp.typ")->type + "|" + Record(items, "grp.tbl")->value +
                  "|" + Record(items, "grp.slope")->value,
              "2|3,4|-72");
    using enum ParameterState;
    EXPECT_EQ(std::tuple(Record(items, "grp.val")->state, Record(items, "grp.same")->state,
                         Record(items, "grp.new")->state),
              std::tuple(NotStored, Unchanged, NotStored));
    EXPECT_TRUE(items.FindGroup("new_grp")->notOnTarget && !items.FindGroup("grp")->notOnTarget &&
                items.ViewCount() == 8);

    // A container that cannot ask the target keeps the file's names.
    GroupItems fresh;
    LoadParametersFromText(fresh, "grp.slope_3=16\ngrp.t[0]=1,2\n", counts, FileNames::AsGiven);
    EXPECT_TRUE(Record(fresh, "grp.slope_3")->value + "|" + Record(fresh, "grp.t")->value == "16|1,2" &&
                fresh.IndexedNames());
    LoadParametersFromText(fresh, "grp.x_2=1\n", counts, FileNames::AsGiven);
    EXPECT_FALSE(fresh.IndexedNames());
}

TEST_F(NvmFileTest, LoadFileReportsOrChangesNothing) {
    Fill(items, {{"grp.a", "1"}});
    items.SetIndexedNames(true);
    const std::string paths[] = {dir.File("missing.nvm"), Write("empty.nvm", ""),
                                 Write("none.nvm", "// NVM Parameter file saved from Brevant\r\n// x.y=1\r\nx.y=\r\n")};
    for (const std::string& path : paths) EXPECT_FALSE(LoadFile(items, host, path, user));
    EXPECT_EQ(user.messages, (Texts{"Could not load file: \"" + paths[0] + "\"", "Nothing to load in file.",
                                    "Nothing to load in file."}));
    EXPECT_EQ(items.AllGroupNames(), Texts{"grp"});

    const std::string path = Write("in.nvm", "grp.a=2\ngrp.b=3 (int8)\nnvm:grp.c={1, 2}\nat@nvm:x.y=\"s p\"\r\n");
    ASSERT_TRUE(LoadFile(items, host, path, user) && LoadFile(items, host, path, user));
    EXPECT_EQ(host.Texts(), (Texts{"File Loaded. Added 3 items, Replaced 1 item.",
                                   "File Loaded. Replaced 0 items. (4 unchanged values.)"}));
    EXPECT_EQ(std::tuple(host.lines[0].flag, Record(items, "x.y")->value, user.messages.size(), items.UpdateLock()),
              std::tuple(1, "\"s p\"", 3u, 0));
}

// A file is checked whole before it is sent: the first fault names its line; a name given twice is warned about.
TEST(NvmFileCheck, FaultsNameTheLineAndTheLastValueCounts) {
    const std::tuple<std::string, std::string, std::string> cases[] = {  // file, fault, warnings
        {"// c\r\ng.a=1\r\ng.b 5\r\n", "f:3: not a parameter assignment: g.b 5", ""},
        {"g.a=1\x1b" "2\r\n", "f:1: a control character in \"g.a=1<0x1B>2\".", ""},
        {"g.a=4\ng.t={1,2\n", "f:2: not a well-formed assignment (its braces", ""},
        {"// only\n\n", "f: no parameter assignment in the file.", ""},
        {"g.a=1\r\n=g.b=2\r\n", "f:2: not a well-formed assignment (no group name and point before its \"=\")", ""},
        {"g.a=1\ng.t[0,1]x=1,2\n", "f:2: not a well-formed assignment (its element range does not end its name)", ""},
        {"g.a=1\ng.t[1]x=1\n", "f:2: not a well-formed assignment (its name goes on after a bracket group without "
                           "a point)", ""},
        {"g.a=4\nh.b=1\ng.a=5\nx y\n", "f:4: ", "f:3: \"g.a\" is given on line 1 too; the last value counts."},
    };
    for (const auto& [file, fault, warnings] : cases) {
        const NvmFileCheck check = CheckNvmFileText(file, "f");
        EXPECT_EQ(check.fault.substr(0, fault.size()) + "|" + (check.warnings.empty() ? "" : check.warnings[0]),
                  fault + "|" + warnings) << file;
    }
    const NvmFileCheck good = CheckNvmFileText("g.a=4\nh.b=1\nG.a=5\n", "f");
    using Lines = std::map<std::string, int, TextLess>;
    EXPECT_EQ(std::tuple(good.fault, good.groups, good.names),
              std::tuple("", Lines{{"g", 1}, {"h", 2}}, Lines{{"g.a", 3}, {"h.b", 2}}));
}

}  // namespace
}  // namespace vtq
