// The editor window driven like a user does: start with the
// stored selection, read with progress, cancel, the host closing the window
// mid-read or while a message box is open, filter, copy, select all and clear.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "editor/group_check_list.h"
#include "editor/parameter_grid_model.h"
#include "editor/qt_user_side.h"
#include "channel/target_commands.h"
#include "core/read_groups.h"
#include "core/settings.h"
#include "editor/tf_nvmvtq.h"
#include "model/group_items.h"
#include "support/piece_encoder.h"
#include "qt_print.h"
#include "support/scripted_host.h"

namespace vtq {
namespace {

// Three groups; each dumps two records.
const std::map<std::string, std::vector<std::string>> kDumps = {
    {"cal_b", {"cal_b.gain;{12}", "cal_b.lut[0];{1, 2, 3}"}},
    {"dyn_c", {"dyn_c.mode;{0}", "dyn_c.name;{\"x\"}"}},
    {"fix_a", {"fix_a.id;{7}", "fix_a.ver;{3}"}},
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::path(testing::TempDir()) /
               ("editor_window_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ::setenv("APPDATA", dir_.c_str(), 1);
        ResetSettingsFolder();
        QtUserSide::ClearTestHooks();
        QtUserSide::SetAutoAnswer(true);
        host.responder = [this](const std::string& command, std::string& answer) {
            if (command == "at@nvm:$nvm_groups??\r" && groupListWorks) {
                answer = "$nvm_groups\r\nfix_a=1\r\ncal_b=2\r\ndyn_c=3\r\nOK\r\n";
                return true;
            }
            for (const auto& [group, lines] : kDumps) {
                if (command != cmd::Dump(group)) continue;
                answer.clear();
                for (const std::string& line : lines) answer += test::EncodePiece(line) + "\r\n";
                answer += "OK\r\n";
                return true;
            }
            answer = "ERROR";
            return true;
        };
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    TFNVMVTQ* Open() {
        auto* window = new TFNVMVTQ(host);
        window->resize(1000, 600);
        window->show();
        // Shortcuts only reach the active window.
        QApplication::setActiveWindow(window);
        window->Start("Editor caption");
        return window;
    }
    // What the plug-in does when the host closes the window.
    static void HostCloses(TFNVMVTQ* window) {
        window->SetClosing(true);
        window->hide();
        window->DestroyWhenIdle(window);
    }
    std::vector<std::string> LinesSince(size_t from) const {
        std::vector<std::string> texts = host.Texts();
        return {texts.begin() + static_cast<long>(std::min(from, texts.size())), texts.end()};
    }
    static QStringList ListTexts(const GroupCheckList* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) {
            texts << list->LineText(i).section(" (", 0, 0) + (list->IsLineChecked(i) ? "+" : "");
        }
        return texts;
    }

    std::filesystem::path dir_;
    test::ScriptedHost host;
    bool groupListWorks = true;
};

TEST_F(WindowTest, HiddenDebugLineAndOnlyTheHostCloses) {
    std::unique_ptr<TFNVMVTQ> w(new TFNVMVTQ(host));
    EXPECT_EQ(w->windowTitle(), "VTQ NVM Editor");
    EXPECT_FALSE(w->EAtSend->isVisibleTo(w.get()));
    EXPECT_FALSE(w->INotStored->isVisibleTo(w.get()));
    EXPECT_EQ(w->RefreshGroups->shortcut(), QKeySequence("Ctrl+R"));  // the other shortcuts are pressed below
    w->show();
    EXPECT_FALSE(w->close());
    w->SetClosing(true);
    EXPECT_TRUE(w->close());
}

TEST_F(WindowTest, StartAppliesStoredSelectionAndCloseStoresTheNewOne) {
    ASSERT_TRUE(WriteProfileString(SettingsFilePath(), "Mode", "NVMSelGroups", "CAL_B,dyn_c"));
    std::unique_ptr<TFNVMVTQ> w(Open());
    EXPECT_EQ(w->windowTitle(), "Editor caption");
    EXPECT_EQ(ListTexts(w->CheckListGroups), (QStringList{"cal_b+", "dyn_c+", "fix_a"}));
    EXPECT_EQ(w->GBNVMGroups->title(), "Selected NVM Groups (2/3)");
    EXPECT_TRUE(w->BSelectAll->isEnabled());
    EXPECT_TRUE(w->BSelectNone->isEnabled());
    EXPECT_TRUE(QtUserSide::ShownTexts().isEmpty());

    // A click on a box: the group's flag follows, then unchecking via the menu entry.
    w->CheckListGroups->SetLineChecked(2, true);
    EXPECT_EQ(w->GBNVMGroups->title(), "Selected NVM Groups (3/3)");
    EXPECT_FALSE(w->BSelectAll->isEnabled());
    EXPECT_FALSE(w->SelectAll->isEnabled());
    w->CheckListGroups->SetLineChecked(1, false);
    w.reset();
    EXPECT_EQ(ReadProfileString(SettingsFilePath(), "Mode", "NVMSelGroups", "?"), "cal_b,fix_a");

    // Refresh keeps the selection; a failed fetch keeps the groups and tells the log.
    w.reset(Open());
    EXPECT_EQ(ListTexts(w->CheckListGroups), (QStringList{"cal_b+", "dyn_c", "fix_a+"}));
    const size_t before = host.lines.size();
    groupListWorks = false;
    w->RefreshGroups->trigger();
    EXPECT_EQ(ListTexts(w->CheckListGroups), (QStringList{"cal_b+", "dyn_c", "fix_a+"}));
    EXPECT_EQ(LinesSince(before), std::vector<std::string>{kGroupListFailedLine});
    groupListWorks = true;
    QTest::mouseClick(w->BRefreshGroupList, Qt::LeftButton);
    EXPECT_EQ(ListTexts(w->CheckListGroups), (QStringList{"cal_b+", "dyn_c", "fix_a+"}));
}

TEST_F(WindowTest, StartWithoutGroupListShowsTheMessageAndStaysOpen) {
    groupListWorks = false;
    std::unique_ptr<TFNVMVTQ> w(Open());
    EXPECT_EQ(QtUserSide::ShownTexts(), QStringList{kGroupListStartMessage});
    EXPECT_EQ(w->GBNVMGroups->title(), "Selected NVM Groups (0/0)");
    EXPECT_TRUE(w->isVisible());
}

TEST_F(WindowTest, ReadFillsGridAndGroupClickJumpsToItsFirstRow) {
    std::unique_ptr<TFNVMVTQ> w(Open());
    QTest::mouseClick(w->BSelectAll, Qt::LeftButton);
    const size_t before = host.lines.size();
    QTest::mouseClick(w->BReadGroups, Qt::LeftButton);
    EXPECT_EQ(LinesSince(before), std::vector<std::string>{"6 NVM items read in total."});
    EXPECT_EQ(w->GridModel().rowCount(), 6);
    EXPECT_EQ(w->GridModel().index(1, 0).data().toString(), "cal_b.lut");
    EXPECT_EQ(w->GridModel().index(1, 1).data().toString(), "1,2,3");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w->PanelTop->isEnabled());

