#include "link/at_framer.h"

#include <algorithm>
#include <array>
#include <utility>

namespace targetlink {

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

// A line of a group dump: the answer of such a command is a run of these.
bool IsPieceLine(std::string_view line) { return TrimBlanks(line).starts_with("%b64:"); }

// A command line as an echo shows it: "AT" in any case at the start.
bool LooksLikeCommand(std::string_view line) { return line.size() >= 2 && SameTextAscii(line.substr(0, 2), "AT"); }

}  // namespace

bool MaySwitchEcho(std::string_view command) {
    if (command.size() < 3 || !LooksLikeCommand(command)) return false;
    for (size_t i = 2; i < command.size(); ++i) {
        const char c = FoldAscii(command[i]);
        if (c == 'E' || c == 'Z' || (c == '&' && i + 1 < command.size() && FoldAscii(command[i + 1]) == 'F'))
            return true;
        // The basic commands end where an extended one starts.
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '&' || c == '=' || c == '?')) return false;
    }
    return false;
}

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
        // No command waits for a final result code here: one arriving means
        // the target ran a command twice or one nobody sent.
        if (IsFinalResultCode(line)) stepLost_ = true;
        unsolicited_.push_back(std::move(line));
        return;
    }
    if (!echoSeen_ && lines_.empty() && SameTextAscii(line, command_)) {
        echoSeen_ = true;
        echo_ = Echo::On;
        return;
    }
    if (echo_ == Echo::On && !echoSeen_) {
        // The answer starts after the command's own echo; another command's
        // echo or a final result code before it is left over from an earlier exchange.
        if (IsFinalResultCode(line) || LooksLikeCommand(line)) stepLost_ = true;
        unsolicited_.push_back(std::move(line));
        return;
    }
    if (IsUnsolicited(line, command_)) {
        unsolicited_.push_back(std::move(line));
        return;
    }
    if (IsFinalResultCode(line)) {
        Finish(std::move(line));
        return;
    }
    lines_.push_back(std::move(line));
}

void AtFramer::Finish(std::string line) {
    final_ = std::move(line);
    complete_ = true;
    // A dump answer is a run of "%b64:" pieces up to its final code: any other
    // line among them is an unsolicited code, whether or not it is a known one.
    if (std::any_of(lines_.begin(), lines_.end(), [](const std::string& l) { return IsPieceLine(l); })) {
        std::vector<std::string> pieces;
        for (std::string& l : lines_) (IsPieceLine(l) ? pieces : unsolicited_).push_back(std::move(l));
        lines_.swap(pieces);
    }
    if (MaySwitchEcho(command_))
        echo_ = Echo::Unknown;
    else if (!echoSeen_)
        echo_ = Echo::Off;
}

bool AtFramer::TakeStepLost() { return std::exchange(stepLost_, false); }

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

}  // namespace targetlink
