#include "files/load_review.h"

#include <algorithm>
#include <map>

#include "base/file_io.h"
#include "base/text.h"
#include "channel/host.h"
#include "channel/user_side.h"
#include "core/editor_session.h"
#include "core/undo_history.h"
#include "files/file_operations.h"
#include "files/nvm_file.h"
#include "files/unit_guard.h"
#include "model/group_items.h"
#include "model/value_types.h"

namespace vtq {

namespace {

std::string Shown(std::string_view value, std::string_view type) {
    std::string text(value);
    if (!type.empty()) text.append(" (").append(type).append(1, ')');
    return text;
}

// The record the merge would take the line into: the name as given, or the
// array a "[0]" name stands for.
const NVMParameter* HeldRecord(const GroupItems& items, const NvmLine& line) {
    const GroupItem* group = items.FindGroup(line.group);
    if (!group) return nullptr;
    if (const NVMParameter* record = group->params.Find(line.name)) return record;
    if (EndsWithText(line.name, "[0]")) return group->params.Find(line.name.substr(0, line.name.size() - 3));
    return nullptr;
}

}  // namespace

std::vector<LoadChange> FindLoadChanges(const GroupItems& items, std::string_view text) {
    std::vector<LoadChange> rows;
    std::vector<bool> changed;
    std::map<std::string, size_t, TextLess> rowOf;
    NvmLine line;
    std::string value;
    for (size_t index = 0; !text.empty(); ++index) {
        if (!ParseNvmLine(NextNvmFileLine(text), line)) continue;
        value.assign(line.value);
        RemoveBlanksOutsideQuotes(value);
        const NVMParameter* held = HeldRecord(items, line);
        const bool differs = !held || held->value != value || held->type != line.type;
        const std::string key = std::string(line.group) + '\n' + std::string(line.name);
        auto [it, added] = rowOf.emplace(key, rows.size());
        if (added) {
            LoadChange row;
            row.name = std::string(line.name);
            row.isNew = held == nullptr;
            if (held) row.oldValue = Shown(held->value, held->type);
            rows.push_back(std::move(row));
            changed.push_back(false);
        }
        LoadChange& row = rows[it->second];
        row.newValue = Shown(value, line.type);
        row.lines.push_back(index);
        if (differs) changed[it->second] = true;
    }
    std::vector<LoadChange> changes;
    for (size_t i = 0; i < rows.size(); ++i)
        if (changed[i]) changes.push_back(std::move(rows[i]));
    return changes;
}

std::string KeepCheckedLines(std::string_view text, const std::vector<LoadChange>& changes) {
    std::vector<size_t> dropped;
    for (const LoadChange& change : changes)
        if (!change.checked) dropped.insert(dropped.end(), change.lines.begin(), change.lines.end());
    std::sort(dropped.begin(), dropped.end());
    std::string kept;
    kept.reserve(text.size());
    auto next = dropped.begin();
    for (size_t index = 0; !text.empty(); ++index) {
        const std::string_view line = NextNvmFileLine(text);
        while (next != dropped.end() && *next < index) ++next;
        if (next != dropped.end() && *next == index) continue;
        kept.append(line).append(1, '\n');
    }
    return kept;
}

bool LoadFileReviewed(GroupItems& items, Host& host, const std::string& path, UserSide& user,
                      const ReviewLoadChanges& review, UndoHistory* undo, const UnitIdentity& connected,
                      FileNames names) {
    std::string data;
    if (!ReadWholeFile(path, data)) {
        user.Message(CouldNotLoadMessage(path));
        return false;
    }
    if (!ConfirmFileUnit(data, connected, user)) return false;
    if (review) {
        std::vector<LoadChange> changes = FindLoadChanges(items, data);
        if (!changes.empty()) {
            if (!review(changes)) return false;
            if (std::none_of(changes.begin(), changes.end(), [](const LoadChange& c) { return c.checked; }))
                return false;
            data = KeepCheckedLines(data, changes);
        }
    }
    LoadCounts counts;
    if (undo) undo->BeginAll();
    LoadParametersFromText(items, data, counts, names);
    if (undo) undo->End();
    if (counts.Empty()) {
        user.Message(kNothingToLoadMessage);
        return false;
    }
    host.ShowLine(LoadReport(counts), 1);
    return true;
}

bool LoadFileReviewed(EditorSession& session, const std::string& path, UserSide& user, const ReviewLoadChanges& review,
                      UndoHistory* undo) {
    return LoadFileReviewed(session.Items(), session.host(), path, user, review, undo, session.Unit(),
                            session.Offline() ? FileNames::AsGiven : FileNames::AsTarget);
}

bool LoadFileReviewedClick(EditorSession& session, UserSide& user, const ReviewLoadChanges& review, UndoHistory* undo) {
    std::string path;
    if (!user.OpenFileName(kLoadNvmTitle, kLoadNvmFilter, path)) return false;
    return LoadFileReviewed(session, path, user, review, undo);
}

}  // namespace vtq
