#pragma once
// A Host for tests: answers commands from a script or a callback, records
// every command and every show-line call, and can lose the target.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "channel/host.h"

namespace vtq::test {

struct LoggedLine {
    std::string text;
    uint8_t flag;
    bool operator==(const LoggedLine&) const = default;
};

// A Host that records its show-line calls and the commands sent; the test hosts add the target side.
class LoggingHost : public Host {
public:
    std::vector<LoggedLine> lines;
    std::vector<std::string> commands;  // as sent, carriage return included
    bool connected = true;

    void ShowLine(const std::string& text, uint8_t flag) override { lines.push_back({text, flag}); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const auto& l : lines) out.push_back(l.text);
        return out;
    }
};

class ScriptedHost : public LoggingHost {
public:
    // Answer for a command; return false for "no answer received".
    using Responder = std::function<bool(const std::string& command, std::string& answer)>;

    // From the k-th exchange on (1-based; 0 = never) the target is lost: no answer, and the target-lost byte is set.
    int loseTargetAt = 0;
    Responder responder;
    // Canned answers by exact command, used when no responder is set.
    std::map<std::string, std::string> answers;

    bool SendReceive(const std::string& command, std::string& answer, bool, uint8_t* targetLost) override {
        commands.push_back(command);
        if (loseTargetAt > 0 && static_cast<int>(commands.size()) >= loseTargetAt) {
            if (targetLost) *targetLost = 1;
            return false;
        }
        if (responder) return responder(command, answer);
        const auto it = answers.find(command);
        answer = it == answers.end() ? "ERROR" : it->second;
        return true;
    }
    bool CheckConnection() override { return connected; }
    bool GetInfo(int, int, std::string&) override { return false; }  // a host without the information slot
};

}  // namespace vtq::test
