#include <gtest/gtest.h>
#include <sys/types.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "base/file_io.h"
#include "support/sim_server.h"
#include "support/temp_dir.h"

namespace {

using vtq::test::SimServer;

const QString kTool = QString(VTQ_BINARY_DIR) + "/bin/nvmtool";
const QString kSmallImage = QString(VTQ_SOURCE_DIR) + "/sim/images/small.img";

struct ToolResult {
    int status = -1;  // -2: ended by a signal
    std::string out, err;
    QJsonObject json;  // standard output, parsed when --json was given
};

// The target's part of a --json document.
QJsonObject Target(const ToolResult& r, int i = 0) { return r.json["targets"].toArray()[i].toObject(); }

std::string ReadFile(const std::string& path) {
    std::string text;
    return vtq::ReadWholeFile(path, text) ? text : "(missing)";
}

class NvmtoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo(kTool).isExecutable() || !QFileInfo(vtq::test::kNvmsimPath).isExecutable())
            GTEST_SKIP() << "nvmtool or nvmsim is not built";
    }
    // Runs nvmtool as a user would, with a settings folder of the test's own, on `args` and then the target options
    // of the last server started by Serve. `signal`, when not 0, is sent once the run is under way: when `ready`
    // answers true (polled), or else after 700 ms.
    ToolResult Run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.File("config")));
        env.remove("APPDATA");
        p.setProcessEnvironment(env);
        p.start(kTool, args + target);
        p.closeWriteChannel();
        if (signal != 0 && p.waitForStarted()) {
            if (ready)
                for (int waited = 0; waited < 30000 && !ready(); waited += 10) QThread::msleep(10);
            else
                QThread::msleep(700);
            ::kill(static_cast<pid_t>(p.processId()), signal);
        }
        ToolResult r;
        if (!p.waitForFinished(60000)) return r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = p.readAllStandardOutput().toStdString();
        r.err = p.readAllStandardError().toStdString();
        if (args.contains("--json")) r.json = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
        return r;
    }
    bool Serve(SimServer& server, bool pty, QStringList args = {}) {
        const bool up = server.Start(pty, QStringList{"--image", kSmallImage} + args);
        target = {"--target", QString::fromStdString(server.Target()), "--timeout", "3000"};
        return up;
    }
    QString File(const std::string& name) const { return QString::fromStdString(dir.File(name)); }
    // small.nvm read from a clean server, with a gain (99) that differs from the small image's.
    QString ChangedGainFile() {
        SimServer clean;
        const QString saved = File("small.nvm");
        if (!Serve(clean, false) || Run({"read", "--all", "-o", saved}).status != 0) return {};
        std::string text = ReadFile(saved.toStdString());
        text.replace(text.find("fix_small.gain=12"), 17, "fix_small.gain=99");
        return vtq::WriteFileAtomically(saved.toStdString(), text) ? saved : QString();
    }

    int argc = 1;
    char arg0[8] = "test";
    char* argv[1] = {arg0};
    QCoreApplication app{argc, argv};
    vtq::test::TempDir dir;
    QStringList target;
    int signal = 0;                // sent to the next run once it is under way
    std::function<bool()> ready;  // when set, the signal waits until it answers true
};

