#pragma once
// The editor's settings between runs: the settings folder shared with the host
// tool, its "Brevant.ini" read and written the way the Windows profile
// functions do it, and the two keys of section Mode.

#include <string>
#include <vector>

#include "base/settings_folder.h"

namespace vtq {

// SettingsFolder() + "Brevant.ini".
std::string SettingsFilePath();

// Profile access to one INI file. Section and key names compare without regard
// to case; values are trimmed and lose one pair of enclosing quotes on reading.
// A missing file, section or key gives `defaultValue`.
std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue);
// Replaces or adds one key=value line, keeping every other line of the file as
// it was; the file is replaced atomically. False when it could not be written.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

struct EditorSettings {
    bool writeOnTheFly = true;
    // The write-on-the-fly value last read from or written to the file.
    bool savedWriteOnTheFly = true;
    // Comma text of the group names to check after each group-list fetch.
    std::string storedSelection;
};

inline constexpr const char* kSettingsSection = "Mode";
inline constexpr const char* kWriteOnTheFlyKey = "WriteOnTheFly";
inline constexpr const char* kSelectedGroupsKey = "NVMSelGroups";

// Reads both keys from `path` (defaults: mode on, empty selection).
EditorSettings LoadSettings(const std::string& path);
EditorSettings LoadSettings();  // from SettingsFilePath()

// Writes WriteOnTheFly as "1" or "0" when the mode differs from its saved copy,
// then makes the copy equal to the mode. True when the key was written.
bool SaveModeIfChanged(EditorSettings& settings, const std::string& path);
bool SaveModeIfChanged(EditorSettings& settings);

// Makes `checkedNames` (sorted names of the checked groups) the stored
// selection and writes it as NVMSelGroups, also when it is empty.
bool SaveSelection(EditorSettings& settings, const std::vector<std::string>& checkedNames, const std::string& path);
bool SaveSelection(EditorSettings& settings, const std::vector<std::string>& checkedNames);

}  // namespace vtq
