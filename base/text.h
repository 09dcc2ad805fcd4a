#pragma once
// Text helpers shared by every part of the editor. Texts are 8-bit strings;
// "without regard to case" always means ASCII folding, so bytes 128-255 compare
// exactly and every byte survives unchanged.

#include <string>
#include <string_view>
#include <vector>

namespace vtq {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Blanks in the trimming sense: every character with a code of 32 or less.
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
// The narrower blanks of the answer test and the C-text scanners: space, tab, CR and LF.
inline bool IsSpaceBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Removes every character with a code of 32 or less from both ends.
inline std::string_view TrimView(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

std::string ToLower(std::string_view text);

// Equality and ordering without regard to case.
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool StartsWithText(std::string_view text, std::string_view prefix);
bool EndsWithText(std::string_view text, std::string_view suffix);

// The one comparator type of every sorted, case-insensitive map and set.
struct TextLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return CompareText(a, b) < 0; }
};

// Comma text: names joined by commas; a name holding a blank, a comma or a
// double quote is enclosed in double quotes with inner double quotes doubled.
std::string JoinCommaText(const std::vector<std::string>& names);
std::vector<std::string> SplitCommaText(std::string_view text);

// Text between "{" and the first (or, with `last`, the last) "}" after it,
// trimmed, replacing `text`; false and `text` unchanged when there are none.
bool ExtractBraces(std::string& text, bool last);

// Every run of carriage returns and line feeds becomes one line feed.
std::string NormalizeLineEnds(std::string_view text);

// Trimmed text before the first "." of a parameter name; empty without a ".".
std::string GroupOfName(std::string_view name);

// True when `text` holds a control character (a code below 32 other than tab,
// or 127): inside a name or value it would reach the target as a line break or
// a byte no command line holds.
bool HasControlByte(std::string_view text);
// `text` with each control character shown as "<CR>", "<LF>", "<NUL>" or
// "<0x1B>", for messages that name the refused text.
std::string ShowControlBytes(std::string_view text);

// The text up to the next line feed (not included); the cursor moves past it.
// At the end of the buffer: the rest, and the cursor becomes empty.
std::string_view NextLine(std::string_view& cursor);

}  // namespace vtq
