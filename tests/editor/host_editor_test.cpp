// The editor end to end: the stand-in host loads the plug-in, which shows its
// window maximised in the host's area, lists the simulated modem's groups and
// reads them into the host's log; the host closes the editor in the middle of
// a read, and the next start checks the groups stored at that close. With
// VTQ_SCREENSHOT_DIR set, the views after a read are saved there as PNG files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

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
        EXPECT_FALSE(frame->windowFlags() & Qt::WindowCloseButtonHint);
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

    static inline std::filesystem::path iniPath;
    std::unique_ptr<nvmhost::HostWindow> host;
    QWidget* editor = nullptr;
    QListView* groups = nullptr;
    QTableView* grid = nullptr;
    QTimer watch;
    std::function<void(const QString&, QWidget*)> onStatus;
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

}  // namespace
