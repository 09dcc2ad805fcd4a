#pragma once
// The C source header of default values: one array per group holding the
// group's default mirror image and one descriptor table per group pointing at
// it, with an index of the groups in the comment block at the top (the header
// reader finds the groups through it). Also the menu operation that reads the
// checked groups' defaults from the target and writes such a header.

#include <string>
#include <string_view>
#include <vector>

#include "channel/host.h"
#include "channel/user_side.h"
#include "defaults/default_dump.h"

namespace vtq {

class EditorSession;
class NamingPresets;
struct NamingPreset;

inline constexpr const char* kReadDefaultCaption =
    "Save Selected Groups Default Values from Target To Source Code File...";
inline constexpr const char* kHeaderSaveTitle = "Save NVM default values to Source Code File";
inline constexpr const char* kHeaderFilter = "Source Code Header File (*.h)";
inline constexpr const char* kOperationCanceledLine = "Operation canceled.";
inline constexpr const char* kNothingSavedLine = "Nothing saved.";
inline constexpr const char* kIdentityLostLine =
    "Connection to target was lost while its details were read. Nothing saved.";
inline constexpr const char* kExportFailedMessage = "The operation failed. No default values written to file.";
// The type of the descriptor tables; fixed, whatever the preset says.
inline constexpr const char* kDefaultTableType = "vtq_nvm_default_data_binary_type";
// Information items of the host: the generating tool, and the target's identity and revision.
inline constexpr int kInfoGenerator = 20;
inline constexpr int kInfoTarget = 9;
inline constexpr int kInfoTargetRevision = 10;

// "Default data written to \"" + path + "\"."
std::string DefaultDataWrittenLine(const std::string& path);
// "Could not write to file: \"" + path + "\"."
std::string CouldNotWriteMessage(const std::string& path);

// The file name reduced to a C identifier in upper case: "dir/7abc.h" gives "_7ABC_H".
std::string MakeGuardName(std::string_view path);

// The file name offered for a header: FilePrepend, the exported name of the
// first group, FilePostpend, the variant identifier and ".h".
std::string DefaultHeaderFileName(const NamingPreset& preset, const std::string& firstGroup,
                                  const std::string& variantId);

// Items 9 and 10 of the host, each trimmed with its line ends collapsed, joined
// by a line feed (the second also after an empty first). Texts are cut to
// `bufferSize` - 1 bytes by the host.
std::string TargetDetailsText(Host& host, int bufferSize);

// Where a header came from, as the host tells it: asked before the header is built.
struct HeaderOrigin {
    bool known = false;         // the host gave the generating tool (an empty name stands for "Brevant")
    std::string generator;
    std::string targetDetails;  // TargetDetailsText
};
HeaderOrigin AskHeaderOrigin(Host& host);

// The whole header, one text per line.
std::vector<std::string> DefaultHeaderLines(const HeaderOrigin& origin, const DefaultGroupList& records,
                                            const std::string& guardName);

// Writes the header of `records` to `path` atomically, with CR LF line ends. An
// empty list or path logs "Nothing saved."; a file that cannot be written shows
// the could-not-write message and leaves any old file as it was. With
// `targetLost`, the target must still answer after its identity lines were
// asked; when it does not, nothing is written and *targetLost is set.
bool WriteDefaultHeader(Host& host, UserSide& user, const std::string& path, const DefaultGroupList& records,
                        bool* targetLost = nullptr);

// What the command line may fix in advance; empty fields are asked or chosen
// as the window does.
struct HeaderExportOptions {
    std::string path;        // empty: the save dialog
    std::string presetName;  // empty: the preset that fits the target
    std::string variantId;   // empty: from the target, else the input box
};

struct HeaderExportResult {
    bool written = false;
    std::string path;
    int groupsWritten = 0;
    bool targetLost = false;
    bool cancelled = false;
    bool fileError = false;  // the file could not be written; nothing was written in its place
};

inline constexpr const char* kNoSuchPresetMessage = "There is no naming preset of that name: ";

// The preset of an export: the named one (false, after telling the user, when
// there is none of that name), or without a name the one that fits the target.
bool SelectExportPreset(EditorSession& session, UserSide& user, NamingPresets& presets, const std::string& name);

// "Save Selected Groups Default Values from Target To Source Code File...":
// the checked groups' default values from the target into one header.
HeaderExportResult ExportDefaultHeader(EditorSession& session, UserSide& user, NamingPresets& presets,
                                       const HeaderExportOptions& options = {});

}  // namespace vtq
