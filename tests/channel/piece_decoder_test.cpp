#include "channel/piece_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "support/code_vectors.h"
#include "support/piece_encoder.h"

namespace vtq {
namespace {

TEST(PieceDecoder, DecodesEveryVectorAndRejectsBadPieces) {
  for (const auto& row : test::CodeVectors()) {
    EXPECT_EQ(DecodeValue(row.piece), row.decoded) << row.piece;
    EXPECT_EQ(DecodeValueByTreeWalk(row.piece), row.decoded) << row.piece;
  }
  const std::string ab = test::EncodePiece("ab}");
  EXPECT_EQ(DecodeValue(" \r\n" + ab + "\t\r\n"), "ab}");
  for (const std::string& piece : {std::string("%b64:"), std::string("%B64:") + ab.substr(5), "x" + ab,
                                   std::string("%b64: ") + ab.substr(5), ab + "=", ab.substr(0, ab.size() - 1)})
    EXPECT_EQ(DecodeValue(piece), "") << piece;
}

TEST(PieceDecoder, Base64StepFollowsTheLastGroupRules) {
  const std::pair<const char*, std::string> cases[] = {
      {"", ""},     {"QQ==", "A"}, {"QUI=", "AB"}, {"QUJD", "ABC"}, {"QUJDRA==", "ABCD"}, {"QU=D", ""},
      {"Q===", ""}, {"QQ=", ""},   {"QUJDR", ""},  {"QQ==QUJD", ""}, {"QU*D", ""},      {"QUJ\x80", ""},
      {"-_AA", ""}, {"QU I", ""},  {"QU.=", ""},   {"QUJDRA=A", ""}, {"//8=", "\xff\xff"},
  };
  for (const auto& [text, bytes] : cases) {
    uint8_t out[16];
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), DecodeBase64(text, out)), bytes) << text;
  }
}

TEST(PieceDecoder, NextPieceSplitsAtMarkersAndTrims) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"head %B64:AAAA", {}},
      {"head %b64:AAAA\r\n%b64:BBBB \r\n", {"%b64:AAAA", "%b64:BBBB"}},
      {"%b64:%b64:x", {"%b64:", "%b64:x"}},
      {"%b64%b64:Q ", {"%b64:Q"}},
  };
  for (const auto& [answer, expected] : cases) {
    std::vector<std::string> pieces;
    size_t position = 0;
    for (std::string_view piece; !(piece = NextPiece(answer, position)).empty();) {
      pieces.emplace_back(piece);
      EXPECT_TRUE(position == std::string_view::npos || answer.compare(position, 5, "%b64:") == 0) << answer;
    }
    EXPECT_EQ(position, std::string_view::npos);
    EXPECT_EQ(pieces, expected) << answer;
  }
  size_t beyond = 99;
  EXPECT_TRUE(NextPiece("%b64:AAAA", beyond).empty());
  EXPECT_EQ(beyond, std::string_view::npos);
}

TEST(PieceDecoder, TreeIsFreedWithTheWindowAndBuiltAgainOnDemand) {
  std::vector<std::string> messages;
  const DecoderMessage sink = [&](const std::string& text) { messages.push_back(text); };
  BuildDecoder(sink);
  BuildDecoder(sink);  // a new window frees the earlier tree first
  EXPECT_EQ(DecoderLiveNodes(), 255);  // 128 characters
  FreeDecoder(sink);
  EXPECT_TRUE(DecoderLiveNodes() == 0 && DecoderBufferCapacity() == 0 && messages.empty());
  EXPECT_TRUE(DecodeValue(test::EncodePiece("a}")) == "a}" && DecoderLiveNodes() == 255);  // built again on demand
}

// Threads share the tree but decode into buffers of their own: a long piece on one neither overwrites nor resizes
// what another is decoding.
TEST(PieceDecoder, ThreadsDecodeAtOnceIntoBuffersOfTheirOwn) {
  BuildDecoder(nullptr);
  std::vector<std::string> texts, pieces;
  for (int t = 0; t < 4; ++t) {
    texts.push_back("grp.t" + std::to_string(t) + ";{" + std::string(size_t(1000 + 3000 * t), char('0' + t)) + "}");
    pieces.push_back(test::EncodePiece(texts.back()));
  }
  std::vector<int> wrong(texts.size(), 0);
  std::vector<size_t> capacity(texts.size(), 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < texts.size(); ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) wrong[t] += DecodeValueView(pieces[t]) != texts[t];
      capacity[t] = DecoderBufferCapacity();
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(texts.size(), 0));
  for (size_t t = 0; t < texts.size(); ++t) EXPECT_EQ(capacity[t], std::max<size_t>(5000, pieces[t].size()));
  EXPECT_EQ(DecoderBufferCapacity(), 5000u) << "this thread's buffer kept its size";
}

// The lookup tables give exactly the bit-by-bit walk for any bytes, on the fixed tree and on damaged ones.
TEST(PieceDecoder, FastPathMatchesTreeWalkOnGeneratedInput) {
  PrefixCodeTable sparse{}, clashing = FixedPrefixCodes(), longBrace = FixedPrefixCodes();
  std::swap(longBrace['}'], longBrace['A']);
  for (int c = 0; c < 128; ++c) sparse[c] = {uint8_t(c < 64 ? 9 + c % 8 : 16), uint16_t(c * 37 % 512)};
  for (int c = 0; c < 128; c += 3) clashing[c] = clashing[(c * 7 + 11) % 128];
  std::mt19937 random(7);
  for (const PrefixCodeTable* table : {&FixedPrefixCodes(), &std::as_const(sparse), &std::as_const(clashing),
                                          &std::as_const(longBrace)}) {
    DecodeTree tree;
    tree.Build(*table, nullptr);
    for (int round = 0; round < 20000; ++round) {
      std::string text;
      for (size_t i = random() % 40; i-- > 0;)
        text += char(round % 3 ? "grp._,{0123}abc;"[random() % 16] : random() % 128);
      std::vector<uint8_t> bytes = test::EncodeBits(text, *table);
      switch (round % 5) {
        case 1: bytes.resize(random() % (bytes.size() + 1)); break;                              // truncated
        case 2: if (!bytes.empty()) bytes[random() % bytes.size()] ^= uint8_t(1 << random() % 8); break;  // damaged
        case 3: bytes.insert(bytes.end(), random() % 9, uint8_t(random())); break;              // padded
        case 4: for (uint8_t& b : bytes) b = uint8_t(random()); break;                           // random
      }
      ASSERT_EQ(tree.Decode(bytes.data(), bytes.size()), tree.Walk(bytes.data(), bytes.size())) << text;
    }
  }
}

}  // namespace
}  // namespace vtq
