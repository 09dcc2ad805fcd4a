// The modem's piece encoder against the independent vectors and the tests'
// own decoder.

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "sim/prefix_code.h"
#include "tests/sim/piece_reader.h"

namespace nvmsim {
namespace {

// Undoes the vector file's "\xNN" and "\\" escapes.
std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 2, "\\\\") == 0) {
            out += s[i++];
        } else if (s.compare(i, 2, "\\x") == 0 && i + 3 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Every character alone, the sample records, random texts and texts without a
// closing brace (whose padding bits must spell nothing).
TEST(PrefixCode, ReproducesEveryVectorPiece) {
    std::ifstream in(VTQ_SOURCE_DIR "/tests/data/prefix_code_vectors.tsv");
    ASSERT_TRUE(in);
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        ASSERT_NE(tab2, std::string::npos) << line;
        const std::string piece = line.substr(tab1 + 1, tab2 - tab1 - 1);
        EXPECT_EQ(EncodePiece(Unescape(line.substr(0, tab1))), piece) << "row " << rows << ": " << line.substr(0, tab1);
        std::string decoded;
        EXPECT_TRUE(test::ReadPiece(piece, decoded));
        EXPECT_EQ(decoded, Unescape(line.substr(tab2 + 1)));
        ++rows;
    }
    EXPECT_GE(rows, 275);
}

TEST(PrefixCode, TableIsACompletePrefixCode) {
    const auto& table = PrefixCodeTable();
    // Kraft sum exactly 1 (in units of 2^-16) and no code a prefix of another.
    uint64_t kraft = 0;
    for (int a = 0; a < 128; ++a) {
        ASSERT_GE(table[a].length, 3) << a;
        ASSERT_LE(table[a].length, 16) << a;
        kraft += uint64_t{1} << (16 - table[a].length);
        for (int b = 0; b < 128; ++b) {
            if (a == b || table[b].length < table[a].length) continue;
            EXPECT_NE(table[b].bits >> (table[b].length - table[a].length), table[a].bits) << a << " prefixes " << b;
        }
    }
    EXPECT_EQ(kraft, uint64_t{1} << 16);
}

TEST(PrefixCode, EveryCharacterRoundTripsInEveryPadding) {
    for (int c = 0; c < 128; ++c) {
        if (c == '}') continue;
        const std::string ch(1, char(c));
        for (const std::string& text : {ch + "}", "x" + ch + "yz}", std::string(5, char(c)) + "}"}) {
            std::string decoded;
            ASSERT_TRUE(test::ReadPiece(EncodePiece(text), decoded)) << c;
            EXPECT_EQ(decoded, text) << c;
        }
    }
}

TEST(PrefixCode, RefusesCharactersAbove127) {
    EXPECT_EQ(EncodePiece("ab\x80}"), "");
    std::string bytes;
    EXPECT_FALSE(PackPrefixCode("\xff", bytes));
}

TEST(Base64, EncodesAllPaddingCases) {
    const std::map<std::string, std::string> cases = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {std::string("\xff\x00\xfe", 3), "/wD+"}};
    for (const auto& [in, out] : cases) EXPECT_EQ(Base64Encode(in), out);
}

}  // namespace
}  // namespace nvmsim
