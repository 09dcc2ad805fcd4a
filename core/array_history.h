#pragma once
// Undo and redo inside the array editor: each block operation, paste or
// single-cell edit is one step, kept as the cells it changed with their texts
// before and after. A step is undone only while its cells still hold what it
// left there, so an undo never overwrites an edit the history did not see.

#include <string>
#include <vector>

#include "core/array_block.h"

namespace vtq {

class ArrayHistory {
public:
    // Applies the result's changes to `elements` and keeps them as one step,
    // dropping the steps that could be redone. False, with nothing changed,
    // for a refused result or one that changes no cell. (Hand the result over
    // with std::move: a whole table's changes are not copied then.)
    bool Apply(std::vector<std::string>& elements, BlockResult result);

    // The last step undone (its cells get their texts before it back) or the
    // last undone step applied again. False when there is none, or when a cell
    // of it no longer holds the text the step expects (nothing changes then).
    bool Undo(std::vector<std::string>& elements);
    bool Redo(std::vector<std::string>& elements);

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    void Clear();

private:
    using Step = std::vector<CellChange>;
    static bool Move(std::vector<std::string>& elements, std::vector<Step>& from, std::vector<Step>& to, bool undo);

    std::vector<Step> undo_, redo_;
};

}  // namespace vtq
