#pragma once
// The user side of long operations for the Qt windows: real message boxes,
// input boxes, file dialogs, list picks and the progress window.
//
// Tests answer the dialogs beforehand (SetNext...): a queued answer replaces
// the next dialog of its kind, which is then not shown at all. With auto
// answers on, a dialog without a queued answer takes its default (OK, No,
// cancelled) instead of waiting for a user who is not there. Once any test
// hook was used, every text shown in a message box or question is recorded in
// ShownTexts(); the shipped plug-in, where no hook is ever called, keeps none.
//
// Every call that lets the event loop run (event processing and each modal
// dialog) is counted here, in one place: while the count is above zero a
// handler of the window is on the stack under a nested event loop, and the
// window must not be destroyed under it.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "channel/user_side.h"
#include "editor/tf_progress.h"

class QWidget;

namespace vtq {

class QtUserSide : public UserSide {
public:
    // `owner` parents the dialogs; `closing` reports the window's closing
    // flag; `busyChanged` is told when the busy state starts and ends;
    // `eventLoopLeft` is told when the outermost event-loop re-entry returns.
    QtUserSide(QWidget* owner, std::function<bool()> closing, std::function<void(bool)> busyChanged = {},
               std::function<void()> eventLoopLeft = {});
    ~QtUserSide() override;

    void Message(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool AskWarning(const std::string& text) override;
    bool AskCaptioned(const std::string& caption, const std::string& text) override;
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
    bool ProgressCancelled() override;
    void CloseProgress() override;

    void ProcessEvents() override;
    void SetBusy(bool busy) override;
    bool Closing() override;

    bool Busy() const { return busyDepth_ > 0; }
    // Event processing or a modal dialog of this user side is running.
    bool InEventLoop() const { return eventLoopDepth_ > 0; }
    TFProgress* Progress() const { return progress_; }
    // Runs a modal dialog of the window's own (a value editor) as one
    // event-loop re-entry, so a host close during it waits until it returns.
    void RunModal(const std::function<void()>& dialog);

    // ---- Test hooks ----
    // The next file dialog returns this name; an empty name means cancelled.
    static void SetNextFileName(const QString& name);
    // Dialogs without a queued answer take their default instead of showing.
    static void SetAutoAnswer(bool on);
    static const QStringList& ShownTexts();
    static void ClearTestHooks();

private:
    // Counts one event-loop re-entry for as long as it lasts.
    class EventLoopScope;
    // A Yes/No box with the given QMessageBox icon and caption; No is the default.
    bool Ask(const std::string& text, int icon, const QString& title);

    QPointer<QWidget> owner_;
    std::function<bool()> closing_;
    std::function<void(bool)> busyChanged_;
    std::function<void()> eventLoopLeft_;
    QPointer<TFProgress> progress_;
    int busyDepth_ = 0;
    int eventLoopDepth_ = 0;
};

}  // namespace vtq
