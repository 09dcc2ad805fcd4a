#include "link/target_session.h"

#include <algorithm>
#include <chrono>

namespace targetlink {

namespace {
// The connection check only needs a short "AT": it gives up sooner than a command.
constexpr int kProbeTimeoutMs = 3000;
// After a time-out, a late answer counts as finished once nothing arrived for this long.
constexpr int kQuietMs = 150;
constexpr const char* kStepLostLine =
    "The target's answers came out of step with the commands: the link is resynchronised before the next command.";
}  // namespace

TargetSession::TargetSession() = default;

TargetSession::~TargetSession() { Detach(); }

bool TargetSession::Attach(std::unique_ptr<ByteLink> link, std::string& error) {
    Detach();
    link_ = std::move(link);
    if (!link_) return false;
    if (!link_->Open(error)) {
        SetState(LinkState::Down);
        return false;
    }
    SetState(LinkState::Up);
    return true;
}

void TargetSession::Detach() {
    if (link_) link_->Close();
    link_.reset();
    framer_ = AtFramer();
    resync_ = false;
    SetState(LinkState::Down);
}

void TargetSession::SetState(LinkState state) {
    if (state == state_) return;
    state_ = state;
    if (stateListener_) stateListener_(state);
}

void TargetSession::LogUnsolicited() {
    for (const std::string& line : framer_.TakeUnsolicited()) {
        if (log_) log_("Unsolicited: " + line, 1);
    }
}

void TargetSession::DrainIdle() {
    if (busy_ || !link_ || !link_->IsUp()) return;
    std::string bytes;
    WaitResult r;
    while ((r = link_->Receive(bytes, 0)) == WaitResult::Data) {
        framer_.Feed(bytes);
        bytes.clear();
    }
    LogUnsolicited();
    NoteStepLost();
    if (r == WaitResult::Lost) LinkLost();
}

bool TargetSession::NoteStepLost() {
    if (!framer_.TakeStepLost()) return false;
    if (!resync_ && log_) log_(kStepLostLine, 0);
    resync_ = true;
    return true;
}

void TargetSession::LinkLost() {
    if (link_) link_->Close();
    SetState(LinkState::Down);
}

ExchangeResult TargetSession::Run(const std::string& command, int timeoutMs) {
    ExchangeResult result;
    if (!link_ || !link_->IsUp()) {
        result.lost = true;
        SetState(LinkState::Down);
        return result;
    }
    // What came while no command ran is read first: a final result code among
    // it means the link lost step.
    DrainIdle();
    if (!link_->IsUp() || (resync_ && !Resynchronise())) {
        result.lost = true;
        return result;
    }
    return Transact(command, timeoutMs);
}

bool TargetSession::Resynchronise() {
    resync_ = false;
    framer_.Idle();
    busy_ = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kProbeTimeoutMs);
    std::string bytes;
    WaitResult r = WaitResult::Data;
    while (r == WaitResult::Data && std::chrono::steady_clock::now() < deadline) {
        bytes.clear();
        r = link_->Receive(bytes, kQuietMs);
        framer_.Feed(bytes);
    }
    busy_ = false;
    LogUnsolicited();
    framer_.TakeStepLost();  // the stale codes this wait is for
    if (r == WaitResult::Lost) {
        LinkLost();
        return false;
    }
    // A late answer had the quiet period to end. The "AT" makes sure the target
    // answers again, and any final code still under way is taken here rather
    // than as the next command's.
    const ExchangeResult probe = Transact("AT", std::min(timeoutMs_, kProbeTimeoutMs));
    return probe.answered && !probe.outOfStep;
}

ExchangeResult TargetSession::Transact(const std::string& command, int timeoutMs) {
    ExchangeResult result;
    busy_ = true;
    std::string wire = command;
    if (wire.empty() || wire.back() != '\r') wire += '\r';
    framer_.Begin(wire);
    bool down = !link_->Send(wire);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string bytes;
    while (!down && !framer_.Complete()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        bytes.clear();
        const WaitResult r = link_->Receive(bytes, static_cast<int>(left.count()));
        if (r == WaitResult::Lost) down = true;
        framer_.Feed(bytes);
        LogUnsolicited();
        if (r == WaitResult::Timeout) break;
    }
    result.answered = framer_.Complete();
    if (result.answered) result.answer = framer_.Answer();
    // Whatever followed the final result code is unsolicited.
    framer_.Idle();
    framer_.Feed({});
    LogUnsolicited();
    busy_ = false;
    result.lost = !result.answered;
    if (down) {
        LinkLost();
    } else {
        resync_ = !result.answered;
        const bool stepLost = NoteStepLost();
        // With the echo, the answer after it is this command's whatever else came.
        result.outOfStep = result.answered && stepLost && !framer_.EchoSeen();
        SetState(result.answered ? LinkState::Up : LinkState::NotAnswering);
    }
    return result;
}

ExchangeResult TargetSession::Exchange(const std::string& command) { return Run(command, timeoutMs_); }

bool TargetSession::CheckConnection() {
    const ExchangeResult r = Run("AT", std::min(timeoutMs_, kProbeTimeoutMs));
    return r.answered && !r.outOfStep && framer_.FinalLine() == "OK";
}

std::string TargetSession::Query(const std::string& command) {
    const ExchangeResult r = Run(command, std::min(timeoutMs_, kProbeTimeoutMs));
    if (!r.answered || r.outOfStep || framer_.FinalLine() != "OK") return {};
    std::string text = r.answer.substr(0, r.answer.size() - framer_.FinalLine().size() - 2);
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace targetlink
