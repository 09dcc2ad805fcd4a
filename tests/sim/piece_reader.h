#pragma once
// The tests' own reading of dump pieces: a base64 decoder and a bit-by-bit
// walk over the code table written out here, apart from the modem's encoder.

#include <map>
#include <string>
#include <vector>

namespace nvmsim::test {

// The code table as bit strings.
inline const std::map<std::string, int>& CodesByBits() {
    static const std::map<std::string, int> codes = [] {
        std::map<std::string, int> m = {
            {"001", '_'}, {"0101", '0'}, {"1111", ','}, {"00000", 'p'}, {"00010", '5'}, {"00011", 'c'},
            {"01001", 'e'}, {"01100", 'x'}, {"01110", 's'}, {"01111", 'f'}, {"10000", '.'}, {"10010", 'i'},
            {"10011", 'a'}, {"10100", '\n'}, {"10101", '\r'}, {"10110", 'r'}, {"11000", 't'}, {"11001", '1'},
            {"11101", '2'}, {"000010", ';'}, {"000011", '{'}, {"010000", '}'}, {"010001", 'd'}, {"011011", 'n'},
            {"100010", '8'}, {"100011", '4'}, {"110100", '6'}, {"110110", 'l'}, {"110111", '3'}, {"111000", 'u'},
            {"0110100", 'h'}, {"1011100", '9'}, {"1011110", 'b'}, {"1011111", 'g'}, {"1101010", 'o'},
            {"1101011", 'm'}, {"1110010", '7'}, {"01101010", '-'}, {"10111010", 'v'}, {"11100110", '['},
            {"11100111", ']'}, {"011010110", 'k'}, {"011010111", 'y'}, {"101110111", 'w'},
            {"1011101100000", 'j'}, {"1011101100010", 30}, {"1011101100011", 'q'}, {"1011101101110", '|'},
            {"10111011000010", ':'}, {"10111011000011", 'O'}, {"10111011011110", 'z'},
            {"101110110100001", '('}, {"101110110100100", 'K'}, {"101110110100101", 'N'},
            {"101110110100110", ')'}, {"101110110100111", 'E'}, {"101110110111110", 'T'},
            {"101110110111111", '"'}};
        const int longCodes[][2] = {
            {0, 0x40},  {1, 0x41},  {2, 0x46},  {3, 0x47},  {4, 0x44},  {5, 0x45},  {6, 0x5A},  {7, 0x5B},
            {8, 0x58},  {9, 0x59},  {11, 0x5E}, {12, 0x5F}, {14, 0x5C}, {15, 0x5D}, {16, 0x52}, {17, 0x53},
            {18, 0x50}, {19, 0x51}, {20, 0x56}, {21, 0x57}, {22, 0x54}, {23, 0x55}, {24, 0x2A}, {25, 0x2B},
            {26, 0x28}, {27, 0x29}, {28, 0x2E}, {29, 0x2F}, {31, 0x2C}, {32, 0x2D}, {33, 0x22}, {35, 0x23},
            {36, 0x20}, {37, 0x21}, {38, 0x26}, {39, 0x27}, {42, 0x24}, {43, 0x25}, {47, 0x3A}, {60, 0x3B},
            {61, 0x38}, {62, 0x39}, {63, 0x3E}, {64, 0x3F}, {65, 0x3C}, {66, 0x3D}, {67, 0x32}, {68, 0x33},
            {70, 0x30}, {71, 0x31}, {72, 0x36}, {73, 0x37}, {74, 0x34}, {76, 0x35}, {77, 0x6A}, {80, 0x6B},
            {81, 0x68}, {82, 0x69}, {83, 0x6E}, {85, 0x6F}, {86, 0x6C}, {87, 0x6D}, {88, 0x62}, {89, 0x63},
            {90, 0x60}, {92, 0x61}, {94, 0x66}, {96, 0x67}, {126, 0x64}, {127, 0x65}};
        for (const auto& [c, low] : longCodes) {
            std::string bits = "10111011";
            for (int b = 7; b >= 0; --b) bits += ((low >> b) & 1) ? '1' : '0';
            m[bits] = c;
        }
        return m;
    }();
    return codes;
}

// Decodes one "%b64:" piece up to its first "}" (with `wholePiece`, on to
// the last complete character); false when the base64 is malformed or the
// bits lead nowhere.
inline bool ReadPiece(const std::string& piece, std::string& text, bool wholePiece = false) {
    text.clear();
    if (piece.rfind("%b64:", 0) != 0) return false;
    const std::string b64 = piece.substr(5);
    if (b64.size() % 4 != 0) return false;
    std::string bits;
    for (size_t i = 0; i < b64.size(); ++i) {
        const char c = b64[i];
        int v;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        else if (c >= '0' && c <= '9') v = c - '0' + 52;
        else if (c == '+') v = 62;
        else if (c == '/') v = 63;
        else if (c == '=' && i + 2 >= b64.size()) break;
        else return false;
        for (int b = 5; b >= 0; --b) bits += ((v >> b) & 1) ? '1' : '0';
    }
    const size_t padding = b64.size() - b64.find_last_not_of('=') - 1;
    bits.resize(bits.size() - (bits.size() % 8));
    if (padding > 2) return false;
    const auto& codes = CodesByBits();
    std::string code;
    for (char b : bits) {
        code += b;
        auto it = codes.find(code);
        if (it == codes.end()) {
            if (code.size() > 16) return false;
            continue;
        }
        text += static_cast<char>(it->second);
        code.clear();
        if (it->second == '}' && !wholePiece) return true;
    }
    return true;
}

// The answer lines of a wire answer, without CR LF and without the final "OK".
inline std::vector<std::string> AnswerLines(const std::string& wire) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < wire.size()) {
        size_t end = wire.find("\r\n", start);
        if (end == std::string::npos) end = wire.size();
        lines.push_back(wire.substr(start, end - start));
        start = end + 2;
    }
    if (!lines.empty() && lines.back() == "OK") lines.pop_back();
    return lines;
}

}  // namespace nvmsim::test
