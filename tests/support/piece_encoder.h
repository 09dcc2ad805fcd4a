#pragma once
// An encoder of dump pieces for tests, benchmarks and fuzz seeds: the prefix code of every character (its 7 low
// bits), packed most significant bit first, then base64 behind "%b64:".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "channel/prefix_code.h"

namespace vtq::test {

// The code bits of `text`. The last byte is filled with the first bits of 10111011, which lead into the 16-bit
// codes and so never complete a character.
inline std::vector<uint8_t> EncodeBits(std::string_view text, const PrefixCodeTable& table = FixedPrefixCodes()) {
  std::vector<uint8_t> bytes;
  uint32_t pending = 0;
  int count = 0;
  for (char c : text) {
    const PrefixCode code = table[uint8_t(c) & 127];
    pending = pending << code.length | code.bits;
    count += code.length;
    while (count >= 8) {
      count -= 8;
      bytes.push_back(uint8_t(pending >> count));
    }
    pending &= (1u << count) - 1;
  }
  if (count > 0) bytes.push_back(uint8_t(pending << (8 - count) | (0xBBu >> count)));
  return bytes;
}

inline std::string EncodePiece(std::string_view text) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::vector<uint8_t> bytes = EncodeBits(text);
  std::string out = "%b64:";
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t left = bytes.size() - i;
    const uint32_t v = uint32_t(bytes[i]) << 16 | (left > 1 ? uint32_t(bytes[i + 1]) << 8 : 0) |
                       (left > 2 ? bytes[i + 2] : 0);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += left > 1 ? kAlphabet[(v >> 6) & 63] : '=';
    out += left > 2 ? kAlphabet[v & 63] : '=';
  }
  return out;
}

}  // namespace vtq::test
