// The editor end to end: the stand-in host loads the plug-in over the simulated modem; values are edited in the real
// scalar editor and one is written; every close the user can reach asks; the host closes the editor in the middle of a
// read. With VTQ_SCREENSHOT_DIR set, the views on the way are saved there. (A table shaped in the array editor until
// the target holds it: the core's TableRoundTrip; the window's way into that editor: window_test.cpp.)
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <deque>
#include <fstream>

#include "host/host_window.h"
#include "qt_print.h"
#include "support/screenshot.h"

namespace {

using vtq::test::Shot;

const QStringList kThreeGroups = {"cal_t8x_lut", "fix_t8x_lut", "hyb_cust"};

struct HostEditorTest : ::testing::Test {
    static void SetUpTestSuite() {
        static int argc = 1;
        static char* argv[] = {const_cast<char*>("editor_host_tests"), nullptr};
        if (QApplication::instance() == nullptr) new QApplication(argc, argv);
        // The plug-in works its settings folder out once per process.
        const auto dir =
            std::filesystem::path(testing::TempDir()) / ("editor_host_settings_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir / "Korvale" / "Brevant");
        ::setenv("APPDATA", dir.c_str(), 1);
        iniPath = dir / "Korvale" / "Brevant" / "Brevant.ini";
    }
    void SetUp() override {
        std::ofstream(iniPath, std::ios::trunc);  // no stored selection
        host = std::make_unique<nvmhost::HostWindow>();
        host->resize(1280, 800);
        host->show();
        ASSERT_TRUE(host->ConnectTarget(targetlink::TargetAddress()));
        ASSERT_TRUE(host->LoadPlugin(std::string(VTQ_BINARY_DIR) + "/bin/libvtqnvm.so"));
        ASSERT_NO_FATAL_FAILURE(Attach());
        // The progress window's status whenever the read lets events through; each modal dialog goes to the next queued
        // answer, one that nobody expected fails.
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == "TFProgress" && w->isVisible() && onStatus)
                    onStatus(w->findChild<QLabel*>("LabelStatus")->text(), w);
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == answered) return;
            answered = modal;
            if (answers.empty()) {
                ADD_FAILURE() << "unexpected dialog " << modal->objectName().toStdString();
                return (void)modal->close();
            }
            const auto answer = std::move(answers.front());
            answers.pop_front();
            answer(modal);
        });
        watch.start();
    }
    void TearDown() override { watch.stop(); }
    void Attach() {
        ASSERT_EQ(host->mdiArea()->subWindowList().size(), 1);
        editor = host->mdiArea()->subWindowList().front()->widget();
        groups = editor->findChild<QListView*>("CheckListGroups");
        grid = editor->findChild<QTableView*>("StringGridNVM");
        ASSERT_TRUE(groups && grid);
    }

    // A line shows the group's name, then " (count)" when it holds parameters.
    QString Name(int row) const { return groups->model()->index(row, 0).data().toString().section(" (", 0, 0); }
    void CheckAndRead() {
        for (int i = 0; i < groups->model()->rowCount(); ++i)
            if (kThreeGroups.contains(Name(i)))
                groups->model()->setData(groups->model()->index(i, 0), Qt::Checked, Qt::CheckStateRole);
        Click("BReadGroups");
    }
    QStringList Log(qsizetype from) const { return host->logPane()->Lines().mid(from); }
    int Row(const QString& name) const {
        const auto found = grid->model()->match(grid->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        return found.value(0).row();
    }
    void Click(const char* button) { QTest::mouseClick(editor->findChild<QPushButton*>(button), Qt::LeftButton); }
    void Answer(std::function<void(QWidget*)> answer) { answers.push_back(std::move(answer)); }
    // Double-clicks the row; the scalar editor gets write-on-the-fly off and `value` in the decimal field.
    void EditScalar(int row, const QString& value) {
        Answer([value](QWidget* dialog) {
            ASSERT_EQ(dialog->objectName(), "FModify");
            auto* onTheFly = dialog->findChild<QCheckBox*>("CWriteonthefly");
            if (onTheFly->isChecked()) onTheFly->click();
            dialog->findChild<QLineEdit*>("EDec")->setText(value);
            dialog->findChild<QPushButton*>("BOK")->click();
        });
        // A double click as the window system sends it: press, release, double click, release.
        const QPoint at = grid->visualRect(grid->model()->index(row, 0)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
        EXPECT_TRUE(answers.empty()) << "the scalar editor did not open";
    }

    static inline std::filesystem::path iniPath;
    std::unique_ptr<nvmhost::HostWindow> host;
    QWidget* editor = nullptr;
    QListView* groups = nullptr;
    QTableView* grid = nullptr;
    QTimer watch;
    std::function<void(const QString&, QWidget*)> onStatus;
    std::deque<std::function<void(QWidget*)>> answers;
    QPointer<QWidget> answered;
};

TEST_F(HostEditorTest, ValuesEditedAndWrittenThenEveryCloseAsksFirst) {
    onStatus = [this](const QString& status, QWidget* progress) {
        if (status.endsWith("(2/3)...")) Shot(progress, "progress.png");
    };
    CheckAndRead();
    grid->selectRow(3);
    Shot(host.get(), "editor-after-read.png");
    QTest::keyClicks(editor->findChild<QLineEdit*>("EFilter"), "gain");
    Shot(host.get(), "editor-filtered.png");
    Click("BitBtn1");

    const int thresh0 = Row("cal_t8x_lut.chan[0].thresh"), thresh1 = Row("cal_t8x_lut.chan[1].thresh");
    EditScalar(thresh0, "77");
    EditScalar(thresh1, "69");
    grid->selectRow(thresh0);
    editor->findChild<QAction*>("Writetotarget1")->trigger();
    grid->clearSelection();
    QTest::qWait(100);  // displays that follow changes after a short delay catch up
    Shot(host.get(), "editor-states.png");
    // Every close the user can reach asks first while a change is pending: the frame's close (here by Ctrl+W in the
    // editor; its close button and Ctrl+F4 take the same way) and the host's own quit. No keeps host and editor; Yes
    // closes the editor, the host stays.
    const auto key = [this](Qt::Key k) {
        return [this, k] {
            QApplication::setActiveWindow(host.get());
            grid->setFocus();
            QTest::keyClick(grid, k, Qt::ControlModifier);
        };
    };
    const std::tuple<const char*, std::function<void()>, QMessageBox::StandardButton> closes[] = {
        {"Ctrl+W", key(Qt::Key_W), QMessageBox::No},
        {"host quit", [this] { EXPECT_FALSE(host->close()); }, QMessageBox::No},
        {"Ctrl+W, Yes", key(Qt::Key_W), QMessageBox::Yes}};
    for (const auto& [what, close, button] : closes) {
        SCOPED_TRACE(what);
        Answer([this, shoot = std::string(what) == "Ctrl+W", answer = button](QWidget* box) {
            EXPECT_TRUE(qobject_cast<QMessageBox*>(box)->text().contains("Close the editor and lose these changes?"));
            if (shoot) {  // the host with the question over it, as the user sees them
                QPixmap shot = host->grab();
                QPainter(&shot).drawPixmap(box->geometry().topLeft() - host->geometry().topLeft(), box->grab());
                Shot(shot, "close-question.png");
            }
            qobject_cast<QMessageBox*>(box)->button(answer)->click();
        });
        close();
        EXPECT_TRUE(answers.empty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(host->mdiArea()->subWindowList().size(), button == QMessageBox::No ? 1 : 0);
        EXPECT_TRUE(host->isVisible());
    }
}

TEST_F(HostEditorTest, HostClosesTheEditorDuringAReadAndItOpensAgain) {
    qsizetype linesAtClose = -1;
    QPointer<QWidget> window = editor;
    onStatus = [&](const QString& status, QWidget*) {
        if (!status.endsWith("(2/3)...") || linesAtClose >= 0) return;
        linesAtClose = host->logPane()->Lines().size();
        host->CloseEditor();
        EXPECT_TRUE(window) << "not destroyed under the running read";
    };
    CheckAndRead();
    ASSERT_GE(linesAtClose, 0);
    EXPECT_EQ(Log(linesAtClose), QStringList{}) << "the read ends without further messages";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(!window && host->mdiArea()->subWindowList().isEmpty());

    host->OpenEditor();
    ASSERT_NO_FATAL_FAILURE(Attach());
}

}  // namespace
