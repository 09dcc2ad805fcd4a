#pragma once
// The user side of the command line: messages and log lines on standard error,
// a progress bar when standard error is a terminal (plain status lines
// otherwise), questions answered by options. Without an option and without a
// terminal a question is not answered: the operation stops, and the question
// is named as the reason.

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "channel/user_side.h"

namespace nvmtool {

// The signal that interrupts the run (0 while none did).
std::atomic<int>& Interrupted();

struct ConsoleSettings {
    bool quiet = false;        // -q: no progress and no information lines
    bool progressBar = false;  // standard error is a terminal this target may draw on
    bool interactive = false;  // questions may be asked on the terminal
    bool yes = false;          // --yes answers every yes/no question
    std::string prefix;        // put before every line, e.g. "[tcp:host:5000] " when several targets run
    // Input box answers by caption (--variant fills the RF variant box).
    std::map<std::string, std::string> inputs;
};

class ConsoleUser : public vtq::UserSide {
public:
    explicit ConsoleUser(ConsoleSettings settings);
    ~ConsoleUser() override;

    // The show line of the target's host: flag 0 errors and warnings, 1 information.
    void Log(const std::string& text, uint8_t flag);
    // The file name the next file dialog answers with (one use).
    void SetNextFileName(std::string path) { nextFile_ = std::move(path); }

    void Message(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) override;
    bool OpenFileName(const std::string& title, const std::string& filter, std::string& path) override;
    bool SaveFileName(const std::string& title, const std::string& filter, std::string& path) override;
    bool PickFromList(const std::string& caption, const std::vector<std::string>& items, bool multiple,
                      std::vector<int>& picked) override;

    void OpenProgress() override;
    void SetProgressRange(int maximum) override;
    void ShowProgressBar(bool visible) override;
    void SetProgressStatus(const std::string& text) override;
    void SetProgressPosition(int position) override;
    // An interrupt (Ctrl+C, SIGTERM) cancels the running operation as Cancel would.
    bool ProgressCancelled() override { return Interrupted() != 0; }
    void CloseProgress() override;
    void ProcessEvents() override {}
    void SetBusy(bool) override {}
    bool Closing() override { return false; }

    // What was said, for the JSON report.
    const std::vector<std::string>& Messages() const { return messages_; }
    const std::vector<std::pair<std::string, int>>& LogLines() const { return log_; }
    // Questions that stopped an operation because nothing could answer them.
    const std::vector<std::string>& Unanswered() const { return unanswered_; }

private:
    void Print(const std::string& text);
    void DrawBar();
    void ClearBar();
    bool Unanswerable(const std::string& question, const std::string& option);

    ConsoleSettings settings_;
    std::string nextFile_;
    std::vector<std::string> messages_;
    std::vector<std::pair<std::string, int>> log_;
    std::vector<std::string> unanswered_;
    bool progressOpen_ = false;
    bool barShown_ = false;
    bool barDrawn_ = false;
    int maximum_ = 0;
    int position_ = 0;
    std::string status_;
};

// One lock for everything the threads of several targets write to standard error.
std::mutex& ConsoleLock();

}  // namespace nvmtool
