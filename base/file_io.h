#pragma once
// Reading files whole and writing them atomically. Every file the editor writes
// goes through AtomicFileWriter: the new text goes to a temporary file beside
// the target, is flushed and synced, and only then renamed over the old file,
// so a failed or cut write never leaves a half file in place of a whole one.

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vtq {

// Where an incomplete result is written, so that it never replaces a complete
// file: ".partial" before the file name's extension ("d/a.h" gives "d/a.partial.h").
std::string PartialFilePath(const std::string& path);

// Reads the whole file in binary mode. False when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& data);

// Splits at line feeds; a carriage return before a line feed is dropped. A last
// line without a line feed counts; an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view data);

class AtomicFileWriter {
public:
    // Opens a temporary file in the folder of `path`. Check Ok() before writing.
    explicit AtomicFileWriter(std::string path);
    // Removes the temporary file unless Commit() succeeded.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // False once opening or any write failed; later writes are ignored.
    bool Ok() const { return ok_; }
    const std::string& Path() const { return path_; }

    void Write(std::string_view text);
    // The text and a carriage return and line feed.
    void Line(std::string_view text);

    // Flushes, syncs and renames the temporary file over `path`. False (and the
    // old file untouched) when anything failed on the way.
    bool Commit();

    // Test hook: the n-th Write from now on (0 = the next one) fails as a full
    // device would; a negative value switches the fault off. Process-wide.
    static void FailWriteAfter(int n);

private:
    std::string path_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool ok_ = false;
    bool committed_ = false;
};

// Writes `content` as the whole new file, atomically. False when it failed.
bool WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace vtq
