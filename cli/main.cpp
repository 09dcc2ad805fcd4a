// nvmtool: the editor's operations from a shell. One verb, run on every
// target given, each in a thread of its own with a session of its own.

#include <unistd.h>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/console_user.h"
#include "cli/tool_options.h"
#include "cli/verbs.h"

namespace {

void WriteOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// A folder for the settings files of this run, removed at the end: the tool
// never changes the editor's stored group selection.
class RunFolder {
public:
    RunFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "nvmtool.XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~RunFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;
    std::string File(int index) const { return path_ + "/settings-" + std::to_string(index) + ".ini"; }
    bool Ok() const { return !path_.empty(); }

private:
    std::string path_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    nvmtool::ToolOptions options;
    std::string error;
    if (!nvmtool::ParseArguments(args, options, error)) {
        std::fprintf(stderr, "nvmtool: %s\n", error.c_str());
        if (options.json) {
            const QJsonObject doc{{"verb", nvmtool::Text(options.verb)},
                                  {"status", nvmtool::kBadInput},
                                  {"error", nvmtool::Text(error)},
                                  {"targets", QJsonArray()}};
            WriteOut(QJsonDocument(doc).toJson().toStdString());
        }
        return nvmtool::kBadInput;
    }
    if (options.version) {
        WriteOut("nvmtool " NVMTOOL_VERSION "\n");
        return nvmtool::kDone;
    }
    if (options.help) {
        WriteOut(nvmtool::HelpText(options.verb));
        return nvmtool::kDone;
    }
    RunFolder folder;
    if (!folder.Ok()) {
        std::fprintf(stderr, "nvmtool: cannot make a temporary folder.\n");
        return nvmtool::kFileError;
    }

    const int count = static_cast<int>(options.targets.size());
    const bool terminal = ::isatty(2) != 0;
    std::vector<nvmtool::TargetRun> runs(static_cast<size_t>(count));
    // Qt threads: the serial and TCP links need the event dispatcher such a thread has.
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < count; ++i) {
        nvmtool::ConsoleSettings console;
        console.quiet = options.quiet;
        console.progressBar = terminal && count == 1;
        console.interactive = terminal && ::isatty(0) != 0 && count == 1;
        console.yes = options.yes;
        if (count > 1) console.prefix = "[" + options.targets[size_t(i)] + "] ";
        if (!options.variant.empty()) console.inputs["RF Variant ID"] = options.variant;
        threads.emplace_back(QThread::create([&, i, console] {
            runs[size_t(i)] =
                nvmtool::RunOnTarget(options, options.targets[size_t(i)], i, count, console, folder.File(i));
        }));
        threads.back()->start();
    }
    for (const auto& thread : threads) thread->wait();

    int status = nvmtool::kDone;
    for (const nvmtool::TargetRun& run : runs) status = std::max(status, run.status);
    for (const nvmtool::TargetRun& run : runs)
        for (const std::string& e : run.errors)
            std::fprintf(stderr, "nvmtool: %s%s\n", count > 1 ? ("[" + run.target + "] ").c_str() : "", e.c_str());
    if (options.json) {
        QJsonArray targets;
        for (const nvmtool::TargetRun& run : runs) targets.append(nvmtool::RunToJson(run));
        const QJsonObject doc{{"verb", nvmtool::Text(options.verb)}, {"status", status}, {"targets", targets}};
        WriteOut(QJsonDocument(doc).toJson().toStdString());
    } else {
        for (const nvmtool::TargetRun& run : runs) {
            if (count > 1 && !run.out.empty()) WriteOut("== " + run.target + " ==\n");
            WriteOut(run.out);
        }
    }
    return status;
}
