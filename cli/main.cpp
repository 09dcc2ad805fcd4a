// nvmtool: the editor's operations from a shell. One verb, run on every
// target given, each in a thread of its own with a session of its own.

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/file_io.h"
#include "cli/console_user.h"
#include "cli/printers.h"
#include "cli/tool_options.h"
#include "cli/verbs.h"

namespace {

void WriteOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

constexpr const char* kRunFolderPrefix = "nvmtool-";

// A folder for the settings files of this run, removed at the end: the tool
// never changes the editor's stored group selection. Its name holds the
// process number, so that a later run can tell the folder of a run that was
// killed from one still in use.
class RunFolder {
public:
    RunFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (kRunFolderPrefix + std::to_string(::getpid()) + "-XXXXXX"))
                .string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~RunFolder() { Remove(); }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;
    std::string File(int index) const { return path_ + "/settings-" + std::to_string(index) + ".ini"; }
    bool Ok() const { return !path_.empty(); }
    void Remove() const {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }

private:
    std::string path_;
};

// Removes the run folders of runs whose process is gone.
void SweepStaleRunFolders() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path(ec), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kRunFolderPrefix, 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + std::strlen(kRunFolderPrefix), nullptr, 10);
        struct stat st {};
        if (pid <= 0 || ::lstat(entry.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) std::filesystem::remove_all(entry.path(), ec);
    }
}

// An interrupted run ends without the normal teardown: its run folder goes,
// and the status is 128 + the signal.
[[noreturn]] void EndInterruptedRun(const RunFolder& folder, int signal) {
    folder.Remove();
    std::_Exit(128 + signal);
}

// Ctrl+C, SIGTERM and a hang-up cancel the running operations (their next
// step sees Cancel), stop every save so that no file is replaced, and end the
// run with 128 + the signal. A run that does not end within a few seconds, or
// a second signal, ends it at once.
sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
    return set;
}

// Every thread, made later, inherits the blocked signals: only the watcher takes them.
void BlockStopSignals() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void WatchSignals(const RunFolder& folder) {
    std::thread([set = StopSignals(), &folder] {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) return;
        // Saves stop before the runs see the cancel: once they see it, main may
        // return and tear down the save registry this call walks.
        vtq::AtomicFileWriter::StopAllSaves();
        nvmtool::Interrupted() = signal;
        const timespec grace{3, 0};
        siginfo_t info;
        sigtimedwait(&set, &info, &grace);
        EndInterruptedRun(folder, signal);
    }).detach();
}

}  // namespace

int main(int argc, char** argv) {
    BlockStopSignals();
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    nvmtool::ToolOptions options;
    std::string error;
    if (!nvmtool::ParseArguments(args, options, error)) {
        std::fprintf(stderr, "nvmtool: %s\n", error.c_str());
        if (options.json) WriteOut(nvmtool::JsonUsageError(options.verb, error));
        return nvmtool::ExitStatus(nvmtool::Outcome::kUsage);
    }
    if (options.version) {
        WriteOut("nvmtool " NVMTOOL_VERSION "\n");
        return 0;
    }
    if (options.help) {
        WriteOut(nvmtool::HelpText(options.verb));
        return 0;
    }
    SweepStaleRunFolders();
    RunFolder folder;
    WatchSignals(folder);
    if (!folder.Ok()) {
        std::fprintf(stderr, "nvmtool: cannot make a temporary folder.\n");
        return nvmtool::ExitStatus(nvmtool::Outcome::kFileError);
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

    if (const int signal = nvmtool::Interrupted(); signal != 0) {
        std::fprintf(stderr, "nvmtool: interrupted; the run was cancelled and nothing more was saved.\n");
        // No teardown: it could race the watcher still waiting out its grace time.
        std::fflush(stdout);
        EndInterruptedRun(folder, signal);
    }
    nvmtool::Outcome worst = nvmtool::Outcome::kDone;
    for (const nvmtool::TargetRun& run : runs) worst = std::max(worst, run.result.outcome);
    const int status = nvmtool::ExitStatus(worst);
    for (const nvmtool::TargetRun& run : runs)
        for (const std::string& e : run.result.errors)
            std::fprintf(stderr, "nvmtool: %s%s\n", count > 1 ? ("[" + run.target + "] ").c_str() : "", e.c_str());
    if (options.json) {
        WriteOut(nvmtool::JsonOutput(options.verb, status, runs));
    } else {
        for (const nvmtool::TargetRun& run : runs) {
            const std::string out = nvmtool::TextOutput(run.result);
            if (count > 1 && !out.empty()) WriteOut("== " + run.target + " ==\n");
            WriteOut(out);
        }
    }
    return status;
}
