#pragma once
// The fixed prefix code of compressed dump pieces and its decoding tree.
//
// The tree is the reference: built node by node from the code table, walked bit by bit. Decoding normally goes
// through lookup tables derived from that same tree (several characters per lookup), whose results are identical
// to the bit-by-bit walk for every input, including truncated and damaged ones.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vtq {

// One character's code: its `length` lowest bits of `bits`, read from bit length-1 down to bit 0.
struct PrefixCode {
    uint8_t length = 0;
    uint16_t bits = 0;
};
using PrefixCodeTable = std::array<PrefixCode, 128>;

// The code the target encodes with: complete, 3 to 16 bits per character.
const PrefixCodeTable& FixedPrefixCodes();

inline constexpr size_t kDecodeReadAhead = 16;

// The process-wide count of live tree nodes: plus one per node created, minus one per node freed, in any tree.
long TreeLiveNodes();

class DecodeTree {
public:
    using Message = std::function<void(const std::string&)>;

    DecodeTree() = default;
    ~DecodeTree();  // frees the nodes (counted) without a report
    DecodeTree(const DecodeTree&) = delete;
    DecodeTree& operator=(const DecodeTree&) = delete;

    // Frees an earlier tree (without a report), then adds the characters 0-127 in order. A damaged table (a code
    // passing through or ending on a final node) is reported through `message` and building goes on.
    // Throws std::invalid_argument for a code length outside 1-16.
    void Build(const PrefixCodeTable& table, const Message& message);
    // Frees every node depth-first; reports and clears a live-node count left other than 0.
    void Free(const Message& message);
    bool Built() const { return root_ != nullptr; }

    // Bit-by-bit decoding of `n` bytes: ends after the first "}", at a missing child, or when the bits run out.
    std::string Walk(const uint8_t* bytes, size_t n) const;
    // The same result through the lookup tables.
    std::string Decode(const uint8_t* bytes, size_t n) const;

    // Room the decoders need in `out` for `n` bytes (a built tree).
    size_t OutputRoom(size_t n) const { return n * perByte_ + 4; }
    // Both decoders into `out`; they return the text length. The tables read whole words: DecodeInto needs
    // kDecodeReadAhead readable bytes (of any value) after the n bytes.
    size_t WalkInto(const uint8_t* bytes, size_t n, char* out) const;
    size_t DecodeInto(const uint8_t* bytes, size_t n, char* out) const;

private:
    struct Node {
        uint8_t final = 0;
        uint8_t character = 0;
        Node* one = nullptr;
        Node* zero = nullptr;
    };

    static Node* NewNode();
    static void FreeNodes(Node* node);
    void BuildTables();
    // Walks from `node` over the bits [bit, end) of `bytes`, appending to `out` from `pos`; returns the new end.
    size_t WalkFrom(const uint8_t* bytes, uint64_t bit, uint64_t end, char* out, size_t pos) const;

    Node* root_ = nullptr;
    // Primary table: the next 12 bits from the root give up to three characters. Where they end inside a longer
    // code, `block_` selects the block of `second_` that the following 4 bits index.
    std::vector<uint32_t> first_;
    std::vector<uint16_t> block_;
    std::vector<uint32_t> second_;
    size_t perByte_ = 8;  // most characters one byte can complete
};

}  // namespace vtq
