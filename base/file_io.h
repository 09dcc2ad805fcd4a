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
    // Prepares the save of `path`. Symbolic links are followed, so the file a
    // link points to is replaced and the link stays. A regular file (or a new
    // name) gets a temporary file in its folder, which has no name until the
    // commit where the file system allows it and a short one otherwise, so any
    // name the folder accepts can be saved. A character device or a FIFO (and
    // "-", standard output) is written in place at the commit, all at once. A
    // folder or any other kind of file cannot be saved: Ok() is false.
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
    // Each text as a Line.
    void Lines(const std::vector<std::string>& lines);

    // Flushes, syncs and renames the temporary file over the file saved (or
    // writes the device or FIFO). False (and the old file untouched) when
    // anything failed on the way.
    bool Commit();

    // Test hook: the n-th Write from now on (0 = the next one) fails as a full
    // device would; a negative value switches the fault off. Process-wide.
    static void FailWriteAfter(int n);

    // Stops every save of the process (an interrupt ends the run): no commit
    // renames or writes anything from now on, and the temporary files that
    // have a name are removed. False switches saving on again (tests).
    static void StopAllSaves(bool stop = true);

private:
    bool CommitInPlace();
    bool CommitByRename();

    std::string path_;
    std::string target_;  // path_ with its links followed
    std::string temp_;    // the temporary file's name, when it has one
    std::string held_;    // what a device or FIFO gets at the commit
    std::FILE* file_ = nullptr;
    bool inPlace_ = false;
    bool ok_ = false;
    bool committed_ = false;
};

// Writes `content` as the whole new file, atomically. False when it failed.
bool WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace vtq
