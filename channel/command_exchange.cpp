#include "channel/command_exchange.h"

#include <atomic>

#include "base/text.h"

namespace vtq {

namespace {
// Read by the dump parser of every session, whatever thread it runs on.
std::atomic<bool> debugMode{false};

}  // namespace

bool DebugMode() { return debugMode; }
void SetDebugMode(bool on) { debugMode = on; }

bool IsGoodAnswer(std::string_view answer) {
    if (answer.size() < 2) return false;
    size_t end = answer.size();
    while (end > 0 && IsSpaceBlank(answer[end - 1])) --end;
    if (end < 2) return false;
    return UpperAscii(answer[end - 1]) == 'K' && UpperAscii(answer[end - 2]) == 'O';
}

std::string CleanAnswer(std::string_view answer, std::string_view command) {
    std::string text = Trim(answer);
    if (text.size() < 2) return text;
    if (!command.empty() && StartsWithText(text, command))
        text = TrimLeft(std::string_view(text).substr(command.size()));
    if (EndsWithText(text, "OK")) {
        text = TrimRight(std::string_view(text).substr(0, text.size() - 2));
    } else if (EndsWithText(text, "ERROR")) {
        text = TrimRight(std::string_view(text).substr(0, text.size() - 5));
    }
    return text;
}

bool IsOneCommandLine(std::string_view command) {
    if (command.ends_with('\r')) command.remove_suffix(1);
    return !HasControlByte(command);
}

bool Exchange(Host& host, const std::string& command, std::string& answer, bool echo, uint8_t* targetLost) {
    if (!IsOneCommandLine(command)) {
        const std::string_view line = std::string_view(command).substr(0, command.size() - command.ends_with('\r'));
        host.ShowLine("Not sent: the command holds a line break or control character: \"" + ShowControlBytes(line) +
                          "\".",
                      0);
        return false;
    }
    if (!host.SendReceive(command, answer, echo, targetLost)) return false;
    if (!IsGoodAnswer(answer)) return false;
    answer = CleanAnswer(answer, command);
    return true;
}

}  // namespace vtq
