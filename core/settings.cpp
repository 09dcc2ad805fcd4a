#include "core/settings.h"

#include <filesystem>

#include "base/file_io.h"
#include "base/settings_folder.h"
#include "base/text.h"

namespace vtq {

namespace fs = std::filesystem;

namespace {

// ---- INI lines --------------------------------------------------------------

std::vector<std::string> ReadLines(const std::string& path, bool& exists) {
    std::string data;
    exists = ReadWholeFile(path, data);
    return exists ? SplitLines(data) : std::vector<std::string>();
}

// The text of a line as the profile functions see it: trimmed, and without a
// UTF-8 byte order mark an editor may have put in front of the first line.
std::string LineText(const std::string& line, size_t index) {
    std::string_view v = line;
    if (index == 0 && v.substr(0, 3) == "\xEF\xBB\xBF") v.remove_prefix(3);
    return Trim(v);
}

bool IsSectionLine(const std::string& text) { return !text.empty() && text[0] == '['; }

std::string SectionName(const std::string& text) {
    size_t close = text.find(']');
    return Trim(std::string_view(text).substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

std::string KeyName(const std::string& text) { return Trim(std::string_view(text).substr(0, text.find('='))); }

struct KeyPlace {
    int sectionLine = -1;  // the line of the section header
    int sectionEnd = -1;   // one past the last non-blank line of the section
    int keyLine = -1;
};

KeyPlace Find(const std::vector<std::string>& lines, const std::string& section, const std::string& key) {
    KeyPlace p;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string text = LineText(lines[i], i);
        if (IsSectionLine(text)) {
            if (p.sectionLine >= 0) break;
            if (SameText(SectionName(text), section)) {
                p.sectionLine = static_cast<int>(i);
                p.sectionEnd = p.sectionLine + 1;
            }
            continue;
        }
        if (p.sectionLine < 0) continue;
        if (!text.empty()) p.sectionEnd = static_cast<int>(i) + 1;
        if (p.keyLine < 0 && !text.empty() && SameText(KeyName(text), key)) p.keyLine = static_cast<int>(i);
    }
    return p;
}

// The value as it must be written so that the profile reader, which trims and
// drops one pair of enclosing quotes, gives back exactly `value`.
std::string ProtectValue(const std::string& value) {
    if (value.empty()) return value;
    const bool padded = IsBlank(value.front()) || IsBlank(value.back());
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    return (padded || quoted) ? "\"" + value + "\"" : value;
}

bool WriteAtomically(const std::string& path, const std::vector<std::string>& lines) {
    AtomicFileWriter out(path);
    for (const std::string& line : lines) out.Line(line);
    return out.Commit();
}

bool ParseOnFlag(const std::string& text) {
    // A decimal integer, non-zero meaning on; anything that is not a number counts as on.
    std::string_view v = text;
    if (!v.empty() && (v[0] == '+' || v[0] == '-')) v.remove_prefix(1);
    if (v.empty()) return true;
    bool nonZero = false;
    for (char c : v) {
        if (c < '0' || c > '9') return true;
        if (c != '0') nonZero = true;
    }
    return nonZero;
}

}  // namespace

std::string SettingsFilePath() { return SettingsFolder() + "Brevant.ini"; }

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue) {
    bool exists = false;
    const std::vector<std::string> lines = ReadLines(path, exists);
    const KeyPlace p = Find(lines, section, key);
    if (p.keyLine < 0) return defaultValue;
    const std::string text = LineText(lines[p.keyLine], p.keyLine);
    const size_t eq = text.find('=');
    if (eq == std::string::npos) return std::string();
    std::string value = Trim(std::string_view(text).substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    // A line break would end the line early and could smuggle in keys or sections.
    for (const std::string* s : {&section, &key, &value})
        if (s->find_first_of("\r\n") != std::string::npos) return false;
    if (Trim(key).empty() || Trim(section).empty() || key.find('=') != std::string::npos) return false;

    bool exists = false;
    std::vector<std::string> lines = ReadLines(path, exists);
    // A file that is there but cannot be read must not be replaced by one key:
    // the host's other sections and keys would be lost.
    std::error_code error;
    if (!exists && std::filesystem::exists(path, error)) return false;
    const KeyPlace p = Find(lines, section, key);
    if (p.keyLine >= 0) {
        lines[p.keyLine] = KeyName(LineText(lines[p.keyLine], p.keyLine)) + "=" + ProtectValue(value);
    } else if (p.sectionLine >= 0) {
        lines.insert(lines.begin() + p.sectionEnd, Trim(key) + "=" + ProtectValue(value));
    } else {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back(std::string());
        lines.push_back("[" + Trim(section) + "]");
        lines.push_back(Trim(key) + "=" + ProtectValue(value));
    }
    return WriteAtomically(path, lines);
}

EditorSettings LoadSettings(const std::string& path) {
    EditorSettings s;
    s.writeOnTheFly = ParseOnFlag(ReadProfileString(path, kSettingsSection, kWriteOnTheFlyKey, "1"));
    s.savedWriteOnTheFly = s.writeOnTheFly;
    s.storedSelection = ReadProfileString(path, kSettingsSection, kSelectedGroupsKey, "");
    return s;
}

EditorSettings LoadSettings() { return LoadSettings(SettingsFilePath()); }

bool SaveModeIfChanged(EditorSettings& settings, const std::string& path) {
    if (settings.writeOnTheFly == settings.savedWriteOnTheFly) return false;
    const bool written =
        WriteProfileString(path, kSettingsSection, kWriteOnTheFlyKey, settings.writeOnTheFly ? "1" : "0");
    settings.savedWriteOnTheFly = settings.writeOnTheFly;
    return written;
}

bool SaveModeIfChanged(EditorSettings& settings) { return SaveModeIfChanged(settings, SettingsFilePath()); }

bool SaveSelection(EditorSettings& settings, const std::vector<std::string>& checkedNames, const std::string& path) {
    settings.storedSelection = JoinCommaText(checkedNames);
    return WriteProfileString(path, kSettingsSection, kSelectedGroupsKey, settings.storedSelection);
}

bool SaveSelection(EditorSettings& settings, const std::vector<std::string>& checkedNames) {
    return SaveSelection(settings, checkedNames, SettingsFilePath());
}

}  // namespace vtq
