#pragma once
// Load File with its two safety nets: an optional review of the file's
// changes before anything is merged (one row per parameter, old and new
// value, all checked; only the checked rows are merged), and one undo step
// for everything the merge changed. Without a review and without an undo
// history it is Load File as it always was, messages and counts included.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "files/nvm_file.h"

namespace vtq {

class EditorSession;
class GroupItems;
class Host;
class UndoHistory;
class UserSide;

// One parameter the file would change or add.
struct LoadChange {
    std::string name;      // as the file names it
    std::string oldValue;  // as held, with " (type)" when typed; empty for a new parameter
    std::string newValue;  // as the file gives it (its last line for the name), in the same form
    bool isNew = false;
    bool checked = true;
    std::vector<size_t> lines;  // the file's lines (0-based, at line feeds) that carry the parameter
};

// The parameters the merge of `text` would change or add, in file order.
// Lines that leave a held value as it is are not listed: they are merged as
// they would be without a review. Nothing of `items` changes.
std::vector<LoadChange> FindLoadChanges(const GroupItems& items, std::string_view text);

// The text without the lines of the unchecked changes.
std::string KeepCheckedLines(std::string_view text, const std::vector<LoadChange>& changes);

// Shows the changes; the user unchecks rows. False when cancelled.
using ReviewLoadChanges = std::function<bool(std::vector<LoadChange>& changes)>;

// Load File after the dialog. With `review`, a file that changes anything is
// first shown to it; a cancelled review, or one that leaves no row checked,
// merges nothing and says nothing. With `undo`, the merge is one step of it.
// Messages and the log line as for LoadFile. True when something was loaded.
// A file of another unit that holds calibration values is loaded only after
// the user agreed (ConfirmFileUnit with `connected`). `names` as for LoadParameters.
bool LoadFileReviewed(GroupItems& items, Host& host, const std::string& path, UserSide& user,
                      const ReviewLoadChanges& review, UndoHistory* undo, const UnitIdentity& connected = {},
                      FileNames names = FileNames::AsTarget);
// LoadFileReviewed into the session's records, guarded by its unit; without a
// target the file's names are kept as given (the target is asked nothing).
bool LoadFileReviewed(EditorSession& session, const std::string& path, UserSide& user, const ReviewLoadChanges& review,
                      UndoHistory* undo);
// Load File: asks for the file, then the above.
bool LoadFileReviewedClick(EditorSession& session, UserSide& user, const ReviewLoadChanges& review, UndoHistory* undo);

}  // namespace vtq
