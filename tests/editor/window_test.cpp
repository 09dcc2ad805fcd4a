// The editor window over the simulated modem, driven like a user does: each control reaches its operation (tested in
// the core), none while another runs; pending counts, questions, review and verify options.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "core/pending_changes.h"
#include "core/unit_identity.h"
#include "dialogs/dialog_driver.h"
#include "dialogs/long_line_edit.h"
#include "dialogs/qt_text.h"
#include "dialogs/tf_edit_value.h"
#include "dialogs/tf_restore.h"
#include "dialogs/tf_review_load.h"
#include <QTreeWidget>
#include "editor/group_check_list.h"
#include "editor/parameter_grid_model.h"
#include "editor/qt_user_side.h"
#include "editor/tf_nvmvtq.h"
#include "qt_print.h"
#include "safety/safety_fixture.h"
#include "support/screenshot.h"

namespace vtq {
namespace {

struct WindowTest : ::testing::Test {
    void SetUp() override {
        ::setenv("APPDATA", dir.Path().c_str(), 1);
        ResetSettingsFolder();
        QtUserSide::ClearTestHooks();
        QtUserSide::SetAutoAnswer(true);
        std::string error;
        host = std::make_unique<test::SimHost>(nvmsim::Image::Parse(test::kSafetyImage, error));
        w = new TFNVMVTQ(*host);
        w->resize(900, 420);
        w->show();
        QApplication::setActiveWindow(w);  // shortcuts only reach the active window
        w->Start("Editor caption");
    }
    void TearDown() override {
        DialogDriver<TFReviewLoad>::Set({});
        delete w.data();
    }
    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        const QPoint at = w->StringGridNVM->visualRect(w->GridModel().index(row, 0)).center();
        QTest::mouseClick(w->StringGridNVM->viewport(), Qt::LeftButton, modifiers, at);
    }
    // A shortcut pressed in `widget`, with the window active again after any progress window.
    static void Key(QWidget* widget, Qt::Key key) {
        QCoreApplication::processEvents();
        widget->setFocus();
        QTest::keyClick(widget, key, Qt::ControlModifier);
    }
    void ReadAll() {
        Click(w->BSelectAll);
        Click(w->BReadGroups);
        ASSERT_EQ(w->GridModel().rowCount(), 4);  // cal_b.mode, fix_a.gain, fix_a.label, fix_a.lut
    }
    void Load(const std::string& text = "cal_b.mode=7\nfix_a.gain=99\n") {
        std::ofstream(dir.File("changes.nvm"), std::ios::binary) << text;
        QtUserSide::SetNextFileName(QString::fromStdString(dir.File("changes.nvm")));
        Click(w->BLoad);
    }
    NVMParameter* Rec(const std::string& name) {
        return w->Items().FindGroup(name.substr(0, name.find('.')))->params.Find(name);
    }
    QStringList Shown() const {
        QStringList rows;
        for (int row = 0; row < w->GridModel().rowCount(); ++row)
            if (!w->StringGridNVM->isRowHidden(row)) rows << w->GridModel().index(row, 0).data().toString();
        return rows;
    }

