// Any input as a modem's bytes: the first line is the command, the rest what comes back, fed to the AT framer at
// once, byte by byte and in chunks of seven. What must hold: the cut changes nothing; the answer is whole lines
// ending at the first final result code; each line read is the echo, an answer line, an unsolicited line or the
// final code; on a target that echoes, leftovers never complete the next answer before that command's echo.

#include "base/text.h"
#include "fuzz_checks.h"
#include "link/at_framer.h"

using fuzzcheck::Check;

namespace {

struct Outcome {
    bool complete;
    std::string answer, final, pending;
    std::vector<std::string> unsolicited;
    bool operator==(const Outcome&) const = default;
};

Outcome Run(std::string_view command, std::string_view bytes, size_t chunk) {
    targetlink::AtFramer framer;
    framer.Begin(command);
    for (size_t at = 0; at < bytes.size(); at += chunk) framer.Feed(bytes.substr(at, chunk));
    if (bytes.empty()) framer.Feed({});
    return {framer.Complete(), framer.Answer(), framer.FinalLine(), framer.Pending(), framer.TakeUnsolicited()};
}

// The non-empty lines of a text cut at CR and at LF.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        if (i > start) lines.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t lf = input.find('\n');
    const std::string_view command = input.substr(0, lf);
    const std::string_view bytes = lf == std::string_view::npos ? std::string_view() : input.substr(lf + 1);

    const Outcome whole = Run(command, bytes, bytes.size() + 1);
    Check(Run(command, bytes, 1) == whole, "bytes fed one by one give another result");
    Check(Run(command, bytes, 7) == whole, "bytes fed in chunks give another result");

    // The answer: CR LF ended lines, none a final code but the last, which is the final line.
    std::vector<std::string_view> answerLines;
    std::string_view rest = whole.answer;
    while (!rest.empty()) {
        const size_t end = rest.find("\r\n");
        if (end == std::string_view::npos) return Check(false, "an answer line without CR LF"), 0;
        const std::string_view line = rest.substr(0, end);
        Check(line.find_first_of("\r\n") == std::string_view::npos && !line.empty(), "an answer line holds CR or LF");
        answerLines.push_back(line);
        rest.remove_prefix(end + 2);
    }
    if (whole.complete) {
        Check(targetlink::IsFinalResultCode(whole.final), "the final line is no final result code", whole.final);
        Check(!answerLines.empty() && answerLines.back() == whole.final, "the answer does not end in its final line");
        answerLines.pop_back();
    } else {
        Check(whole.final.empty(), "a final line in an answer that is not complete");
    }
    for (std::string_view line : answerLines)
        Check(!targetlink::IsFinalResultCode(line), "a final result code inside the answer", line);

    // Every line read went somewhere: the echo at most once, the others kept.
    Check(bytes.size() >= whole.pending.size() &&
              bytes.substr(bytes.size() - whole.pending.size()) == whole.pending,
          "the bytes left over are not the end of the input");
    const size_t read = Lines(bytes.substr(0, bytes.size() - whole.pending.size())).size();
    const size_t kept = answerLines.size() + (whole.complete ? 1 : 0) + whole.unsolicited.size();
    Check(kept == read || kept + 1 == read, "lines were lost");

    // The next command: its answer is never made of leftovers alone once the target echoed (unless the command
    // may switch the echo, after which nobody can tell).
    targetlink::AtFramer link;
    link.Begin(command);
    link.Feed(bytes);
    if (link.EchoSeen() && !targetlink::MaySwitchEcho(command)) {
        link.Begin(command);
        link.Feed({});
        // The framer takes the command without its final CR or LF, as the echo line shows it.
        std::string_view echo = command;
        while (!echo.empty() && (echo.back() == '\r' || echo.back() == '\n')) echo.remove_suffix(1);
        bool echoLeft = false;
        for (std::string_view line : Lines(whole.pending)) echoLeft |= vtq::SameText(line, echo);
        Check(!link.Complete() || echoLeft, "a leftover final code completed the next answer");
    }
    return 0;
}
