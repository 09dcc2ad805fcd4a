#include "channel/prefix_code.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace vtq {

namespace {

struct ShortCode {
    uint8_t character;
    std::string_view bits;  // most significant bit first
};

// Codes shorter than 16 bits, by length.
constexpr ShortCode kShortCodes[] = {
    {95, "001"},
    {48, "0101"},
    {44, "1111"},
    {112, "00000"},
    {53, "00010"},
    {99, "00011"},
    {101, "01001"},
    {120, "01100"},
    {115, "01110"},
    {102, "01111"},
    {46, "10000"},
    {105, "10010"},
    {97, "10011"},
    {10, "10100"},
    {13, "10101"},
    {114, "10110"},
    {116, "11000"},
    {49, "11001"},
    {50, "11101"},
    {59, "000010"},
    {123, "000011"},
    {125, "010000"},
    {100, "010001"},
    {110, "011011"},
    {56, "100010"},
    {52, "100011"},
    {54, "110100"},
    {108, "110110"},
    {51, "110111"},
    {117, "111000"},
    {104, "0110100"},
    {57, "1011100"},
    {98, "1011110"},
    {103, "1011111"},
    {111, "1101010"},
    {109, "1101011"},
    {55, "1110010"},
    {45, "01101010"},
    {118, "10111010"},
    {91, "11100110"},
    {93, "11100111"},
    {107, "011010110"},
    {121, "011010111"},
    {119, "101110111"},
    {106, "1011101100000"},
    {30, "1011101100010"},
    {113, "1011101100011"},
    {124, "1011101101110"},
    {58, "10111011000010"},
    {79, "10111011000011"},
    {122, "10111011011110"},
    {40, "101110110100001"},
    {75, "101110110100100"},
    {78, "101110110100101"},
    {41, "101110110100110"},
    {69, "101110110100111"},
    {84, "101110110111110"},
    {34, "101110110111111"},
};

// The other characters: 16 bits, 10111011 followed by this byte.
constexpr uint8_t kLongCodes[][2] = {
    {0, 0x40},  {1, 0x41},  {2, 0x46},  {3, 0x47},  {4, 0x44},  {5, 0x45},   {6, 0x5A},   {7, 0x5B},  {8, 0x58},
    {9, 0x59},  {11, 0x5E}, {12, 0x5F}, {14, 0x5C}, {15, 0x5D}, {16, 0x52},  {17, 0x53},  {18, 0x50}, {19, 0x51},
    {20, 0x56}, {21, 0x57}, {22, 0x54}, {23, 0x55}, {24, 0x2A}, {25, 0x2B},  {26, 0x28},  {27, 0x29}, {28, 0x2E},
    {29, 0x2F}, {31, 0x2C}, {32, 0x2D}, {33, 0x22}, {35, 0x23}, {36, 0x20},  {37, 0x21},  {38, 0x26}, {39, 0x27},
    {42, 0x24}, {43, 0x25}, {47, 0x3A}, {60, 0x3B}, {61, 0x38}, {62, 0x39},  {63, 0x3E},  {64, 0x3F}, {65, 0x3C},
    {66, 0x3D}, {67, 0x32}, {68, 0x33}, {70, 0x30}, {71, 0x31}, {72, 0x36},  {73, 0x37},  {74, 0x34}, {76, 0x35},
    {77, 0x6A}, {80, 0x6B}, {81, 0x68}, {82, 0x69}, {83, 0x6E}, {85, 0x6F},  {86, 0x6C},  {87, 0x6D}, {88, 0x62},
    {89, 0x63}, {90, 0x60}, {92, 0x61}, {94, 0x66}, {96, 0x67}, {126, 0x64}, {127, 0x65},
};

constexpr PrefixCodeTable MakeFixedTable() {
    PrefixCodeTable table{};
    for (const ShortCode& code : kShortCodes) {
        uint16_t bits = 0;
        for (char c : code.bits) bits = uint16_t(bits << 1 | (c == '1'));
        table[code.character] = {uint8_t(code.bits.size()), bits};
    }
    for (const auto& code : kLongCodes) table[code[0]] = {16, uint16_t(0xBB00 | code[1])};
    return table;
}

constexpr PrefixCodeTable kFixedTable = MakeFixedTable();

long g_liveNodes = 0;

constexpr unsigned kWindow = 14;     // bits resolved by the primary table
constexpr unsigned kSecondBits = 2;  // further bits resolved by a secondary block

// A table entry: bits used (0-5), count of characters (6-7), the characters in bytes 1-3. Characters are 7-bit,
// which leaves bit 7 of bytes 1 and 2 for the flags. Count 0 without stop in a primary entry: the window ended
// inside a longer code, whose end the secondary block of that index resolves.
constexpr uint32_t kSpecial = 1u << 15;  // primary entry: stop or secondary
constexpr uint32_t kStop = 1u << 23;     // the walk ends here: after a "}" or at a missing child

constexpr uint32_t Entry(const uint8_t* chars, unsigned count, unsigned used, bool stop) {
    uint32_t e = used | count << 6;
    for (unsigned i = 0; i < count; ++i) e |= uint32_t(chars[i]) << (8 * (i + 1));
    if (stop) e |= kStop;
    return e;
}
constexpr unsigned Used(uint32_t e) { return e & 63; }
constexpr unsigned Count(uint32_t e) { return (e >> 6) & 3; }

inline uint64_t LoadBigEndian64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    return v;
}

