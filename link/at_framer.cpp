#include "link/at_framer.h"

#include <array>

namespace nvmhost {

namespace {

// Only a to z fold: bytes above ASCII compare exactly, whatever the process locale says.
char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

bool ContainsText(std::string_view haystack, std::string_view needle) {
    if (needle.size() > haystack.size()) return false;
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (SameTextAscii(haystack.substr(i, needle.size()), needle)) return true;
    }
    return false;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Result codes a modem sends on its own, with the command keyword that asks
// for the same text as an answer (empty when no command does).
struct UrcKind {
    std::string_view prefix;
    std::string_view keyword;
};
constexpr std::array<UrcKind, 19> kUrcKinds{{
    {"+CREG:", "+CREG"}, {"+CGREG:", "+CGREG"}, {"+CEREG:", "+CEREG"}, {"+C5GREG:", "+C5GREG"}, {"+CRING:", "+CRC"},
    {"+CLIP:", "+CLIP"}, {"+CCWA:", "+CCWA"},   {"+CMTI:", "+CNMI"},   {"+CMT:", "+CNMI"},      {"+CBM:", "+CNMI"},
    {"+CDS:", "+CNMI"},  {"+CDSI:", "+CNMI"},   {"+CUSD:", "+CUSD"},   {"+CIEV:", "+CIND"},     {"+CTZV:", "+CTZR"},
    {"+CTZE:", "+CTZR"}, {"+CGEV:", "+CGEREP"}, {"+CSSI:", "+CSSN"},   {"+CSSU:", "+CSSN"},
}};

}  // namespace

bool IsFinalResultCode(std::string_view line) {
    line = TrimBlanks(line);
    if (line == "OK" || line == "ERROR" || line == "NO CARRIER" || line == "BUSY" || line == "NO ANSWER" ||
        line == "NO DIALTONE")
        return true;
    for (std::string_view prefix : {std::string_view("+CME ERROR:"), std::string_view("+CMS ERROR:")}) {
        if (line.substr(0, prefix.size()) == prefix) return true;
    }
    return false;
}

bool IsUnsolicited(std::string_view line, std::string_view command) {
    line = TrimBlanks(line);
    if (line == "RING") return true;
    for (const UrcKind& kind : kUrcKinds) {
        if (line.substr(0, kind.prefix.size()) == kind.prefix) return !ContainsText(command, kind.keyword);
    }
    return false;
}

void AtFramer::Begin(std::string_view command) {
    while (!command.empty() && (command.back() == '\r' || command.back() == '\n')) command.remove_suffix(1);
    command_.assign(command);
    active_ = true;
    echoSeen_ = false;
    complete_ = false;
    lines_.clear();
    final_.clear();
}

void AtFramer::Idle() {
    active_ = false;
    complete_ = false;
}

void AtFramer::Feed(std::string_view bytes) {
    pending_.append(bytes);
    // A line ends at CR or LF; the empty lines between CR LF pairs are dropped.
    // Bytes after the final result code stay pending for whatever comes next.
    size_t start = 0;
    for (size_t i = 0; i < pending_.size() && !(active_ && complete_); ++i) {
        if (pending_[i] != '\r' && pending_[i] != '\n') continue;
        if (i > start) TakeLine(pending_.substr(start, i - start));
        start = i + 1;
    }
    pending_.erase(0, start);
}

void AtFramer::TakeLine(std::string line) {
    if (!active_ || complete_) {
        unsolicited_.push_back(std::move(line));
        return;
    }
    if (!echoSeen_ && lines_.empty() && SameTextAscii(line, command_)) {
        echoSeen_ = true;
        return;
    }
    if (IsUnsolicited(line, command_)) {
        unsolicited_.push_back(std::move(line));
        return;
    }
    if (IsFinalResultCode(line)) {
        final_ = std::move(line);
        complete_ = true;
        return;
    }
    lines_.push_back(std::move(line));
}

std::string AtFramer::Answer() const {
    std::string out;
    for (const std::string& line : lines_) {
        out += line;
        out += "\r\n";
    }
    if (complete_) {
        out += final_;
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> AtFramer::TakeUnsolicited() {
    std::vector<std::string> out;
    out.swap(unsolicited_);
    return out;
}

}  // namespace nvmhost
