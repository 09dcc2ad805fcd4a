#include "base/file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
    // mkstemp gives a name no other writer uses, in the target's own folder so
    // that the final rename stays on one file system.
    std::string pattern = path_ + ".tmpXXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return;
    file_ = fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(pattern.c_str());
        return;
    }
    temp_ = pattern;
    ok_ = true;
}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_) std::fclose(file_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFileWriter::Write(std::string_view text) {
    if (!ok_) return;
    if (FaultNow()) {
        ok_ = false;
        return;
    }
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) ok_ = false;
}

void AtomicFileWriter::Line(std::string_view text) {
    Write(text);
    Write("\r\n");
}

bool AtomicFileWriter::Commit() {
    if (!ok_ || committed_) return committed_;
    bool good = std::fflush(file_) == 0 && ::fsync(fileno(file_)) == 0;
    good = std::fclose(file_) == 0 && good;
    file_ = nullptr;
    // A new file gets the permissions a plain create would give it (mkstemp makes it 0600).
    std::error_code ec;
    if (good && !std::filesystem::exists(path_, ec)) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        std::filesystem::permissions(temp_, static_cast<std::filesystem::perms>(0666 & ~mask), ec);
    } else if (good) {
        std::filesystem::permissions(temp_, std::filesystem::status(path_, ec).permissions(), ec);
    }
    if (good && std::rename(temp_.c_str(), path_.c_str()) != 0) good = false;
    ok_ = good;
    committed_ = good;
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

bool WriteFileAtomically(const std::string& path, std::string_view content) {
    AtomicFileWriter out(path);
    out.Write(content);
    return out.Commit();
}

}  // namespace vtq
