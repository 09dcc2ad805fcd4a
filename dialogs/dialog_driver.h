#pragma once
// Runs one modal dialog of the value editors and pickers. Tests set a driver
// for a dialog class beforehand: the dialog is then shown without a nested
// event loop and handed to the driver, which types and clicks on the real
// widgets (QTest) and closes it; a dialog the driver leaves open counts as
// cancelled. The shipped editor never sets one.

#include <QDialog>
#include <QPointer>
#include <functional>
#include <utility>

namespace vtq {

template <typename Dialog>
class DialogDriver {
public:
    using Driver = std::function<void(Dialog&)>;
    // Every later dialog of this class goes to `driver`; an empty driver shows them modally again.
    static void Set(Driver driver) { Slot() = std::move(driver); }
    static const Driver& Get() { return Slot(); }

private:
    static Driver& Slot() {
        static Driver driver;
        return driver;
    }
};

// Tests that never mean to answer a dialog turn this on: a dialog without a
// driver is then cancelled at once instead of waiting for a user.
inline bool& DialogsCancelWithoutDriver() {
    static bool on = false;
    return on;
}

// Shows `dialog` modally (or hands it to the test driver) and answers the
// dialog's result; -1 when the dialog was destroyed meanwhile, for example
// with its owner window.
template <typename Dialog>
int RunDialog(Dialog* dialog) {
    QPointer<Dialog> guard(dialog);
    if (!DialogDriver<Dialog>::Get() && DialogsCancelWithoutDriver()) return QDialog::Rejected;
    if (const auto& driver = DialogDriver<Dialog>::Get()) {
        dialog->setResult(QDialog::Rejected);
        dialog->show();
        driver(*dialog);
        if (!guard) return -1;
        if (dialog->isVisible()) dialog->reject();
        return dialog->result();
    }
    const int result = dialog->exec();
    return guard ? result : -1;
}

}  // namespace vtq
