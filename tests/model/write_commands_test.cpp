#include "model/write_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "model/value_types.h"
#include "support/scripted_host.h"

namespace vtq {
namespace {

using ::testing::ElementsAre;
using test::LoggedLine;
using test::ScriptedHost;

NVMParameter Record(std::string name, std::string value, int elementCount = 0) {
    NVMParameter p;
    p.name = std::move(name);
    p.value = std::move(value);
    p.elementCount = elementCount;
    return p;
}

// Accepts every command.
void AcceptAll(ScriptedHost& host) {
    host.responder = [](const std::string&, std::string& answer) {
        answer = "OK\r\n";
        return true;
    };
}

TEST(IndexedName, ReplacesTheRangeRunOrAppendsOne) {
    struct Case {
        const char* name;
        int first, last;
        const char* result;
    };
    const Case cases[] = {
        {"tab", 0, 15, "tab[0,15]"},       {"tab", 7, 7, "tab[7]"},
        {"tab[0,63]", 16, 31, "tab[16,31]"}, {"m[0,3][0,7]", 8, 15, "m[8,15]"},
        {"rec[0,3].v", 2, 3, "rec[2,3].v"}, {"a[0,1].b[0,4]", 1, 2, "a[0,1].b[1,2]"},
        {"x[2][0,4]", 0, 0, "x[0]"},       {"open[0,", 1, 2, "open[1,2]"},
    };
    for (const auto& c : cases) EXPECT_EQ(IndexedName(c.name, c.first, c.last), c.result) << c.name;
}

TEST(SplitValue, CutsAtCommasWithinTheLimit) {
    EXPECT_THAT(SplitValue("1,2,3,4", 3), ElementsAre("1,2", "3,4"));
    EXPECT_THAT(SplitValue("11,22,33", 5), ElementsAre("11,22", "33"));
    EXPECT_THAT(SplitValue("1,2", 10), ElementsAre("1,2"));
    EXPECT_THAT(SplitValue(" 1 ", 10), ElementsAre("1"));
    EXPECT_THAT(SplitValue(",,5", 1), ElementsAre("", "5"));
    EXPECT_TRUE(SplitValue("", 10).empty());
    EXPECT_TRUE(SplitValue("1,2", 0).empty());
    EXPECT_TRUE(SplitValue("12345,6", 3).empty());  // a stretch without a comma cannot be cut
}

TEST(WriteParameter, BuildsScalarStringAndArrayCommands) {
    struct Case {
        NVMParameter record;
        const char* command;
    };
    const Case cases[] = {
        {Record("grp.gain", "12"), "at@nvm:grp.gain=12\r"},
        {Record("grp.tab", "1,2,3", 3), "at@nvm:grp.tab[0,2]={1,2,3}\r"},
        {Record("grp.one", "5", 1), "at@nvm:grp.one[0]={5}\r"},
        {Record("grp.s", "\"abc\"", 1), "at@nvm:grp.s=\"abc\"\r"},
        {Record("grp.neg", "7", -1), "at@nvm:grp.neg=7\r"},
    };
    for (auto c : cases) {
        ScriptedHost host;
        AcceptAll(host);
        uint8_t lost = 1;
        EXPECT_TRUE(WriteParameter(host, c.record, false, nullptr, &lost));
        EXPECT_EQ(lost, 0);
        EXPECT_THAT(host.commands, ElementsAre(c.command));
        EXPECT_EQ(c.record.state, ParameterState::InTargetRAM);
        EXPECT_THAT(host.lines, ElementsAre(LoggedLine{"Store OK", 1}));
    }
}

TEST(WriteParameter, FailuresKeepTheStateAndAreReportedUnlessQuiet) {
    ScriptedHost host;  // answers every command with ERROR
    NVMParameter p = Record("grp.gain", "12");
    p.state = ParameterState::NotStored;
    EXPECT_FALSE(WriteParameter(host, p));
    EXPECT_EQ(p.state, ParameterState::NotStored);
    EXPECT_THAT(host.lines,
                ElementsAre(LoggedLine{"Error writing to target! Check connection and that parameters are valid.", 0}));
    host.lines.clear();
    EXPECT_FALSE(WriteParameter(host, p, true));
    EXPECT_TRUE(host.lines.empty());

    host.loseTargetAt = 1;
    uint8_t lost = 0;
    EXPECT_FALSE(WriteParameter(host, p, true, nullptr, &lost));
    EXPECT_EQ(lost, 1);
}

// The limit is counted over the whole command, "at@nvm:" and the final CR included.
TEST(WriteParameter, LongCommandsAreSplitOrSkipped) {
    const std::string name = "grp.t";  // overhead of a 2-element array command: 7 + 10 + 2 + 2 = 21
    ScriptedHost host;
    AcceptAll(host);

    const std::string head(600, '7');
    NVMParameter exact = Record(name, head + "," + std::string(1000 - 21 - 601, '8'), 2);
    EXPECT_TRUE(WriteParameter(host, exact, true));
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0].size(), 1000u);

