#include "sim/prefix_code.h"

namespace nvmsim {

namespace {

struct CodeText {
    int character;
    const char* bits;
};

// Codes shorter than 16 bits.
constexpr CodeText kShortCodes[] = {
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

// 16-bit codes: 0xBB followed by this byte.
constexpr std::pair<int, int> kLongCodes[] = {
    {0, 0x40},  {1, 0x41},  {2, 0x46},  {3, 0x47},  {4, 0x44},  {5, 0x45},   {6, 0x5A},   {7, 0x5B},  {8, 0x58},
    {9, 0x59},  {11, 0x5E}, {12, 0x5F}, {14, 0x5C}, {15, 0x5D}, {16, 0x52},  {17, 0x53},  {18, 0x50}, {19, 0x51},
    {20, 0x56}, {21, 0x57}, {22, 0x54}, {23, 0x55}, {24, 0x2A}, {25, 0x2B},  {26, 0x28},  {27, 0x29}, {28, 0x2E},
    {29, 0x2F}, {31, 0x2C}, {32, 0x2D}, {33, 0x22}, {35, 0x23}, {36, 0x20},  {37, 0x21},  {38, 0x26}, {39, 0x27},
    {42, 0x24}, {43, 0x25}, {47, 0x3A}, {60, 0x3B}, {61, 0x38}, {62, 0x39},  {63, 0x3E},  {64, 0x3F}, {65, 0x3C},
    {66, 0x3D}, {67, 0x32}, {68, 0x33}, {70, 0x30}, {71, 0x31}, {72, 0x36},  {73, 0x37},  {74, 0x34}, {76, 0x35},
    {77, 0x6A}, {80, 0x6B}, {81, 0x68}, {82, 0x69}, {83, 0x6E}, {85, 0x6F},  {86, 0x6C},  {87, 0x6D}, {88, 0x62},
    {89, 0x63}, {90, 0x60}, {92, 0x61}, {94, 0x66}, {96, 0x67}, {126, 0x64}, {127, 0x65},
};

// The seven leading bits 1011101 of the 16-bit codes: no code ends within them.
constexpr unsigned kSafePaddingBits = 0x5D;

std::array<PrefixCode, 128> BuildTable() {
    std::array<PrefixCode, 128> table{};
    for (const auto& c : kShortCodes) {
        PrefixCode code;
        for (const char* b = c.bits; *b; ++b) {
            code.bits = static_cast<uint16_t>((code.bits << 1) | (*b == '1' ? 1 : 0));
            ++code.length;
        }
        table[c.character] = code;
    }
    for (const auto& [character, low] : kLongCodes)
        table[character] = PrefixCode{static_cast<uint16_t>(0xBB00 | low), 16};
    return table;
}

}  // namespace

const std::array<PrefixCode, 128>& PrefixCodeTable() {
    static const std::array<PrefixCode, 128> table = BuildTable();
    return table;
}

bool PackPrefixCode(std::string_view text, std::string& bytes) {
    const auto& table = PrefixCodeTable();
    bytes.clear();
    uint32_t pending = 0;  // bits not yet written, in the low `count` bits
    int count = 0;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 128) return false;
        pending = (pending << table[c].length) | table[c].bits;
        count += table[c].length;
        while (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>((pending >> count) & 0xFF));
        }
    }
    if (count > 0) {
        // Zero bits, as the firmware pads; five or more zeros would spell a
        // "p", which matters only when no closing brace ends the decoding.
        const int pad = 8 - count;
        const bool zerosSpellACharacter = pad >= 5 && text.find('}') == std::string_view::npos;
        const unsigned padding = zerosSpellACharacter ? kSafePaddingBits >> (7 - pad) : 0;
        const unsigned last = ((pending << pad) | padding) & 0xFF;
        bytes.push_back(static_cast<char>(last));
    }
    return true;
}

std::string Base64Encode(std::string_view bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    auto at = [&](size_t k) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[k])); };
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = (at(i) << 16) | (at(i + 1) << 8) | at(i + 2);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest == 1) {
        const unsigned v = at(i) << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (rest == 2) {
        const unsigned v = (at(i) << 16) | (at(i + 1) << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string EncodePiece(std::string_view text) {
    std::string bytes;
    if (!PackPrefixCode(text, bytes)) return {};
    return "%b64:" + Base64Encode(bytes);
}

}  // namespace nvmsim
