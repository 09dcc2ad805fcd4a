// The difference window as a real widget: the four toggles, the restriction
// check box, the status bar counts and the copy of the grid's text.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "base/file_io.h"
#include "dialogs/tf_form_diff_view.h"
#include "dialogs/qt_text.h"
#include "files/file_operations.h"
#include "model/group_items.h"
#include "support/scripted_host.h"
#include "support/scripted_user.h"
#include "support/temp_dir.h"

namespace vtq {
namespace {

TEST(TFormDiffView, TogglesRestrictionCountsAndCopy) {
    test::TempDir dir;
    test::ScriptedHost host;
    test::ScriptedUser user;
    GroupItems editor;
    LoadCounts counts;
    LoadParametersFromText(editor, "grp.a=1\ngrp.b=1\ngrp.gone=1\n", counts);
    ASSERT_TRUE(WriteFileAtomically(dir.File("f.nvm"), "grp.a=1\ngrp.b=2\ngrp.new=\xe9\n"));
    auto diff = CompareWithFile(editor, host, dir.File("f.nvm"), user);
    ASSERT_NE(diff, nullptr);

    TFormDiffView view(nullptr, *diff, user);
    view.show();
    auto status = [&] { return FromQ(view.StatusBar1->currentMessage()); };
    auto cell = [&](int row, int column) { return FromQ(view.SGDiff->model()->index(row, column).data().toString()); };
    EXPECT_EQ(status(), "3 differences.");
    // Each toggle shows by its own mark whether its kind is shown.
    const QIcon mark = view.SpeedButtonMissing->icon();
    EXPECT_NE(mark.pixmap(16, QIcon::Normal, QIcon::On).toImage(),
              mark.pixmap(16, QIcon::Normal, QIcon::Off).toImage());
    EXPECT_EQ(cell(1, 0), "\"grp.new\" added");
    EXPECT_EQ(cell(2, 1), "Missing");

    QTest::mouseClick(view.SpeedButtonMissing, Qt::LeftButton);
    EXPECT_EQ(status(), "2 differences.");
    for (QToolButton* kind : {view.SpeedButtonDiff, view.SpeedButtonType}) QTest::mouseClick(kind, Qt::LeftButton);
    EXPECT_EQ(status(), "1 difference.");
    QTest::mouseClick(view.SpeedButtonExtra, Qt::LeftButton);
    EXPECT_EQ(status(), "No differences.");
    EXPECT_EQ(view.SGDiff->model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), "(empty)");

    // The restriction drops the missing pass, whatever the toggles show.
    QTest::mouseClick(view.SpeedButtonMissing, Qt::LeftButton);
    QTest::mouseClick(view.SpeedButtonDiff, Qt::LeftButton);
    EXPECT_EQ(status(), "2 differences.");
    QTest::mouseClick(view.CBSelectedOnly, Qt::LeftButton);
    EXPECT_EQ(status(), "1 difference.");

    QTest::mouseClick(view.SpeedButtonExtra, Qt::LeftButton);
    QTest::mouseClick(view.BCopy, Qt::LeftButton);
    EXPECT_EQ(FromQ(QGuiApplication::clipboard()->text()),
              "\"grp.b\" value: \"1\" != \"2\"\r\n\"grp.new\" added\r\n");
    EXPECT_EQ(user.messages, std::vector<std::string>{"Text copied to clipboard."});

    view.accept();
    EXPECT_FALSE(diff->HasResult());
}

}  // namespace
}  // namespace vtq
