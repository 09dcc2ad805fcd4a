#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel/piece_decoder.h"
#include "sim/faults.h"
#include "sim/image.h"
#include "sim/modem.h"
#include "sim/prefix_code.h"
#include "sim/wire.h"
#include "support/code_vectors.h"

namespace nvmsim {
namespace {

// The records of a dump answer, decoded by the editor's decoder: one per line before the final "OK".
std::vector<std::string> Records(const std::string& wire) {
    std::vector<std::string> records;
    for (size_t start = 0, end; (end = wire.find("\r\n", start)) != std::string::npos; start = end + 2)
        if (wire.compare(start, end - start, "OK") != 0)
            records.push_back(vtq::DecodeValue(wire.substr(start, end - start)));
    return records;
}

class ModemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        modem = Modem::FromImageFile(VTQ_SOURCE_DIR "/sim/images/small.img", error);
        ASSERT_TRUE(modem) << error;
    }
    std::string Run(const std::string& line) { return modem->Execute(line); }
    std::unique_ptr<Modem> modem;
};

TEST_F(ModemTest, AnswersQueries) {
    const std::pair<const char*, const char*> cases[] = {
        {"at@nvm:$nvm_groups??", "$nvm_groups\r\nfix_small=3\r\ncal_small=7\r\nOK\r\n"},
        // Size queries: a range for arrays, never a "[" for the others (a bracket in the name is not the range).
        {"at@nvm:fix_small.rec[1].b??", "[0,1]\r\nOK\r\n"}, {"at@nvm:cal_small.one??", "[0,0]\r\nOK\r\n"},
        {"at@nvm:fix_small.rec[1].a??", "uint8\r\nOK\r\n"}, {"at@nvm:fix_small.label??", "string\r\nOK\r\n"},
        {"at@nvm:fix_small.tab[0,1][0,2]??", "[0,5] {1,2,3,4,5,6}\r\nOK\r\n"},
        {"at@nvm:fix_small.lut[2,3]??", "[2,3] {3,4}\r\nOK\r\n"},
        // Value queries (the element texts of every type are tested in image_test.cpp).
        {"at@nvm:fix_small.label?", "\"small\"\r\nOK\r\n"}, {"at@nvm:fix_small.lut?", "{1,2,3,4}\r\nOK\r\n"},
        {"at@nvm:fix_small.lut[0]?", "{1}\r\nOK\r\n"}, {"at@nvm:fix_small.tab[1,1][1,2]?", "{5,6}\r\nOK\r\n"},
        {"at@nvm:cal_small.mode_1?", "2\r\nOK\r\n"}, {"AT@NVM:fix_small.gain?", "12\r\nOK\r\n"},
        // Type queries, also through the element and range names the editor builds.
        {"at@nvm:fix_small.enabled???", "<bool>\r\nOK\r\n"}, {"at@nvm:fix_small.lut[0]???", "<uint16>\r\nOK\r\n"},
        {"at@nvm:fix_small.tab[0,1][0,2][0]???", "<uint8>\r\nOK\r\n"},
        // Unknown names, ranges outside the array, brackets on scalars.
        {"at@nvm:fix_small.nothing?", "ERROR\r\n"}, {"at@nvm:nogroup.gain?", "ERROR\r\n"},
        {"at@nvm:fix_small.lut[2,4]?", "ERROR\r\n"}, {"at@nvm:fix_small.lut[3,2]?", "ERROR\r\n"},
        {"at@nvm:fix_small.gain[0]?", "ERROR\r\n"}, {"at@nvm:fix_small.tab[0,2][0,0]?", "ERROR\r\n"},
        {"at@nvm:cal_small.one_1?", "ERROR\r\n"}, {"hello", "ERROR\r\n"},
        {"ATI", "Simulated Modems\r\nNVM-SIM small\r\nRevision: 1.0.0\r\nOK\r\n"},
        {"AT+CGMR", "1.0.0\r\nOK\r\n"}, {"at+cgsn", "000000000000001\r\nOK\r\n"},
        {"at@hwid:ver_hwid_get(RF_ENGINE_ID)", "RF_ENGINE_ID: string = \"CUST_22_7\", length = 9\r\nOK\r\n"},
        {"at@hwid:ver_hwid_get(TRAVU_ID)", "TRAVU_ID: id = 5, revision = 1\r\nOK\r\n"},
        {"at@hwid:ver_hwid_get(OTHER_ID)", "ERROR\r\n"},
    };
    for (const auto& [command, answer] : cases) EXPECT_EQ(Run(command), answer) << command;
    modem->image().identity.erase("serial");
    EXPECT_EQ(Run("AT+CGSN"), "ERROR\r\n") << "a unit without a serial number in its image";
}