    test::TempDir dir;
    std::unique_ptr<test::SimHost> host;
    QPointer<TFNVMVTQ> w;
};

TEST_F(WindowTest, EachControlReachesItsOperationAndNoneWhileBusy) {
    ReadAll();
    w->EAtSend->setText("ATI");
    // What is done, then the first command it sends.
    const std::tuple<const char*, std::function<void()>, std::string> rows[] = {
        {"Refresh", [&] { Click(w->BRefreshGroupList); }, cmd::kGroupList},
        {"Read Groups", [&] { Click(w->BReadGroups); }, cmd::Dump("cal_b")},
        {"Write Selected", [&] { w->StringGridNVM->selectRow(0), w->Writetotarget1->trigger(); },
         cmd::Write("cal_b.mode", "2")},
        {"Write Groups", [&] { Click(w->BWriteAll); }, cmd::Write("cal_b.mode", "2")},
        {"Commit", [&] { Click(w->BCommit); }, cmd::Commit(2)},
        {"debug line", [&] { QTest::keyClick(w->EAtSend, Qt::Key_Return); }, "ATI\r"},
        {"Compare, no file chosen", [&] { Click(w->BCompare); }, ""},  // no comparison of nothing, no crash
        {"Read Default", [&] { w->ReadDefault->trigger(); }, cmd::kDefaultDumpProbe},
        {"Save All Changed Defaults", [&] { w->SaveAllChangedDefaults1->trigger(); }, cmd::kTrackChangesProbe},
        {"Save Selected Changed", [&] { w->SaveSelectedChangedDefaults1->trigger(); }, cmd::kTrackChangesProbe},
        {"Save RF Defaults", [&] { w->SaveRFDefaults1->trigger(); }, cmd::kTravuId},
        {"Store Default File", [&] { w->StoreDefaultValueFileinTarget1->trigger(); }, cmd::kWriteToMirrorProbe},
        {"Select RF Groups", [&] { w->SelectRFGroups1->trigger(); }, cmd::kTravuId},
    };
    for (bool busy : {true, false}) {
        w->User().SetBusy(busy);
        for (const auto& [what, trigger, first] : rows) {
            SCOPED_TRACE(std::string(what) + (busy ? " busy" : ""));
            host->commands.clear();
            trigger();
            EXPECT_EQ(host->commands.empty() ? "" : host->commands.front(), busy ? "" : first);
        }
        w->User().SetBusy(false);
    }
}

TEST_F(WindowTest, CountsNarrowTheGridAndUndoFollowsItsShortcut) {
    ReadAll();
    Load("cal_b.mode=7\nfix_a.gain=99\nfix_a.lut=5,6,7,8\n");
    // A click and a Ctrl+click three rows below: only those two rows are written, not the edited row between them.
    ClickRow(Rec("cal_b.mode")->viewIndex);
    ClickRow(Rec("fix_a.lut")->viewIndex, Qt::ControlModifier);
    w->Writetotarget1->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->BInTargetRAMCount->text() == "Not committed: 2"; }))
        << w->BInTargetRAMCount->text().toStdString();
    EXPECT_EQ(std::tuple(w->BNotStoredCount->text(), Rec("fix_a.gain")->state),
              std::tuple("Not stored: 1", ParameterState::NotStored));

    Click(w->BInTargetRAMCount);
    EXPECT_EQ(Shown(), (QStringList{"cal_b.mode", "fix_a.lut"}));
    test::Shot(w, "pending-counts.png");
    Click(w->BNotStoredCount);
    EXPECT_EQ(Shown(), QStringList{"fix_a.gain"});
    // Write Selected in a narrowed grid writes the rows shown, not those hidden between them.
    w->StringGridNVM->selectAll();
    w->Writetotarget1->trigger();
    EXPECT_EQ((std::vector{Rec("fix_a.gain")->state, Rec("fix_a.label")->state}),
              (std::vector{ParameterState::InTargetRAM, ParameterState::Unchanged}));

    Load("cal_b.mode=8\n");
    w->User().SetBusy(true);  // undo and redo never change records under a running operation
    w->Undo1->trigger();
    EXPECT_EQ(Rec("cal_b.mode")->value, "8");
    w->User().SetBusy(false);
    Key(w->StringGridNVM, Qt::Key_Z);
    EXPECT_EQ(std::tuple(Rec("cal_b.mode")->value, w->Undo1->isEnabled()), std::tuple("7", false));
    w->User().SetBusy(true);
    w->Redo1->trigger();
    w->User().SetBusy(false);
    EXPECT_EQ(Rec("cal_b.mode")->value, "7");
}

TEST_F(WindowTest, UserCloseClearAndRereadAskFirstTheHostNever) {
    int userCloses = 0;
    w->SetUserClose([&] { ++userCloses; });
    w->User().SetBusy(true);
    EXPECT_FALSE(w->close()) << "not under a running operation";
    w->User().SetBusy(false);
    ReadAll();
    Load();
    // Each question answered No (the real box: the host editor test) keeps the window and its records.
    EXPECT_FALSE(w->close());
    Click(w->BClear);
    Click(w->BReadGroups);
    QStringList asked;
    for (PendingLoss loss : {PendingLoss::Close, PendingLoss::Clear, PendingLoss::Reread})
        asked << QString::fromStdString(PendingLossQuestion({2, 0}, loss));
    EXPECT_EQ(QtUserSide::ShownTexts().mid(QtUserSide::ShownTexts().size() - 3), asked);
    EXPECT_EQ(std::tuple(Rec("fix_a.gain")->value, userCloses), std::tuple("99", 0));
}

