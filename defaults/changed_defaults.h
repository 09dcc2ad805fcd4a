#pragma once
// The parameters whose values differ from their defaults, as the target
// reports them group by group (as target commands), saved into one text file
// that the parameter file loader reads again.

#include <string>
#include <vector>

#include "channel/user_side.h"

namespace vtq {

class EditorSession;

inline constexpr const char* kSaveSelectedChangedCaption =
    "Save Selected Groups Changed Default Values on Target as VTQ Commands To File...";
inline constexpr const char* kSaveAllChangedCaption =
    "Save All Changed Default Values on Target as VTQ Commands To File...";
inline constexpr const char* kNoGroupsToReadAllMessage = "No groups to read.";
inline constexpr const char* kChangedSaveTitle = "Save To VTQ File";
inline constexpr const char* kChangedFilter = "NVM parameter file (*.NVM)";
inline constexpr const char* kChangedDefaultName = "ChangedParameters.nvm";
inline constexpr const char* kNoChangesMessage =
    "No changes were reported by target, so nothing was written to the output file.";
inline constexpr const char* kChangedLostLine = "Connection to target lost. Possibly incomplete file written.";
inline constexpr const char* kChangedLostNothingLine = "Connection to target lost. Nothing was written.";

struct ChangedDefaultsResult {
    bool written = false;  // the file was written (possibly empty)
    std::string path;
    int changedGroups = 0;
    int failedGroups = 0;  // groups whose changes the target refused to report
    bool cancelled = false;
    bool targetLost = false;
    bool fileError = false;  // the file could not be written; nothing was written in its place
};

// The name with ".nvm" appended unless its extension already is ".nvm" in any case
// ("-", standard output, stays).
std::string WithNvmExtension(const std::string& path);

// Asks the target for the changes of `groups`, in order, and writes them to
// one file; `path` empty asks with the save dialog.
ChangedDefaultsResult ExportChangedDefaults(EditorSession& session, UserSide& user,
                                            const std::vector<std::string>& groups, const std::string& path = {});

// The menu entries: the checked groups, or every group of the target.
ChangedDefaultsResult SaveSelectedChangedDefaults(EditorSession& session, UserSide& user, const std::string& path = {});
ChangedDefaultsResult SaveAllChangedDefaults(EditorSession& session, UserSide& user, const std::string& path = {});

}  // namespace vtq
