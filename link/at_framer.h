#pragma once
// Assembles the answer to one AT command from the bytes a modem sends back,
// however they are cut into chunks: removes the echo of the command, splits
// CR LF lines, keeps unsolicited result codes out of the answer and stops at
// the final result code. It also notices when answers come out of step with
// the commands. No Qt: every link (in-process, serial, TCP) feeds it.

#include <string>
#include <string_view>
#include <vector>

namespace targetlink {

// True for the lines that end an answer: "OK", "ERROR", "+CME ERROR: n",
// "+CMS ERROR: n", "NO CARRIER", "BUSY", "NO ANSWER", "NO DIALTONE".
bool IsFinalResultCode(std::string_view line);

// True when `line` is an unsolicited result code (such as "+CREG: 1" or
// "RING") that is not the answer to `command`: a command that asks for
// "+CREG" gets its "+CREG: ..." lines as answer lines.
bool IsUnsolicited(std::string_view line, std::string_view command);

// True for a run of basic commands that sets or restores the echo ("ATE0", "ATZ", "AT&F", or one of
// them chained, "ATE1V1"); others ("ATI", extended commands such as "AT+CGSN") keep it.
bool MaySwitchEcho(std::string_view command);

class AtFramer {
public:
    // Starts a new answer for `command` (with or without its final CR). Bytes
    // still buffered from before are kept: they are read as lines of the new answer.
    void Begin(std::string_view command);
    // Leaves command mode: every complete line from now on is unsolicited.
    void Idle();

    // Takes the next chunk of received bytes.
    void Feed(std::string_view bytes);

    // The final result code has arrived.
    bool Complete() const { return complete_; }
    // The answer: its lines and the final result line, each ending in CR LF.
    // Empty lines and the echo are left out.
    std::string Answer() const;
    const std::string& FinalLine() const { return final_; }
    // Bytes that arrived after the final result code, kept for the next answer.
    const std::string& Pending() const { return pending_; }

    // Unsolicited lines collected since the last call.
    std::vector<std::string> TakeUnsolicited();

    // The command's own echo came before its answer.
    bool EchoSeen() const { return echoSeen_; }
    // True once since the link lost step with the target: a final result code
    // came outside an answer (a second one, or one no command asked for), or,
    // while the target echoes, an echo of another command or a final result
    // code came before the command's own echo. Such lines are never taken as
    // the answer; they go to the unsolicited lines.
    bool TakeStepLost();

private:
    // Whether the target echoes commands, learnt from the answers: a command
    // that may switch the echo makes it unknown again.
    enum class Echo { Unknown, On, Off };

    void TakeLine(std::string line);
    void Finish(std::string line);

    std::string command_;  // without CR
    Echo echo_ = Echo::Unknown;
    bool stepLost_ = false;
    bool active_ = false;
    bool echoSeen_ = false;
    bool complete_ = false;
    std::string pending_;
    std::vector<std::string> lines_;
    std::string final_;
    std::vector<std::string> unsolicited_;
};

}  // namespace targetlink