TEST_F(ModemTest, RefusesBadWritesWithoutChangingAnything) {
    const char* bad[] = {"gain=65536", "label=unquoted", "label=\"sixteen chars!!!\"", "label=\"a}b\"",
                         "lut[0,3]={1,2,3}", "lut[0,3]={1,2,3,70000}", "lut=5", "lut[4]={1}", "gain[0]={1}"};
    for (const char* command : bad) EXPECT_EQ(Run(std::string("at@nvm:fix_small.") + command), "ERROR\r\n") << command;
    for (size_t g = 0; g < modem->image().groups.size(); ++g)
        EXPECT_EQ(modem->ram(g), modem->image().groups[g].initial) << g;
}

TEST_F(ModemTest, DumpWithSuffixedNamesAndCutArrays) {
    modem->image().naming = Naming::Suffixed;
    std::vector<std::string> records;
    for (const auto& group : {"fix_small", "cal_small"}) {
        const std::string wire = Run(std::string("at@nvm:dump_csv_add(\"") + group + "\")");
        for (const auto& text : Records(wire)) {
            records.push_back(text.substr(0, text.find(';')));
            if (records.back() != "cal_small.big_1200") continue;
            EXPECT_EQ(std::count(text.begin(), text.end(), ','), 999);
            EXPECT_NE(wire.find(EncodePiece(text + " WARNING: array cut at 1000 of 1200 elements")), std::string::npos);
        }
    }
    for (const char* name : {"fix_small.lut_4", "fix_small.tab_2x3", "fix_small.rec[1].b_2", "fix_small.label",
                             "cal_small.one_1", "cal_small.mode_1", "cal_small.big_1200"})
        EXPECT_NE(std::find(records.begin(), records.end(), name), records.end()) << name;
    EXPECT_EQ(std::count(records.begin(), records.end(), "cal_small.big_1200"), 1);
}

TEST(Wire, FramingPlacesTheUnsolicitedCode) {
    Faults f;
    f.urc = "+CREG: 1";
    const std::string answer = "a\r\nb\r\nOK\r\n";
    f.urcPlace = UrcPlace::Before;
    EXPECT_EQ(FrameAnswer("X", answer, true, f), "X\r\r\n+CREG: 1\r\na\r\nb\r\nOK\r\n");
    f.urcPlace = UrcPlace::Inside;
    EXPECT_EQ(FrameAnswer("X", answer, false, f), "\r\na\r\n+CREG: 1\r\nb\r\nOK\r\n");
    EXPECT_EQ(FrameAnswer("X", "OK\r\n", false, f), "\r\n+CREG: 1\r\nOK\r\n");
    f.urcPlace = UrcPlace::After;
    EXPECT_EQ(FrameAnswer("X", answer, false, f), "\r\na\r\nb\r\nOK\r\n+CREG: 1\r\n");
    EXPECT_EQ(FrameAnswer("X", "", true, f), "");
    f.urc.clear();
    EXPECT_EQ(FrameAnswer("X", answer, false, f), "\r\n" + answer);
}

TEST(PrefixCode, ReproducesEveryVectorPiece) {
    const auto rows = vtq::test::CodeVectors();
    ASSERT_EQ(rows.size(), 276u);
    for (const auto& row : rows) EXPECT_EQ(EncodePiece(row.text), row.piece) << row.text;
}

TEST(PrefixCode, EveryCharacterRoundTripsInEveryPaddingAndNoneAbove127) {
    for (int c = 0; c < 128; ++c) {
        if (c == '}') continue;
        const std::string ch(1, char(c));
        for (const std::string& text : {ch + "}", "x" + ch + "yz}", std::string(5, char(c)) + "}", "ab" + ch})
            EXPECT_EQ(vtq::DecodeValue(EncodePiece(text)), text) << c;
    }
    EXPECT_EQ(EncodePiece("ab\x80}"), "");
    std::string bytes;
    EXPECT_FALSE(PackPrefixCode("\xff", bytes));
}

}  // namespace
}  // namespace nvmsim
