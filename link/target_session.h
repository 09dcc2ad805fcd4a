#pragma once
// One command at a time over a byte link: send, collect the answer up to its
// final result code within a time-out, report unsolicited lines to the log.
// What the host's send-and-receive, connection check and info slots are made of.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/at_framer.h"
#include "link/byte_link.h"

namespace targetlink {

enum class LinkState { Down, Up, NotAnswering };

struct ExchangeResult {
    bool answered = false;  // the final result code arrived (OK or not)
    bool lost = false;      // time-out or link loss: the target stopped responding
    // The answer came with lines out of step and no echo ties it to the
    // command: it may be another command's, so it must not be taken.
    bool outOfStep = false;
    std::string answer;     // answer lines and the final result line, each with CR LF
};

class TargetSession {
public:
    // Log lines: flag 0 for errors and warnings, 1 for information.
    using LogFn = std::function<void(const std::string& text, uint8_t flag)>;

    TargetSession();
    ~TargetSession();

    // Replaces the link (closing the old one) and opens the new one.
    bool Attach(std::unique_ptr<ByteLink> link, std::string& error);
    void Detach();
    ByteLink* link() const { return link_.get(); }

    void SetTimeoutMs(int ms) { timeoutMs_ = ms; }
    int TimeoutMs() const { return timeoutMs_; }
    void SetLog(LogFn log) { log_ = std::move(log); }
    void SetStateListener(std::function<void(LinkState)> listener) { stateListener_ = std::move(listener); }
    LinkState State() const { return state_; }

    // Sends `command` (a final CR is added when missing) and waits for the answer.
    // After a time-out, or once answers came out of step with the commands (see
    // AtFramer::TakeStepLost), the link is resynchronised first: what arrives
    // until the line stays quiet is logged as unsolicited, then an "AT" is sent
    // and its answer discarded. A target that does not answer that "AT" in step
    // does not get the command; the result is a lost target again.
    ExchangeResult Exchange(const std::string& command);
    // The link is up and the target answers "AT" with "OK".
    bool CheckConnection();
    // Text of an identity query (answer lines joined by LF, without the result
    // code); empty when the target gives none.
    std::string Query(const std::string& command);

    // Reads what arrived while no command runs and logs it as unsolicited.
    void DrainIdle();
    // The link reported its own loss (e.g. a removed serial device).
    void LinkLost();

private:
    ExchangeResult Run(const std::string& command, int timeoutMs);
    ExchangeResult Transact(const std::string& command, int timeoutMs);
    bool Resynchronise();
    void SetState(LinkState state);
    void LogUnsolicited();
    // Takes the framer's step-lost mark; true when it was set.
    bool NoteStepLost();

    std::unique_ptr<ByteLink> link_;
    AtFramer framer_;
    int timeoutMs_ = 30000;
    LogFn log_;
    std::function<void(LinkState)> stateListener_;
    LinkState state_ = LinkState::Down;
    bool busy_ = false;  // a command is waiting for its answer
    // The last command timed out, or answers came out of step: a late answer
    // may still be on the way, so the next command first waits it out.
    bool resync_ = false;
};

}  // namespace targetlink
