#pragma once
// What the fuzz targets share: the standard headers they use, the work folder, the check, and the checks of a
// command and a record's write.

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/write_groups.h"
#include "model/write_commands.h"
#include "support/scripted_host.h"

namespace fuzzcheck {

// The work folder of this process, empty until WorkFolder makes it.
inline std::string& WorkFolderPath() {
    static std::string path;
    return path;
}

inline void RemoveWorkFolder() {
    std::error_code ignored;
    if (!WorkFolderPath().empty()) std::filesystem::remove_all(WorkFolderPath(), ignored);
}

// A failed check names what broke, removes the work folder and aborts: libFuzzer reports the input.
inline void Check(bool good, const char* what, std::string_view detail = {}) {
    if (good) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    if (!detail.empty()) std::fprintf(stderr, "  in: %.*s\n", static_cast<int>(detail.size()), detail.data());
    RemoveWorkFolder();
    std::abort();
}

// The folder for the files every run writes ("PROGRAM.PID.XXXXXX", in memory where the system has it), removed
// at exit or a failed check; folders left by processes that no longer run are removed on the first call.
inline const std::string& WorkFolder() {
    std::string& path = WorkFolderPath();
    if (!path.empty()) return path;
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
    const std::string prefix = std::string(program_invocation_short_name) + ".";
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(base, ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            std::filesystem::remove_all(entry.path(), ignored);
    }
    std::string pattern = base + "/" + prefix + std::to_string(getpid()) + ".XXXXXX";
    Check(mkdtemp(pattern.data()) != nullptr, "no work folder");
    path = pattern;
    std::atexit(RemoveWorkFolder);
    return path;
}

// A command is one line: its final CR and no other CR, LF or NUL (the target would run a second command).
inline void CheckOneLine(std::string_view command) {
    Check(!command.empty() && command.back() == '\r', "command does not end in CR", command);
    command.remove_suffix(1);
    Check(command.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos,
          "command holds CR, LF or NUL", command);
}

// A target that answers OK to everything and records every command.
class RecordingHost : public vtq::test::ScriptedHost {
public:
    RecordingHost() {
        responder = [](const std::string&, std::string& answer) {
            answer = "OK";
            return true;
        };
    }
};

// Elements of a comma list, commas in double quotes not counted; one leading and one trailing comma are none.
inline int CountValues(std::string_view list) {
    if (!list.empty() && list.back() == ',') list.remove_suffix(1);
    if (!list.empty() && list.front() == ',') list.remove_prefix(1);
    if (list.find_first_not_of(" \t") == std::string_view::npos) return 0;
    int count = 1;
    bool quoted = false;
    for (char c : list) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) ++count;
    }
    return count;
}

// An element number: decimal digits without sign, blanks round them, at most 2^31-1; -1 when the text is none.
inline long ReadIndex(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return -1;
    text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
    unsigned long n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    return error == std::errc() && end == text.data() + text.size() && n <= 2147483647UL ? long(n) : -1;
}

// Checks a write command "at@nvm:NAME=VALUE\r". Every range of the name is plain numbers, first <= last. `arrays`
// maps the target's names (no brackets) to element counts (0: scalar): a scalar gets no range, an array one range
// inside it. A record of `elements` (when above 0) names a range no longer than that. A range of several elements
// carries as many values in braces; a string in double quotes goes to any name as it stands. With `targetNames`
// the name is the target's own and only its last bracket group, the one the editor builds, is checked.
inline void CheckWriteCommand(std::string_view command, const std::map<std::string, int, std::less<>>& arrays,
                              int elements = 0, bool targetNames = false) {
    CheckOneLine(command);
    constexpr std::string_view kPrefix = "at@nvm:";
    if (command.substr(0, kPrefix.size()) != kPrefix) return;
    command.remove_prefix(kPrefix.size());
    command.remove_suffix(1);
    const size_t eq = command.find('=');
    if (eq == std::string_view::npos) return Check(false, "write command without '='", command);
    const std::string_view name = command.substr(0, eq);
    const std::string_view value = command.substr(eq + 1);
    // A target's name of a scalar goes back as it came: the editor adds no range to check.
    if (targetNames && elements < 1) return;
    const size_t open = targetNames ? name.rfind('[') : name.find('[');
    const std::string_view base = name.substr(0, open);

    // Every bracket group of the name: "[a]" or "[a,b]" with a <= b.
    std::vector<std::pair<long, long>> ranges;
    for (size_t at = open; at != std::string_view::npos; at = name.find('[', at + 1)) {
        const size_t close = name.find(']', at);
        if (close == std::string_view::npos) return Check(false, "element range without ']'", command);
        const std::string_view inside = name.substr(at + 1, close - at - 1);
        const size_t comma = inside.find(',');
        const long first = ReadIndex(inside.substr(0, comma));
        const long last = comma == std::string_view::npos ? first : ReadIndex(inside.substr(comma + 1));
        Check(first >= 0 && last >= first, "element range that is not first <= last", command);
        ranges.push_back({first, last});
    }

    // A value in double quotes is one string, written to the name as it stands: a character array takes it whole.
    if (value.size() >= 2 && value.front() == '"' && value.find('"', 1) == value.size() - 1) return;
    const auto known = arrays.find(base);
    if (known != arrays.end()) {
        if (known->second < 1) return Check(ranges.empty(), "element range on a scalar", command);
        Check(ranges.size() == 1, "not one element range on an array", command);
        elements = known->second;
    }
    if (elements < 1 || ranges.empty()) return;
    const auto [first, last] = ranges.back();
    // A record named with a range of its own (tab[4,7]) holds that many elements from its first.
    Check(known != arrays.end() ? last < elements : last - first < elements, "a range outside the array", command);
    const bool braced = value.size() >= 2 && value.front() == '{' && value.back() == '}';
    if (!braced) return Check(first == last, "values of several elements without braces", command);
    // Quotes inside an array value leave its count open (a comma may stand in a string): not checked then.
    const std::string_view values = value.substr(1, value.size() - 2);
    if (values.find('"') != std::string_view::npos) return;
    Check(CountValues(values) == last - first + 1, "element range and value count differ", command);
}

// Writes a copy of `record` to a target that answers OK, checks each command sent, and that the dry run matches.
inline void CheckRecordWrite(const vtq::NVMParameter& record, const std::map<std::string, int, std::less<>>& arrays,
                             bool targetNames = false) {
    RecordingHost target;
    vtq::NVMParameter sent = record;
    const bool written = vtq::WriteRecord(target, sent, vtq::RecordReport::Quiet);
    for (const std::string& command : target.commands)
        CheckWriteCommand(command, arrays, record.elementCount, targetNames);
    const vtq::WriteCommandList dry = vtq::WriteCommands(record);
    Check(written == dry.Ok() && target.commands == dry.commands, "the dry run differs from the write", record.name);
}

}  // namespace fuzzcheck
