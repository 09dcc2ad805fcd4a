#pragma once
// The user-facing file operations of the editor: Save File, Load File,
// Compare... and the difference window's Save. The window's handlers and the
// command line call these; every dialog and message goes through UserSide.

#include <memory>
#include <string>

#include "files/nvm_compare.h"
#include "files/nvm_file.h"

namespace vtq {

class EditorSession;
class GroupItems;
class Host;
class UserSide;

// Dialog captions and filters (filters in the UserSide form).
inline constexpr const char* kSaveNvmTitle = "Save NVM Parameters";
inline constexpr const char* kSaveNvmFilter = "NVM parameter file (*.NVM)";
inline constexpr const char* kLoadNvmTitle = "Load EEPROM File";
inline constexpr const char* kLoadNvmFilter = "EEPROM VTQ File (*.nvm)";
inline constexpr const char* kCompareTitle = "Compare Loaded parameters with a saved EEPROM File";
inline constexpr const char* kTextFileFilter = "Text file (*.txt)";
inline constexpr const char* kTextCopiedMessage = "Text copied to clipboard.";

// "The Parameters in view have been save to:\n\"<path>\""
std::string SavedMessage(const std::string& path);
// "Text saved to file:\n<path>"
std::string TextSavedMessage(const std::string& path);

// Save File: asks for the name (".nvm" added unless present), writes the view
// of `items` and tells the user where. True when the file was written.
bool SaveFileClick(GroupItems& items, UserSide& user, const UnitIdentity& unit = {});
bool SaveFileClick(EditorSession& session, UserSide& user);

// Load File after the dialog: merges `path` into `items`, then tells the user why nothing was loaded (message box) or
// logs the counts (show line, flag 1). True when something was loaded: the group list and the grid must then be
// refreshed.
bool LoadFile(GroupItems& items, Host& host, const std::string& path, UserSide& user);

// Compare after the dialog: reads `path` into a new container of its own,
// which never asks the target and so keeps the file's names as given, and
// pairs it with `editorList`. Null, after the message box, when the file cannot
// be read or holds no assignment. Nothing of `editorList` changes.
std::unique_ptr<NVMDiff> CompareWithFile(const GroupItems& editorList, Host& host, const std::string& path,
                                         UserSide& user);
// Compare...: asks for the file, then CompareWithFile. Null when cancelled.
// The window shows a non-null result in TFormDiffView, modally, and frees it after.
std::unique_ptr<NVMDiff> CompareClick(EditorSession& session, UserSide& user);

// Writes `rows` to `path` as lines ended by CR LF, atomically; false after
// telling the user when the file cannot be written.
bool SaveDifferenceText(const std::vector<std::string>& rows, const std::string& path, UserSide& user);
// The difference window's Save: asks for the name (extension made ".txt"),
// writes column 0 of every grid row and tells the user where.
bool SaveDifferencesClick(NVMDiff& diff, UserSide& user);

}  // namespace vtq
