// The modem's piece encoder against the independent vectors, and through the
// editor's decoder (which the same vectors pin down) for every character at
// every bit position.

#include "sim/prefix_code.h"

#include <gtest/gtest.h>

#include "channel/piece_decoder.h"
#include "support/code_vectors.h"

namespace nvmsim {
namespace {

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
