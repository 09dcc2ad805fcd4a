#pragma once
// The steps every long operation shares (read, write, commit, default dump,
// changed-defaults export): busy cursor and debug line, connection check,
// target-lost flag, progress with cancel, end-of-run summary, target-lost
// message, and the cursor restored on every path. Operations only add their
// own loop and texts.

#include <cstdint>
#include <string>

#include "channel/host.h"
#include "channel/user_side.h"

namespace vtq {

extern const char* const kTargetLostMessage;

struct LongOperationOptions {
    // Ask the host whether the target is connected before anything is sent.
    bool checkConnection = true;
    // End at once, without further messages, when the host closes the window.
    bool watchClosing = true;
};

// How a long operation ended; every operation's result carries it.
struct OperationEnding {
    bool cancelled = false;
    bool targetLost = false;
    bool closing = false;  // the window was closed meanwhile: show nothing more
};

class LongOperation {
public:
    LongOperation(Host& host, UserSide& user, LongOperationOptions options = {});
    ~LongOperation();
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

    // Busy cursor on, debug line off, then the connection check. False when the
    // target is not connected: the operation ends at once and shows nothing.
    bool Begin();

    // Opens the progress window for `items` items: range 0..items, position 0,
    // shown, the bar hidden when there is exactly one item.
    void OpenProgress(int items);
    void SetStatus(const std::string& text);
    void SetPosition(int position);
    // Lets pending messages through, then tests Cancel. False once cancelled.
    bool Poll();
    // Tests Cancel without letting messages through and whether or not a
    // progress window is open: a run in one go that the user side can still
    // stop (Ctrl+C on the command line). False once cancelled.
    bool CancelCheck();
    // The step to group `index` of a run over `count` groups: the progress
    // position, the status text (`doing` + " \"group\" group..." with "(i/n)"
    // before the dots when there are several), then Poll. False once cancelled.
    bool GroupStep(int index, int count, const std::string& doing, const std::string& group);
    void CloseProgress();
    // Records how the run ended. False when the window is closing: the caller
    // returns at once and shows nothing more; otherwise a cancelled run logs
    // `cancelLine`.
    bool Conclude(OperationEnding& ending, const char* cancelLine);

    // Passed to every exchange of the operation.
    uint8_t* LostFlag() { return &lost_; }
    bool TargetLost() const { return lost_ != 0; }
    bool Cancelled() const { return cancelled_; }
    // The host is closing the window (only when watched).
    bool Closing();
    // No further item may start: target lost or window closing.
    bool ShouldStop() { return TargetLost() || Closing(); }

    // One line of the end-of-run summary (show line, flag 1 unless given);
    // silent when the window is closing.
    void Log(const std::string& text, uint8_t flag = 1);

    // Closes the progress window, shows the target-lost message when the
    // target was lost (not while closing) and restores cursor and debug line.
    // Runs once; the destructor calls it on paths that did not.
    void End();

    Host& host() { return host_; }
    UserSide& user() { return user_; }

private:
    Host& host_;
    UserSide& user_;
    LongOperationOptions options_;
    uint8_t lost_ = 0;
    bool busy_ = false;
    bool progressOpen_ = false;
    bool cancelled_ = false;
    bool ended_ = false;
};

// "1 item" or n + " items".
std::string CountText(long long n, const std::string& singular, const std::string& plural);

}  // namespace vtq
