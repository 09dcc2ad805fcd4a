#pragma once
// Compressed dump pieces: "%b64:" + base64 of a bit stream in a fixed prefix code over the 128 seven-bit
// character codes. The target encodes every record of a group dump this way.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "channel/prefix_code.h"

namespace vtq {

// Next piece: the trimmed text from the first "%b64:" at or after `position` up to the next "%b64:" (or the end).
// Advances `position` (to std::string_view::npos when exhausted); an empty view when there is no further piece.
std::string_view NextPiece(std::string_view answer, size_t& position);

// Decode value: base64 + prefix code; empty text when the piece is not accepted.
std::string DecodeValue(std::string_view piece);
// The same text as a view into the decoder's own buffer, valid until the next
// decode: the dump parser reads each record once and copies only what it keeps.
std::string_view DecodeValueView(std::string_view piece);

// Decoder life: built when the editor window is created, freed when it is destroyed. Messages ("ERROR: Found final
// symbol ...", "WARNING: Memory leak of ...") go to the given message-box callback. The tree is shared by every
// thread and only read while decoding; building and freeing it are serialised, and must not overlap a decode on
// another thread. Each thread decodes into buffers of its own.
using DecoderMessage = std::function<void(const std::string&)>;
void BuildDecoder(const DecoderMessage& message);
void FreeDecoder(const DecoderMessage& message);
long DecoderLiveNodes();  // the live-node counter

// Builds the decoder from another code table (a damaged one, to see its messages).
void BuildDecoder(const DecoderMessage& message, const PrefixCodeTable& table);

// DecodeValue through the bit-by-bit tree walk: the reference the fast path must match.
std::string DecodeValueByTreeWalk(std::string_view piece);

// Capacity of the calling thread's byte buffer that receives the base64 output: 5000 when built, then the length of
// the longest piece seen; 0 while the decoder is freed.
size_t DecoderBufferCapacity();

// Standard base64 with "=" padding into `out` (room for text.size() * 3 / 4 bytes). Returns the byte count, 0 for
// any character outside the alphabet, misplaced padding, or a length that is not a multiple of 4.
size_t DecodeBase64(std::string_view text, uint8_t* out);

}  // namespace vtq
