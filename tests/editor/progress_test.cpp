// The progress window and the Qt user side: cancel requests, the bar, the busy cursor, names shown as typed.
#include <gtest/gtest.h>

#include <QLabel>
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
    QtUserSide user(&owner, [] { return false; });
    LongOperation op(host, user);
    ASSERT_TRUE(op.Begin());
    op.OpenProgress(3);
    QPointer<TFProgress> progress = user.Progress();
    ASSERT_TRUE(progress);
    EXPECT_FALSE(progress->isModal());
    op.SetStatus("item");
    EXPECT_TRUE(op.Poll());
    EXPECT_EQ(progress->LabelStatus->text(), "item");
    QTest::mouseClick(progress->PCancel, Qt::LeftButton);
    EXPECT_FALSE(op.Poll());
    op.End();
    EXPECT_TRUE(!progress && !user.Busy()) << "closing the progress destroys the window";

    // Busy nests; the cursor is restored once, an unbalanced end is ignored.
    QtUserSide nested(nullptr, [] { return false; });
    for (bool busy : {true, true, false}) nested.SetBusy(busy);
    EXPECT_EQ(std::tuple(nested.Busy(), QApplication::overrideCursor()->shape()), std::tuple(true, Qt::WaitCursor));
    for (bool busy : {false, false}) nested.SetBusy(busy);
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
    bool plain = false;
    QTimer::singleShot(0, &owner, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        for (QLabel* label : dialog->findChildren<QLabel*>())
            plain = plain || (label->text() == name && label->textFormat() == Qt::PlainText);
        static_cast<QDialog*>(dialog)->reject();
    });
    user.Message(FromQ(name));
    QtUserSide::SetAutoAnswer(true);
    EXPECT_TRUE(plain);
}

}  // namespace
}  // namespace vtq
