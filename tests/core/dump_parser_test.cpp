#include "core/dump_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "channel/command_exchange.h"
#include "support/host_model_link.h"
#include "support/piece_encoder.h"
#include "support/scripted_host.h"

namespace vtq {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;
using test::EncodePiece;
using test::LoggedLine;

struct DumpParsing : ::testing::Test {
    test::ScriptedHost host;
    test::HostModelLink link{host};
    GroupItems items{&link};
    void SetUp() override { items.FindOrAddGroup("grp"); }
    NVMParameter* Find(const char* name) { return items.Group(0)->params.Find(name); }
};

TEST_F(DumpParsing, LinesAreSplitIntoNameAndValueOrReported) {
    const std::tuple<const char*, const char*, const char*> cases[] = {  // line, record name, value or message
        {"  grp.gain ;{ 12 }\r\n", "grp.gain", "12"},
        {"grp.lut[0];{1, 2, 3,4}", "grp.lut", "1,2,3,4"},
        {"grp.name;{\"abc\"}", "grp.name", "\"abc\""},
        {"grp.s;{{1,2},{3}}", "grp.s", "{1,2"},
        {" \t ", nullptr, nullptr},
        {"grp.x 5", nullptr, "Skipping parameter: name not found in target answer: \"grp.x 5\""},
        {"grp.x;5", nullptr, "Skipping parameter: value start not found in target answer: \"grp.x;5\""},
        {"grp.x;{5", nullptr, "Skipping parameter: value end not found in target answer: \"grp.x;{5\""},
        {"{a;b}", nullptr, "Skipping parameter: value start not found in target answer: \"{a;b}\""},
        {"grp.a=1;{5}", nullptr, "Skipping parameter: name not usable in a command: \"grp.a=1;{5}\""},
        {"grp.t[1;{5}", nullptr, "Skipping parameter: name not usable in a command: \"grp.t[1;{5}\""},
        {"grp.\x01x;{5}", nullptr, "Skipping parameter: name not usable in a command: \"grp.\x01x;{5}\""},
        {"grp.t.[]x;{5}", nullptr, "Skipping parameter: name not usable in a command: \"grp.t.[]x;{5}\""},
        // An empty element would go out as a write whose values do not fill its element range.
        {"grp.t[0];{1,}", nullptr, "Skipping parameter: value holds an empty element: \"grp.t[0];{1,}\""},
        {"grp.u;{ , }", nullptr, "Skipping parameter: value holds an empty element: \"grp.u;{ , }\""},
        {"grp.v;{1,,2}", nullptr, "Skipping parameter: value holds an empty element: \"grp.v;{1,,2}\""},
        {"grp.w;{\"a,,b\",\"\"}", "grp.w", "\"a,,b\",\"\""},
    };
    for (const auto& [line, name, text] : cases) {
        host.lines.clear();
        EXPECT_EQ(ParseDumpLine(items, line, 0), name != nullptr) << line;
        if (name) { EXPECT_EQ(Find(name) ? Find(name)->value : "<missing>", text) << line; }
        const std::vector<LoggedLine> logged = {LoggedLine{text ? text : "", 0}};
        EXPECT_EQ(host.lines, !name && text ? logged : std::vector<LoggedLine>{}) << line;
    }
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(DumpParsing, WarningsRefetchAndDebugModeLogs) {
    host.answers = {{"at@nvm:grp.big??\r", "grp.big[0,3]\r\nOK"}, {"at@nvm:grp.big[0,3]?\r", "{1,2,3,4}\r\nOK"}};
    EXPECT_TRUE(ParseDumpLine(items, "grp.big[0];{1,2,3} WARNING: truncated", 0));
    EXPECT_EQ(std::pair(Find("grp.big")->value, host.commands.size()), std::pair(std::string("1,2,3,4"), size_t{2}));
    EXPECT_TRUE(ParseDumpLine(items, "grp.b2[0];{1,WARNING} x", 0) &&
                ParseDumpLine(items, "grp.b3[0];{1,2} warning", 0));
    EXPECT_EQ(host.commands.size(), 2u);

    items.AddParameter(0, "grp.a", "1", "", false)->state = ParameterState::NotStored;
    SetDebugMode(true);
    EXPECT_TRUE(ParseDumpLine(items, " grp.a;{2} ", 0));
    SetDebugMode(false);
    EXPECT_EQ(Find("grp.a")->state, ParameterState::Unchanged);
    EXPECT_THAT(host.lines, ElementsAre(LoggedLine{"Adding: grp.a;{2}", 0}));
    EXPECT_FALSE(ParseDumpLine(items, "grp.pad.fill_1;{0}", 0) || ParseDumpLine(items, "other.x;{0}", 5));
}

TEST_F(DumpParsing, AnswersAreCutAtMarkersNotAtLineEnds) {
    const std::string answer = "junk " + EncodePiece("grp.a;{1}") + EncodePiece("grp.b;{2, 3}") + "\r\n" +
                               EncodePiece("grp.x 5}") + EncodePiece("grp.f.fill_2;{0}") + "\r\n " +
                               EncodePiece("grp.e;{6}");
    EXPECT_EQ((std::pair{ParseDumpAnswer(items, answer, 0), Find("grp.b")->value}), std::pair(3, std::string("2,3")));
    EXPECT_THAT(host.Texts(), ElementsAre("Skipping parameter: name not found in target answer: \"grp.x 5}\""));
    EXPECT_EQ(ParseDumpAnswer(items, answer, 3), 0);

    // Nothing to add; a piece that decodes to nothing (damaged, or run into a
    // following line that is no piece) is reported, so no parameter vanishes unseen.
    const std::pair<std::string, bool> nones[] = {
        {"", false}, {"OK", false}, {"grp.q;{1}", false}, {"%B64:" + EncodePiece("grp.q;{1}").substr(5), false},
        {"%b64:", true}, {"%b64:!!!!", true}, {EncodePiece("grp.q;{1}") + "\r\nnot a piece", true}};
    for (const auto& [none, reported] : nones) {
        host.lines.clear();
        EXPECT_EQ((std::pair{ParseDumpAnswer(items, none, 0), host.lines.size()}), std::pair(0, size_t{reported}))
            << none;
        if (reported) {
            EXPECT_THAT(host.lines[0].text, StartsWith("Skipping parameter: piece could not be decoded: \"%b64:"));
        }
    }
    EXPECT_EQ(Find("grp.q"), nullptr);
}

// Parsing prepares the group's display order and table-base check in advance;
// the results must be those of doing the work later.
TEST_F(DumpParsing, PreparedGroupsBehaveAsUnprepared) {
    items.SetChecked(0, true);
    const std::string answer = EncodePiece("grp.t[10];{1}") + EncodePiece("grp.t[9];{1}") + EncodePiece("grp.a;{1}") +
                               EncodePiece("grp.a.b;{1}") + EncodePiece("grp.a.b.c;{1}");
    UpdateBracket bracket(items);
    EXPECT_EQ(ParseDumpAnswer(items, answer, 0), 5);
    for (int removed : {1, 1, 0}) EXPECT_EQ(items.RemoveExtraLutFill(false), removed);
    items.AddParameter(0, "grp.t", "1", "", false);
    EXPECT_EQ(items.RemoveExtraLutFill(false), 1);
    items.EndUpdate();
    ASSERT_EQ(items.ViewCount(), 3);
    EXPECT_EQ(items.ViewItem(1)->name + items.ViewItem(2)->name, "grp.t[9]grp.t[10]");
    items.BeginUpdate();
}

}  // namespace
}  // namespace vtq
