#include "core/array_history.h"

#include <utility>

namespace vtq {

bool ArrayHistory::Apply(std::vector<std::string>& elements, BlockResult result) {
    if (!result.done || result.changes.empty()) return false;
    for (const CellChange& change : result.changes) {
        if (change.index >= elements.size()) return false;
    }
    for (const CellChange& change : result.changes) elements[change.index] = change.after;
    undo_.push_back(std::move(result.changes));
    redo_.clear();
    return true;
}

bool ArrayHistory::Move(std::vector<std::string>& elements, std::vector<Step>& from, std::vector<Step>& to,
                        bool undo) {
    if (from.empty()) return false;
    const Step& step = from.back();
    for (const CellChange& change : step) {
        if (change.index >= elements.size() || elements[change.index] != (undo ? change.after : change.before))
            return false;
    }
    for (const CellChange& change : step) elements[change.index] = undo ? change.before : change.after;
    to.push_back(std::move(from.back()));
    from.pop_back();
    return true;
}

bool ArrayHistory::Undo(std::vector<std::string>& elements) { return Move(elements, undo_, redo_, true); }

bool ArrayHistory::Redo(std::vector<std::string>& elements) { return Move(elements, redo_, undo_, false); }

void ArrayHistory::Clear() {
    undo_.clear();
    redo_.clear();
}

}  // namespace vtq
