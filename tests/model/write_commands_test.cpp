#include "model/write_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "core/write_groups.h"
#include "model/value_types.h"
#include "support/scripted_host.h"

namespace vtq {
namespace {

using ::testing::ElementsAre;
using test::LoggedLine;
using test::ScriptedHost;

// Commands of each kind are tested with the write operations against the simulated modem; here names and limits.
NVMParameter Record(std::string name, std::string value, int elementCount = 0) {
    NVMParameter p;
    p.name = std::move(name);
    p.value = std::move(value);
    p.elementCount = elementCount;
    return p;
}

TEST(WriteCommandTexts, IndexedNameAndSplitValue) {
    const std::tuple<const char*, int, int, const char*> names[] = {
        {"tab", 0, 15, "tab[0,15]"},         {"tab", 7, 7, "tab[7]"},         {"tab[0,63]", 16, 31, "tab[16,31]"},
        {"m[0,3][0,7]", 8, 15, "m[8,15]"},   {"rec[0,3].v", 2, 3, "rec[2,3].v"}, {"a[0,1].b[0,4]", 1, 2, "a[0,1].b[1,2]"},
        {"open[0,", 1, 2, "open[1,2]"},
        // A name that ends in a range of its own counts from its first element.
        {"tab[4,7]", 0, 1, "tab[4,5]"},      {"tab[5]", 0, 0, "tab[5]"},     {"r[1].b[2,3]", 0, 1, "r[1].b[2,3]"},
        {"t[0,1][0,2]", 0, 5, "t[0,5]"},
    };
    for (const auto& [name, first, last, result] : names) EXPECT_EQ(IndexedName(name, first, last), result);

    const std::tuple<const char*, int, std::vector<std::string>> splits[] = {
        {"11,22,33", 5, {"11,22", "33"}}, {" 1 ", 10, {"1"}}, {",,5", 1, {"", "5"}}, {"", 10, {}}, {"1,2", 0, {}},
        {"12345,6", 3, {}},  // a stretch without a comma cannot be cut
    };
    for (const auto& [value, limit, pieces] : splits) EXPECT_EQ(SplitValue(value, limit), pieces) << value;
}

TEST(WriteCommandTexts, ElementRangesAndCounts) {
    // Name, then "array|first|last" or "-" when it does not end in an element range; then whether a range counts down.
    const std::tuple<const char*, const char*, bool> names[] = {
        {"g.tab[2,3]", "g.tab|2|3", false}, {"g.tab[ 5 ]", "g.tab|5|5", false}, {"g.tab[5,2]", "g.tab|5|2", true},
        {"g.t[0,1][0,2]", "-", false},      {"g.rec[1].a", "-", false},          {"g.x[5,2].a", "-", true},
        {"[1]", "-", false},                {"g.t[1,]", "-", false},             {"g.t[a]", "-", false},
        {"g.t[1]]", "-", false},
    };
    for (const auto& [name, range, reversed] : names) {
        ElementRange r;
        EXPECT_EQ(ParseElementRange(name, r) ? std::string(r.array) + "|" + std::to_string(r.first) + "|" +
                                                   std::to_string(r.last)
                                             : "-",
                  range)
            << name;
        EXPECT_EQ(HasReversedRange(name), reversed) << name;
    }
}

// The limit counts the whole command, "at@nvm:" and the final CR included.
TEST(WriteCommandTexts, CommandsOrWhyNone) {
    const std::string head(600, '7');  // a 2-element array command costs 7 + 10 + 2 + 2 = 21 beside its value
    const std::string fitting(1000 - 21 - 601, '8'), tail(1000 - 21 - 600, '8'), scalar(1000 - 14, '9');
    const std::string skipped = "Skipped large command (target cannot accept ";
    const std::tuple<NVMParameter, std::vector<std::string>, std::vector<LogLine>> cases[] = {
        {Record("g.tab[2,3]", "7,8", 2), {"at@nvm:g.tab[2,3]={7,8}\r"}, {}},
        {Record("g.tab", "1,2,3", 16), {}, {{"\"g.tab\" has 16 elements; the value gives 3.", 0}}},
        // A control character the exchange would refuse is refused here, so that a dry run shows no command either.
        {Record("g.a", "1\x1b"), {}, {{"\"g.a\" is not written: its name or value holds a line break or control character.", 0}}},
        {Record("g.n\x01m", "2"), {}, {{"\"g.n<0x01>m\" is not written: its name or value holds a line break or control character.", 0}}},
        {Record("g.t", "1,\x7f", 2), {}, {{"\"g.t\" is not written: its name or value holds a line break or control character.", 0}}},
        {Record("grp.t", head + "," + fitting, 2), {"at@nvm:grp.t[0,1]={" + head + "," + fitting + "}\r"}, {}},
        {Record("grp.t", head + "," + tail, 2), {"at@nvm:grp.t[0]={" + head + "}\r", "at@nvm:grp.t[1]={" + tail + "}\r"}, {}},
        {Record("grp.t", scalar), {"at@nvm:grp.t=" + scalar + "\r"}, {}},
        {Record("grp.t", scalar + "9"), {}, {{skipped + "1001 bytes in one go.", 0}}},
        {Record("grp.t", "\"" + scalar + "\"", 1), {}, {{skipped + "1002 bytes in one go.", 0}}},
        {Record("grp.t", scalar + "99,2", 2), {},
         {{"WARNING: Could not split VTQ command up into smaller parts for \"grp.t\".", 1},
          {skipped + "1011 bytes in one go.", 0}}},
    };
    for (const auto& [record, commands, refusal] : cases) {
        const WriteCommandList list = WriteCommands(record);
        EXPECT_EQ(list.commands, commands) << record.name;
        EXPECT_EQ(list.refusal, refusal) << record.name;
    }
}

TEST(WriteRecord, FailuresKeepTheStateAndAreReportedUnlessQuiet) {
    // A value the target must refuse gets a second line naming the likely cause, when the type is known.
    const std::string generic = "Error writing to target! Check connection and that parameters are valid.";
    ScriptedHost host;  // answers ERROR to everything
    NVMParameter p = Record("grp.gain", "12");
    p.state = ParameterState::NotStored;
    EXPECT_FALSE(WriteRecord(host, p, RecordReport::Each) || WriteRecord(host, p, RecordReport::Quiet));
    EXPECT_EQ(std::tuple(p.state, host.Texts()), std::tuple(ParameterState::NotStored, std::vector{generic}));
    const std::tuple<const char*, const char*, std::vector<std::string>> refused[] = {  // type, value, lines
        {"uint8", "300", {generic, "The value 300 is out of range for uint8 (0 to 255): the target refuses it."}},
        {"string", "hi", {generic, "A string value needs its double quotes (\"hi\"): the target refuses it without."}},
        {"uint8", "200", {generic}}, {"", "300", {generic}}, {"string", "\"hi\"", {generic}}};
    for (const auto& [type, value, lines] : refused) {
        ScriptedHost refusing;
        NVMParameter r = Record("grp.x", value);
        r.type = type;
        EXPECT_FALSE(WriteRecord(refusing, r, RecordReport::Each));
        EXPECT_EQ(refusing.Texts(), lines) << type << " " << value;
    }

    // A failed piece ends the record; the pieces before it stay written.
    ScriptedHost pieces;
    pieces.responder = [&pieces](const std::string&, std::string& answer) {
        answer = pieces.commands.size() == 2 ? "ERROR" : "OK\r\n";
        return true;
    };
    std::string value = "1";
    for (int i = 0; i < 900; ++i) value += ",22";
    NVMParameter array = Record("grp.t", value, 901);
    EXPECT_FALSE(WriteRecord(pieces, array, RecordReport::Each));
    EXPECT_EQ(std::tuple(pieces.commands.size(), array.state), std::tuple(2u, ParameterState::Unchanged));
    EXPECT_THAT(pieces.lines, ElementsAre(LoggedLine{"Error writing \"grp.t\" to target!", 0}));
}

}  // namespace
}  // namespace vtq
