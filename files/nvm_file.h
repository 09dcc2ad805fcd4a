#pragma once
// The ".nvm" parameter file: a two-line header and one "name=value" or
// "name=value (type)" line per parameter of the view. The reader is tolerant:
// it also takes lines of target write commands ("nvm:" and "at@nvm:" prefixes),
// so a file of commands loads like a parameter file.

#include <string>
#include <string_view>
#include <vector>

#include "model/nvm_line.h"

#include "core/unit_identity.h"
#include "model/group_items.h"

namespace vtq {

class UserSide;
struct NVMParameter;

inline constexpr const char* kNothingToSaveMessage = "Nothing in the list to save.";
inline constexpr const char* kNothingToLoadMessage = "Nothing to load in file.";

// "Cannot open file for writing:\n\"<path>\""
std::string CannotOpenMessage(const std::string& path);
// "Cannot write file:\n\"<path>\"": the file was opened but a write, the flush
// or the final rename failed; any file that was there is left as it was.
std::string CannotWriteMessage(const std::string& path);
// "Could not load file: \"<path>\""
std::string CouldNotLoadMessage(const std::string& path);

// The lines of the parameter file of the view of `items`, header lines
// included (and the identity lines of `unit` after them, when it is known),
// without line ends; records whose line would not load back are left out and
// named in the log. `leftOut`, when given, gets the names of the records left out.
std::vector<std::string> ParameterFileLines(const GroupItems& items, const UnitIdentity& unit = {},
                                            std::vector<std::string>* leftOut = nullptr);
// The whole parameter file, byte for byte as WriteParameters writes it (for standard output).
std::string ParameterFileText(const GroupItems& items, const UnitIdentity& unit = {});

// Writes the view of `items` to `path`, atomically. `user` (may be null: no
// messages) is told why nothing was written. A record whose line would not
// load back (no group before a point, an empty value ...) stays out of the
// file, with a line in the log. True when the file was written.
// A view whose every record is left out writes no file (the message names them).
bool WriteParameters(const GroupItems& items, const std::string& path, UserSide* user, const UnitIdentity& unit = {},
                     std::vector<std::string>* leftOut = nullptr);
// "n left out (see the log): a, b, c" for the names a save left out (the first few named).
std::string LeftOutText(const std::vector<std::string>& leftOut);

struct LoadCounts {
    int added = 0;
    int replaced = 0;
    int unchanged = 0;
    bool Empty() const { return added == 0 && replaced == 0 && unchanged == 0; }
};

// How the names of a file's lines become record names: as the target gives
// them, or as the file gives them for a container that cannot ask the target.
using FileNames = NameRule;

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
