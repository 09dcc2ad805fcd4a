#pragma once
// The write operations: every record of the view to the target's RAM mirror
// (Write Groups), the selected grid rows, and the same commands as Write
// Groups redirected into a text file instead of the target.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "channel/host.h"
#include "channel/long_operation.h"
#include "channel/user_side.h"

namespace vtq {

class EditorSession;
struct NVMParameter;

inline constexpr const char* kNoParametersToWriteMessage =
    "No Parameters Selected.\nPlease select groups with items, read parameters groups from target, or load a file, "
    "and try again.";
inline constexpr const char* kWriteCancelledLine = "The write was canceled by user.";
inline constexpr const char* kSaveCommandsTitle = "Save Commands to File";
inline constexpr const char* kSaveCommandsFilter = "Text File (*.txt)";
inline constexpr const char* kSaveCommandsName = "CommandDump.txt";

struct WriteGroupsResult : OperationEnding {
    bool started = false;  // there were records and (writing to the target) it was connected
    int attempted = 0;     // records handed to the write, in order
    std::vector<NVMParameter*> reached;  // those records (for a read-back of what the target took)
    int errors = 0;        // records whose write failed
    bool noRestorePoint = false;  // the restore point could not be saved: nothing was sent
    // Record states may have changed: the grid repaints unless the window is going away.
    bool RepaintGrid() const { return !closing; }
};

// Where a write logs its lines (text, show-line flag).
using WriteLog = std::function<void(const std::string&, uint8_t)>;

// What a write of one record logs besides why its commands cannot be built:
// nothing (a run that sums up at its end), or its own error or "Store OK" line.
enum class RecordReport { Quiet, Each };

// Writes one record to the target's RAM mirror: the commands WriteCommands
// builds, sent in order through the command exchange (a failed one ends the
// record; the pieces before it stay written). When every command was answered
// with success the record moves to InTargetRAM. `targetLost` is cleared first
// and passed to every exchange. Without `log` the lines go to the host's show line.
bool WriteRecord(Host& host, NVMParameter& record, RecordReport report, uint8_t* targetLost = nullptr,
                 const WriteLog& log = {});

// "Write Groups": every record of the view, in view order, quietly, with a
// progress window that can cancel between records, then one summary line.
WriteGroupsResult WriteGroups(EditorSession& session, UserSide& user);

// "Write Selected Parameters to target": exactly the given records, top-down
// in view order whatever order or shape the selection had (rows between two
// selected ones are not written), each logging its own result. Records not in
// the view and repeated ones are left out. No connection check, no progress
// window, no event processing.
WriteGroupsResult WriteSelected(EditorSession& session, UserSide& user, std::vector<NVMParameter*> records);

struct RedirectResult {
    bool saved = false;  // the file now holds every command of the view
    std::string path;    // empty when the user cancelled the file dialog
    WriteGroupsResult write;
};

// Redirect "Write Groups" Target Commands to File: asks for the file name and
// writes the commands of Write Groups into it, each line ending in CR LF. The
// file is replaced only by a complete run: an existing file survives a failed
// or cut one. No target is needed.
RedirectResult RedirectWriteGroups(EditorSession& session, UserSide& user);

}  // namespace vtq