// Stores an entry's characters (and scrap bytes past them, which later output overwrites or cuts off).
inline void Put(char* out, uint32_t e) {
    e = (e >> 8) & 0x7F7F7F;
    std::memcpy(out, &e, 4);
}

char Shown(int code) { return code < 32 ? '_' : char(code); }

}  // namespace

const PrefixCodeTable& FixedPrefixCodes() { return kFixedTable; }

long TreeLiveNodes() { return g_liveNodes; }

DecodeTree::~DecodeTree() { FreeNodes(root_); }

DecodeTree::Node* DecodeTree::NewNode() {
    Node* node = new Node;
    ++g_liveNodes;
    return node;
}

void DecodeTree::FreeNodes(Node* node) {
    if (!node) return;
    FreeNodes(node->one);
    FreeNodes(node->zero);
    delete node;
    --g_liveNodes;
}

void DecodeTree::Build(const PrefixCodeTable& table, const Message& message) {
    for (const PrefixCode& code : table) {
        if (code.length < 1 || code.length > 16 || code.bits >> code.length != 0)
            throw std::invalid_argument("prefix code length outside 1-16");
    }
    FreeNodes(root_);
    root_ = NewNode();
    unsigned shortest = 16;
    char text[128];
    for (int s = 0; s < 128; ++s) {
        const PrefixCode code = table[s];
        Node* node = root_;
        for (int i = code.length - 1; i >= 0; --i) {
            if (node->final) {
                std::snprintf(text, sizeof text,
                              "ERROR: Found final symbol (%i='%c') on the way to defining: %i ('%c')\n",
                              node->character, Shown(node->character), s, Shown(s));
                if (message) message(text);
            }
            Node*& child = (code.bits >> i) & 1 ? node->one : node->zero;
            if (!child) child = NewNode();
            node = child;
        }
        node->character = uint8_t(s);
        if (node->final) {
            std::snprintf(text, sizeof text, "ERROR: symbol %i was ALREADY final!\n", s);
            if (message) message(text);
        } else {
            node->final = 1;
        }
        shortest = std::min(shortest, unsigned(code.length));
    }
    perByte_ = (8 + shortest - 1) / shortest;
    BuildTables();
}

void DecodeTree::Free(const Message& message) {
    FreeNodes(root_);
    root_ = nullptr;
    first_.clear();
    block_.clear();
    second_.clear();
    if (g_liveNodes != 0) {
        if (message) message("WARNING: Memory leak of " + std::to_string(g_liveNodes) + " nodes detected.");
        g_liveNodes = 0;
    }
}

