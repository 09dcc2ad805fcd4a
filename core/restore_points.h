#pragma once
// Restore points: before an operation sends its first value to the target, the
// values the target holds for every record it is about to change are saved as
// a ".nvm" parameter file in the "restore" folder beside the settings, so that
// a wrong file written and committed over a unit's calibration can be undone
// by loading the point and writing it back.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "channel/user_side.h"
#include "model/nvm_parameter.h"

namespace vtq {

class EditorSession;
class GroupItems;

// Older points are removed beyond these, never the newest point of a unit.
inline constexpr size_t kRestorePointsKept = 200;
inline constexpr uintmax_t kRestorePointBytesKept = 100u * 1024 * 1024;
// The operations a point is made before, as the restore list names them.
inline constexpr const char* kWriteGroupsOperation = "Write Groups";
inline constexpr const char* kWriteSelectedOperation = "Write Selected";
inline constexpr const char* kWriteOnTheFlyOperation = "Write on the fly";
inline constexpr const char* kLoadHeaderOperation = "Load Header";
inline constexpr const char* kNoRestorePointsMessage =
    "There is no restore point yet: one is saved before each write to the target.";
// The comment line that names the operation a point was made before.
inline constexpr const char* kRestorePointLine = "// Restore point before: ";

// What the target held for each group at the last read of this session, kept
// up to date by the writes that followed it.
class TargetValues {
public:
    // After a group was read: its records as the target gave them.
    void TakeGroup(const GroupItems& items, int groupIndex);
    // After a write: the target now holds the record's value; a failed write
    // may have changed part of an array, so the group must be read again.
    void Wrote(const NVMParameter& record, bool ok);
    void ForgetGroup(std::string_view group);
    bool HasGroup(std::string_view group) const { return groups_.contains(group); }
    // A record by its full name; an element range ("g.a[2,5]") finds its array.
    const NVMParameter* Find(std::string_view name) const;
    // Every record of a group in name order; empty when the group was not read.
    std::vector<const NVMParameter*> Group(std::string_view group) const;

private:
    std::map<std::string, std::map<std::string, NVMParameter, TextLess>, TextLess> groups_;
};

// The restore points of one session: on unless a front end switches them off,
// saved to `folder` (the settings file's folder + "restore/" by default).
struct RestorePoints {
    bool enabled = true;
    std::string folder;
    TargetValues values;
    std::string lastPath;  // the point saved last, for the front end to name
};

// One saved point, as the restore list shows it.
struct RestorePointInfo {
    std::string id;    // the file name without ".nvm": time and unit
    std::string path;
    std::string time;  // "2026-12-07 03:20:01"
    std::string unit;
    std::string operation;
    std::vector<std::string> groups;
    int parameters = 0;
    uintmax_t bytes = 0;
};

// The name a unit goes by in a restore point's file name and in the list:
// its serial number, or "unknown" when it gave none.
std::string RestoreUnitName(const EditorSession& session);

// Saves the point before `operation` sends values: the prior values of the
// records named (full names; element ranges save their whole array) and of
// every record of `groups`. Groups without a read in this session are read
// first, into a container of their own (the editor's records stay as they
// are). The file is complete and synced before this returns true. False,
// after telling the user, when the point could not be saved: nothing may be
// sent then. True with nothing saved when restore points are off or the
// target holds none of the records.
bool SaveRestorePoint(EditorSession& session, UserSide& user, const std::string& operation,
                      const std::vector<std::string>& names, const std::vector<std::string>& groups,
                      uint8_t* lost = nullptr);
bool SaveRestorePoint(EditorSession& session, UserSide& user, const std::string& operation,
                      const std::vector<NVMParameter*>& records, uint8_t* lost = nullptr);

// The points in `folder`, newest first; without `details` only what the file
// names and sizes tell (no file is read).
std::vector<RestorePointInfo> ListRestorePoints(const std::string& folder, bool details = true);
// The path of the point `id` (or of a path given as is); empty when there is none.
std::string FindRestorePoint(const std::string& folder, const std::string& id);
// Removes the oldest points beyond `keepCount` points or `keepBytes` bytes,
// never the newest point of a unit. Answers the number removed.
int PruneRestorePoints(const std::string& folder, size_t keepCount = kRestorePointsKept,
                       uintmax_t keepBytes = kRestorePointBytesKept);

}  // namespace vtq
