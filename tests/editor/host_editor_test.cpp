// The editor end to end: the stand-in host loads the plug-in, the editor lists
// the simulated modem's groups and reads them, with the progress window's
// texts; the host closes the editor in the middle of a read. With
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
#include <iterator>
#include <memory>

#include "host/host_window.h"
#include "link/target_address.h"
#include "qt_print.h"

namespace {

const std::string kPlugin = std::string(VTQ_BINARY_DIR) + "/bin/libvtqnvm.so";

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
        // Another section of the host's that every save must keep.
        std::ofstream(iniPath, std::ios::binary | std::ios::trunc) << "[Host]\r\nLastPort=COM3\r\n";
        host = std::make_unique<nvmhost::HostWindow>();
        host->resize(1280, 800);
        host->show();
        nvmhost::TargetAddress target;
        std::string error;
        ASSERT_TRUE(nvmhost::ParseTargetAddress("sim", target, error)) << error;
        ASSERT_TRUE(host->ConnectTarget(target));
        ASSERT_TRUE(host->LoadPlugin(kPlugin));
        ASSERT_EQ(host->mdiArea()->subWindowList().size(), 1);
        editor = host->mdiArea()->subWindowList().front()->widget();
        groups = editor->findChild<QListView*>("CheckListGroups");
        grid = editor->findChild<QTableView*>("StringGridNVM");
        ASSERT_TRUE(groups && grid);
        // Every status the progress window shows while events are let through.
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() != "TFProgress" || !w->isVisible()) continue;
                const QString status = w->findChild<QLabel*>("LabelStatus")->text();
                if (statuses.isEmpty() || statuses.back() != status) statuses << status;
                if (onStatus) onStatus(status, w);
            }
        });
        watch.start();
    }
    void TearDown() override {
        watch.stop();
        host->UnloadPlugin();
        host.reset();
    }

    void Check(const QStringList& names) {
        for (const QString& name : names) {
            const int row = Row(name);
            ASSERT_GE(row, 0) << name.toStdString();
            groups->model()->setData(groups->model()->index(row, 0), Qt::Checked, Qt::CheckStateRole);
        }
    }
    void Read() { QTest::mouseClick(editor->findChild<QPushButton*>("BReadGroups"), Qt::LeftButton); }
    QStringList Log(qsizetype from = 0) const {
        QStringList texts;
        const QStringList& lines = host->logPane()->Lines();
        for (qsizetype i = from; i < lines.size(); ++i) texts << lines[i].mid(15);
        return texts;
    }
    // The last line totals the rows and the redundant table entries the read removed after adding them.
    void ExpectTotal(qsizetype from) const {
        const QStringList log = Log(from);
        ASSERT_FALSE(log.isEmpty());
        int total = grid->model()->rowCount();
        for (const QString& line : log) total += line.startsWith("Removed ") ? line.section(' ', 1, 1).toInt() : 0;
        EXPECT_EQ(log.back(), QString("%1 NVM items read in total.").arg(total));
    }
    void Shot(QWidget* what, const char* file) {
        if (const char* dir = std::getenv("VTQ_SCREENSHOT_DIR")) {
            EXPECT_TRUE(what->grab().save(QString::fromLocal8Bit(dir) + "/" + file, "PNG")) << file;
        }
    }

    QStringList Checked() const {
        QStringList names;
        const QAbstractItemModel* m = groups->model();
        for (int i = 0; i < m->rowCount(); ++i)
            if (m->index(i, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked) names << Name(i);
        return names;
    }
    // A line shows the group's name, then " (count)" when it holds parameters.
    QString Name(int row) const { return groups->model()->index(row, 0).data().toString().section(" (", 0, 0); }
    int Row(const QString& name) const {
        for (int i = 0; i < groups->model()->rowCount(); ++i)
            if (Name(i) == name) return i;
        return -1;
    }
    static std::string Ini() {
        std::ifstream in(iniPath, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    static inline std::filesystem::path iniPath;
    std::unique_ptr<nvmhost::HostWindow> host;
    QWidget* editor = nullptr;
    QListView* groups = nullptr;
    QTableView* grid = nullptr;
    QTimer watch;
    QStringList statuses;
    std::function<void(const QString&, QWidget*)> onStatus;
};

TEST_F(HostEditorTest, ReadOneGroupThenThreeGroups) {
    EXPECT_GT(groups->model()->rowCount(), 40);

    Check({"fix_t8x_lut"});
    qsizetype from = host->logPane()->Lines().size();
    Read();
    EXPECT_EQ(statuses, QStringList{"Reading \"fix_t8x_lut\" group..."});
    ExpectTotal(from);
    const int oneGroup = grid->model()->rowCount();

    statuses.clear();
    Check({"cal_t8x_lut", "hyb_cust"});
    from = host->logPane()->Lines().size();
    onStatus = [this](const QString& status, QWidget* progress) {
        if (status.endsWith("(2/3)...")) Shot(progress, "progress.png");
    };
    Read();
    EXPECT_EQ(statuses, (QStringList{"Reading \"cal_t8x_lut\" group (1/3)...", "Reading \"fix_t8x_lut\" group (2/3)...",
                                     "Reading \"hyb_cust\" group (3/3)..."}));
    EXPECT_GT(grid->model()->rowCount(), oneGroup);
    ExpectTotal(from);

    grid->selectRow(3);
    Shot(host.get(), "editor-after-read.png");
    auto* filter = editor->findChild<QLineEdit*>("EFilter");
    QTest::keyClicks(filter, "gain");
    Shot(host.get(), "editor-filtered.png");
    QTest::keyClicks(filter, "_nothing");
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(filter->palette().color(QPalette::Base), QColor(255, 0, 0));
}

TEST_F(HostEditorTest, StoredSelectionIsAppliedAtTheNextStart) {
    EXPECT_EQ(Checked(), QStringList{});
    Check({"hyb_cust", "cal_t8x_lut"});
    host->CloseEditor();
    EXPECT_EQ(Ini().rfind("[Host]\r\nLastPort=COM3\r\n", 0), 0u) << Ini();
    EXPECT_NE(Ini().find("[Mode]\r\nNVMSelGroups=cal_t8x_lut,hyb_cust\r\n"), std::string::npos) << Ini();
    host->OpenEditor();
    ASSERT_EQ(host->mdiArea()->subWindowList().size(), 1);
    groups = host->mdiArea()->subWindowList().front()->widget()->findChild<QListView*>("CheckListGroups");
    EXPECT_EQ(Checked(), (QStringList{"cal_t8x_lut", "hyb_cust"}));
}

TEST_F(HostEditorTest, HostClosesTheEditorDuringARead) {
    Check({"cal_t8x_lut", "fix_t8x_lut", "hyb_cust"});
    qsizetype linesAtClose = -1;
    onStatus = [&](const QString& status, QWidget*) {
        if (!status.endsWith("(2/3)...") || linesAtClose >= 0) return;
        linesAtClose = host->logPane()->Lines().size();
        host->CloseEditor();
    };
    QPointer<QWidget> window = editor;
    Read();
    ASSERT_GE(linesAtClose, 0);
    EXPECT_EQ(Log(linesAtClose), QStringList{}) << "the read ends without further messages";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    EXPECT_TRUE(host->mdiArea()->subWindowList().isEmpty());
}

}  // namespace
