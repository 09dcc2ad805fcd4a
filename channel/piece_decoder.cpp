#include "channel/piece_decoder.h"

#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "base/text.h"

namespace vtq {

namespace {

constexpr std::string_view kMarker = "%b64:";
constexpr size_t kInitialBuffer = 5000;
constexpr uint32_t kInvalid = 1u << 31;

// Each character's 6 bits already shifted to its place among a group's 24 bits; kInvalid outside the alphabet.
constexpr std::array<std::array<uint32_t, 256>, 4> MakeBase64Values() {
  std::array<std::array<uint32_t, 256>, 4> values{};
  constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int place = 0; place < 4; ++place) {
    values[place].fill(kInvalid);
    for (size_t i = 0; i < alphabet.size(); ++i) values[place][uint8_t(alphabet[i])] = uint32_t(i) << (18 - 6 * place);
  }
  return values;
}
constexpr std::array<std::array<uint32_t, 256>, 4> kBase64Values = MakeBase64Values();

// The tree and the byte buffer live from window creation to window destruction; the window's thread alone
// uses them.
struct Decoder {
  DecodeTree tree;
  std::vector<uint8_t> buffer;  // capacity + 1 bytes, and room for the read-ahead
  size_t capacity = 0;
  std::vector<char> text;  // decoded text of one piece, before it is copied out

  void SetCapacity(size_t bytes) {
    buffer.assign(bytes + 1 + kDecodeReadAhead, 0);
    capacity = bytes;
    text.resize(tree.OutputRoom(buffer.size()));
  }
};

Decoder& TheDecoder() {
  static Decoder decoder;
  return decoder;
}

// Base64 step of a piece into the byte buffer; the decoder is built on first use when no window built it.
// Returns the byte count.
size_t PieceBytes(std::string_view piece, Decoder*& decoder) {
  const std::string_view text = TrimView(piece);
  if (text.substr(0, kMarker.size()) != kMarker) return 0;
  decoder = &TheDecoder();
  if (!decoder->tree.Built()) BuildDecoder(nullptr);
  if (text.size() > decoder->capacity) decoder->SetCapacity(text.size());
  return DecodeBase64(text.substr(kMarker.size()), decoder->buffer.data());
}

}  // namespace

std::string_view NextPiece(std::string_view answer, size_t& position) {
  if (position >= answer.size()) {
    position = std::string_view::npos;
    return {};
  }
  const size_t first =
      answer.substr(position, kMarker.size()) == kMarker ? position : answer.find(kMarker, position);
  if (first == std::string_view::npos) {
    position = std::string_view::npos;
    return {};
  }
  const size_t second = answer.find(kMarker, first + 1);
  position = second;
  return TrimView(answer.substr(first, second == std::string_view::npos ? std::string_view::npos : second - first));
}

size_t DecodeBase64(std::string_view text, uint8_t* out) {
  const size_t length = text.size();
  if (length == 0 || length % 4 != 0) return 0;
  const auto* in = reinterpret_cast<const uint8_t*>(text.data());
  const uint8_t* last = in + length - 4;
  const auto& [v0, v1, v2, v3] = kBase64Values;
  uint8_t* o = out;
  // Two groups at a time while a third follows: their 6 bytes go out in one 8-byte store, whose last 2 bytes
  // the following group overwrites.
  for (; in + 8 <= last; in += 8, o += 6) {
    const uint32_t g1 = v0[in[0]] | v1[in[1]] | v2[in[2]] | v3[in[3]];
    const uint32_t g2 = v0[in[4]] | v1[in[5]] | v2[in[6]] | v3[in[7]];
    if ((g1 | g2) & kInvalid) return 0;
    uint64_t bytes = uint64_t(g1) << 40 | uint64_t(g2) << 16;
    if constexpr (std::endian::native == std::endian::little) bytes = __builtin_bswap64(bytes);
    std::memcpy(o, &bytes, 8);
  }
  for (; in < last; in += 4, o += 3) {
    const uint32_t v = v0[in[0]] | v1[in[1]] | v2[in[2]] | v3[in[3]];
    if (v & kInvalid) return 0;
    o[0] = uint8_t(v >> 16);
    o[1] = uint8_t(v >> 8);
    o[2] = uint8_t(v);
  }
  const uint32_t v = v0[in[0]] | v1[in[1]];
  if (v & kInvalid) return 0;
  *o++ = uint8_t(v >> 16);
  if (in[2] == '=') return in[3] == '=' ? size_t(o - out) : 0;
  const uint32_t vc = v | v2[in[2]];
  if (vc & kInvalid) return 0;
  *o++ = uint8_t(vc >> 8);
  if (in[3] == '=') return size_t(o - out);
  const uint32_t vd = vc | v3[in[3]];
  if (vd & kInvalid) return 0;
  *o++ = uint8_t(vd);
  return size_t(o - out);
}

std::string_view DecodeValueView(std::string_view piece) {
  Decoder* decoder = nullptr;
  const size_t n = PieceBytes(piece, decoder);
  if (n == 0) return {};
  char* text = decoder->text.data();
  return std::string_view(text, decoder->tree.DecodeInto(decoder->buffer.data(), n, text));
}

std::string DecodeValue(std::string_view piece) { return std::string(DecodeValueView(piece)); }

std::string DecodeValueByTreeWalk(std::string_view piece) {
  Decoder* decoder = nullptr;
  const size_t n = PieceBytes(piece, decoder);
  if (n == 0) return {};
  char* text = decoder->text.data();
  return std::string(text, decoder->tree.WalkInto(decoder->buffer.data(), n, text));
}

void BuildDecoder(const DecoderMessage& message) { BuildDecoder(message, FixedPrefixCodes()); }

void BuildDecoder(const DecoderMessage& message, const PrefixCodeTable& table) {
  Decoder& decoder = TheDecoder();
  if (decoder.tree.Built()) decoder.tree.Free(message);
  decoder.tree.Build(table, message);
  decoder.SetCapacity(kInitialBuffer);
}

void FreeDecoder(const DecoderMessage& message) {
  Decoder& decoder = TheDecoder();
  decoder.tree.Free(message);
  decoder.buffer = {};
  decoder.text = {};
  decoder.capacity = 0;
}

long DecoderLiveNodes() { return TreeLiveNodes(); }

size_t DecoderBufferCapacity() { return TheDecoder().capacity; }

}  // namespace vtq
