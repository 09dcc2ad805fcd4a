#pragma once
// The target's side of the compressed dump pieces: every dump record is
// coded with a fixed prefix code over the 128 seven-bit characters, packed
// most significant bit first, base64-encoded and marked with "%b64:".

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nvmsim {

struct PrefixCode {
    uint16_t bits = 0;   // the code, in its `length` lowest bits
    uint8_t length = 0;  // 3 to 16
};

// The code of every character 0-127.
const std::array<PrefixCode, 128>& PrefixCodeTable();

// Packs the codes of `text` into bytes; the padding bits of the last byte
// never complete a character. False when the text holds a character of 128
// or above.
bool PackPrefixCode(std::string_view text, std::string& bytes);

// Standard base64 with "=" padding.
std::string Base64Encode(std::string_view bytes);

// "%b64:" + base64 of the packed text; empty when the text cannot be coded.
std::string EncodePiece(std::string_view text);

}  // namespace nvmsim