// A double-clicked array opens the array editor with its shape; what it gives back is the record's new value.
TEST_F(WindowTest, ADoubleClickedArrayGoesThroughTheArrayEditor) {
    ReadAll();
    DialogDriver<TFEditValue>::Set([](TFEditValue& d) {
        EXPECT_EQ(d.EAsString->Text(), "1,2,3,4");
        if (d.CWriteonthefly->isChecked()) Click(d.CWriteonthefly);
        d.EAsString->SetText("5,6,7,8");
        Click(d.BOK);
    });
    w->StringGridNVMDblClick(w->GridModel().index(Rec("fix_a.lut")->viewIndex, 0));
    DialogDriver<TFEditValue>::Set({});
    EXPECT_EQ(std::tuple(Rec("fix_a.lut")->value, Rec("fix_a.lut")->state),
              std::tuple("5,6,7,8", ParameterState::NotStored));
}

TEST_F(WindowTest, ReviewWindowMergesTheCheckedRowsAndVerifyReadsBack) {
    ReadAll();
    w->ReviewLoad1->trigger();
    w->VerifyWrites1->trigger();
    DialogDriver<TFReviewLoad>::Set([&](TFReviewLoad& review) {
        review.SGReview->model()->setData(review.SGReview->model()->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
        test::Shot(&review, "review-load.png");
        Click(review.BOK);
    });
    Load();
    EXPECT_EQ(std::tuple(Rec("cal_b.mode")->value, Rec("fix_a.gain")->value), std::tuple("7", "12"));

    host->faults().forgetWritesPattern = "cal_b";  // answers OK but keeps the old value
    Click(w->BWriteAll);
    EXPECT_EQ(host->lines.back().text, "Verify Done (1 of 4 parameters not kept by target).");

    // The write saved what the target held first: "Restore..." loads it back through the review; Cancel loads nothing.
    DialogDriver<TFReviewLoad>::Set([&](TFReviewLoad& review) { Click(review.BOK); });
    for (bool ok : {false, true}) {
        DialogDriver<TFRestore>::Set([&](TFRestore& list) {
            list.LVPoints->setCurrentItem(list.LVPoints->topLevelItem(0));
            if (ok) test::Shot(&list, "restore-list.png");
            Click(ok ? list.BOK : list.BCancel);
        });
        w->Restore1->trigger();
        EXPECT_EQ(Rec("cal_b.mode")->value, ok ? "2" : "7");
    }
    DialogDriver<TFRestore>::Set(nullptr);
}

// A file saved from another unit with calibration values in it: Load File asks first, naming both units; No loads
// nothing. The question is the real message box here, taken from the screen while it waits.
TEST_F(WindowTest, LoadFileOfAnotherUnitAsksFirst) {
    ReadAll();
    const UnitIdentity unit{"Simulated Modems / NVM-SIM 8x / Revision: 8.4.1-sim", "356938035643809"};
    w->Session().SetUnit(unit);
    QtUserSide::SetAutoAnswer(false);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        poll.stop();
        EXPECT_EQ(box->text(), ToQ(OtherUnitQuestion({unit.model, "356938035643810"}, unit, 1)));
        EXPECT_EQ(box->textFormat(), Qt::PlainText) << "every box shows the target's texts as typed, markup too";
        // The window with the question over it, as the user sees them.
        QPixmap shot = w->grab();
        const QPixmap question = box->grab();
        QPainter(&shot).drawPixmap((shot.width() - question.width()) / 2, (shot.height() - question.height()) / 2,
                                   question);
        test::Shot(shot, "unit-question.png");
        box->button(QMessageBox::No)->click();
    });
    poll.start(5);
    Load("// Unit: " + unit.model + "\r\n// Unit serial number: 356938035643810\r\ncal_b.mode=7\r\nfix_a.gain=99\r\n");
    EXPECT_EQ(std::tuple(Rec("cal_b.mode")->value, Rec("fix_a.gain")->value), std::tuple("2", "12"));
}

}  // namespace
}  // namespace vtq
