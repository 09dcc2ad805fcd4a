#include "base/text.h"

#include <algorithm>

namespace vtq {

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string TrimLeft(std::string_view text) {
    size_t b = 0;
    while (b < text.size() && IsBlank(text[b])) ++b;
    return std::string(text.substr(b));
}

std::string TrimRight(std::string_view text) {
    size_t e = text.size();
    while (e > 0 && IsBlank(text[e - 1])) --e;
    return std::string(text.substr(0, e));
}

std::string ToLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

int CompareText(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto cb = static_cast<unsigned char>(LowerAscii(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

bool StartsWithText(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsWithText(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && SameText(text.substr(text.size() - suffix.size()), suffix);
}

std::string JoinCommaText(const std::vector<std::string>& names) {
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i) out += ',';
        const std::string& n = names[i];
        // Quoted exactly when the reader would otherwise cut the name: at a
        // comma, a double quote or any blank (tabs and control codes too).
        if (std::none_of(n.begin(), n.end(), [](char c) { return IsBlank(c) || c == ',' || c == '"'; })) {
            out += n;
            continue;
        }
        out += '"';
        for (char c : n) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

std::vector<std::string> SplitCommaText(std::string_view text) {
    // Reads what JoinCommaText writes; blanks outside quotes separate names as
    // commas do, and empty names are dropped.
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (IsBlank(text[i]) || text[i] == ',')) ++i;
        if (i >= text.size()) break;
        std::string name;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        name += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                name += text[i++];
            }
        } else {
            while (i < text.size() && text[i] != ',' && !IsBlank(text[i])) name += text[i++];
        }
        if (!name.empty()) out.push_back(std::move(name));
    }
    return out;
}

bool ExtractBraces(std::string& text, bool last) {
    const size_t open = text.find('{');
    if (open == std::string::npos) return false;
    const size_t close = last ? text.rfind('}') : text.find('}', open + 1);
    if (close == std::string::npos || close < open) return false;
    text = Trim(std::string_view(text).substr(open + 1, close - open - 1));
    return true;
}

std::string NormalizeLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '\r' || text[i] == '\n') {
            while (i < text.size() && (text[i] == '\r' || text[i] == '\n')) ++i;
            out += '\n';
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string GroupOfName(std::string_view name) {
    const size_t dot = name.find('.');
    if (dot == std::string_view::npos) return {};
    return Trim(name.substr(0, dot));
}

namespace {
bool IsControlByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 32 && c != '\t') || u == 127;
}
}  // namespace

bool HasControlByte(std::string_view text) { return std::any_of(text.begin(), text.end(), IsControlByte); }

std::string ShowControlBytes(std::string_view text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        if (!IsControlByte(c)) {
            out += c;
        } else if (c == '\r') {
            out += "<CR>";
        } else if (c == '\n') {
            out += "<LF>";
        } else if (c == '\0') {
            out += "<NUL>";
        } else {
            const auto u = static_cast<unsigned char>(c);
            out += std::string("<0x") + kHex[u >> 4] + kHex[u & 15] + ">";
        }
    }
    return out;
}

std::string_view NextLine(std::string_view& cursor) {
    const size_t lf = cursor.find('\n');
    std::string_view line;
    if (lf == std::string_view::npos) {
        line = cursor;
        cursor = {};
    } else {
        line = cursor.substr(0, lf);
        cursor.remove_prefix(lf + 1);
    }
    return line;
}

}  // namespace vtq
