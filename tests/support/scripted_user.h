#pragma once
// A UserSide for tests: records messages and progress, answers questions and
// dialogs from queues, and can cancel or close at a chosen moment.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "channel/user_side.h"

namespace vtq::test {

class ScriptedUser : public UserSide {
public:
    std::vector<std::string> messages;
    std::deque<bool> yesNoAnswers;          // default No when empty
    std::deque<std::string> inputAnswers;   // empty queue: cancelled
    std::deque<std::string> fileNames;      // empty queue: cancelled
    std::deque<std::vector<int>> picks;     // empty queue: cancelled
    std::vector<std::string> questions;

    // Progress trace.
    int progressOpened = 0, progressClosed = 0;
    bool progressOpen = false;
    int range = -1, position = -1;
    bool barVisible = true;
    std::vector<std::string> statuses;
    std::vector<int> positions;
    bool cancelled = false;
    bool closing = false;
    int busyDepth = 0;
    int busyCalls = 0;
    int processEventsCalls = 0;
    // Called from ProcessEvents with its 1-based call number: a test can press
    // Cancel or close the window here.
    std::function<void(int call)> onProcessEvents;

    void Message(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        if (yesNoAnswers.empty()) return false;
        bool a = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return a;
    }
    bool InputBox(const std::string&, const std::string& prompt, std::string& value) override {
        questions.push_back(prompt);
        if (inputAnswers.empty()) return false;
        value = inputAnswers.front();
        inputAnswers.pop_front();
        return true;
    }
    bool OpenFileName(const std::string&, const std::string&, std::string& path) override { return Next(path); }
    bool SaveFileName(const std::string&, const std::string&, std::string& path) override { return Next(path); }
    bool PickFromList(const std::string&, const std::vector<std::string>&, bool, std::vector<int>& picked) override {
        if (picks.empty()) return false;
        picked = picks.front();
        picks.pop_front();
        return true;
    }

    void OpenProgress() override {
        ++progressOpened;
        progressOpen = true;
        cancelled = false;
    }
    void SetProgressRange(int maximum) override { range = maximum; }
    void ShowProgressBar(bool visible) override { barVisible = visible; }
    void SetProgressStatus(const std::string& text) override { statuses.push_back(text); }
    void SetProgressPosition(int p) override {
        position = p;
        positions.push_back(p);
    }
    bool ProgressCancelled() override { return cancelled; }
    void CloseProgress() override {
        ++progressClosed;
        progressOpen = false;
    }
    void ProcessEvents() override {
        ++processEventsCalls;
        if (onProcessEvents) onProcessEvents(processEventsCalls);
    }
    void SetBusy(bool busy) override {
        ++busyCalls;
        busyDepth += busy ? 1 : -1;
    }
    bool Closing() override { return closing; }

private:
    bool Next(std::string& path) {
        if (fileNames.empty()) return false;
        path = fileNames.front();
        fileNames.pop_front();
        return true;
    }
};

}  // namespace vtq::test
