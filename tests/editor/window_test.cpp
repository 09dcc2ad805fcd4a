// The editor window driven like a user does: its controls and shortcuts reach
// the session (the operations themselves are tested in the core against the
// simulated modem), the host closing the window while a message box is open.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <map>

#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "editor/group_check_list.h"
#include "editor/parameter_grid_model.h"
#include "editor/qt_user_side.h"
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
    EXPECT_EQ(w->RefreshGroups->shortcut(), QKeySequence("Ctrl+R"));  // the other shortcuts are pressed below
    w->show();
    EXPECT_FALSE(w->close());
    w->SetClosing(true);
    EXPECT_TRUE(w->close());

    groupListWorks = false;
    w.reset(Open());
    EXPECT_EQ(QtUserSide::ShownTexts(), QStringList{kGroupListStartMessage});
    EXPECT_TRUE(w->isVisible());
}

TEST_F(WindowTest, GroupListControlsAndShortcuts) {
    std::unique_ptr<TFNVMVTQ> w(Open());
    EXPECT_EQ(w->windowTitle(), "Editor caption");
    w->CheckListGroups->SetLineChecked(2, true);
    EXPECT_EQ(w->GBNVMGroups->title(), "Selected NVM Groups (1/3)");
    w->Selectcal1->trigger();
    EXPECT_EQ(ListTexts(w->CheckListGroups), (QStringList{"cal_b+", "dyn_c", "fix_a+"}));
    QTest::mouseClick(w->BRefreshGroupList, Qt::LeftButton);
    EXPECT_EQ(ListTexts(w->CheckListGroups), (QStringList{"cal_b+", "dyn_c", "fix_a+"}));
    w->CheckListGroups->setFocus();
    QTest::keyClick(w->CheckListGroups, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(ListTexts(w->CheckListGroups), (QStringList{"cal_b", "dyn_c", "fix_a"}));
    QTest::keyClick(w->CheckListGroups, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w->GBNVMGroups->title(), "Selected NVM Groups (3/3)");
    EXPECT_FALSE(w->BSelectAll->isEnabled());
    EXPECT_FALSE(w->SelectAll->isEnabled());
    QTest::mouseClick(w->BClear, Qt::LeftButton);
    EXPECT_EQ(w->GBNVMGroups->title(), "Selected NVM Groups (0/0)");
    EXPECT_FALSE(w->BClear->isEnabled() || w->BSelectNone->isEnabled());
    EXPECT_EQ(w->CheckListGroups->count(), 0);
}

TEST_F(WindowTest, ReadLocksTheControlsFillsTheGridAndGroupClickJumpsToItsFirstRow) {
    std::unique_ptr<TFNVMVTQ> w(Open());
    QTest::mouseClick(w->BSelectAll, Qt::LeftButton);
    QTest::mouseClick(w->CBDebug, Qt::LeftButton);
    EXPECT_TRUE(DebugMode());
    QTest::mouseClick(w->CBDebug, Qt::LeftButton);
    EXPECT_FALSE(DebugMode());
    bool lockedDuringRead = true;
    host.onExchange = [&](int) {
        lockedDuringRead = lockedDuringRead && w->User().Progress() && !w->PanelTop->isEnabled() &&
                           !w->EAtSend->isEnabled() && QApplication::overrideCursor();
    };
    const size_t before = host.lines.size();
    QTest::mouseClick(w->BReadGroups, Qt::LeftButton);
    EXPECT_TRUE(lockedDuringRead);
    EXPECT_EQ(LinesSince(before), std::vector<std::string>{"6 NVM items read in total."});
    EXPECT_EQ(w->GridModel().rowCount(), 6);
    EXPECT_EQ(w->GridModel().index(1, 1).data().toString(), "1,2,3");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w->PanelTop->isEnabled());
    EXPECT_EQ(w->User().Progress(), nullptr);

    w->CheckListGroups->setCurrentRow(2);
    w->CheckListGroupsClick();
    EXPECT_EQ(w->StringGridNVM->currentIndex().row(), 4);
    // Unchecking a group takes its rows out of the grid.
    w->CheckListGroups->SetLineChecked(0, false);
    EXPECT_EQ(w->GridModel().rowCount(), 4);
}

// A plain message box runs its own event loop: a close arriving while it is
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

TEST_F(WindowTest, FilterSelectAllAndCopy) {
    std::unique_ptr<TFNVMVTQ> w(Open());
    const QColor normal = w->EFilter->palette().color(QPalette::Base);
    QTest::mouseClick(w->BSelectAll, Qt::LeftButton);
    QTest::mouseClick(w->BReadGroups, Qt::LeftButton);

    QTest::keyClicks(w->EFilter, "GAIN");
    EXPECT_EQ(w->GridModel().rowCount(), 1);
    EXPECT_EQ(w->EFilter->palette().color(QPalette::Base), normal);
    QTest::keyClicks(w->EFilter, "zz");
    EXPECT_EQ(w->EFilter->palette().color(QPalette::Base), QColor(255, 0, 0));
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
    w->StringGridNVM->clearSelection();
    QTest::keyClick(w->StringGridNVM, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QtUserSide::ShownTexts(), QStringList{"Nothing selected to copy."});
}

}  // namespace
}  // namespace vtq