TEST_F(NvmtoolTest, BadArgumentsAreNamedAndNoTargetIsAsked) {
    // Nothing listens on port 1: an argument that got past the check would end in status 3.
    const std::pair<QStringList, const char*> cases[] = {  // arguments, what standard error says
        {{}, "No verb given"},
        {{"read"}, "read needs group names or --all"},
        {{"frob"}, "Unknown verb frob"},
        {{"groups", "--target", "usb:x"}, "--target usb:x"},
        {{"groups", "--commit"}, "--commit does not apply to groups"},
        {{"set", "fix_small.gain"}, "\"fix_small.gain\" is not NAME=VALUE"},
        {{"groups", "--bogus"}, "Unknown option --bogus"},
        {{"write", "f.nvm", "--commit=no"}, "The option --commit takes no value."},  // not taken as --commit
        {{"groups", "--target"}, "--target needs a value"},
        {{"restore", "--list", "x"}, "restore --list takes no restore point"},
        // A carriage return would end the command early and start another the user never gave.
        {{"set", "fix_small.gain=5\rat@nvm:fix_small.offset=9"},
         "\"fix_small.gain=5<CR>at@nvm:fix_small.offset=9\" holds a control character"},
        {{"send", "AT\nATZ"}, "\"AT<LF>ATZ\" holds a control character"},
    };
    for (const auto& [args, says] : cases) {
        const ToolResult r = Run(QStringList{"--target", "tcp:127.0.0.1:1"} + args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    const ToolResult unreachable = Run({"groups", "--target", "tcp:127.0.0.1:1"});
    EXPECT_EQ(unreachable.status, 3);
    EXPECT_NE(unreachable.err.find("Cannot connect to tcp:127.0.0.1:1"), std::string::npos) << unreachable.err;
    // Listing restore points reads local files only: the target named is not connected.
    EXPECT_EQ(Run({"restore", "--list", "--target", "tcp:127.0.0.1:1"}).status, 0);
    EXPECT_NE(Run({"help"}).out.find("4 a file could not be read or written (nothing\nwritten in its place)"),
              std::string::npos);
    // Where the naming presets live on this system.
    EXPECT_NE(Run({"rf-export", "--help"}).out.find(dir.File("config") + "/Korvale/Brevant/DefaultNVMNaming.config"),
              std::string::npos);
}

// One server for the whole walk: the modem keeps its state from one run of nvmtool to the next.
TEST_F(NvmtoolTest, EveryVerbAgainstTheServer) {
    SimServer server;
    ASSERT_TRUE(Serve(server, false));
    const QString saved = File("small.nvm");

    EXPECT_EQ(Run({"groups"}).out, "cal_small=7\nfix_small=3\n");

    ASSERT_EQ(Run({"read", "--all", "-o", saved}).status, 0);
    const std::string file = ReadFile(saved.toStdString());
    ToolResult r = Run({"read", "fix_small", "cal_small", "-q"});
    EXPECT_EQ(r.out + r.err, file) << "standard output holds the file; -q: nothing on standard error";

    EXPECT_EQ(Run({"get", "fix_small.gain", "fix_small.lut"}).out, "fix_small.gain=12\nfix_small.lut=1,2,3,4\n");
    r = Run({"set", "fix_small.gain=34", "fix_small.lut={5,6,7,8}", "--commit", "--yes", "--json"});
    EXPECT_EQ(std::tuple(r.status, Target(r)["written"].toInt(), Target(r)["committed"].toInt()), std::tuple(0, 2, 1))
        << r.err;
    r = Run({"set", "fix_small.gain=34", "fix_small.lut[1,2]=9,9", "--json", "--no-restore-point"});
    EXPECT_EQ(std::pair(Target(r)["written"].toInt(), Target(r)["unchanged"].toInt()), std::pair(1, 1)) << r.err;
    // The first set saved the two values it changed as a restore point; the second, told not to, saved none.
    const QJsonArray points = Target(Run({"restore", "--list", "--json"}))["restorePoints"].toArray();
    EXPECT_EQ(std::pair(points.size(), points[0].toObject()["parameters"].toInt()), std::pair(qsizetype(1), 2));
    EXPECT_EQ(Run({"get", "fix_small.lut"}).out, "fix_small.lut=5,9,9,8\n");

    r = Run({"diff", saved, "--json"});
    EXPECT_EQ(std::pair(r.status, Target(r)["differenceCount"].toInt()), std::pair(1, 2));

    r = Run({"write", saved, "--dry-run"});
    EXPECT_EQ(r.out, "at@nvm:fix_small.gain=12\r\nat@nvm:fix_small.lut[0,3]={1,2,3,4}\r\n");
    EXPECT_NE(r.err.find("\nDry run: 2 parameters of " + saved.toStdString() +
                         " would be written (2 commands); nothing was sent"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Run({"get", "fix_small.gain"}).out, "fix_small.gain=34\n") << "a dry run sends nothing";

    // Only the values that differ are written; every group of the file is committed, written this run or not.
    r = Run({"write", saved, "--verify", "--commit", "--json"});
    EXPECT_EQ(std::tuple(r.status, Target(r)["attempted"].toInt(), Target(r)["verified"].toInt(),
                         Target(r)["committed"].toInt(), Target(r)["commitGroups"].toArray()),
              std::tuple(0, 2, 2, 2, QJsonArray{"cal_small", "fix_small"}))
        << r.err;

    EXPECT_EQ(Target(Run({"commit", "--all", "--json"}))["committed"].toInt(), 2);
    EXPECT_EQ(Run({"send", "at@nvm:fix_small.gain?"}).out, "12\r\nOK\r\n");
    EXPECT_EQ(Run({"send", "at@nvm:fix_small.nothing?"}).status, 1);

    const QString header = File("small.h");
    r = Run({"export-header", "fix_small", "-o", header, "--preset", "Default", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadFile(header.toStdString()).find("fix_small_default_c22_7[]"), std::string::npos);
    r = Run({"changed-defaults", "fix_small", "-o", File("changed"), "--json"});
    EXPECT_EQ(std::pair(r.status, Target(r)["changedGroups"].toInt()), std::pair(0, 1)) << r.err;
    r = Run({"load-header", header, "--json"});
    EXPECT_EQ(std::pair(r.status, Target(r)["committed"].toInt()), std::pair(0, 1)) << r.err;
    EXPECT_EQ(Run({"get", "fix_small.gain"}).out, "fix_small.gain=10\n") << "the default value";
    EXPECT_EQ(Run({"rf-export", "-o", File("rf.h")}).status, 1) << "the small image has no RF groups";

    // An array as a table: written from a file of its shape (clamped to its type), then printed.
    ASSERT_TRUE(vtq::WriteFileAtomically(dir.File("tab.csv"), "6;5;4\r\n3;2;300\r\n"));
    r = Run({"set", "fix_small.tab", "--csv", File("tab.csv")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Run({"get", "fix_small.tab", "--table"}).out, "  6    5    4\n  3    2  255\n");

    // A group is not committed after a write to it failed; the others are.
    r = Run({"set", "fix_small.gain=99999", "cal_small.mode_1=2", "--commit", "--yes", "--json"});
    EXPECT_EQ(std::tuple(r.status, Target(r)["committed"].toInt(), Target(r)["failed"].toInt()), std::tuple(1, 1, 1))
        << r.err;
}

TEST_F(NvmtoolTest, BadInputChangesNothingAndRefusalsFailTheRun) {
    SimServer server;
    ASSERT_TRUE(Serve(server, false, {"--error-pattern", "store_nvm_sync\\(7"}));
    const std::string bad = dir.File("bad.nvm"), other = dir.File("other.nvm"), out = dir.File("out.nvm");
    ASSERT_TRUE(vtq::WriteFileAtomically(bad, "// comment\r\nfix_small.gain=40\r\nfix_small.offset 5\r\n"));
    ASSERT_TRUE(vtq::WriteFileAtomically(other, "fix_small.gain=40\r\nfix_none.x=1\r\n"));
    ASSERT_TRUE(vtq::WriteFileAtomically(out, "old"));
    const QString header = File("x.h");
    const std::string badHeader = dir.File("bad.h");
    ASSERT_TRUE(vtq::WriteFileAtomically(badHeader, "/*\n[GROUP=fix_small,ARRAYNAME=a,VERSION=1]\n*/\na[];\n"));
    const std::string calHeader = dir.File("cal.h");  // the target refuses its values
    ASSERT_TRUE(vtq::WriteFileAtomically(calHeader, "/*\n[GROUP=cal_small,ARRAYNAME=c,VERSION=0]\n*/\nU8 c[] = {2};\n"));
    // Saved from another unit, with a calibration value: refused.
    const std::string unit = dir.File("unit.nvm");
    ASSERT_TRUE(
        vtq::WriteFileAtomically(unit, "// Unit serial number: 42\r\nfix_small.gain=40\r\ncal_small.mode_1=3\r\n"));
    const std::tuple<QStringList, int, std::string> cases[] = {
        // arguments, exit status, what standard error says
        {{"write", QString::fromStdString(bad)}, 2, bad + ":3: not a parameter assignment"},
        {{"write", QString::fromStdString(other)}, 2, other + ":2: the target has no group \"fix_none\""},
        {{"write", File("missing.nvm")}, 4, "Cannot read the file"},
        {{"set", "fix_small.gain=40", "fix_small.nope=1"}, 2, "no parameter \"fix_small.nope\""},
        {{"commit", "cal_small"}, 1, "1 group was not committed"},
        {{"load-header", QString::fromStdString(badHeader)}, 2, badHeader + ":2: "},
        {{"export-header", "fix_small", "cal_small", "-o", header}, 1, "1 group was not exported"},  // no cal defaults
        {{"load-header", QString::fromStdString(calHeader)}, 1, "1 group was not loaded"},
        {{"read", "fix_small", "--filter", "zzz", "-o", QString::fromStdString(out)}, 1, "not written"},
        {{"write", QString::fromStdString(unit)},
         2,
         "serial number 42, the target's is 000000000000001; it holds 1 calibration value. Nothing was sent"},
    };
    for (const auto& [args, status, says] : cases) {
        const ToolResult r = Run(args);
        EXPECT_EQ(r.status, status) << args.join(' ').toStdString() << "\n" << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    EXPECT_EQ(Run({"get", "fix_small.gain"}).out, "fix_small.gain=12\n");
    EXPECT_EQ(ReadFile(out), "old");
}

// edit and diff of two files need no target: nothing listens, and none is started.
TEST_F(NvmtoolTest, FilesAreEditedAndComparedWithoutATarget) {
    const std::string a = dir.File("a.nvm"), b = dir.File("b.nvm");
    const std::string text = "// Unit serial number: 7\r\nfix_a.g=5 (uint8)\r\nfix_a.lut=1,2\r\n";
    ASSERT_TRUE(vtq::WriteFileAtomically(a, text + "fix_a.only_a=1\r\n") && vtq::WriteFileAtomically(b, text));
    ToolResult r = Run({"edit", QString::fromStdString(b), "fix_a.g=6", "fix_a.lut={3,4}", "--json"});
    EXPECT_EQ(std::tuple(r.status, Target(r)["changed"], Target(r)["unchanged"]),
              std::tuple(0, QJsonValue(2), QJsonValue(0)))
        << r.err;
    r = Run({"diff", QString::fromStdString(a), QString::fromStdString(b)});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out,
              "\"fix_a.g\" value: \"5\" != \"6\"\n\"fix_a.lut\" value: \"1,2\" != \"3,4\"\n\"fix_a.only_a\" missing\n");
}

TEST_F(NvmtoolTest, ThreeTargetsAtOnceOneLost) {
    SimServer a, b, c;
    ASSERT_TRUE(Serve(a, false));
    ASSERT_TRUE(Serve(b, false, {"--lose-after", "3"}));
    ASSERT_TRUE(Serve(c, true));
    target.clear();
    const QString ta = QString::fromStdString(a.Target()), tc = QString::fromStdString(c.Target());
    const ToolResult r = Run({"read", "--all", "-o", File("out.nvm"), "--json", "--timeout", "300", "--target", ta,
                              "--target", QString::fromStdString(b.Target()), "--target", tc});
    EXPECT_EQ(r.status, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Target(r, i)["status"].toInt(), i == 1 ? 3 : 0) << i;
    EXPECT_EQ(ReadFile(dir.File("out-1.nvm")), ReadFile(dir.File("out-3.nvm")));
    EXPECT_NE(ReadFile(dir.File("out-1.nvm")).find("fix_small.gain=12"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.File("out-2.nvm")), "(missing)");
}

// Ctrl+C stops a run of single writes before the next one, as it cancels the long operations.
TEST_F(NvmtoolTest, AnInterruptedSetSendsNoFurtherWrite) {
    SimServer server;
    ASSERT_TRUE(Serve(server, false, {"--delay-ms", "100", "--journal", File("journal.txt")}));
    QStringList values = {"set"};
    for (int i = 0; i < 20; ++i) values << QString("fix_small.gain=%1").arg(i % 2);
    signal = SIGINT;
    // The interrupt comes once the first value went out, however slowly the tool starts.
    ready = [&] { return ReadFile(dir.File("journal.txt")).find("gain=") != std::string::npos; };
    EXPECT_EQ(Run(values).status, 130);
    const std::string journal = ReadFile(dir.File("journal.txt"));
    size_t writes = 0;
    for (size_t at = journal.find("gain="); at != std::string::npos; at = journal.find("gain=", at + 1)) ++writes;
    EXPECT_LT(writes, 12u) << journal;
}

// Where a row of the table below writes: nowhere, a file, a folder in the way, standard output.
enum class Out { None, File, Folder, StandardOutput };

struct FaultRow {
    const char* name;
    const char* args;    // split at blanks; OUT stands for the output path, GAIN for a file with a changed gain
    const char* faults;  // the simulated modem's options, split at blanks
    Out out;
    int status;             // the exit status: 0 writes what a clean run writes, any other keeps the old file
    const char* says = "";  // a text on standard error
    const char* image = "small";
    int signal = 0;         // sent while the run reads slowly
    bool busyPort = false;  // the target is a serial port another nvmtool holds
};

class ExitStatusTable : public NvmtoolTest, public ::testing::WithParamInterface<FaultRow> {};

// Each verb that writes a file, under the simulated modem's faults: the exit status the help promises, the old file
// kept whole unless the run finished, a finished run's file the same as a clean run's, and nothing left behind.
TEST_P(ExitStatusTable, StatusAndOldFile) {
    const FaultRow& row = GetParam();
    const std::string old = "old\r\n", out = dir.File("real.nvm");
    QStringList args = QString(row.args).split(' ');
    if (args.contains("GAIN")) args.replaceInStrings(QRegularExpression("^GAIN$"), ChangedGainFile());
    auto RunTo = [&](const QString& path, const QStringList& faults) {
        SimServer server;
        const QString image = QString(VTQ_SOURCE_DIR) + "/sim/images/" + row.image + ".img";
        if (!server.Start(row.busyPort, QStringList{"--image", image} + faults)) return ToolResult{};
        const bool lost = faults.contains("--lose-after");
        target = {"--target", QString::fromStdString(server.Target()), "--timeout", lost ? "300" : "3000"};
        QProcess holder;
        if (row.busyPort) {
            holder.start(kTool, QStringList{"read", "--all", "-q"} + target);
            QThread::msleep(500);
        }
        const ToolResult r = Run(QStringList(args).replaceInStrings(QRegularExpression("^OUT$"), path));
        holder.kill();
        holder.waitForFinished();
        return r;
    };
    std::string clean;
    if (row.out != Out::None) {
        ASSERT_EQ(RunTo(File("clean.nvm"), {}).status, 0);
        clean = ReadFile(dir.File("clean.nvm"));
    }
    if (row.out == Out::Folder) std::filesystem::create_directory(out);
    ASSERT_TRUE(row.out != Out::File || vtq::WriteFileAtomically(out, old));
    signal = row.signal;
    const ToolResult r = RunTo(row.out == Out::StandardOutput ? "-" : File("real.nvm"),
                               QString(row.faults).split(' ', Qt::SkipEmptyParts));
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    EXPECT_TRUE(row.out != Out::Folder || std::filesystem::is_directory(out));
    EXPECT_TRUE(row.out != Out::File || ReadFile(out) == (row.status == 0 ? clean : old));
    EXPECT_TRUE(row.out != Out::StandardOutput || r.out == clean);
    const std::set<std::string> expected = {"config", "clean.nvm", "small.nvm", "real.nvm", "real.partial.nvm"};
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_TRUE(expected.contains(entry.path().filename().string())) << entry.path();
}

const FaultRow kFaultRows[] = {
    // A damaged piece makes the read incomplete, its skipped parameters counted on the last line.
    {"DamagedPiece", "read --all -o OUT", "--corrupt-piece 1", Out::File, 1,
     "nvmtool: The read is incomplete: 2 parameters were skipped.\n"},
    {"GroupReadError", "read --all -o OUT", "--error-pattern dump_csv_add\\(\"cal", Out::File, 1, "real.partial.nvm"},
    {"TrackChangesError", "changed-defaults -o OUT", "--error-pattern track_changes\\(fix", Out::File, 1,
     "Could not read the changes of group \"fix_small\"."},
    {"DumpDefaultError", "export-header fix_small -o OUT", "--error-pattern dump_default\\(\"fix", Out::File, 1,
     "Nothing written to"},
    // The target lost part way at a few points (the core tests lose it at every command of every operation in turn;
    // a lost read: ThreeTargetsAtOnceOneLost); the RF export's is its only run here that reaches the file.
    {"RfExportLost", "rf-export -o OUT", "--lose-after 4", Out::File, 3, "", "rf_t71"},
    {"SetLost", "set fix_small.gain=5 fix_small.lut=9,9,9,9 --commit", "--lose-after 3", Out::None, 3},
    {"VerifyFails", "write GAIN --verify", "--forget-writes gain", Out::None, 1,
     "Verify failed: fix_small.gain written as 99, target holds 12"},
    // Where the output goes.
    {"ChangedDefaultsToStandardOutput", "changed-defaults -o OUT", "", Out::StandardOutput, 0},
    {"ReadToAFolder", "read --all -o OUT", "", Out::Folder, 4, "Cannot write"},
    {"SerialPortHeldByAnother", "groups", "--delay-ms 200", Out::None, 3, "is busy: another program has it open",
     "small", 0, true},
    // Interrupted over a slow link.
    {"ReadInterrupted", "read --all -o OUT", "--delay-ms 300", Out::File, 130, "", "small", SIGINT},
    {"ChangedDefaultsTerminated", "changed-defaults -o OUT", "--delay-ms 300", Out::File, 143, "", "small", SIGTERM},
};

INSTANTIATE_TEST_SUITE_P(Faults, ExitStatusTable, ::testing::ValuesIn(kFaultRows),
                         [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

}  // namespace
