#pragma once
// The RF look-up-table groups: which groups they are on the connected target,
// and the export of their default values either as a fresh header or merged
// into a copy of an older commented header (header_merge.h).

#include <optional>
#include <string>
#include <vector>

#include "channel/host.h"
#include "channel/user_side.h"
#include "defaults/default_dump.h"

namespace vtq {

class EditorSession;
class NamingPresets;
class TargetGroupTable;
struct NamingPreset;

inline constexpr const char* kReadRfCaption = "Save RF NVM Default Values from Target To Source Code File...";
inline constexpr const char* kSelectRfGroupsCaption = "Select RF Groups Only";
inline constexpr const char* kRfGroupsUnknownMessage = "Could not determine which groups are the current RF groups.";
inline constexpr const char* kRfSaveTitle = "Save NVM default values to source file";
inline constexpr const char* kRfCanceledLine = "Operation canceled. No default values written to file.";
inline constexpr const char* kImportCommentsCaption = "Import comments from old file";
inline constexpr const char* kOldHeaderTitle = "Load the original file with comments (Cancel to skip)";
inline constexpr const char* kOldHeaderFilter = "Original Header File with Comments (*.h)";

// The built-in RF group sets of the two chip families.
std::vector<std::string> RfGroupSetA();
std::vector<std::string> RfGroupSetB();

// The chip number the target reports ("id = 5"), -1 when it cannot be read.
int ReadTravuId(Host& host);

// True when `groups` is not empty and every group is on the target.
bool AllGroupsPresent(const std::vector<std::string>& groups, const TargetGroupTable& table);

// Sets the preset's RF working groups to the RF groups of the connected
// target; false (working groups unchanged) when no known set is complete.
bool DetermineRfGroups(Host& host, NamingPreset& preset, const TargetGroupTable& table);

// "Select RF Groups Only": checks exactly the RF groups. False when they are unknown.
bool SelectRfGroups(EditorSession& session, UserSide& user, NamingPresets& presets);

// The details shown in the merge question: empty without the host's information function.
std::string BuildTargetDetails(Host& host);

struct RfExportOptions {
    std::string path;        // empty: the save dialog
    std::string presetName;  // empty: the preset that fits the target
    std::string variantId;   // empty: from the target, else the input box
    // Unset: ask whether an old header should give its comments; empty: a
    // fresh header; a path: merge into that header.
    std::optional<std::string> oldHeader;
};

struct RfExportResult {
    bool written = false;
    bool merged = false;
    bool targetLost = false;
    bool fileError = false;  // the file could not be written; nothing was written in its place
    std::string path;
};

// "Save RF NVM Default Values from Target To Source Code File...".
RfExportResult ExportRfDefaults(EditorSession& session, UserSide& user, NamingPresets& presets,
                                const RfExportOptions& options = {});

}  // namespace vtq
