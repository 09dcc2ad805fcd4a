// The editor window's safety nets driven like a user does, over the simulated
// modem: the pending counts and the grid they narrow, Ctrl+Z and Ctrl+Y, the
// question before the user's close, Clear or a re-read, the review window
// before a load and the verify option (the host's close is tested end to end
// in host_editor_test.cpp).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "base/settings_folder.h"
#include "core/pending_changes.h"
#include "core/safety_options.h"
#include "core/settings.h"
#include "core/undo_history.h"
#include "dialogs/dialog_driver.h"
#include "dialogs/tf_review_load.h"
#include "editor/parameter_grid_model.h"
#include "editor/qt_user_side.h"
#include "editor/tf_nvmvtq.h"
#include "model/group_items.h"
#include "safety/safety_fixture.h"

namespace vtq {
namespace {

class SafetyWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::path(testing::TempDir()) /
               ("editor_safety_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ::setenv("APPDATA", dir_.c_str(), 1);
        ResetSettingsFolder();
        QtUserSide::ClearTestHooks();
        QtUserSide::SetAutoAnswer(true);
        std::string error;
        host = std::make_unique<test::SimHost>(nvmsim::Image::Parse(test::kSafetyImage, error));
        window = new TFNVMVTQ(*host);
        window->resize(900, 420);
        window->show();
        QApplication::setActiveWindow(window);
        window->Start("VTQ NVM Editor");
        QTest::mouseClick(window->BSelectAll, Qt::LeftButton);
        QTest::mouseClick(window->BReadGroups, Qt::LeftButton);
        ASSERT_EQ(window->GridModel().rowCount(), 4);
    }
    void TearDown() override {
        DialogDriver<TFReviewLoad>::Set({});
        delete window.data();
        std::filesystem::remove_all(dir_);
    }
    // Load File of a file with these lines: cal_b.mode and fix_a.gain become NotStored.
    void Load(const std::string& text = "cal_b.mode=7\nfix_a.gain=99\n") {
        const std::string path = (dir_ / "changes.nvm").string();
        std::ofstream(path, std::ios::binary) << text;
        QtUserSide::SetNextFileName(QString::fromStdString(path));
        QTest::mouseClick(window->BLoad, Qt::LeftButton);
    }
    NVMParameter* Rec(const std::string& name) {
        GroupItem* group = window->Items().FindGroup(name.substr(0, name.find('.')));
        return group ? group->params.Find(name) : nullptr;
    }
    QStringList Shown() const {
        QStringList rows;
        for (int row = 0; row < window->GridModel().rowCount(); ++row)
            if (!window->StringGridNVM->isRowHidden(row)) rows << window->GridModel().index(row, 0).data().toString();
        return rows;
    }

