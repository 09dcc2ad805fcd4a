#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <string>

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
        p.start(kTool, args + target);
        p.closeWriteChannel();
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
        {{"export-header", "fix_small"}, "export-header needs -o FILE"},
        {{"send"}, "Usage: nvmtool send COMMAND"},
        {{"groups", "--bogus"}, "Unknown option --bogus"},
        {{"read", "--all", "--filter"}, "--filter needs a value"},
        {{"groups", "--target"}, "--target needs a value"},
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

    r = Run({"diff", saved, "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.Target()["differenceCount"].toInt(), 2);
    EXPECT_EQ(r.Target()["differences"].toArray()[0].toObject()["text"].toString(),
              "\"fix_small.gain\" value: \"34\" != \"12\"");
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
        {{"export-header", "cal_small", "-o", header}, 1, "Nothing written to"},  // cal_small has no defaults
        // Groups whose defaults or changes the target refused make the run incomplete.
        {{"export-header", "fix_small", "cal_small", "-o", header}, 1, "1 group was not exported"},
        {{"changed-defaults", "-o", File("changed.nvm")}, 1, "Could not read the changes of group \"fix_small\"."},
        {{"load-header", QString::fromStdString(badHeader)}, 2,
         badHeader + ":2: Cannot find the array definition of \"a\" for group fix_small"},
        {{"read", "fix_small", "-o", QString::fromStdString(dir.Path().string())}, 4, "Cannot write"},
        {{"read", "fix_small", "--filter", "zzz", "-o", QString::fromStdString(out)}, 1, "not written"},
        // Element counts and ranges are checked, dry run or not, before anything is written.
        {{"set", "fix_small.gain=4", "fix_small.lut=1,2,3"}, 2, "\"fix_small.lut\" has 4 elements; 3 values are given"},
        {{"set", "fix_small.lut[2,4]=1,2,3"}, 2, "outside \"fix_small.lut\", which has 4 elements"},
        {{"write", QString::fromStdString(range), "--all", "--dry-run"}, 2, range + ":2: The element range"},
        {{"write", QString::fromStdString(braces)}, 2, braces + ":2: not a well-formed assignment (its braces"},
        {{"write", QString::fromStdString(twice), "--dry-run"}, 0, twice + ":2: \"fix_small.gain\" is given on line 1"},
        // A group is not committed after a write to it failed.
        {{"set", "fix_small.gain=99999", "--commit", "--yes"}, 1, "Not committed: group fix_small, since a write"},
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

// Damaged pieces make a read incomplete (status 1, the skipped parameters counted on the last line); an unknown
// unsolicited code among the pieces, wherever the answer is cut, or a stray final code costs no parameter.
TEST_F(NvmtoolTest, ReadsThroughDamagedPiecesAndUnknownCodes) {
    const QString clean = File("clean.nvm"), out = File("out.nvm");
    {
        SimServer server;
        ASSERT_TRUE(Serve(server, false));
        ASSERT_EQ(Run({"read", "--all", "-o", clean}).status, 0);
    }
    const std::tuple<QStringList, int, const char*> cases[] = {  // server faults, exit status, what standard error says (last, when incomplete)
        {{"--urc", "+XQZ: 5", "--urc-place", "inside", "--chunk-bytes", "7"}, 0, "Unsolicited: +XQZ: 5"},
        // A second final code after every answer: never taken for the next command's.
        {{"--extra-final", "OK"}, 0, "out of step with the commands"},
        {{"--corrupt-piece", "1"}, 1, "nvmtool: The read is incomplete: 2 parameters were skipped.\n"},
    };
    for (const auto& [faults, status, says] : cases) {
        SimServer server;
        ASSERT_TRUE(Serve(server, false, faults));
        const ToolResult r = Run({"read", "--all", "-o", out});
        EXPECT_EQ(r.status, status) << faults.join(' ').toStdString() << "\n" << r.err;
        EXPECT_TRUE(status == 0 ? r.err.find(says) != std::string::npos : r.err.ends_with(says)) << r.err;
        if (status == 0) {
            EXPECT_EQ(ReadFile(out.toStdString()), ReadFile(clean.toStdString()));
        }
    }
}

// Lost at every command of a read, a write and a set with their commit: exit status 3 (also in the JSON document,
// with the error) until k passes the last command, and a read that did not finish writes no file.
TEST_F(NvmtoolTest, TargetLostAtEveryCommandOfReadWriteAndSet) {
    const QString saved = ChangedGainFile();
    const QString out = File("out.nvm");
    const QStringList runs[] = {{"read", "--all", "-o", out},
                                {"write", saved, "--commit", "--yes"},
                                {"set", "fix_small.gain=5", "fix_small.lut=9,9,9,9", "--commit"}};
    for (const QStringList& args : runs) {
        const std::string verb = args[0].toStdString();
        bool finished = false;
        for (int k = 1; k <= 40 && !finished; ++k) {
            SimServer server;
            ASSERT_TRUE(Serve(server, false, {"--lose-after", QString::number(k)}, "200"));
            QFile::remove(out);
            const ToolResult r = Run(args + QStringList{"--json"});
            finished = r.status == 0;
            if (!finished) {
                EXPECT_EQ(r.status, 3) << verb << " lost at " << k << "\n" << r.err;
                EXPECT_EQ(r.json["status"].toInt(), 3);
                EXPECT_FALSE(r.Target()["errors"].toArray().isEmpty()) << verb << " lost at " << k;
            }
            EXPECT_TRUE(verb != "read" || QFileInfo::exists(out) == finished) << k;
        }
        EXPECT_TRUE(finished) << verb << " never got past the last command";
    }
}

}  // namespace
