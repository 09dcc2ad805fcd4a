#include "editor/qt_user_side.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>
#include <deque>

#include "dialogs/qt_text.h"
#include "dialogs/tf_select.h"
#include "editor/tf_progress.h"

namespace vtq {

namespace {

const QString kBoxTitle = QStringLiteral("VTQ NVM Editor");

struct TestAnswers {
    std::deque<QString> fileNames;
    bool autoAnswer = false;
    // Set by the first test hook call: only then are the shown texts kept.
    bool recording = false;
    QStringList shown;
};

TestAnswers& Answers() {
    static TestAnswers answers;
    return answers;
}

void Record(const QString& text) {
    if (Answers().recording) Answers().shown.append(text);
}

// Texts from the target (group and parameter names) may look like markup; they are shown as typed.
bool ShowBox(QWidget* owner, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
             QMessageBox::StandardButton defaultButton, const QString& title = kBoxTitle) {
    QMessageBox box(icon, title, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return box.exec() == QMessageBox::Yes;
}

template <typename T>
std::optional<T> TakeNext(std::deque<T>& queue) {
    if (queue.empty()) return std::nullopt;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

}  // namespace

class QtUserSide::EventLoopScope {
public:
    explicit EventLoopScope(QtUserSide& user) : user_(user) { ++user_.eventLoopDepth_; }
    ~EventLoopScope() {
        if (--user_.eventLoopDepth_ == 0 && user_.eventLoopLeft_) user_.eventLoopLeft_();
    }
    EventLoopScope(const EventLoopScope&) = delete;
    EventLoopScope& operator=(const EventLoopScope&) = delete;

private:
    QtUserSide& user_;
};

QtUserSide::QtUserSide(QWidget* owner, std::function<bool()> closing, std::function<void(bool)> busyChanged,
                       std::function<void()> eventLoopLeft)
    : owner_(owner),
      closing_(std::move(closing)),
      busyChanged_(std::move(busyChanged)),
      eventLoopLeft_(std::move(eventLoopLeft)) {}

QtUserSide::~QtUserSide() {
    delete progress_.data();
    while (busyDepth_ > 0) {
        --busyDepth_;
        QApplication::restoreOverrideCursor();
    }
}

void QtUserSide::Message(const std::string& text) {
    EventLoopScope scope(*this);
    const QString q = ToQ(text);
    Record(q);
    if (Answers().autoAnswer) return;
    ShowBox(owner_, QMessageBox::Information, q, QMessageBox::Ok, QMessageBox::Ok);
}

void QtUserSide::RunModal(const std::function<void()>& dialog) {
    EventLoopScope scope(*this);
    dialog();
}

bool QtUserSide::AskYesNo(const std::string& text) { return Ask(text, QMessageBox::Question, kBoxTitle); }

bool QtUserSide::AskWarning(const std::string& text) {
    return Ask(text, QMessageBox::Warning, QStringLiteral("WARNING"));
}

bool QtUserSide::AskCaptioned(const std::string& caption, const std::string& text) {
    return Ask(text, QMessageBox::Question, ToQ(caption));
}

bool QtUserSide::Ask(const std::string& text, int icon, const QString& title) {
    EventLoopScope scope(*this);
    const QString q = ToQ(text);
    Record(q);
    if (Answers().autoAnswer) return false;
    return ShowBox(owner_, static_cast<QMessageBox::Icon>(icon), q, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::No, title);
}

bool QtUserSide::InputBox(const std::string& caption, const std::string& prompt, std::string& value) {
    EventLoopScope scope(*this);
    Record(ToQ(prompt));
    if (Answers().autoAnswer) return false;
    QInputDialog dialog(owner_);
    dialog.setWindowTitle(ToQ(caption));
    dialog.setLabelText(ToQ(prompt));
    // The prompt names a parameter: shown as typed, like the message boxes.
    if (auto* label = dialog.findChild<QLabel*>()) label->setTextFormat(Qt::PlainText);
    dialog.setTextValue(ToQ(value));
    if (dialog.exec() != QDialog::Accepted) return false;
    value = FromQ(dialog.textValue());
    return true;
}

namespace {

// File names are local 8-bit paths, not Latin-1 texts: they go through the file system encoding.
bool FileName(QWidget* owner, bool save, const std::string& title, const std::string& filter, std::string& path) {
    QString name;
    if (auto next = TakeNext(Answers().fileNames)) {
        name = *next;
    } else if (!Answers().autoAnswer) {
        const QString start = QString::fromLocal8Bit(path.c_str());
        name = save ? QFileDialog::getSaveFileName(owner, ToQ(title), start, ToQ(filter))
                    : QFileDialog::getOpenFileName(owner, ToQ(title), start, ToQ(filter));
    }
    if (name.isEmpty()) return false;
    path = name.toLocal8Bit().toStdString();
    return true;
}

}  // namespace

bool QtUserSide::OpenFileName(const std::string& title, const std::string& filter, std::string& path) {
    EventLoopScope scope(*this);
    return FileName(owner_, false, title, filter, path);
}

bool QtUserSide::SaveFileName(const std::string& title, const std::string& filter, std::string& path) {
    EventLoopScope scope(*this);
    return FileName(owner_, true, title, filter, path);
}

bool QtUserSide::PickFromList(const std::string& caption, const std::vector<std::string>& items, bool multiple,
                              std::vector<int>& picked) {
    EventLoopScope scope(*this);
    if (Answers().autoAnswer) return false;

    // The one general picker; the text asked of the user is its explanation,
    // and its first line titles the window.
    return TFSelect::Execute(owner_, caption.substr(0, caption.find('\n')), caption, items, multiple, picked);
}

void QtUserSide::OpenProgress() {
    delete progress_.data();
    progress_ = new TFProgress(owner_);
    progress_->show();
}

void QtUserSide::SetProgressRange(int maximum) {
    if (progress_) progress_->SetRange(maximum);
}

void QtUserSide::ShowProgressBar(bool visible) {
    if (progress_) progress_->ShowBar(visible);
}

void QtUserSide::SetProgressStatus(const std::string& text) {
    if (progress_) progress_->SetStatus(ToQ(text));
}

void QtUserSide::SetProgressPosition(int position) {
    if (progress_) progress_->SetPosition(position);
}

bool QtUserSide::ProgressCancelled() { return progress_ && progress_->IsCancelled(); }

void QtUserSide::CloseProgress() {
    if (!progress_) return;
    delete progress_.data();
    // The window system may not hand the focus back to the editor by itself.
    if (owner_ && owner_->isVisible()) owner_->activateWindow();
}

void QtUserSide::ProcessEvents() {
    EventLoopScope scope(*this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtUserSide::SetBusy(bool busy) {
    if (busy) {
        if (busyDepth_++ == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            if (busyChanged_) busyChanged_(true);
        }
    } else if (busyDepth_ > 0) {
        if (--busyDepth_ == 0) {
            QApplication::restoreOverrideCursor();
            if (busyChanged_) busyChanged_(false);
        }
    }
}

bool QtUserSide::Closing() { return closing_ && closing_(); }

namespace {

TestAnswers& HookedAnswers() {
    Answers().recording = true;
    return Answers();
}

}  // namespace

void QtUserSide::SetNextFileName(const QString& name) { HookedAnswers().fileNames.push_back(name); }

void QtUserSide::SetAutoAnswer(bool on) { HookedAnswers().autoAnswer = on; }

const QStringList& QtUserSide::ShownTexts() { return Answers().shown; }

void QtUserSide::ClearTestHooks() {
    Answers() = TestAnswers{};
    Answers().recording = true;
}

}  // namespace vtq
