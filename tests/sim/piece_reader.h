#pragma once
// The tests' own reading of dump pieces: a base64 decoder and a bit-by-bit
// walk over the modem's code table (which the vector file pins down).

#include <map>
#include <string>
#include <vector>

#include "sim/prefix_code.h"

namespace nvmsim::test {

// The code table as bit strings.
inline const std::map<std::string, int>& CodesByBits() {
    static const std::map<std::string, int> codes = [] {
        std::map<std::string, int> m;
        for (int c = 0; c < 128; ++c) {
            const PrefixCode& code = PrefixCodeTable()[c];
            std::string bits;
            for (int b = code.length - 1; b >= 0; --b) bits += ((code.bits >> b) & 1) ? '1' : '0';
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
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    text.clear();
    if (piece.rfind("%b64:", 0) != 0) return false;
    const std::string b64 = piece.substr(5);
    const size_t padding = b64.size() - b64.find_last_not_of('=') - 1;
    if (b64.size() % 4 != 0 || padding > 2) return false;
    std::string bits;
    for (size_t i = 0; i + padding < b64.size(); ++i) {
        const size_t v = alphabet.find(b64[i]);
        if (v == std::string::npos) return false;
        for (int b = 5; b >= 0; --b) bits += ((v >> b) & 1) ? '1' : '0';
    }
    bits.resize(bits.size() - (bits.size() % 8));
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

// The decoded records of a dump answer; a piece that does not decode comes
// back as "?" and the piece.
inline std::vector<std::string> Records(const std::string& wire, bool wholePiece = false) {
    std::vector<std::string> records;
    for (const auto& line : AnswerLines(wire)) {
        std::string text;
        records.push_back(ReadPiece(line, text, wholePiece) ? text : "?" + line);
    }
    return records;
}

}  // namespace nvmsim::test
