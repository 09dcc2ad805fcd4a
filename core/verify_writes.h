#pragma once
// Read-back verify: after a write to the target, every written parameter is
// read back and compared with the value the editor sent. A value the target
// did not keep is logged and its record goes back to NotStored, so the grid,
// the pending counts and the next Write Groups treat it as not written. Used
// by Write Groups and Write Selected when the option is on, and by the
// command line's write --verify.

#include <string>
#include <string_view>
#include <vector>

#include "channel/long_operation.h"
#include "channel/user_side.h"
#include "core/write_groups.h"
#include "model/nvm_parameter.h"

namespace vtq {

class EditorSession;

inline constexpr const char* kVerifyCancelledLine = "The verify was canceled by user.";

struct VerifyFailure {
    std::string name;
    std::string written;   // the value the editor sent
    std::string readBack;  // what the target answered; empty when it gave no good answer
    bool answered = true;  // false: the value could not be read back
};

struct VerifyResult : OperationEnding {
    bool started = false;  // there were records to read back
    int checked = 0;       // records read back (or tried)
    std::vector<VerifyFailure> failures;
    bool Ok() const { return failures.empty() && !cancelled && !targetLost && !closing; }
};

// The query that reads a record's whole value back: "at@nvm:" + name + "?\r"
// for scalars and strings, the full element range for arrays.
std::string ReadBackCommand(const NVMParameter& record);

// Does the target's answer hold the written value? Blanks outside quotes and
// enclosing braces do not count; elements are equal as text, or as numbers
// when both read as C integers ("0x10" and "16").
bool SameWrittenValue(std::string_view written, std::string_view readBack);

// The records a write to the target reached and the target took: those now
// in the target's RAM mirror. Not for a write redirected to a file.
std::vector<NVMParameter*> WrittenRecords(const WriteGroupsResult& write);

// Reads each record back (progress window with cancel; no connection check),
// logs "Verify failed: " + name + ... (flag 0) for each value the target did
// not keep, and one summary line. Failed records become NotStored.
VerifyResult VerifyWrittenRecords(EditorSession& session, UserSide& user, const std::vector<NVMParameter*>& records);

// After WriteGroups or WriteSelected: verifies what the write took, unless the
// target was lost or the window is closing.
VerifyResult VerifyAfterWrite(EditorSession& session, UserSide& user, const WriteGroupsResult& write);

}  // namespace vtq
