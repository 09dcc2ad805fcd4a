#include "base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>

namespace vtq {

namespace {
std::atomic<int> writesBeforeFault{-1};

bool FaultNow() {
    int n = writesBeforeFault.load();
    while (n >= 0) {
        if (writesBeforeFault.compare_exchange_weak(n, n - 1)) return n == 0;
    }
    return false;
}
}  // namespace

bool ReadWholeFile(const std::string& path, std::string& data) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::vector<std::string> SplitLines(std::string_view data) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < data.size()) {
        size_t lf = data.find('\n', start);
        size_t end = lf == std::string_view::npos ? data.size() : lf;
        size_t len = end - start;
        if (lf != std::string_view::npos && len > 0 && data[end - 1] == '\r') --len;
        lines.emplace_back(data.substr(start, len));
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
    return lines;
}

namespace {

namespace fs = std::filesystem;

// Commits and StopAllSaves take turns, so a stop never meets a rename half done.
std::mutex& SaveLock() {
    static std::mutex lock;
    return lock;
}
bool savesStopped = false;
// Temporary files that have a name, removed when saves are stopped.
std::set<std::string>& NamedTemporaries() {
    static std::set<std::string> names;
    return names;
}

// The file a write to `path` reaches: each symbolic link replaced by what it
// points to (a relative one read from the link's own folder).
std::string FollowLinks(std::string path) {
    for (int step = 0; step < 40; ++step) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec))) break;
        fs::path next = fs::read_symlink(path, ec);
        if (ec) break;
        if (next.is_relative()) next = fs::path(path).parent_path() / next;
        path = next.string();
    }
    return path;
}

std::string FolderOf(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// A short name no other file in `folder` has yet: ".vtq" and six random characters.
std::string TemporaryName(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    unsigned long long n = (static_cast<unsigned long long>(::getpid()) << 20) ^ counter++ ^
                           static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::string name = folder + "/.vtq";
    for (int i = 0; i < 6; ++i, n /= 36) name += digits[n % 36];
    return name;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
    if (path_ == "-") {
        inPlace_ = ok_ = true;
        return;
    }
    // A device or FIFO, reached through any links, is written in place through the name given: /dev/stdout on a
    // pipe leads to a "pipe:[n]" link that no path resolves, but opening the name itself works.
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        target_ = path_;
        inPlace_ = ok_ = true;
        return;
    }
    target_ = FollowLinks(path_);
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return;
    // A file without a name vanishes with the process, however it ends; it
    // gets a name only for the moment between link and rename.
    const std::string folder = FolderOf(target_);
    // The commit names such a file through /proc, so without /proc the temporary file gets a name at once.
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    int fd = procMounted ? ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666) : -1;
    if (fd < 0) {
        std::string pattern = folder + "/.vtqXXXXXX";
        fd = ::mkstemp(pattern.data());
        if (fd < 0) return;
        const std::lock_guard<std::mutex> lock(SaveLock());
        temp_ = pattern;
        NamedTemporaries().insert(temp_);
    }
    file_ = fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        return;
    }
    ok_ = true;
}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_) std::fclose(file_);
    if (!temp_.empty()) {
        const std::lock_guard<std::mutex> lock(SaveLock());
        if (!committed_) ::unlink(temp_.c_str());
        NamedTemporaries().erase(temp_);
    }
}

void AtomicFileWriter::Write(std::string_view text) {
    if (!ok_) return;
    if (FaultNow()) {
        ok_ = false;
        return;
    }
    if (inPlace_) {
        held_.append(text);
    } else if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        ok_ = false;
    }
}

void AtomicFileWriter::Line(std::string_view text) {
    Write(text);
    Write("\r\n");
}

void AtomicFileWriter::Lines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) Line(line);
}

bool AtomicFileWriter::Commit() {
    if (!ok_ || committed_) return committed_;
    const bool good = inPlace_ ? CommitInPlace() : CommitByRename();
    ok_ = good;
    committed_ = good;
    return good;
}

bool AtomicFileWriter::CommitInPlace() {
    const std::lock_guard<std::mutex> lock(SaveLock());
    if (savesStopped) return false;
    if (path_ == "-") return WriteAll(STDOUT_FILENO, held_);
    const int fd = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool good = WriteAll(fd, held_);
    return ::close(fd) == 0 && good;
}

bool AtomicFileWriter::CommitByRename() {
    bool good = std::fflush(file_) == 0 && ::fsync(fileno(file_)) == 0;
    // The new file keeps the old one's permissions; a new name gets what a
    // plain create would give it.
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        good = good && ::fchmod(fileno(file_), st.st_mode & 07777) == 0;
    } else if (!temp_.empty()) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        good = good && ::fchmod(fileno(file_), 0666 & ~mask) == 0;
    }
    const std::lock_guard<std::mutex> lock(SaveLock());
    if (savesStopped) good = false;
    if (good && temp_.empty()) {
        // Give the nameless file a name beside the target, then rename that.
        const std::string self = "/proc/self/fd/" + std::to_string(fileno(file_));
        const std::string folder = FolderOf(target_);
        std::string name;
        for (int tries = 0; tries < 100 && name.empty(); ++tries) {
            std::string candidate = TemporaryName(folder);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)
                name = candidate;
            else if (errno != EEXIST)
                break;
        }
        good = !name.empty() && std::rename(name.c_str(), target_.c_str()) == 0;
        if (!good && !name.empty()) ::unlink(name.c_str());
    } else if (good) {
        good = std::rename(temp_.c_str(), target_.c_str()) == 0;
    }
    // The rename itself reaches the disk only with its folder: a file that must
    // exist before the next step (a restore point before a write) needs both.
    // The file is in place by now, so a folder that cannot be synced fails nothing.
    if (good) {
        if (const int folder = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
    good = std::fclose(file_) == 0 && good;
    file_ = nullptr;
    return good;
}

void AtomicFileWriter::FailWriteAfter(int n) { writesBeforeFault.store(n); }

std::string PartialFilePath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t name = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    const size_t cut = dot == std::string::npos || dot <= name ? path.size() : dot;
    return path.substr(0, cut) + ".partial" + path.substr(cut);
}

void AtomicFileWriter::StopAllSaves(bool stop) {
    const std::lock_guard<std::mutex> lock(SaveLock());
    savesStopped = stop;
    if (!stop) return;
    for (const std::string& name : NamedTemporaries()) ::unlink(name.c_str());
    NamedTemporaries().clear();
}

bool WriteFileAtomically(const std::string& path, std::string_view content) {
    AtomicFileWriter out(path);
    out.Write(content);
    return out.Commit();
}

}  // namespace vtq
