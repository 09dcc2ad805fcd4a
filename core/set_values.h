#pragma once
// Values given by name, checked before anything is sent and then written:
// every name must be a parameter the target has, an element range must stay
// inside its array, and a value must have the element count of its record.
// A file write stops at its first fault (named with its file line); set
// collects every fault, then writes the values that differ from what the
// target holds, one by one, after a restore point of exactly those.

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"
#include "channel/user_side.h"
#include "model/nvm_parameter.h"

namespace vtq {

class EditorSession;
class GroupItems;

enum class CheckStatus { Ok, Refused, TargetLost };

// Names and values in the order given; a name may end in an element range.
using NamedValues = std::vector<std::pair<std::string, std::string>>;

// The elements `first`..`last` of an array value, as a comma list.
std::string ElementSlice(std::string_view value, long long first, long long last);

// What the checks know of the target: the session's records, and for a file
// write the names and arrays as read before the load folded them away. Array
// sizes the target gives are asked once.
class ValueChecks {
public:
    explicit ValueChecks(EditorSession& session) : session_(session) {}

    // Before a file load: the names the read gave, and the arrays that the
    // element ranges among `fileLines` (names with the line giving their value) write into.
    void NoteRead(const std::map<std::string, int, TextLess>& fileLines);
    // Without a read (write --all) the target is asked about each name instead.
    void AskTarget() { askTarget_ = true; }

    // The size of the array `name`, as read or as the target tells it; 0 when
    // the target has no such array, -1 when it did not answer.
    int ArraySize(const std::string& name);
    // A name that ends in an element range must stay inside its array.
    CheckStatus ElementRange(const std::string& name, std::string& why);
    // A parameter the target lacks would be refused at its write, after the
    // writes before it went out.
    CheckStatus OnTarget(const std::string& name, std::string& why);
    // Every record of the view, as the write builds its commands; the first
    // fault is named with the file `path` and its line in `fileLines`.
    CheckStatus Writes(const std::string& path, const std::map<std::string, int, TextLess>& fileLines,
                       std::string& why);
    // Leaves only the records a file load changed or added (an element range
    // whose elements the array read holds already counts as unchanged).
    void KeepOnlyChanged();

private:
    bool RangeAsRead(const NVMParameter& record) const;

    EditorSession& session_;
    bool askTarget_ = false;
    std::set<std::string, TextLess> readNames_;
    std::map<std::string, NVMParameter, TextLess> readArrays_;
    std::map<std::string, int, TextLess> arraySizes_;
};

// Why `value` cannot be given to `record` (named `name`): an array keeps its
// element count, unless the value is a quoted string. Empty when it fits.
std::string ElementCountRefusal(const NVMParameter& record, const std::string& name, const std::string& value);

// The record each value of a set goes to (a record of its own for an element
// range), and every refusal, in the order of the values.
struct SetPlan {
    std::vector<NVMParameter*> records;  // null where refused
    std::vector<NVMParameter> ranges;    // one per value; used by element ranges
    std::vector<std::string> refusals;
    bool targetLost = false;  // the checks stopped there
};
SetPlan PlanSetValues(ValueChecks& checks, EditorSession& session, const NamedValues& values);

struct SetWriteResult {
    bool noRestorePoint = false;  // nothing was sent
    bool targetLost = false;
    int written = 0;
    int unchanged = 0;
    int failed = 0;
    std::set<std::string, TextLess> failedGroups;
};

// Writes the planned values that differ from what the target holds, in the
// order given; a name given twice is written with each of its values in turn.
// A cancel (Ctrl+C) stops before the next write.
SetWriteResult WriteSetValues(EditorSession& session, UserSide& user, const NamedValues& values, SetPlan& plan);

}  // namespace vtq