    w->CheckListGroups->setCurrentRow(2);
    w->CheckListGroupsClick();
    EXPECT_EQ(w->StringGridNVM->currentIndex().row(), 4);

    // Unchecking a group takes its rows out of the grid.
    w->CheckListGroups->SetLineChecked(0, false);
    EXPECT_EQ(w->GridModel().rowCount(), 4);
}

TEST_F(WindowTest, DebugBoxMakesTheReadLogEveryParsedLine) {
    std::unique_ptr<TFNVMVTQ> w(Open());
    w->CheckListGroups->SetLineChecked(0, true);
    QTest::mouseClick(w->CBDebug, Qt::LeftButton);
    const size_t before = host.lines.size();
    QTest::mouseClick(w->BReadGroups, Qt::LeftButton);
    EXPECT_EQ(LinesSince(before), (std::vector<std::string>{"Adding: cal_b.gain;{12}", "Adding: cal_b.lut[0];{1, 2, 3}",
                                                            "2 NVM items read in total."}));
    QTest::mouseClick(w->CBDebug, Qt::LeftButton);
    EXPECT_FALSE(DebugMode());
}

TEST_F(WindowTest, CancelDuringSecondOfThreeGroups) {
    std::unique_ptr<TFNVMVTQ> w(Open());
    QTest::mouseClick(w->BSelectAll, Qt::LeftButton);
    std::vector<QString> statuses;
    bool lockedDuringRead = true;
    host.onExchange = [&](int) {
        TFProgress* progress = w->User().Progress();
        ASSERT_NE(progress, nullptr);
        statuses.push_back(progress->LabelStatus->text());
        lockedDuringRead = lockedDuringRead && !w->PanelTop->isEnabled() && !w->EAtSend->isEnabled();
        if (host.commands.back() == cmd::Dump("dyn_c")) QTest::mouseClick(progress->PCancel, Qt::LeftButton);
    };
    const size_t before = host.lines.size();
    QTest::mouseClick(w->BReadGroups, Qt::LeftButton);
    EXPECT_EQ(statuses, (std::vector<QString>{"Reading \"cal_b\" group (1/3)...", "Reading \"dyn_c\" group (2/3)..."}));
    EXPECT_TRUE(lockedDuringRead);
    EXPECT_EQ(LinesSince(before),
              (std::vector<std::string>{kReadCancelledLine, "4 NVM items read in total."}));
    EXPECT_EQ(w->Items().GroupParamCount(2), 0) << "the third group was emptied, not read";
    EXPECT_EQ(w->User().Progress(), nullptr);
    EXPECT_TRUE(w->PanelTop->isEnabled());
    EXPECT_EQ(w->GridModel().rowCount(), 4);
}

// The host's close request is an event: it arrives while the read lets events through.
TEST_F(WindowTest, HostClosingDuringReadEndsItSilentlyAndDestroysLater) {
    QPointer<TFNVMVTQ> w(Open());
    QTest::mouseClick(w->BSelectAll, Qt::LeftButton);
    size_t linesAtClose = 0;
    host.onExchange = [&](int) {
        if (host.commands.back() != cmd::Dump("cal_b")) return;
        QTimer::singleShot(0, w, [&] {
            linesAtClose = host.lines.size();
            HostCloses(w);
            ASSERT_TRUE(w) << "not destroyed under the running handler";
        });
    };
    QTest::mouseClick(w->BReadGroups, Qt::LeftButton);
    EXPECT_EQ(host.lines.size(), linesAtClose) << "no further messages";
    EXPECT_EQ(host.commands.back(), cmd::Dump("dyn_c"));
    EXPECT_TRUE(QtUserSide::ShownTexts().isEmpty());
    ASSERT_TRUE(w);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
    EXPECT_EQ(ReadProfileString(SettingsFilePath(), "Mode", "NVMSelGroups", "?"), "cal_b,dyn_c,fix_a");
}

// A plain message box runs its own event loop too: a close arriving while it is
// open must wait for the handler that opened it, not delete the box's owner under it.
TEST_F(WindowTest, HostClosingWhileAMessageBoxIsOpenDestroysAfterTheHandler) {
    QPointer<TFNVMVTQ> w(Open());
    QtUserSide::SetAutoAnswer(false);
    bool boxWasOpen = false;
    QTimer::singleShot(0, w, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        boxWasOpen = box->text() == "Nothing selected to copy.";
        HostCloses(w);
        EXPECT_TRUE(w) << "destroyed while its message box was open";
        box->accept();
    });
    w->CopyNameandvalue1->trigger();
    QtUserSide::SetAutoAnswer(true);
    EXPECT_TRUE(boxWasOpen);
    ASSERT_TRUE(w) << "destroyed before the handler returned";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
}

