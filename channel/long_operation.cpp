#include "channel/long_operation.h"

namespace vtq {

const char* const kTargetLostMessage =
    "Operation aborted because target stopped responding!\n"
    "Reboot target and enter settings, then try again.\n"
    "If the problem is reproducable it is most likely a target issue.";

LongOperation::LongOperation(Host& host, UserSide& user, LongOperationOptions options)
    : host_(host), user_(user), options_(options) {}

LongOperation::~LongOperation() {
    // An exception or early return must not leave the busy cursor or an open progress window behind.
    try {
        End();
    } catch (...) {}
}

bool LongOperation::Begin() {
    user_.SetBusy(true);
    busy_ = true;
    lost_ = 0;
    if (options_.checkConnection && !host_.CheckConnection()) {
        ended_ = true;  // nothing was sent: no summary, no message
        CloseProgress();
        user_.SetBusy(false);
        busy_ = false;
        return false;
    }
    return true;
}

void LongOperation::OpenProgress(int items) {
    user_.OpenProgress();
    progressOpen_ = true;
    user_.SetProgressRange(items);
    user_.SetProgressPosition(0);
    user_.ShowProgressBar(items != 1);
}

void LongOperation::SetStatus(const std::string& text) {
    if (progressOpen_) user_.SetProgressStatus(text);
}

void LongOperation::SetPosition(int position) {
    if (progressOpen_) user_.SetProgressPosition(position);
}

bool LongOperation::Poll() {
    user_.ProcessEvents();
    if (progressOpen_ && user_.ProgressCancelled()) cancelled_ = true;
    return !cancelled_;
}

bool LongOperation::CancelCheck() {
    if (user_.ProgressCancelled()) cancelled_ = true;
    return !cancelled_;
}

bool LongOperation::GroupStep(int index, int count, const std::string& doing, const std::string& group) {
    SetPosition(index);
    const std::string place = count > 1 ? " (" + std::to_string(index + 1) + "/" + std::to_string(count) + ")" : "";
    SetStatus(doing + " \"" + group + "\" group" + place + "...");
    return Poll();
}

void LongOperation::CloseProgress() {
    if (!progressOpen_) return;
    progressOpen_ = false;
    user_.CloseProgress();
}

bool LongOperation::Closing() { return options_.watchClosing && user_.Closing(); }

void LongOperation::Log(const std::string& text, uint8_t flag) {
    if (!Closing()) host_.ShowLine(text, flag);
}

void LongOperation::End() {
    if (ended_) return;
    ended_ = true;
    CloseProgress();
    if (TargetLost() && !Closing()) host_.ShowLine(kTargetLostMessage, 0);
    if (busy_) {
        busy_ = false;
        user_.SetBusy(false);
    }
}

std::string CountText(long long n, const std::string& singular, const std::string& plural) {
    return n == 1 ? "1 " + singular : std::to_string(n) + " " + plural;
}

bool LongOperation::Conclude(OperationEnding& ending, const char* cancelLine) {
    ending.targetLost = TargetLost();
    if (Closing()) {
        ending.closing = true;
        return false;
    }
    ending.cancelled = Cancelled();
    if (ending.cancelled) Log(cancelLine);
    return true;
}

}  // namespace vtq
