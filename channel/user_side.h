#pragma once
// Everything a long operation asks of the user side: messages, questions, file
// names, progress with cancel, event processing, busy state and the closing
// flag. The Qt windows implement it with real dialogs; tests with scripted
// answers. Core code never opens a dialog by itself, only through this.

#include <string>
#include <vector>

namespace vtq {

class UserSide {
public:
    virtual ~UserSide() = default;

    // A modal message box the user must see at once.
    virtual void Message(const std::string& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // The same question under the caption "WARNING", asked before a step the
    // user may regret (committing values that were never written).
    virtual bool AskWarning(const std::string& text) { return AskYesNo(text); }
    // The same question under a caption of its own instead of the editor's.
    virtual bool AskCaptioned(const std::string& caption, const std::string& text) {
        (void)caption;
        return AskYesNo(text);
    }
    // A one-line input box; false when the user cancelled. `value` holds the
    // default on entry and the answer on exit.
    virtual bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) = 0;
    // File dialogs; `filter` is in Qt's "Text (*.txt);;All (*)" form. False when cancelled.
    virtual bool OpenFileName(const std::string& title, const std::string& filter, std::string& path) = 0;
    virtual bool SaveFileName(const std::string& title, const std::string& filter, std::string& path) = 0;
    // A list pick: `picked` holds the preselected indexes on entry and the
    // chosen ones on exit. False when cancelled.
    virtual bool PickFromList(const std::string& caption, const std::vector<std::string>& items, bool multiple,
                              std::vector<int>& picked) = 0;

    // The progress window of one long operation.
    virtual void OpenProgress() = 0;
    virtual void SetProgressRange(int maximum) = 0;
    virtual void ShowProgressBar(bool visible) = 0;
    virtual void SetProgressStatus(const std::string& text) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual bool ProgressCancelled() = 0;
    virtual void CloseProgress() = 0;

    // Lets the window process pending messages, so that Cancel can be clicked.
    virtual void ProcessEvents() = 0;
    // Busy cursor on and debug command line disabled, or both restored.
    virtual void SetBusy(bool busy) = 0;
    // The host is closing the editor window.
    virtual bool Closing() = 0;
};

}  // namespace vtq