TEST_F(WindowTest, FilterCopySelectAllAndClear) {
    std::unique_ptr<TFNVMVTQ> w(Open());
    const QColor normal = w->EFilter->palette().color(QPalette::Base);
    QTest::mouseClick(w->BSelectAll, Qt::LeftButton);
    QTest::mouseClick(w->BReadGroups, Qt::LeftButton);

    QTest::keyClicks(w->EFilter, "GAIN");
    EXPECT_EQ(w->GridModel().rowCount(), 1);
    EXPECT_EQ(w->EFilter->palette().color(QPalette::Base), normal);
    QTest::keyClicks(w->EFilter, "zz");
    EXPECT_EQ(w->EFilter->palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(w->GridModel().index(0, 0).data().toString(), "(empty)");
    QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(w->EFilter->text(), "");
    EXPECT_EQ(w->EFilter->palette().color(QPalette::Base), normal);
    EXPECT_EQ(w->GridModel().rowCount(), 6);

    QCoreApplication::processEvents();  // the editor is active again once the progress window is gone
    w->StringGridNVM->setFocus();
    QTest::keyClick(w->StringGridNVM, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w->StringGridNVM->selectionModel()->selectedRows().size(), 6);
    QTest::keyClick(w->StringGridNVM, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "cal_b.gain=12\r\ncal_b.lut=1,2,3\r\ndyn_c.mode=0\r\ndyn_c.name=\"x\"\r\nfix_a.id=7\r\nfix_a.ver=3");

    QTest::mouseClick(w->BClear, Qt::LeftButton);
    EXPECT_EQ(w->GBNVMGroups->title(), "Selected NVM Groups (0/0)");
    EXPECT_FALSE(w->BClear->isEnabled());
    EXPECT_FALSE(w->BSelectAll->isEnabled());
    EXPECT_FALSE(w->BSelectNone->isEnabled());
    EXPECT_EQ(w->CheckListGroups->count(), 0);
    w->StringGridNVM->setFocus();
    QTest::keyClick(w->StringGridNVM, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(w->StringGridNVM->selectionModel()->selectedRows().isEmpty());
    QTest::keyClick(w->StringGridNVM, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QtUserSide::ShownTexts(), QStringList{"Nothing selected to copy."});
}

TEST_F(WindowTest, PrefixSelectionAddsByContainment) {
    std::unique_ptr<TFNVMVTQ> w(Open());
    w->Selectfix1->trigger();
    w->Selectcal1->trigger();
    EXPECT_EQ(ListTexts(w->CheckListGroups), (QStringList{"cal_b+", "dyn_c", "fix_a+"}));
    w->CheckListGroups->setFocus();
    QTest::keyClick(w->CheckListGroups, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(ListTexts(w->CheckListGroups), (QStringList{"cal_b", "dyn_c", "fix_a"}));
    QTest::keyClick(w->CheckListGroups, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w->GBNVMGroups->title(), "Selected NVM Groups (3/3)");
}

}  // namespace
}  // namespace vtq
