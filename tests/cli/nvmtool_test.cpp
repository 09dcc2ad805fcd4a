#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>

#include "base/file_io.h"
#include "cli/verbs.h"
#include "support/sim_server.h"
#include "support/temp_dir.h"

namespace {

using vtq::test::SimServer;

const QString kTool = QString(VTQ_BINARY_DIR) + "/bin/nvmtool";
const QString kSmallImage = QString(VTQ_SOURCE_DIR) + "/sim/images/small.img";

struct ToolResult {
    int status = -1;
    std::string out, err;
    QJsonObject json;
    QJsonObject Target(int i = 0) const { return json["targets"].toArray()[i].toObject(); }
};

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
    // Runs nvmtool with `args`, then the target options of the last server started by Serve, and a settings folder
    // of the test's own; --json output is parsed.
    ToolResult Run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.File("config")));
        env.remove("APPDATA");
        p.setProcessEnvironment(env);
        const rlim_t limit = fileLimit;
        // A file size limit stands for a full disk: writes past it fail as ENOSPC would.
        if (limit > 0)
            p.setChildProcessModifier([limit] {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit r{limit, limit};
                ::setrlimit(RLIMIT_FSIZE, &r);
            });
        p.start(kTool, args + target);
        p.closeWriteChannel();
        if (signal != 0 && p.waitForStarted()) {
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
    bool Serve(SimServer& server, bool pty, QStringList args = {}, const char* timeout = "3000") {
        const bool up = server.Start(pty, QStringList{"--image", kSmallImage} + args);
        target = {"--target", QString::fromStdString(server.Target()), "--timeout", timeout};
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
    int fileLimit = 0;  // bytes a file of the next run may hold (0: no limit)
    int signal = 0;     // sent to the next run once it is under way
};

TEST_F(NvmtoolTest, BadArgumentsAreNamedAndNoTargetIsAsked) {
    // Nothing listens on port 1: an argument that got past the check would end in status 3.
    const std::pair<QStringList, const char*> cases[] = {  // arguments, what standard error says
        {{}, "No verb given"},
        {{"read"}, "read needs group names or --all"},
        {{"read", "fix_small", "--all"}, "not both"},
        {{"frob"}, "Unknown verb frob"},
        {{"groups", "--target", "usb:x"}, "--target usb:x"},
        {{"groups", "--timeout", "0"}, "--timeout 0"},
        {{"groups", "--commit"}, "--commit does not apply to groups"},
        {{"set", "fix_small.gain"}, "\"fix_small.gain\" is not NAME=VALUE"},
        {{"set", "fix_small.lut[3,2]=1,2"}, "its element range counts down"},
        {{"get", "gain"}, "\"gain\" is not a parameter name"},
        {{"set", "fix_small.tab", "--csv"}, "Usage: nvmtool set NAME --csv FILE"},
        {{"get", "fix_small.tab", "--table", "--csv"}, "--table and --csv: give one of them"},
        {{"export-header", "fix_small"}, "export-header needs -o FILE"},
        {{"send"}, "Usage: nvmtool send COMMAND"},
        {{"groups", "--bogus"}, "Unknown option --bogus"},
        {{"read", "--all", "--filter"}, "--filter needs a value"},
        {{"groups", "--target"}, "--target needs a value"},
        {{"read", "--all", "-o"}, "-o needs a value"},
        // A carriage return would end the command early and start another the user never gave.
        {{"set", "fix_small.gain=5\rat@nvm:fix_small.offset=9"}, "\"fix_small.gain=5<CR>at@nvm:fix_small.offset=9\" holds a control character"},
        {{"get", "fix_small.gain\x1b"}, "\"fix_small.gain<0x1B>\" holds a control character"},
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
    const ToolResult json = Run({"frob", "--json"});
    EXPECT_EQ(json.json["status"].toInt(), 2);
    EXPECT_TRUE(json.json["error"].toString().contains("frob"));

    const ToolResult help = Run({"changed-defaults", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: nvmtool changed-defaults", 0), 0u) << help.out;
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

    ToolResult r = Run({"groups", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Target()["groups"].toArray().size(), 2);
    EXPECT_EQ(r.Target()["groups"].toArray()[1].toObject()["name"].toString(), "fix_small");

    ASSERT_EQ(Run({"read", "--all", "-o", saved}).status, 0);
    const std::string file = ReadFile(saved.toStdString());
    r = Run({"read", "fix_small", "cal_small", "-q"});
    EXPECT_EQ(r.out, file) << "standard output holds the file";
    EXPECT_NE(r.out.find("\r\nfix_small.gain=12\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "") << "-q: nothing on standard error";
    r = Run({"read", "fix_small", "--json", "--filter", "LUT"});
    EXPECT_EQ(r.Target()["groupsRead"].toInt(), 1);
    EXPECT_EQ(r.Target()["parameters"].toArray()[0].toObject()["name"].toString(), "fix_small.lut");

    r = Run({"get", "fix_small.gain", "fix_small.lut", "--json"});
    EXPECT_EQ(r.Target()["parameters"].toArray()[1].toObject()["value"].toString(), "1,2,3,4");
    EXPECT_EQ(Run({"get", "fix_small.gain", "fix_small.lut"}).out, "fix_small.gain=12\nfix_small.lut=1,2,3,4\n");
    r = Run({"set", "fix_small.gain=34", "fix_small.lut={5,6,7,8}", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Target()["written"].toInt(), 2);
    r = Run({"set", "fix_small.gain=34", "fix_small.lut[1,2]=6,7", "--json"});
    EXPECT_EQ(r.Target()["written"].toInt(), 0);
    EXPECT_EQ(r.Target()["unchanged"].toInt(), 2);
    r = Run({"set", "fix_small.lut[1,2]=9,9", "--json"});
    EXPECT_EQ(r.Target()["written"].toInt(), 1) << r.err;
    EXPECT_EQ(Run({"get", "fix_small.lut"}).out, "fix_small.lut=5,9,9,8\n");
    ASSERT_TRUE(vtq::WriteFileAtomically(dir.File("range.nvm"), "fix_small.lut[1,2]=9,9\nfix_small.lut[3]=8\n"));
    EXPECT_EQ(Run({"write", File("range.nvm"), "--json"}).Target()["toWrite"].toInt(), 0) << "ranges as the target holds";

    r = Run({"diff", saved, "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.Target()["differenceCount"].toInt(), 2);
    const QJsonObject first = r.Target()["differences"].toArray()[0].toObject();
    EXPECT_EQ(first["text"].toString(), "\"fix_small.gain\" value: \"34\" != \"12\"");
    EXPECT_EQ(first["group"].toString() + " " + first["name"].toString(), "fix_small fix_small.gain");
    EXPECT_EQ(Run({"diff", saved, "cal_small"}).status, 0) << "only the named group";

    r = Run({"write", saved, "--dry-run"});
    EXPECT_EQ(r.out, "at@nvm:fix_small.gain=12\r\nat@nvm:fix_small.lut[0,3]={1,2,3,4}\r\n");
    EXPECT_NE(r.err.find("2 parameters of " + saved.toStdString() + " would be written (2 commands); nothing was sent"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Run({"get", "fix_small.gain"}).out, "fix_small.gain=34\n") << "a dry run sends nothing";

    r = Run({"write", saved, "--verify", "--commit", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Target()["attempted"].toInt(), 2) << "only the values that differ";
    EXPECT_EQ(r.Target()["verified"].toInt(), 2);
    EXPECT_EQ(r.Target()["committed"].toInt(), 2) << "every group of the file, written this run or not";
    EXPECT_EQ(r.Target()["commitGroups"].toArray(), (QJsonArray{"cal_small", "fix_small"}));
    EXPECT_EQ(Run({"diff", saved}).status, 0);
    // The file's own lines write back without a read, one-element arrays as arrays.
    const int lines = static_cast<int>(std::count(file.begin(), file.end(), '\n')) - 2;
    r = Run({"write", saved, "--all", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Target()["attempted"].toInt(), lines);

    EXPECT_EQ(Run({"commit", "--all", "--json"}).Target()["committed"].toInt(), 2);
    r = Run({"send", "at@nvm:fix_small.gain?"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "12\r\nOK\r\n");
    EXPECT_EQ(Run({"send", "at@nvm:fix_small.nothing?"}).status, 1);

    const QString header = File("small.h");
    r = Run({"export-header", "fix_small", "-o", header, "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadFile(header.toStdString()).find("fix_small_default_c22_7[]"), std::string::npos);
    r = Run({"changed-defaults", "fix_small", "-o", File("changed"), "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Target()["changedGroups"].toInt(), 1);
    EXPECT_EQ(ReadFile(dir.File("changed.nvm")), "at@nvm:fix_small.gain=12\r\n") << "the image's gain is not its default";
    r = Run({"load-header", header, "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Target()["committed"].toInt(), 1);
    EXPECT_EQ(Run({"get", "fix_small.gain"}).out, "fix_small.gain=10\n") << "the default value";
    EXPECT_EQ(Run({"rf-export", "-o", File("rf.h")}).status, 1) << "the small image has no RF groups";

    // An array as a table: written from a file of its shape (clamped to its type), then printed.
    ASSERT_TRUE(vtq::WriteFileAtomically(dir.File("tab.csv"), "6;5;4\r\n3;2;300\r\n"));
    r = Run({"set", "fix_small.tab", "--csv", File("tab.csv")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("6 cells changed; 1 value clamped to 0 to 255"), std::string::npos) << r.err;
    EXPECT_EQ(Run({"get", "fix_small.tab", "--table"}).out, "  6    5    4\n  3    2  255\n");
}

TEST_F(NvmtoolTest, BadInputChangesNothingAndQuestionsNeedAnAnswer) {
    SimServer server;
    ASSERT_TRUE(Serve(server, false, {"--error-pattern", "track_changes\\(fix|store_nvm_sync\\(7"}));
    const QString header = File("x.h");
    const std::string bad = dir.File("bad.nvm"), other = dir.File("other.nvm"), out = dir.File("out.nvm");
    const std::string range = dir.File("range.nvm"), braces = dir.File("braces.nvm"), twice = dir.File("twice.nvm");
    ASSERT_TRUE(vtq::WriteFileAtomically(range, "fix_small.lut[2,3]=7,8\nfix_small.lut[3,4]=7,8\n"));
    ASSERT_TRUE(vtq::WriteFileAtomically(braces, "fix_small.gain=4\nfix_small.lut={1,2,3,4\n"));
    ASSERT_TRUE(vtq::WriteFileAtomically(twice, "fix_small.gain=4\nfix_small.gain=5\n"));
    const std::string badHeader = dir.File("bad.h");
    ASSERT_TRUE(vtq::WriteFileAtomically(badHeader, "/*\n[GROUP=fix_small,ARRAYNAME=a,VERSION=1]\n*/\nextern U16 a[];\n"));
    ASSERT_TRUE(vtq::WriteFileAtomically(bad, "// comment\r\nfix_small.gain=40\r\nfix_small.offset 5\r\n"));
    ASSERT_TRUE(vtq::WriteFileAtomically(other, "fix_small.gain=40\r\nfix_none.x=1\r\n"));
    const std::string injected = dir.File("injected.nvm");
    ASSERT_TRUE(vtq::WriteFileAtomically(injected, "fix_small.dummy\rat@nvm:fix_small.gain=77\r\n"));
    ASSERT_TRUE(vtq::WriteFileAtomically(out, "old"));
    const std::tuple<QStringList, int, std::string> cases[] = {  // arguments, exit status, what standard error says
        {{"write", QString::fromStdString(bad)}, 2, bad + ":3: not a parameter assignment"},
        {{"write", QString::fromStdString(injected)}, 2, injected + ":1: "},
        {{"write", QString::fromStdString(other)}, 2, other + ":2: the target has no group \"fix_none\""},
        {{"write", File("missing.nvm")}, 4, "Cannot read the file"},
        {{"set", "fix_small.gain=40", "fix_small.nope=1"}, 2, "no parameter \"fix_small.nope\""},
        {{"get", "fix_none.x"}, 2, "no group \"fix_none\""},
        {{"commit", "cal_small"}, 1, "1 group was not committed"},
        {{"export-header", "fix_small", "-o", header, "--preset", "Nope"}, 2, "no naming preset \"Nope\""},
        // Groups whose defaults or changes the target refused make the run incomplete.
        {{"export-header", "fix_small", "cal_small", "-o", header}, 1, "1 group was not exported"},
        {{"load-header", QString::fromStdString(badHeader)}, 2,
         badHeader + ":2: Cannot find the array definition of \"a\" for group fix_small"},
        {{"read", "fix_small", "--filter", "zzz", "-o", QString::fromStdString(out)}, 1, "not written"},
        // Element counts and ranges are checked, dry run or not, before anything is written.
        {{"set", "fix_small.gain=4", "fix_small.lut=1,2,3"}, 2, "\"fix_small.lut\" has 4 elements; 3 values are given"},
        {{"set", "fix_small.lut[2,4]=1,2,3"}, 2, "outside \"fix_small.lut\", which has 4 elements"},
        {{"write", QString::fromStdString(range), "--all", "--dry-run"}, 2, range + ":2: The element range"},
        {{"write", QString::fromStdString(braces)}, 2, braces + ":2: not a well-formed assignment (its braces"},
        {{"write", QString::fromStdString(twice), "--dry-run"}, 0, twice + ":2: \"fix_small.gain\" is given on line 1"},
        // A group is not committed after a write to it failed.
        {{"set", "fix_small.gain=99999", "--commit", "--yes"}, 1, "Not committed: group fix_small, since a write"},
        {{"set", "fix_small.gain=99999"}, 1, "Error writing to target! Check connection"},
        {{"set", "fix_small.nope[0,1]=1,2"}, 2, "The target has no array \"fix_small.nope\""},
        {{"set", "fix_small.tab", "--csv", QString::fromStdString(twice)}, 2,
         "\"" + twice + "\" holds a table of 2 x 1 values; the array is 2 x 3."},
        {{"get", "fix_small.gain", "--csv"}, 2, "\"fix_small.gain\" is not an array"},
    };
    for (const auto& [args, status, says] : cases) {
        const ToolResult r = Run(args);
        EXPECT_EQ(r.status, status) << args.join(' ').toStdString() << "\n" << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    EXPECT_EQ(Run({"get", "fix_small.gain"}).out, "fix_small.gain=12\n");
    EXPECT_EQ(ReadFile(out), "old");
}

TEST(NvmtoolFiles, EachTargetGetsAFileOfItsOwn) {
    const std::tuple<const char*, int, int, const char*> cases[] = {  // path given, target index, targets, file
        {"out.nvm", 0, 1, "out.nvm"}, {"out.nvm", 1, 3, "out-2.nvm"}, {"a.d/out", 0, 2, "a.d/out-1"},
        {".hidden", 1, 2, ".hidden-2"}, {"d/x.tar.h", 0, 2, "d/x.tar-1.h"}};
    for (const auto& [path, index, count, file] : cases) EXPECT_EQ(nvmtool::PathForTarget(path, index, count), file);
}

TEST_F(NvmtoolTest, ThreeTargetsAtOnceOneLost) {
    SimServer a, b, c;
    ASSERT_TRUE(Serve(a, false));
    ASSERT_TRUE(Serve(b, false, {"--lose-after", "3"}));
    ASSERT_TRUE(Serve(c, true));
    target.clear();
    const ToolResult r = Run({"read", "--all", "-o", File("out.nvm"), "--json", "--timeout", "300", "--target",
                              QString::fromStdString(a.Target()), "--target", QString::fromStdString(b.Target()),
                              "--target", QString::fromStdString(c.Target())});
    EXPECT_EQ(r.status, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r.Target(i)["status"].toInt(), i == 1 ? 3 : 0) << i;
        EXPECT_EQ(r.Target(i)["target"].toString().toStdString(), (i == 0 ? a : i == 1 ? b : c).Target());
    }
    EXPECT_EQ(ReadFile(dir.File("out-1.nvm")), ReadFile(dir.File("out-3.nvm")));
    EXPECT_NE(ReadFile(dir.File("out-1.nvm")).find("fix_small.gain=12"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.File("out-2.nvm")), "(missing)");
}

TEST_F(NvmtoolTest, VerifyReportsAValueTheTargetDoesNotKeep) {
    const QString saved = ChangedGainFile();
    SimServer server;
    ASSERT_TRUE(Serve(server, false, {"--forget-writes", "gain"}));
    const ToolResult r = Run({"write", saved, "--verify", "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    const QJsonObject failure{{"name", "fix_small.gain"}, {"written", "99"}, {"readBack", "12"}, {"answered", true}};
    EXPECT_EQ(r.Target()["verifyFailures"].toArray(), QJsonArray{failure}) << r.out;
}

// What the output path is in a row of the table below.
enum class Out { None, File, Link, Fifo, Folder, FullDisk, StandardOutput };

struct FaultRow {
    const char* name;
    QStringList args;    // OUT stands for the output path, IN for a file naming a group the target lacks, GAIN
                         // for a file of the small image with a changed gain
    QStringList faults;  // the simulated modem's options; K runs the row once per k until the verb finishes
    Out out;
    int status;          // the exit status (with K: while the verb does not finish)
    bool oldKept;        // the old file is byte for byte what it was
    const char* says = "";     // a text on standard error
    const char* image = "small";
    int signal = 0;            // sent while the run reads slowly
    bool busyPort = false;     // the target is a serial port another nvmtool holds
};

void PrintTo(const FaultRow& row, std::ostream* os) { *os << row.name; }

class ExitStatusTable : public NvmtoolTest, public ::testing::WithParamInterface<FaultRow> {};

// Each verb that writes a file, under the simulated modem's faults and with hostile output paths: the exit status
// the help promises, the old file kept whole unless the run finished, and a finished run's file the same as a clean
// run's.
TEST_P(ExitStatusTable, StatusAndOldFile) {
    const FaultRow& row = GetParam();
    namespace fs = std::filesystem;
    const std::string old = "old\r\n";
    const std::string real = dir.File("real.nvm");
    const std::string out = row.out == Out::Link ? dir.File("link.nvm") : real;
    const std::string in = dir.File("in.nvm");
    ASSERT_TRUE(vtq::WriteFileAtomically(in, "fix_small.gain=1\r\nfix_none.x=1\r\n"));
    const QString gain = row.args.contains("GAIN") ? ChangedGainFile() : QString();
    auto Args = [&](const std::string& path) {
        QStringList args = row.args;
        args.replaceInStrings(QRegularExpression("^OUT$"), QString::fromStdString(path));
        args.replaceInStrings(QRegularExpression("^IN$"), QString::fromStdString(in));
        args.replaceInStrings(QRegularExpression("^GAIN$"), gain);
        return args;
    };
    const QString image = QString(VTQ_SOURCE_DIR) + "/sim/images/" + row.image + ".img";
    std::string clean;
    if (row.out != Out::None) {  // what the verb writes when nothing goes wrong
        SimServer server;
        ASSERT_TRUE(server.Start(false, {"--image", image}));
        target = {"--target", QString::fromStdString(server.Target())};
        fs::create_directory(dir.File("clean"));
        const std::string path = dir.File("clean/real.nvm");
        ASSERT_EQ(Run(Args(path)).status, 0);
        clean = ReadFile(path);
    }
    const bool sweep = row.faults.contains("K");
    bool finished = false;
    for (int k = 1; k <= (sweep ? 120 : 1) && !finished; ++k) {
        std::error_code ec;
        fs::remove_all(real, ec);
        fs::remove(out, ec);
        fs::remove(dir.File("real.partial.nvm"), ec);
        if (row.out == Out::Folder) fs::create_directory(real);
        if (row.out == Out::Fifo) {
            ASSERT_EQ(::mkfifo(real.c_str(), 0600), 0);
        } else if (row.out != Out::Folder && row.out != Out::None) {
            ASSERT_TRUE(vtq::WriteFileAtomically(real, old));
        }
        if (row.out == Out::Link) fs::create_symlink("real.nvm", out);
        std::string piped;
        std::thread reader;
        if (row.out == Out::Fifo) reader = std::thread([&] { vtq::ReadWholeFile(real, piped); });

        QStringList faults = row.faults;
        faults.replaceInStrings(QRegularExpression("^K$"), QString::number(k));
        SimServer server;
        ASSERT_TRUE(server.Start(row.busyPort, QStringList{"--image", image} + faults));
        target = {"--target", QString::fromStdString(server.Target()), "--timeout", sweep ? "200" : "3000"};
        QProcess holder;
        if (row.busyPort) {
            holder.start(kTool, QStringList{"read", "--all", "-q"} + target);
            QThread::msleep(500);
        }
        fileLimit = row.out == Out::FullDisk ? 20 : 0;
        signal = row.signal;
        const ToolResult r = Run(Args(row.out == Out::StandardOutput ? "-" : out));
        fileLimit = signal = 0;
        if (row.out == Out::Fifo) {
            // Releases a reader still waiting for a writer.
            const int fd = ::open(real.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            reader.join();
        }
        const std::string at = std::string(row.name) + (sweep ? " lost at " + std::to_string(k) : "");
        finished = sweep && r.status == 0;
        EXPECT_EQ(r.status, finished ? 0 : row.status) << at << "\n" << r.err;
        if (!finished && *row.says) {
            EXPECT_NE(r.err.find(row.says), std::string::npos) << at << "\n" << r.err;
        }
        if (row.out == Out::None) continue;
        const std::string now = row.out == Out::Fifo ? piped : row.out == Out::StandardOutput ? r.out : ReadFile(out);
        if (row.out == Out::Fifo) {
            EXPECT_TRUE(now == (row.oldKept ? "" : clean)) << at << ": " << now.size() << " bytes";
        } else if (row.out == Out::Folder) {
            EXPECT_TRUE(fs::is_directory(real)) << at;
        } else if (row.oldKept && !finished) {
            EXPECT_TRUE(now == old) << at << ": " << now.size() << " bytes";
        } else {
            EXPECT_TRUE(now == clean) << at << ": " << now.size() << " bytes, a clean run wrote " << clean.size();
        }
        if (row.out == Out::Link) {
            EXPECT_TRUE(fs::is_symlink(out)) << at;
        }
        // Nothing is left in the folder but the files the run was given, the clean run's file and a partial result.
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "config" || name == "in.nvm" || name == "clean" || name == "small.nvm" || name == "real.nvm" ||
                        name == "real.partial.nvm" || entry.path() == out)
                << at << ": " << name;
        }
    }
    EXPECT_TRUE(!sweep || finished) << row.name << " never got past the last command";
}

const QString kLost = "the target was lost";
const FaultRow kFaultRows[] = {
    // Faults of the target.
    // A damaged piece makes the read incomplete, its skipped parameters counted on the last line; an unknown
    // unsolicited code among the pieces, wherever the answer is cut, costs no parameter and goes to the log.
    {"DamagedPiece", {"read", "--all", "-o", "OUT"}, {"--corrupt-piece", "1"}, Out::File, 1, true,
     "nvmtool: The read is incomplete: 2 parameters were skipped.\n"},
    {"UnknownCodeInsideAnAnswer", {"read", "--all", "-o", "OUT"},
     {"--urc", "+XQZ: 5", "--urc-place", "inside", "--chunk-bytes", "7"}, Out::File, 0, false, "Unsolicited: +XQZ: 5"},
    // A second final code after every answer: never taken for the next command's.
    {"ExtraFinalCode", {"read", "--all", "-o", "OUT"}, {"--extra-final", "OK"}, Out::File, 0, false,
     "out of step with the commands"},
    {"GroupReadError", {"read", "--all", "-o", "OUT"}, {"--error-pattern", "dump_csv_add\\(\"cal"}, Out::File, 1,
     true, "real.partial.nvm"},
    {"TrackChangesError", {"changed-defaults", "-o", "OUT"}, {"--error-pattern", "track_changes\\(fix"}, Out::File,
     1, true, "Could not read the changes of group \"fix_small\"."},
    {"DumpDefaultError", {"export-header", "fix_small", "-o", "OUT"}, {"--error-pattern", "dump_default\\(\"fix"},
     Out::File, 1, true, "Nothing written to"},
    {"DiffWithGroupsTheTargetLacks", {"diff", "IN"}, {}, Out::None, 2, true, "in.nvm:2: the target has no group"},
    // Lost at every command in turn.
    {"ReadLost", {"read", "--all", "-o", "OUT"}, {"--lose-after", "K"}, Out::File, 3, true},
    {"ExportHeaderLost", {"export-header", "fix_small", "-o", "OUT"}, {"--lose-after", "K"}, Out::File, 3, true},
    {"ChangedDefaultsLost", {"changed-defaults", "-o", "OUT"}, {"--lose-after", "K"}, Out::File, 3, true},
    {"RfExportLost", {"rf-export", "-o", "OUT"}, {"--lose-after", "K"}, Out::File, 3, true, "", "rf_t71"},
    {"WriteLost", {"write", "GAIN", "--commit", "--yes"}, {"--lose-after", "K"}, Out::None, 3, true},
    {"SetLost", {"set", "fix_small.gain=5", "fix_small.lut=9,9,9,9", "--commit"}, {"--lose-after", "K"}, Out::None, 3,
     true},
    // Where the output goes.
    {"ReadToALink", {"read", "--all", "-o", "OUT"}, {}, Out::Link, 0, false},
    {"ReadToAFifo", {"read", "--all", "-o", "OUT"}, {}, Out::Fifo, 0, false},
    {"ChangedDefaultsToStandardOutput", {"changed-defaults", "-o", "OUT"}, {}, Out::StandardOutput, 0, false},
    {"ReadToAFolder", {"read", "--all", "-o", "OUT"}, {}, Out::Folder, 4, true, "Cannot write"},
    {"ChangedDefaultsToAFolder", {"changed-defaults", "-o", "OUT"}, {}, Out::Folder, 4, true, "Cannot write"},
    {"ExportHeaderToAFolder", {"export-header", "fix_small", "-o", "OUT"}, {}, Out::Folder, 4, true, "Cannot write"},
    {"ReadOntoAFullDisk", {"read", "--all", "-o", "OUT"}, {}, Out::FullDisk, 4, true, "Cannot write"},
    {"ChangedDefaultsOntoAFullDisk", {"changed-defaults", "-o", "OUT"}, {}, Out::FullDisk, 4, true, "Cannot write"},
    {"ExportHeaderOntoAFullDisk", {"export-header", "fix_small", "-o", "OUT"}, {}, Out::FullDisk, 4, true,
     "Cannot write"},
    {"SerialPortHeldByAnother", {"groups"}, {"--delay-ms", "200"}, Out::None, 3, true,
     "is busy: another program has it open", "small", 0, true},
    // Interrupted over a slow link.
    {"ReadInterrupted", {"read", "--all", "-o", "OUT"}, {"--delay-ms", "300"}, Out::File, 130, true, "", "small",
     SIGINT},
    {"ChangedDefaultsTerminated", {"changed-defaults", "-o", "OUT"}, {"--delay-ms", "300"}, Out::File, 143, true, "",
     "small", SIGTERM},
};

INSTANTIATE_TEST_SUITE_P(Faults, ExitStatusTable, ::testing::ValuesIn(kFaultRows),
                         [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

}  // namespace