    std::filesystem::path dir_;
    std::unique_ptr<test::SimHost> host;
    QPointer<TFNVMVTQ> window;
};

TEST_F(SafetyWindowTest, CountsNarrowTheGridAndUndoRedoFollowTheShortcuts) {
    EXPECT_EQ(window->BNotStoredCount->text(), "Not stored: 0");
    EXPECT_EQ(window->BInTargetRAMCount->text(), "Not committed: 0");
    EXPECT_FALSE(window->Undo1->isEnabled());
    Load();
    EXPECT_EQ(window->BNotStoredCount->text(), "Not stored: 2");
    // A write changes states while the window waits: the counts follow shortly after.
    window->StringGridNVM->selectRow(Rec("cal_b.mode")->viewIndex);
    window->Writetotarget1->trigger();
    QTRY_COMPARE(window->BInTargetRAMCount->text(), QString("Not committed: 1"));
    EXPECT_EQ(window->BNotStoredCount->text(), "Not stored: 1");

    QTest::mouseClick(window->BNotStoredCount, Qt::LeftButton);
    EXPECT_EQ(Shown(), QStringList{"fix_a.gain"});
    EXPECT_TRUE(window->BNotStoredCount->isChecked());
    QTest::mouseClick(window->BInTargetRAMCount, Qt::LeftButton);
    EXPECT_EQ(Shown(), QStringList{"cal_b.mode"});
    QTest::mouseClick(window->BInTargetRAMCount, Qt::LeftButton);
    EXPECT_EQ(Shown().size(), 4);
    EXPECT_FALSE(window->BInTargetRAMCount->isChecked());

    // The write ended cal_b.mode's history; the load's step still holds fix_a.gain.
    window->StringGridNVM->setFocus();
    QTest::keyClick(window->StringGridNVM, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Rec("fix_a.gain")->value, "12");
    EXPECT_FALSE(window->Undo1->isEnabled());
    QTest::keyClick(window->StringGridNVM, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Rec("fix_a.gain")->value, "99");
}

// Write Selected in a narrowed grid writes the rows shown, not those hidden between them.
TEST_F(SafetyWindowTest, WriteSelectedInANarrowedGridSkipsTheHiddenRows) {
    Load("cal_b.mode=7\nfix_a.label=\"x\"\n");
    QTest::mouseClick(window->BNotStoredCount, Qt::LeftButton);
    EXPECT_EQ(Shown(), (QStringList{"cal_b.mode", "fix_a.label"}));
    window->StringGridNVM->selectAll();
    window->Writetotarget1->trigger();
    EXPECT_EQ(Rec("cal_b.mode")->state, ParameterState::InTargetRAM);
    EXPECT_EQ(Rec("fix_a.label")->state, ParameterState::InTargetRAM);
    EXPECT_EQ(Rec("fix_a.gain")->state, ParameterState::Unchanged);
}

TEST_F(SafetyWindowTest, UserCloseClearAndRereadAskFirstAndNoKeepsEveryRecord) {
    int userCloses = 0;
    window->SetUserClose([&] { ++userCloses; });
    Load();
    const QString question = QString::fromStdString(PendingLossQuestion({2, 0}, PendingLoss::Close));

    // The real box, as the user sees it; No keeps the window and its records.
    QtUserSide::SetAutoAnswer(false);
    QString asked;
    QTimer::singleShot(0, window, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        asked = box->text();
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    EXPECT_FALSE(window->close());
    QtUserSide::SetAutoAnswer(true);
    EXPECT_EQ(asked, question);
    EXPECT_EQ(userCloses, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Rec("fix_a.gain")->value, "99");

    QtUserSide::SetNextAnswer(false);
    QTest::mouseClick(window->BClear, Qt::LeftButton);
    QtUserSide::SetNextAnswer(false);
    QTest::mouseClick(window->BReadGroups, Qt::LeftButton);
    EXPECT_EQ(QtUserSide::ShownTexts().mid(QtUserSide::ShownTexts().size() - 2),
              (QStringList{QString::fromStdString(PendingLossQuestion({2, 0}, PendingLoss::Clear)),
                           QString::fromStdString(PendingLossQuestion({2, 0}, PendingLoss::Reread))}));
    EXPECT_EQ(Rec("fix_a.gain")->value, "99");
    EXPECT_EQ(Rec("cal_b.mode")->state, ParameterState::NotStored);

    QtUserSide::SetNextAnswer(true);
    EXPECT_FALSE(window->close());  // the close handler destroys the window later
    EXPECT_EQ(userCloses, 1);
}

TEST_F(SafetyWindowTest, ReviewWindowMergesTheCheckedRowsAndVerifyReadsBack) {
    window->ReviewLoad1->trigger();
    window->VerifyWrites1->trigger();
    const SafetyOptions stored = LoadSafetyOptions(SettingsFilePath());
    EXPECT_TRUE(stored.reviewLoad && stored.verifyWrites);

    int reviews = 0;
    DialogDriver<TFReviewLoad>::Set([&](TFReviewLoad& review) {
        ++reviews;
        QAbstractItemModel* rows = review.SGReview->model();
        ASSERT_EQ(rows->rowCount(), 3);
        EXPECT_EQ(rows->index(2, 1).data().toString(), "(new)");
        rows->setData(rows->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
        review.SGReview->selectRow(1);
        QTest::mouseClick(review.BOK, Qt::LeftButton);
    });
    const size_t lines = host->lines.size();
    Load("cal_b.mode=7\nfix_a.gain=99\nfix_a.lut=1,2,3,4\nfix_a.extra=5\n");
    EXPECT_EQ(reviews, 1);
    EXPECT_EQ(Rec("cal_b.mode")->value, "7");
    EXPECT_EQ(Rec("fix_a.gain")->value, "12");
    ASSERT_NE(Rec("fix_a.extra"), nullptr);
    EXPECT_EQ(host->lines.back().text, "File Loaded. Added 1 item, Replaced 1 item. (1 unchanged values.)");
    EXPECT_EQ(host->lines.size(), lines + 1);

    // The target answers OK to cal_b.mode but keeps its old value.
    host->faults().forgetWritesPattern = "cal_b";
    QTest::mouseClick(window->BWriteAll, Qt::LeftButton);
    EXPECT_EQ(host->lines.back().text, "Verify Done (1 of 4 parameters not kept by target).");
    EXPECT_EQ(Rec("cal_b.mode")->state, ParameterState::NotStored);
}

}  // namespace
}  // namespace vtq
