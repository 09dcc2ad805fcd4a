#pragma once
// The ".nvm" parameter file: a two-line header and one "name=value" or
// "name=value (type)" line per parameter of the view. The reader is tolerant:
// it also takes lines of target write commands ("nvm:" and "at@nvm:" prefixes),
// so a file of commands loads like a parameter file.

#include <string>
#include <string_view>

namespace vtq {

class GroupItems;
class UserSide;

inline constexpr const char* kNvmFileHeaderLine = "// NVM Parameter file saved from Brevant";
inline constexpr const char* kNothingToSaveMessage = "Nothing in the list to save.";
inline constexpr const char* kNothingToLoadMessage = "Nothing to load in file.";

// "Cannot open file for writing:\n\"<path>\""
std::string CannotOpenMessage(const std::string& path);
// "Cannot write file:\n\"<path>\"": the file was opened but a write, the flush
// or the final rename failed; any file that was there is left as it was.
std::string CannotWriteMessage(const std::string& path);
// "Could not load file: \"<path>\""
std::string CouldNotLoadMessage(const std::string& path);

// One assignment of a parameter file. The views point into the parsed line.
struct NvmLine {
    std::string_view group;  // text before the first ".", not trimmed
    std::string_view name;
    std::string_view value;  // without enclosing braces
    std::string_view type;   // empty when the line gives none
};

// Parses one line (without its line feed); false when it is not an assignment.
bool ParseNvmLine(std::string_view line, NvmLine& out);

// "name=value" or "name=value (type)"; the second form reuses the buffer of `line`.
std::string NvmParameterLine(std::string_view name, std::string_view value, std::string_view type);
void AssignParameterLine(std::string& line, std::string_view name, std::string_view value, std::string_view type);

// Writes the view of `items` to `path`, atomically. `user` (may be null: no
// messages) is told why nothing was written. True when the file was written.
bool WriteParameters(const GroupItems& items, const std::string& path, UserSide* user);

struct LoadCounts {
    int added = 0;
    int replaced = 0;
    int unchanged = 0;
    bool Empty() const { return added == 0 && replaced == 0 && unchanged == 0; }
};

// How the names of a file's lines become record names.
enum class FileNames {
    // As the container takes names from the target: "[0]" and dimension
    // suffixes ("tbl_4x8") become array sizes, confirmed with the target where
    // the container may ask it.
    AsTarget,
    // As the file gives them ("[0]" is still cut): for a container that cannot
    // ask the target, where a plain name such as "gain_2" would otherwise be
    // taken for an array of 2 and renamed "gain".
    AsGiven,
};

// Merges the file at `path` into `items`: groups are created as needed (marked
// not on target) and checked, known parameters take the file's value and type,
// new ones are added; each changed or added record becomes NotStored. Table
// bases made redundant are removed afterwards (and reported to the log). The
// whole merge is one update bracket: the view is rebuilt once, at its end.
// False when the file cannot be read; nothing is changed then.
bool LoadParameters(GroupItems& items, const std::string& path, LoadCounts& counts,
                    FileNames names = FileNames::AsTarget);
// The same merge over a text already in memory.
void LoadParametersFromText(GroupItems& items, std::string_view text, LoadCounts& counts,
                            FileNames names = FileNames::AsTarget);

// The log line after a load: "File Loaded. Added 2 items, Replaced 1 item. (3 unchanged values.)" and its variants.
std::string LoadReport(const LoadCounts& counts);

// The name a parameter file is saved under: ".nvm" is appended unless the
// extension already is ".nvm" in any case.
std::string NvmFileName(const std::string& path);
// The name a difference text is saved under: the extension replaced by ".txt", or ".txt" added.
std::string TextFileName(const std::string& path);

}  // namespace vtq
