#pragma once
// Undo and redo of changes not yet written to the target: value edits and
// file loads. A step holds, per record, its value and state before and after
// the change; records are named by group and name, never by address, since
// a re-read or Clear frees them. Writing, committing, re-reading or clearing
// a record ends its history: its entries leave every step.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "channel/user_side.h"
#include "core/edit_parameter.h"
#include "model/group_items.h"

namespace vtq {

class EditorSession;

class UndoHistory : private GroupItemsListener {
public:
    // Follows the container: a record that leaves NotStored through anything
    // but an undo or redo (a write, a commit) ends its history, and Clear
    // (the container emptied) ends every history.
    explicit UndoHistory(GroupItems& items);
    ~UndoHistory() override;
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    // A step around one change: Begin takes the records' state before it,
    // End compares and keeps a step when a record now differs (an edit of
    // its value, not a type the target reported meanwhile). BeginAll takes
    // every record held, value, type and presence included (a load adds and
    // removes records). Records the change wrote to the target stay out.
    void Begin(const NVMParameter& record);
    void BeginAll();
    // True when a step was kept; the redo steps are dropped then.
    bool End();
    // Forgets a begun step (the window went away meanwhile).
    void Abandon();

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    int UndoCount() const { return static_cast<int>(undo_.size()); }
    int RedoCount() const { return static_cast<int>(redo_.size()); }

    // Restores the records of the last step as they were before it (value,
    // type, state; records it added are removed, records it removed come
    // back; the groups a load checked are unchecked). A record changed since
    // in a way the history did not see is left alone, and so are checks the
    // user changed since. False when nothing was restored. Never inside an update bracket.
    bool Undo();
    // Applies the last undone step again.
    bool Redo();

    // The value the target holds for a record edited since it was read or
    // written: its value before the oldest step that made it NotStored.
    // Nothing when no step knows it (a value loaded from a file for a record
    // never read).
    std::optional<std::string> TargetValue(std::string_view name) const;

    // Ends the history of one record, of whole groups (after a re-read), or of everything.
    void EndRecord(std::string_view name);
    void EndGroups(const std::vector<std::string>& groups);
    void Clear();

private:
    struct Snapshot {
        bool present = false;
        NVMParameter record;  // name, value, type, state, element count and dimension text
    };
    struct Change {
        std::string group;
        Snapshot before, after;
    };
    using Changes = std::multimap<std::string, Change, TextLess>;  // by record name
    struct Step {
        Changes changes;
        // A load also checks the groups it filled; its step restores the checks with the values.
        bool checks = false;
        std::vector<std::string> checkedBefore, checkedAfter;
    };

    void RecordChanged(const NVMParameter& record) override;
    void ViewChanged() override;
    Snapshot Take(std::string_view group, std::string_view name) const;
    bool Matches(const Snapshot& current, const Snapshot& expected) const;
    bool Apply(std::vector<Step>& from, std::vector<Step>& to, bool undo);
    std::string GroupOf(const NVMParameter& record) const;
    void DropEmptySteps();

    GroupItems& items_;
    std::vector<Step> undo_, redo_;
    bool open_ = false;
    bool whole_ = false;  // the open step watches every record
    Changes pending_;     // the open step's records, before-state only
    std::vector<std::string> pendingChecked_;  // the checked groups when a whole step began
    bool applying_ = false;
};

// The grid's edit (EditParameter) as one undoable step.
EditOutcome EditParameterWithUndo(EditorSession& session, UserSide& user, int row, const OpenValueEditor& open,
                                  UndoHistory& undo);

}  // namespace vtq
