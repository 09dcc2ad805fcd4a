// The progress window and the Qt user side: cancel requests, the progress window's life, the busy cursor.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "channel/long_operation.h"
#include "editor/qt_user_side.h"
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
    EXPECT_EQ(progress->LabelStatus->textFormat(), Qt::PlainText) << "a target's names in the status, shown as typed";
    EXPECT_TRUE(op.Poll());
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

}  // namespace
}  // namespace vtq
