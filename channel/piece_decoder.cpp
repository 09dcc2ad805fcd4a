#include "channel/piece_decoder.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <mutex>
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
        for (size_t i = 0; i < alphabet.size(); ++i)
            values[place][uint8_t(alphabet[i])] = uint32_t(i) << (18 - 6 * place);
    }
    return values;
}
constexpr std::array<std::array<uint32_t, 256>, 4> kBase64Values = MakeBase64Values();

// The tree lives from the first session's start to the last session's close and is only read in between, so
// sessions on several threads share it; building and freeing it take the lock. Each thread decodes into a byte
// buffer and a text buffer of its own.
struct SharedTree {
    DecodeTree tree;
    std::mutex mutex;
    std::atomic<bool> built{false};
    // Bumped by every build and free: a thread's buffers sized for another tree are sized again.
    std::atomic<uint64_t> generation{0};
};

SharedTree& TheTree() {
    static SharedTree shared;
    return shared;
}

struct Decoder {
    const DecodeTree* tree = nullptr;
    std::vector<uint8_t> buffer;  // capacity + 1 bytes, and room for the read-ahead
    size_t capacity = 0;
    std::vector<char> text;  // decoded text of one piece, before it is copied out
    uint64_t generation = 0;

    void SetCapacity(size_t bytes) {
        buffer.assign(bytes + 1 + kDecodeReadAhead, 0);
        capacity = bytes;
        text.resize(tree->OutputRoom(buffer.size()));
    }
    void Release() {
        buffer = {};
        text = {};
        capacity = 0;
    }
};

Decoder& ThreadDecoder() {
    thread_local Decoder decoder;
    return decoder;
}

// Builds the shared tree; the caller holds the lock. The calling thread's buffer starts at its initial size.
void BuildLocked(SharedTree& shared, const DecoderMessage& message, const PrefixCodeTable& table) {
    shared.built.store(false, std::memory_order_relaxed);
    if (shared.tree.Built()) shared.tree.Free(message);
    shared.tree.Build(table, message);
    const uint64_t generation = shared.generation.fetch_add(1) + 1;
    shared.built.store(true, std::memory_order_release);
    Decoder& decoder = ThreadDecoder();
    decoder.tree = &shared.tree;
    decoder.generation = generation;
    decoder.SetCapacity(kInitialBuffer);
}

// Base64 step of a piece into the thread's byte buffer; the tree is built on first use when no session built it.
// Returns the byte count.
size_t PieceBytes(std::string_view piece, Decoder*& decoder) {
    const std::string_view text = TrimView(piece);
    if (text.substr(0, kMarker.size()) != kMarker) return 0;
    SharedTree& shared = TheTree();
    if (!shared.built.load(std::memory_order_acquire)) {
        const std::lock_guard<std::mutex> lock(shared.mutex);
        if (!shared.built.load(std::memory_order_relaxed)) BuildLocked(shared, nullptr, FixedPrefixCodes());
    }
    decoder = &ThreadDecoder();
    const uint64_t generation = shared.generation.load(std::memory_order_acquire);
    if (decoder->generation != generation) {
        decoder->tree = &shared.tree;
        decoder->generation = generation;
        decoder->SetCapacity(std::max(kInitialBuffer, text.size()));
    } else if (text.size() > decoder->capacity) {
        decoder->SetCapacity(text.size());
    }
    return DecodeBase64(text.substr(kMarker.size()), decoder->buffer.data());
}

}  // namespace

std::string_view NextPiece(std::string_view answer, size_t& position) {
    if (position >= answer.size()) {
        position = std::string_view::npos;
        return {};
    }
    const size_t first = answer.substr(position, kMarker.size()) == kMarker ? position : answer.find(kMarker, position);
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
    return std::string_view(text, decoder->tree->DecodeInto(decoder->buffer.data(), n, text));
}

std::string DecodeValue(std::string_view piece) { return std::string(DecodeValueView(piece)); }

std::string DecodeValueByTreeWalk(std::string_view piece) {
    Decoder* decoder = nullptr;
    const size_t n = PieceBytes(piece, decoder);
    if (n == 0) return {};
    char* text = decoder->text.data();
    return std::string(text, decoder->tree->WalkInto(decoder->buffer.data(), n, text));
}

void BuildDecoder(const DecoderMessage& message) { BuildDecoder(message, FixedPrefixCodes()); }

void BuildDecoder(const DecoderMessage& message, const PrefixCodeTable& table) {
    SharedTree& shared = TheTree();
    const std::lock_guard<std::mutex> lock(shared.mutex);
    BuildLocked(shared, message, table);
}

void FreeDecoder(const DecoderMessage& message) {
    SharedTree& shared = TheTree();
    const std::lock_guard<std::mutex> lock(shared.mutex);
    shared.built.store(false, std::memory_order_relaxed);
    shared.tree.Free(message);
    shared.generation.fetch_add(1);
    ThreadDecoder().Release();
}

long DecoderLiveNodes() { return TreeLiveNodes(); }

size_t DecoderBufferCapacity() { return ThreadDecoder().capacity; }

}  // namespace vtq
