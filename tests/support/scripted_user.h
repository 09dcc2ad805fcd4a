#pragma once
// A UserSide for tests: records messages and progress, answers questions and
// dialogs from queues, and can cancel or close at a chosen moment.

#include <deque>
#include <functional>
#include <string>
#include <utility>
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

    int progressOpened = 0, progressClosed = 0;
    bool progressOpen = false;
    int range = -1;
    bool barVisible = true;
    std::vector<std::string> statuses;
    std::vector<int> positions;
    bool cancelled = false;
    bool closing = false;
    int busyDepth = 0, busyCalls = 0, processEventsCalls = 0;
    // Called from ProcessEvents with its 1-based call number: a test can press Cancel or close the window here.
    std::function<void(int call)> onProcessEvents;

    void Message(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        bool yes = false;
        return Pop(yesNoAnswers, yes) && yes;
    }
    bool InputBox(const std::string&, const std::string& prompt, std::string& value) override {
        questions.push_back(prompt);
        return Pop(inputAnswers, value);
    }
    bool OpenFileName(const std::string&, const std::string&, std::string& f) override { return Pop(fileNames, f); }
    bool SaveFileName(const std::string&, const std::string&, std::string& f) override { return Pop(fileNames, f); }
    bool PickFromList(const std::string&, const std::vector<std::string>&, bool, std::vector<int>& picked) override {
        return Pop(picks, picked);
    }

    void OpenProgress() override {
        ++progressOpened;
        progressOpen = true;
        cancelled = false;
    }
    void SetProgressRange(int maximum) override { range = maximum; }
    void ShowProgressBar(bool visible) override { barVisible = visible; }
    void SetProgressStatus(const std::string& text) override { statuses.push_back(text); }
    void SetProgressPosition(int p) override { positions.push_back(p); }
    bool ProgressCancelled() override { return cancelled; }
    void CloseProgress() override {
        ++progressClosed;
        progressOpen = false;
    }
    void ProcessEvents() override {
        if (onProcessEvents) onProcessEvents(++processEventsCalls);
        else ++processEventsCalls;
    }
    void SetBusy(bool busy) override {
        ++busyCalls;
        busyDepth += busy ? 1 : -1;
    }
    bool Closing() override { return closing; }

private:
    template <typename T>
    static bool Pop(std::deque<T>& queue, T& out) {
        if (queue.empty()) return false;
        out = std::move(queue.front());
        queue.pop_front();
        return true;
    }
};

}  // namespace vtq::test
