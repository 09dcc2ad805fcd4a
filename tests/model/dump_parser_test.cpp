#include "model/dump_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "channel/command_exchange.h"
#include "support/piece_encoder.h"
#include "support/scripted_host.h"

namespace vtq {
namespace {

using ::testing::ElementsAre;
using test::EncodePiece;
using test::LoggedLine;
using test::ScriptedHost;

struct DumpFixture : ::testing::Test {
    ScriptedHost host;
    GroupItems items{&host, true};
    void SetUp() override { items.FindOrAddGroup("grp"); }
    NVMParameter* Find(const char* name) { return items.Group(0)->params.Find(name); }
};

using ParseDumpLineTest = DumpFixture;

TEST_F(ParseDumpLineTest, SplitsNameAndValueOrSaysWhyNot) {
    struct Case {
        const char* line;
        const char* name;   // record expected, or null
        const char* value;  // of the record
        const char* message;
    };
    const Case cases[] = {
        {"  grp.gain ;{ 12 }\r\n", "grp.gain", "12", nullptr},
        {"grp.lut[0];{1, 2, 3,4}", "grp.lut", "1,2,3,4", nullptr},
        {"grp.name;{\"abc\"}", "grp.name", "\"abc\"", nullptr},
        {"grp.s;{{1,2},{3}}", "grp.s", "{1,2", nullptr},
        {"grp.e;{}", "grp.e", "", nullptr},
        {" \t ", nullptr, nullptr, nullptr},
        {"grp.x 5", nullptr, nullptr, "Skipping parameter: name not found in target answer: \"grp.x 5\""},
        {"grp.x;5", nullptr, nullptr, "Skipping parameter: value start not found in target answer: \"grp.x;5\""},
        {"grp.x;{5", nullptr, nullptr, "Skipping parameter: value end not found in target answer: \"grp.x;{5\""},
        {"{a;b}", nullptr, nullptr, "Skipping parameter: value start not found in target answer: \"{a;b}\""},
    };
    for (const auto& c : cases) {
        host.lines.clear();
        const bool added = ParseDumpLine(items, c.line, 0);
        EXPECT_EQ(added, c.name != nullptr) << c.line;
        if (c.name) {
            NVMParameter* p = Find(c.name);
            ASSERT_NE(p, nullptr) << c.line;
            EXPECT_EQ(p->value, c.value) << c.line;
            EXPECT_EQ(p->type, "");
        }
        if (c.message)
            EXPECT_THAT(host.lines, ElementsAre(LoggedLine{c.message, 0}));
        else
            EXPECT_TRUE(host.lines.empty()) << c.line;
    }
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(ParseDumpLineTest, WarningAfterTheValueFetchesItAgain) {
    host.answers = {{"at@nvm:grp.big??\r", "grp.big[0,3]\r\nOK"}, {"at@nvm:grp.big[0,3]?\r", "{1,2,3,4}\r\nOK"}};
    EXPECT_TRUE(ParseDumpLine(items, "grp.big[0];{1,2,3} WARNING: truncated", 0));
    EXPECT_EQ(Find("grp.big")->value, "1,2,3,4");
    EXPECT_EQ(Find("grp.big")->elementCount, 4);

    host.commands.clear();
    EXPECT_TRUE(ParseDumpLine(items, "grp.b2[0];{1,WARNING} x", 0));
    EXPECT_TRUE(ParseDumpLine(items, "grp.b3[0];{1,2} warning", 0));
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(ParseDumpLineTest, ResetsTheStateAndLogsLinesInDebugMode) {
    ASSERT_TRUE(items.AddParameter(0, "grp.a", "1", "", false));
    Find("grp.a")->state = ParameterState::NotStored;
    SetDebugMode(true);
    EXPECT_TRUE(ParseDumpLine(items, " grp.a;{2} ", 0));
    SetDebugMode(false);
    EXPECT_EQ(Find("grp.a")->state, ParameterState::Unchanged);
    EXPECT_THAT(host.lines, ElementsAre(LoggedLine{"Adding: grp.a;{2}", 0}));

    EXPECT_FALSE(ParseDumpLine(items, "grp.pad.fill_1;{0}", 0));
    EXPECT_FALSE(ParseDumpLine(items, "other.x;{0}", 5));
}

using ParseDumpAnswerTest = DumpFixture;

TEST_F(ParseDumpAnswerTest, WalksEveryEncodedRecord) {
    const std::string answer = "junk before " + EncodePiece("grp.a;{1}") + EncodePiece("grp.b;{2, 3}") + "\r\n" +
                               EncodePiece("grp.c;{4}") + "\r\n " + EncodePiece("grp.e;{6}");
    EXPECT_EQ(ParseDumpAnswer(items, answer, 0), 4);
    EXPECT_NE(Find("grp.a"), nullptr);
    EXPECT_EQ(Find("grp.b")->value, "2,3");
    EXPECT_NE(Find("grp.e"), nullptr);
    EXPECT_TRUE(host.lines.empty());
}

TEST_F(ParseDumpAnswerTest, AddsNothingFromAnswersWithoutUsableRecords) {
    for (const char* answer : {"", "OK", "grp.a;{1}", "%b64:", "%b64:!!!!"})
        EXPECT_EQ(ParseDumpAnswer(items, answer, 0), 0) << answer;
    EXPECT_EQ(ParseDumpAnswer(items, "%B64:" + EncodePiece("grp.a;{1}").substr(5), 0), 0);
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(items.GroupParamCount(0), 0);

    // Decoded lines that cannot be split are reported; fillers and missing groups are not counted.
    const std::string answer = EncodePiece("grp.x 5}") + EncodePiece("grp.f.fill_2;{0}") + EncodePiece("grp.ok;{1}");
    EXPECT_EQ(ParseDumpAnswer(items, answer, 0), 1);
    EXPECT_THAT(host.Texts(), ElementsAre("Skipping parameter: name not found in target answer: \"grp.x 5}\""));
    EXPECT_EQ(ParseDumpAnswer(items, answer, 3), 0);
}

}  // namespace
}  // namespace vtq