    host.commands.clear();
    const std::string tail(1000 - 21 - 600, '8');
    NVMParameter over = Record(name, head + "," + tail, 2);
    EXPECT_TRUE(WriteParameter(host, over, true));
    EXPECT_THAT(host.commands, ElementsAre("at@nvm:grp.t[0]={" + head + "}\r", "at@nvm:grp.t[1]={" + tail + "}\r"));

    host.commands.clear();
    const std::string scalarValue(1000 - 7 - 5 - 2, '9');
    NVMParameter scalar = Record(name, scalarValue);
    EXPECT_TRUE(WriteParameter(host, scalar, true));
    NVMParameter bigScalar = Record(name, scalarValue + "9");
    NVMParameter bigString = Record(name, "\"" + scalarValue + "\"", 1);
    EXPECT_FALSE(WriteParameter(host, bigScalar, true));
    EXPECT_FALSE(WriteParameter(host, bigString, true));
    EXPECT_EQ(host.commands.size(), 1u);
    EXPECT_THAT(host.Texts(), ElementsAre("Skipped large command (target cannot accept 1001 bytes in one go.",
                                          "Skipped large command (target cannot accept 1002 bytes in one go."));

    host.lines.clear();
    NVMParameter uncuttable = Record(name, std::string(1200, '1') + ",2", 2);
    EXPECT_FALSE(WriteParameter(host, uncuttable, true));
    EXPECT_THAT(host.lines,
                ElementsAre(LoggedLine{"WARNING: Could not split VTQ command up into smaller parts for \"grp.t\".", 1},
                            LoggedLine{"Skipped large command (target cannot accept 1223 bytes in one go.", 0}));
    EXPECT_EQ(host.commands.size(), 1u);
}

TEST(WriteParameter, ThreeThousandCharactersGoInContiguousRanges) {
    const std::string name = "grp.tab_10";  // 10 characters: pieces of at most 965
    std::string value;
    int count = 0;
    for (; value.size() < 3000; ++count) value += (count ? "," : "") + std::to_string(100 + count % 900);
    ScriptedHost host;
    AcceptAll(host);
    NVMParameter p = Record(name, value, count);
    ASSERT_TRUE(WriteParameter(host, p));
    ASSERT_GE(host.commands.size(), 4u);

    int next = 0;
    std::string joined;
    for (const std::string& command : host.commands) {
        ASSERT_LE(command.size(), 1000u);
        const size_t open = command.find("={");
        const std::string piece = command.substr(open + 2, command.size() - open - 4);
        EXPECT_LE(piece.size(), 965u);
        const int n = ElementCount(piece);
        EXPECT_EQ(command.substr(0, open), "at@nvm:" + IndexedName(name, next, next + n - 1));
        next += n;
        joined += (joined.empty() ? "" : ",") + piece;
    }
    EXPECT_EQ(next, count);
    EXPECT_EQ(joined, value);
    EXPECT_EQ(p.state, ParameterState::InTargetRAM);
    EXPECT_TRUE(host.lines.empty());
}

TEST(WriteParameter, AFailedPieceEndsTheRecord) {
    ScriptedHost host;
    host.responder = [](const std::string&, std::string& answer) {
        static int n = 0;
        answer = ++n == 2 ? "ERROR" : "OK";
        return true;
    };
    std::string value = "1";
    for (int i = 0; i < 900; ++i) value += ",22";
    NVMParameter p = Record("grp.t", value, 901);
    EXPECT_FALSE(WriteParameter(host, p));
    EXPECT_EQ(host.commands.size(), 2u);
    EXPECT_EQ(p.state, ParameterState::Unchanged);
    EXPECT_THAT(host.lines, ElementsAre(LoggedLine{"Error writing \"grp.t\" to target!", 0}));
}

TEST(WriteParameter, FileModePrintsCommandsWithCrLf) {
    ScriptedHost host;
    std::ostringstream file;
    NVMParameter scalar = Record("grp.gain", "12");
    std::string value = "1";
    for (int i = 0; i < 600; ++i) value += ",22";
    NVMParameter array = Record("grp.t", value, 601);
    EXPECT_TRUE(WriteParameter(host, scalar, false, &file));
    EXPECT_TRUE(WriteParameter(host, array, false, &file));
    EXPECT_TRUE(host.commands.empty());
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(scalar.state, ParameterState::Unchanged);
    EXPECT_EQ(array.state, ParameterState::Unchanged);
    const std::string text = file.str();
    EXPECT_EQ(text.rfind("at@nvm:grp.gain=12\r\nat@nvm:grp.t[0,", 0), 0u);
    size_t lines = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            ++lines;
            EXPECT_EQ(text[i - 1], '\r');
        }
    EXPECT_EQ(lines, 3u);
    EXPECT_EQ(text.back(), '\n');
}

}  // namespace
}  // namespace vtq
