// The editor end to end: the stand-in host loads the plug-in, which shows its
// window maximised in the host's area, lists the simulated modem's groups and
// reads them into the host's log; the host closes the editor in the middle of
// a read, and the next start checks the groups stored at that close. A value
// goes the user's whole way: edited, written, committed, read back, saved,
// compared and loaded again. With VTQ_SCREENSHOT_DIR set, the views on the
// way are saved there as PNG files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>

#include "editor/parameter_grid_model.h"
#include "host/host_window.h"
#include "link/target_address.h"
#include "qt_print.h"

namespace {

const std::string kPlugin = std::string(VTQ_BINARY_DIR) + "/bin/libvtqnvm.so";
const QStringList kThreeGroups = {"cal_t8x_lut", "fix_t8x_lut", "hyb_cust"};

class HostEditorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "editor_host_tests";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr) new QApplication(argc, argv);
        // The plug-in works its settings folder out once per process.
        const auto dir = std::filesystem::path(testing::TempDir()) / ("editor_host_settings_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir / "Korvale" / "Brevant");
        ::setenv("APPDATA", dir.c_str(), 1);
        iniPath = dir / "Korvale" / "Brevant" / "Brevant.ini";
    }
    void SetUp() override {
        std::ofstream(iniPath, std::ios::trunc);  // no stored selection
        host = std::make_unique<nvmhost::HostWindow>();
        host->resize(1280, 800);
        host->show();
        ASSERT_TRUE(host->ConnectTarget(nvmhost::TargetAddress()));
        ASSERT_TRUE(host->LoadPlugin(kPlugin));
        ASSERT_EQ(host->mdiArea()->subWindowList().size(), 1);
        QMdiSubWindow* frame = host->mdiArea()->subWindowList().front();
        EXPECT_TRUE(frame->isMaximized());
        EXPECT_TRUE(frame->windowFlags() & Qt::WindowCloseButtonHint);  // the user may close it too
        editor = frame->widget();
        EXPECT_EQ(editor->windowTitle(), "VTQ NVM Editor - Version: 1.19.0.0");
        groups = editor->findChild<QListView*>("CheckListGroups");
        grid = editor->findChild<QTableView*>("StringGridNVM");
        ASSERT_TRUE(groups && grid);
        // The progress window's status, whenever the read lets events through.
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == "TFProgress" && w->isVisible() && onStatus)
                    onStatus(w->findChild<QLabel*>("LabelStatus")->text(), w);
            }
            // Each modal dialog goes to the next queued answer; one that nobody expected fails and is closed.
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == answered) return;
            answered = modal;
            if (answers.empty()) {
                ADD_FAILURE() << "unexpected dialog " << modal->objectName().toStdString();
                modal->close();
                return;
            }
            const auto answer = std::move(answers.front());
            answers.pop_front();
            answer(modal);
        });
        watch.start();
    }
    void TearDown() override {
        watch.stop();
        host->UnloadPlugin();
        host.reset();
    }

    // A line shows the group's name, then " (count)" when it holds parameters.
    QString Name(int row) const { return groups->model()->index(row, 0).data().toString().section(" (", 0, 0); }
    QStringList Checked() const {
        QStringList names;
        for (int i = 0; i < groups->model()->rowCount(); ++i)
            if (groups->model()->index(i, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked) names << Name(i);
        return names;
    }
    void CheckAndRead(const QStringList& names) {
        for (int i = 0; i < groups->model()->rowCount(); ++i)
            if (names.contains(Name(i)))
                groups->model()->setData(groups->model()->index(i, 0), Qt::Checked, Qt::CheckStateRole);
        ASSERT_EQ(Checked(), names);
        QTest::mouseClick(editor->findChild<QPushButton*>("BReadGroups"), Qt::LeftButton);
    }
    QStringList Log(qsizetype from) const { return host->logPane()->Lines().mid(from); }
    void Shot(QWidget* what, const char* file) {
        if (const char* dir = std::getenv("VTQ_SCREENSHOT_DIR")) {
            EXPECT_TRUE(what->grab().save(QString::fromLocal8Bit(dir) + "/" + file, "PNG")) << file;
        }
    }

    int Row(const QString& name) const {
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            if (grid->model()->index(row, 0).data().toString() == name) return row;
        ADD_FAILURE() << "no row " << name.toStdString();
        return 0;
    }
    QString Value(int row) const { return grid->model()->index(row, 1).data().toString(); }
    vtq::ParameterState State(int row) const {
        return static_cast<vtq::ParameterState>(
            grid->model()->index(row, 1).data(vtq::ParameterGridModel::StateRole).toInt());
    }
    void Click(const char* button) { QTest::mouseClick(editor->findChild<QPushButton*>(button), Qt::LeftButton); }
    void Answer(std::function<void(QWidget*)> answer) { answers.push_back(std::move(answer)); }
    void AnswerFile(const std::filesystem::path& path) {
        Answer([path](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            ASSERT_NE(files, nullptr);
            files->selectFile(QString::fromStdString(path.string()));
            static_cast<QDialog*>(files)->accept();  // QFileDialog::accept, as the Open or Save button does
        });
    }
    // Double-clicks the row and answers the scalar editor with write-on-the-fly
    // off: `value` typed into the decimal field and OK, or Cancel without one.
    void EditScalar(int row, std::optional<QString> value) {
        Answer([value](QWidget* dialog) {
            ASSERT_EQ(dialog->objectName(), "FModify");
            auto* onTheFly = dialog->findChild<QCheckBox*>("CWriteonthefly");
            if (onTheFly->isChecked()) onTheFly->click();
            if (!value) return dialog->findChild<QPushButton*>("BCancel")->click();
            auto* decimal = dialog->findChild<QLineEdit*>("EDec");
            decimal->clear();
            QTest::keyClicks(decimal, *value);
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

TEST_F(HostEditorTest, ReadOneGroupThenThreeGroups) {
    EXPECT_GT(groups->model()->rowCount(), 40);
    const qsizetype from = host->logPane()->Lines().size();
    onStatus = [this](const QString& status, QWidget* progress) {
        if (status.endsWith("(2/3)...")) Shot(progress, "progress.png");
    };
    CheckAndRead(kThreeGroups);
    // The last line totals the rows and the redundant table entries the read removed after adding them.
    const QStringList log = Log(from);
    ASSERT_FALSE(log.isEmpty());
    int total = grid->model()->rowCount();
    for (const QString& line : log) total += line.section(" Removed ", 1).section(' ', 0, 0).toInt();
    EXPECT_TRUE(log.back().endsWith(QString(" I %1 NVM items read in total.").arg(total))) << log.back().toStdString();

    grid->selectRow(3);
    Shot(host.get(), "editor-after-read.png");
    QTest::keyClicks(editor->findChild<QLineEdit*>("EFilter"), "gain");
    Shot(host.get(), "editor-filtered.png");
    EXPECT_GT(grid->model()->rowCount(), 1);
}

// Edited without write-on-the-fly (not stored), written (in RAM), committed,
// read back, saved; then changed again, compared with the file (to which one
// of each other kind of difference was added) and loaded from it.
TEST_F(HostEditorTest, AValueEditedWrittenCommittedSavedComparedAndLoaded) {
    using vtq::ParameterState;
    CheckAndRead(kThreeGroups);
    const int thresh0 = Row("cal_t8x_lut.chan[0].thresh"), thresh1 = Row("cal_t8x_lut.chan[1].thresh");
    EditScalar(thresh0, "77");
    EditScalar(thresh1, "69");
    EXPECT_EQ(Value(thresh0), "77");
    EXPECT_EQ(State(thresh1), ParameterState::NotStored);
    grid->selectRow(thresh0);
    editor->findChild<QAction*>("Writetotarget1")->trigger();
    EXPECT_EQ(State(thresh0), ParameterState::InTargetRAM);
    EXPECT_EQ(State(thresh1), ParameterState::NotStored);
    grid->clearSelection();
    QTest::qWait(100);  // displays that follow changes after a short delay catch up
    Shot(host.get(), "editor-states.png");

    const int rows = grid->model()->rowCount();
    Click("BWriteAll");
    EXPECT_EQ(Log(0).back().section(" I ", 1), QString("Write OK (%1 parameters written) to target.").arg(rows));
    EXPECT_EQ(State(thresh1), ParameterState::InTargetRAM);
    Click("BCommit");
    EXPECT_EQ(State(thresh1), ParameterState::Unchanged);
    Click("BReadGroups");
    ASSERT_EQ(grid->model()->rowCount(), rows);
    EXPECT_EQ(Value(thresh0), "77");
    EXPECT_EQ(State(thresh0), ParameterState::Unchanged);

    const auto file =
        std::filesystem::path(testing::TempDir()) / ("editor_host_" + std::to_string(::getpid()) + ".nvm");
    AnswerFile(file);
    Answer([](QWidget* box) {
        EXPECT_TRUE(qobject_cast<QMessageBox*>(box)->text().startsWith("The Parameters in view have been save to:"));
        qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });
    Click("BSave");
    EditScalar(thresh0, "12");
    EditScalar(thresh1, std::nullopt);  // only its type is learned

    // The file gets a different type, a line less and a line more.
    std::stringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    std::string saved = text.str();
    const auto change = [&](const std::string& what, const std::string& by) {
        const size_t at = saved.find(what);
        ASSERT_NE(at, std::string::npos) << what;
        saved.replace(at, what.size(), by);
    };
    change("cal_t8x_lut.chan[1].thresh=69\r\n", "cal_t8x_lut.chan[1].thresh=69 (uint8)\r\n");
    change("cal_t8x_lut.chan[2].dc=5092\r\n", "");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << saved << "cal_t8x_lut.spare=1\r\n";

    AnswerFile(file);
    Answer([this](QWidget* view) {
        ASSERT_EQ(view->objectName(), "FormDiffView");
        EXPECT_EQ(view->windowTitle(), "NVM Diff View");
        const auto* rowsShown = view->findChild<QTableView*>("SGDiff")->model();
        QStringList lines;
        for (int row = 0; row < rowsShown->rowCount(); ++row)
            lines << rowsShown->index(row, 1).data().toString() + " " + rowsShown->index(row, 0).data().toString();
        EXPECT_EQ(lines, QStringList({"!= \"cal_t8x_lut.chan[0].thresh\" value: \"12\" != \"77\"",
                                      "!type \"cal_t8x_lut.chan[1].thresh\" type: \"int8\" != \"uint8\"",
                                      "Extra \"cal_t8x_lut.spare\" added",
                                      "Missing \"cal_t8x_lut.chan[2].dc\" missing"}));
        Shot(view, "diff-view.png");
        QTest::mouseClick(view->findChild<QToolButton*>("SpeedButtonMissing"), Qt::LeftButton);
        EXPECT_EQ(view->findChild<QStatusBar*>("StatusBar1")->currentMessage(), "3 differences.");
        Shot(view, "diff-view-toggle.png");
        view->close();
    });
    Click("BCompare");

    AnswerFile(file);
    Click("BLoad");
    EXPECT_EQ(Value(thresh0), "77");
    EXPECT_EQ(State(thresh0), ParameterState::NotStored);
    EXPECT_EQ(Log(0).back().section(" I ", 1),
              QString("File Loaded. Added 1 item, Replaced 2 items. (%1 unchanged values.)").arg(rows - 3));
    EXPECT_TRUE(answers.empty());
    std::filesystem::remove(file);
}

TEST_F(HostEditorTest, HostClosesTheEditorDuringAReadAndTheNextStartChecksTheSameGroups) {
    EXPECT_EQ(Checked(), QStringList{});
    qsizetype linesAtClose = -1;
    QPointer<QWidget> window = editor;
    onStatus = [&](const QString& status, QWidget*) {
        if (!status.endsWith("(2/3)...") || linesAtClose >= 0) return;
        linesAtClose = host->logPane()->Lines().size();
        host->CloseEditor();
        EXPECT_TRUE(window) << "not destroyed under the running read";
    };
    CheckAndRead(kThreeGroups);
    ASSERT_GE(linesAtClose, 0);
    EXPECT_EQ(Log(linesAtClose), QStringList{}) << "the read ends without further messages";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    EXPECT_TRUE(host->mdiArea()->subWindowList().isEmpty());

    host->OpenEditor();
    ASSERT_EQ(host->mdiArea()->subWindowList().size(), 1);
    groups = host->mdiArea()->subWindowList().front()->widget()->findChild<QListView*>("CheckListGroups");
    EXPECT_EQ(Checked(), kThreeGroups);
}

// The frame's close button asks first while a change is pending, and No keeps
// the editor; Yes closes it and the host can open it again. The host's own
// close never asks: the counts go to its log.
TEST_F(HostEditorTest, TheUserClosesAfterAQuestionTheHostWithoutOne) {
    CheckAndRead(kThreeGroups);
    EditScalar(Row("cal_t8x_lut.chan[0].thresh"), "77");
    QMdiSubWindow* frame = host->mdiArea()->subWindowList().front();
    for (const auto button : {QMessageBox::No, QMessageBox::Yes}) {
        Answer([button](QWidget* box) {
            EXPECT_TRUE(qobject_cast<QMessageBox*>(box)->text().endsWith("Close the editor and lose these changes?"));
            qobject_cast<QMessageBox*>(box)->button(button)->click();
        });
        frame->close();  // as its close button does
        EXPECT_TRUE(answers.empty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        EXPECT_EQ(host->mdiArea()->subWindowList().size(), button == QMessageBox::No ? 1 : 0);
    }
    QCoreApplication::processEvents();  // the host hears of the frame gone
    for (const QAction* action : host->findChildren<QAction*>())
        if (action->text() == "&Open Editor Window") EXPECT_TRUE(action->isEnabled());

    host->OpenEditor();
    ASSERT_EQ(host->mdiArea()->subWindowList().size(), 1);
    editor = host->mdiArea()->subWindowList().front()->widget();
    groups = editor->findChild<QListView*>("CheckListGroups");
    grid = editor->findChild<QTableView*>("StringGridNVM");
    CheckAndRead(kThreeGroups);
    EditScalar(Row("cal_t8x_lut.chan[0].thresh"), "78");
    host->CloseEditor();
    EXPECT_TRUE(Log(0).back().endsWith(" E Editor closed with 1 parameter not stored and 0 parameters not committed."))
        << Log(0).back().toStdString();
    EXPECT_TRUE(host->mdiArea()->subWindowList().isEmpty() || !host->mdiArea()->subWindowList().front()->isVisible());
}

}  // namespace