// Every table entry is what the bit-by-bit walk does with those bits, so both decoders agree on any tree.
void DecodeTree::BuildTables() {
    first_.assign(size_t(1) << kWindow, 0);
    block_.assign(size_t(1) << kWindow, 0);
    second_.clear();
    for (uint32_t index = 0; index < first_.size(); ++index) {
        uint8_t chars[3] = {};
        unsigned count = 0, used = 0, lastEnd = 0;
        bool stop = false;
        const Node* node = root_;
        for (unsigned i = 0; i < kWindow; ++i) {
            node = (index >> (kWindow - 1 - i)) & 1 ? node->one : node->zero;
            if (!node) {
                stop = true;
                used = i + 1;
                break;
            }
            if (!node->final) continue;
            chars[count++] = node->character;
            lastEnd = i + 1;
            if (node->character == '}') {
                stop = true;
                used = lastEnd;
                break;
            }
            if (count == 3) break;
            node = root_;
        }
        if (stop) {
            first_[index] = Entry(chars, count, used, true) | kSpecial;
        } else if (count > 0) {
            first_[index] = Entry(chars, count, lastEnd, false);
        } else {
            // The window ended inside a code longer than the window: resolve the rest from this node.
            block_[index] = uint16_t(second_.size() >> kSecondBits);
            for (uint32_t next = 0; next < (1u << kSecondBits); ++next) {
                const Node* at = node;
                uint32_t entry = Entry(chars, 0, kWindow + kSecondBits, true);
                for (unsigned i = 0; i < kSecondBits; ++i) {
                    at = (next >> (kSecondBits - 1 - i)) & 1 ? at->one : at->zero;
                    if (!at) {
                        entry = Entry(chars, 0, kWindow + i + 1, true);
                        break;
                    }
                    if (at->final) {
                        const uint8_t c = at->character;
                        entry = Entry(&c, 1, kWindow + i + 1, c == '}');
                        break;
                    }
                }
                second_.push_back(entry);
            }
            first_[index] = Entry(chars, 0, kWindow, false) | kSpecial;
        }
    }
}

size_t DecodeTree::WalkFrom(const uint8_t* bytes, uint64_t bit, uint64_t end, char* out, size_t pos) const {
    const Node* node = root_;
    for (; bit < end; ++bit) {
        node = (bytes[bit >> 3] >> (7 - (bit & 7))) & 1 ? node->one : node->zero;
        if (!node) break;
        if (node->final) {
            out[pos++] = char(node->character);
            if (node->character == '}') break;
            node = root_;
        }
    }
    return pos;
}

size_t DecodeTree::WalkInto(const uint8_t* bytes, size_t n, char* out) const {
    return root_ ? WalkFrom(bytes, 0, uint64_t(n) * 8, out, 0) : 0;
}

std::string DecodeTree::Walk(const uint8_t* bytes, size_t n) const {
    std::string out(root_ ? OutputRoom(n) : 0, '\0');
    out.resize(WalkInto(bytes, n, out.data()));
    return out;
}

std::string DecodeTree::Decode(const uint8_t* bytes, size_t n) const {
    std::vector<uint8_t> padded(bytes, bytes + n);
    padded.resize(n + kDecodeReadAhead);
    std::string out(root_ ? OutputRoom(n) : 0, '\0');
    out.resize(DecodeInto(padded.data(), n, out.data()));
    return out;
}

size_t DecodeTree::DecodeInto(const uint8_t* bytes, size_t n, char* const o) const {
    if (!root_ || n == 0) return 0;
    const uint32_t* const first = first_.data();
    const uint32_t* const second = second_.data();
    const uint16_t* const block = block_.data();
    const uint64_t end = uint64_t(n) * 8;
    uint64_t left = end;  // bits not yet decoded
    size_t pos = 0;

    // Bits arrive MSB first in `w`. Each refill tops it up to at least 56 valid bits with one load whose address
    // does not wait for the lookups; three lookups of at most 16 bits follow. Loads reach up to 16 bytes past the
    // n bytes, but those bits are never used: an entry that needs bits past the end is left to the bit-by-bit
    // walk, which ends exactly where the bits do.
    const uint8_t* p = bytes;
    uint64_t w = 0;
    unsigned valid = 0;
    for (;;) {
        w |= LoadBigEndian64(p) >> valid;
        p += (63 - valid) >> 3;
        valid |= 56;
        for (int k = 0; k < 3; ++k) {
            uint32_t e = first[w >> (64 - kWindow)];
            if (e & kSpecial) {
                if (!(e & kStop)) {
                    const uint32_t next = uint32_t(w >> (64 - kWindow - kSecondBits)) % (1u << kSecondBits);
                    e = second[uint32_t(block[w >> (64 - kWindow)]) << kSecondBits | next];
                }
                if (Used(e) > left) return WalkFrom(bytes, end - left, end, o, pos);
                Put(o + pos, e);
                pos += Count(e);
                if ((e & kStop) || Used(e) == left) return pos;
            } else {
                if (Used(e) >= left) {
                    if (Used(e) > left) return WalkFrom(bytes, end - left, end, o, pos);
                    Put(o + pos, e);
                    return pos + Count(e);
                }
                Put(o + pos, e);
                pos += Count(e);
            }
            const unsigned used = Used(e);
            w <<= used;
            valid -= used;
            left -= used;
        }
    }
}

}  // namespace vtq
