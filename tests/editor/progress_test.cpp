// The progress window and the Qt user side: cancel requests, the bar, the busy cursor, names shown as typed.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include "channel/long_operation.h"
#include "dialogs/qt_text.h"
#include "editor/qt_user_side.h"
#include "qt_print.h"
#include "support/scripted_host.h"

namespace vtq {
namespace {

TEST(TFProgressTest, CancelPanelClickCloseAndEscapeOnlyRaiseTheFlag) {
    using Request = void (*)(TFProgress&);
    for (Request request : {+[](TFProgress& p) { QTest::mouseClick(p.PCancel, Qt::LeftButton); },
                            +[](TFProgress& p) { EXPECT_FALSE(p.close()); },
                            +[](TFProgress& p) { QTest::keyClick(&p, Qt::Key_Escape); }}) {
        TFProgress progress;
        progress.show();
        request(progress);
        // Only the operation closes the window.
        EXPECT_EQ(std::tuple(progress.IsCancelled(), progress.isVisible(), progress.PCancel->isEnabled()),
                  std::tuple(true, true, false));
    }
}

TEST(QtUserSideTest, LongOperationDrivesTheProgressWindowAndTheBusyCursor) {
    QWidget owner;
    test::ScriptedHost host;
    for (int items : {1, 3}) {
        SCOPED_TRACE(items);
        QtUserSide user(&owner, [] { return false; });
        LongOperation op(host, user);
        ASSERT_TRUE(op.Begin());
        op.OpenProgress(items);
        QPointer<TFProgress> progress = user.Progress();
        ASSERT_TRUE(progress);
        EXPECT_EQ(std::pair(progress->isModal(), progress->ProgressBar1->isVisible()), std::pair(false, items != 1));
        op.SetPosition(items - 1);
        op.SetStatus("item");
        EXPECT_TRUE(op.Poll());
        EXPECT_EQ(std::tuple(progress->ProgressBar1->value(), progress->ProgressBar1->maximum(),
                             progress->LabelStatus->text()),
                  std::tuple(items - 1, items, "item"));
        QTest::mouseClick(progress->PCancel, Qt::LeftButton);
        EXPECT_FALSE(op.Poll());
        op.End();
        EXPECT_TRUE(!progress && !user.Busy()) << "closing the progress destroys the window";
    }

    // Busy nests; the cursor is restored once, an unbalanced end is ignored.
    QtUserSide user(nullptr, [] { return false; });
    for (bool busy : {true, true, false}) user.SetBusy(busy);
    EXPECT_EQ(std::tuple(user.Busy(), QApplication::overrideCursor()->shape()), std::tuple(true, Qt::WaitCursor));
    for (bool busy : {false, false}) user.SetBusy(busy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtUserSideTest, TargetNamesThatLookLikeMarkupAreShownAsTyped) {
    const QString name = QString::fromLatin1("Reading \"a<br>b\xe9\" group...");
    QWidget owner;
    QtUserSide user(&owner, [] { return false; });
    user.OpenProgress();
    EXPECT_EQ(user.Progress()->LabelStatus->textFormat(), Qt::PlainText);
    user.CloseProgress();

    QtUserSide::SetAutoAnswer(false);
    std::vector<QString> plain;
    std::string value = "x";
    for (const std::function<void()>& open : std::vector<std::function<void()>>{
             [&] { user.Message(FromQ(name)); }, [&] { user.InputBox("Edit String", FromQ(name), value); }}) {
        QTimer::singleShot(0, &owner, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            for (QLabel* label : dialog->findChildren<QLabel*>())
                if (label->text() == name && label->textFormat() == Qt::PlainText)
                    plain.push_back(dialog->metaObject()->className());
            static_cast<QDialog*>(dialog)->reject();
        });
        open();
    }
    QtUserSide::SetAutoAnswer(true);
    EXPECT_EQ(plain, (std::vector<QString>{"QMessageBox", "QInputDialog"}));  // every box is built by one function
}

}  // namespace
}  // namespace vtq
