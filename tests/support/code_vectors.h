#pragma once
// The rows of tests/data/prefix_code_vectors.tsv: dump pieces made by an independent encoder of the code table,
// with the text that was encoded and the text decoding must give. The file writes bytes outside 32-126 as \xNN and
// a backslash as \\.

#include <fstream>
#include <string>
#include <vector>

namespace vtq::test {

struct CodeVector {
    std::string text, piece, decoded;
};

inline std::string UnescapeVectorText(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const bool hex = s.compare(i, 2, "\\x") == 0 && i + 3 < s.size();
        out += hex ? static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16)) : s[i];
        i += hex ? 3 : s.compare(i, 2, "\\\\") == 0;
    }
    return out;
}

inline std::vector<CodeVector> CodeVectors() {
    std::vector<CodeVector> rows;
    std::ifstream in(VTQ_SOURCE_DIR "/tests/data/prefix_code_vectors.tsv");
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line.starts_with("# ")) continue;
        const size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        rows.push_back({UnescapeVectorText(line.substr(0, tab1)), line.substr(tab1 + 1, tab2 - tab1 - 1),
                        UnescapeVectorText(line.substr(tab2 + 1))});
    }
    return rows;
}

}  // namespace vtq::test
