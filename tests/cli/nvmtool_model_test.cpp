// Random parameter files and options for "nvmtool write": the dry run must print exactly the write commands the real
// run then sends (as the simulated modem's journal records them), and must send none itself. A failure prints
// RapidCheck's seed and the shrunk file; RC_PARAMS="seed=N" replays it.

#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <QCoreApplication>
#include <sstream>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "support/sim_server.h"
#include "support/temp_dir.h"
#include "tool_run.h"

namespace {

// Lines a user might put in a file for the small image: good values, values out of range, wrong element counts,
// element ranges inside and outside arrays, names the target lacks, comments and command prefixes; now and then
// (kinds 56 to 63) a line only a tolerant reader takes, or one it must refuse.
std::string Line(int kind, int n) {
    const std::string v = std::to_string(n), w = std::to_string(n * 7 % 300 - 20);
    const std::vector<std::string> lines = {
        "fix_small.gain=" + v,
        "fix_small.offset=" + w,
        "fix_small.lut[0]={" + v + "," + w + ",3,4}",
        "fix_small.lut[" + std::to_string(n % 3) + "," + std::to_string(n % 3 + 1) + "]={7," + v + "}",
        "fix_small.tab[0]={1,2,3,4,5," + v + "}",
        "fix_small.label=\"t" + v + "\"",
        "cal_small.one[0]={" + v + "}",
        "cal_small.one=" + v,
        "cal_small.mode_1=" + w + " (uint8)",
        "fix_small.rec[1].a=" + v,
        "// comment " + v,
        "",
        "at@nvm:cal_small.mode_1=" + v,
    };
    const std::vector<std::string> odd = {
        "cal_small.mode_1=" + v + "\rat@nvm:fix_small.gain=" + w,
        "\xEF\xBB\xBF" + lines[static_cast<size_t>(n) % 10],
        "AT@NVM:fix_small.gain=" + v,
        "// comment\rfix_small.gain=" + v,
        "fix_small.lut[0]={1,2,3," + v,
        "fix_small.lut=1,2,3," + v + "}",
        "fix_small.gain=" + v + std::string(1, '\0'),
        "fix_small.lut={1," + v + "}",
        "fix_small.lut[" + std::to_string(n % 5) + "," + std::to_string(n % 4 + 1) + "]={7," + v + "}",
        "fix_small.nothing=" + v,
    };
    return kind < 56 ? lines[static_cast<size_t>(kind) % lines.size()] : odd[static_cast<size_t>(kind) % odd.size()];
}

// The write commands among `lines` (the stores and every query left out), without carriage returns.
std::vector<std::string> Writes(const std::string& text) {
    std::vector<std::string> writes;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.ends_with('\r')) line.pop_back();
        if (line.starts_with("at@nvm:") && line.find('=') != std::string::npos && line[7] != '$')
            writes.push_back(line);
    }
    return writes;
}

RC_GTEST_PROP(NvmtoolModelTest, TheDryRunPrintsWhatTheRealRunSends, ()) {
    const auto lines = *rc::gen::container<std::vector<std::pair<int, int>>>(
        rc::gen::pair(rc::gen::inRange(0, 64), rc::gen::inRange(0, 400)));
    const int options = *rc::gen::inRange(0, 8);
    int argc = 1;
    char arg0[8] = "test";
    char* argv[1] = {arg0};
    static QCoreApplication app(argc, argv);

    vtq::test::TempDir dir;
    std::string text;
    for (const auto& [kind, n] : lines) text += Line(kind, n) + "\n";
    RC_ASSERT(vtq::WriteFileAtomically(dir.File("in.nvm"), text));
    vtq::test::SimServer server;
    const std::string journal = dir.File("journal.txt");
    RC_ASSERT(server.Start(false, {"--image", QString(VTQ_SOURCE_DIR) + "/sim/images/small.img", "--journal",
                                   QString::fromStdString(journal)}));
    const QStringList target = {"--target", QString::fromStdString(server.Target()), "-q"};
    QStringList write = {"write", QString::fromStdString(dir.File("in.nvm"))};
    if (options & 1) write << "--all";

    const vtq::test::ToolResult dry = vtq::test::RunTool(write + QStringList{"--dry-run"} + target, dir.File("config"));
    std::string sent;
    vtq::ReadWholeFile(journal, sent);
    RC_ASSERT(Writes(sent).empty());
    const size_t before = sent.size();
    if (options & 2) write << "--commit";
    if (options & 4) write << "--verify";
    const vtq::test::ToolResult real = vtq::test::RunTool(write + target, dir.File("config"));
    vtq::ReadWholeFile(journal, sent);
    RC_CLASSIFY(dry.status == 2, "bad input");
    RC_CLASSIFY(!Writes(dry.out).empty(), "writes");
    RC_LOG() << "file:\n" << text << "dry run (status " << dry.status << "):\n" << dry.out;
    // Bad input stops both alike, before anything is written.
    RC_ASSERT((dry.status == 2) == (real.status == 2));
    RC_ASSERT(Writes(sent.substr(before)) == (dry.status == 2 ? std::vector<std::string>{} : Writes(dry.out)));
}

}  // namespace
