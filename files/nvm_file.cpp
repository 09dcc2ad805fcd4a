#include "files/nvm_file.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <unordered_set>
#include <utility>

#include "base/file_io.h"
#include "base/text.h"
#include "channel/user_side.h"
#include "model/group_items.h"
#include "model/value_types.h"
#include "model/write_commands.h"

namespace vtq {

namespace {

std::string Count(int n) { return n == 1 ? std::string("1 item") : std::to_string(n) + " items"; }

// Position of the extension's point in the last path element; npos without
// one. A leading point belongs to the name (".nvm" alone has no extension).
size_t ExtensionStart(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return std::string::npos;
    return dot;
}

}  // namespace

std::string CannotOpenMessage(const std::string& path) { return "Cannot open file for writing:\n\"" + path + "\""; }
std::string CannotWriteMessage(const std::string& path) { return "Cannot write file:\n\"" + path + "\""; }
std::string CouldNotLoadMessage(const std::string& path) { return "Could not load file: \"" + path + "\""; }

namespace {

// The records of a file that a load would remove as the bases of tables, each
// with the name of its neighbour it is the base of. The load's walk compares
// neighbours in a group's name order and, after a removal, skips the record
// that slid into place, so a base can stay in one load and go in the next.
// Here every record is compared with its neighbour: what stays holds no base
// of its neighbour (a base of the record after a removed one would be a base
// of the removed one too), so a load of it removes nothing.
std::map<const NVMParameter*, std::string> TableBases(const std::vector<const NVMParameter*>& records) {
    std::map<std::string, std::vector<const NVMParameter*>, TextLess> groups;
    for (const NVMParameter* p : records) groups[GroupOfName(p->name)].push_back(p);
    std::map<const NVMParameter*, std::string> bases;
    for (auto& [group, members] : groups) {
        std::stable_sort(members.begin(), members.end(), [](const NVMParameter* a, const NVMParameter* b) {
            return ParamMap::NameLess(a->name, b->name);
        });
        for (size_t i = 0; i + 1 < members.size(); ++i)
            if (IsTableBaseOf(members[i]->name, members[i + 1]->name)) bases.emplace(members[i], members[i + 1]->name);
    }
    return bases;
}

}  // namespace

std::vector<std::string> ParameterFileLines(const GroupItems& items, const UnitIdentity& unit,
                                            std::vector<std::string>* leftOut) {
    std::vector<std::string> lines(2);
    const std::vector<std::string> unitLines = UnitIdentityLines(unit);
    lines.insert(lines.end(), unitLines.begin(), unitLines.end());
    const size_t headerLines = lines.size();
    lines.reserve(static_cast<size_t>(items.ViewCount()) + headerLines);
    std::string line, value;
    std::vector<const NVMParameter*> loading;
    std::vector<std::string> loadingLines;
    for (const NVMParameter* p : items.View()) {
        AssignRecordLine(line, *p);
        if (RecordLineLoadsBack(line, *p, value)) {
            loading.push_back(p);
            loadingLines.push_back(line);
            continue;
        }
        if (leftOut) leftOut->push_back(p->name);
        if (p->name.find('.') == std::string::npos) {
            items.Log("Not saved: \"" + p->name + "\" has no group name before a point; the file could not load it back.",
                      0);
        } else {
            items.Log("Not saved: \"" + p->name + "\": its line would not load back from the file.", 0);
        }
    }
    const std::map<const NVMParameter*, std::string> bases = TableBases(loading);
    for (size_t i = 0; i < loading.size(); ++i) {
        const NVMParameter* p = loading[i];
        if (const auto base = bases.find(p); base != bases.end()) {
            if (leftOut) leftOut->push_back(p->name);
            items.Log("Not saved: \"" + p->name + "\": a load would remove it as an extra LUT/fill parameter of \"" +
                          base->second + "\".",
                      0);
            continue;
        }
        lines.push_back(std::move(loadingLines[i]));
    }
    lines[0] = kNvmFileHeaderLine;
    lines[1] = "// Item Count=" + std::to_string(lines.size() - headerLines) + ":";
    return lines;
}

std::string ParameterFileText(const GroupItems& items, const UnitIdentity& unit) {
    std::string text;
    for (const std::string& line : ParameterFileLines(items, unit)) text.append(line).append("\r\n");
    return text;
}

std::string LeftOutText(const std::vector<std::string>& leftOut) {
    constexpr size_t kNamed = 5;
    std::string text = std::to_string(leftOut.size()) + " left out (see the log): ";
    for (size_t i = 0; i < leftOut.size() && i < kNamed; ++i) text += (i ? ", " : "") + leftOut[i];
    if (leftOut.size() > kNamed) text += ", ...";
    return text;
}

bool WriteParameters(const GroupItems& items, const std::string& path, UserSide* user, const UnitIdentity& unit,
                     std::vector<std::string>* leftOut) {
    std::vector<std::string> left;
    const std::vector<std::string> lines = ParameterFileLines(items, unit, &left);
    if (leftOut) *leftOut = left;
    if (left.size() == static_cast<size_t>(items.ViewCount())) {
        if (user) user->Message(left.empty() ? std::string(kNothingToSaveMessage)
                                             : kNothingToSaveMessage + ("\n" + LeftOutText(left)));
        return false;
    }
    AtomicFileWriter out(path);
    if (!out.Ok()) {
        if (user) user->Message(CannotOpenMessage(path));
        return false;
    }
    out.Lines(lines);
    if (!out.Commit()) {
        if (user) user->Message(CannotWriteMessage(path));
        return false;
    }
    return true;
}

namespace {

// Takes the file's value and type into a record the container already holds.
// The value loses its blanks outside quotes first, as a value the container
// adds does, so that a file loads twice alike with or without such blanks.
void Replace(NVMParameter& record, const NvmLine& line, std::string& value, LoadCounts& counts) {
    value.assign(line.value);
    RemoveBlanksOutsideQuotes(value);
    if (record.value != value || record.type != line.type) {
        record.value.swap(value);
        record.type.assign(line.type);
        record.state = ParameterState::NotStored;
        ++counts.replaced;
    } else {
        ++counts.unchanged;
    }
}

// The group's record of that name. Lines mostly come in the group's own order,
// so a name after the group's last record is known to be new without a search.
NVMParameter* FindInGroup(const ParamMap& params, std::string_view name) {
    if (params.empty() || ParamMap::NameLess((*std::prev(params.end()))->name, name)) return nullptr;
    return params.Find(name);
}

}  // namespace

namespace {

// A record the load has just added takes its shape from the file's line.
void ShapeAddedRecord(NVMParameter& record, const NvmLine& line) {
    // "x={5}": an array of one element, as the writer saves it.
    if (line.braced && record.elementCount == 0 && !record.value.starts_with('"')) {
        record.elementCount = ElementCount(record.value);
        record.dimensionText = std::to_string(record.elementCount);
    }
    // "tab[2,3]=7,8": elements of an array, written as that range with the file's values.
    if (ElementRange range; ParseElementRange(record.name, range) && !line.value.starts_with('"')) {
        record.value.assign(line.value);
        RemoveBlanksOutsideQuotes(record.value);
        record.elementCount = static_cast<int32_t>(std::min<long long>(range.last - range.first + 1, INT32_MAX));
        record.dimensionText = std::to_string(record.elementCount);
    }
    record.state = ParameterState::NotStored;
}

// A name the file gave before in this load: the later line wins whole (its
// size too), so the record the earlier line added goes. "tab[0]" names the
// array "tab". Records the container held before keep their size.
void DropEarlierLine(GroupItems& items, int groupIndex, GroupItem& group, std::string_view name,
                     std::unordered_set<const NVMParameter*>& added, LoadCounts& counts) {
    if (EndsWithText(name, "[0]")) name.remove_suffix(3);
    const NVMParameter* earlier = FindInGroup(group.params, name);
    if (!earlier || added.erase(earlier) == 0) return;
    int position = 0;
    for (auto it = group.params.begin(); *it != earlier; ++it) ++position;
    items.DeleteParameter(groupIndex, position);
    --counts.added;
}

}  // namespace

void LoadParametersFromText(GroupItems& items, std::string_view text, LoadCounts& counts, FileNames names) {
    counts = LoadCounts();
    UpdateBracket bracket(items);
    // A name ending in "[0]" sets the flag again: the names are the target's indexed ones.
    items.SetIndexedNames(false);
    // Consecutive lines mostly share their group: its index is looked up once
    // per run (indexes move only when a group is created).
    std::string lastGroup;
    bool haveLast = false;
    int groupIndex = -1;
    GroupItem* group = nullptr;
    std::unordered_set<const NVMParameter*> added;
    NvmLine line;
    std::string value;
    while (!text.empty()) {
        const std::string_view raw = NextNvmFileLine(text);
        if (!ParseNvmLine(raw, line)) {
            // A line that looks like an assignment but would make a malformed command is named in the log.
            if (line.refused != nullptr)
                items.Log("Line not loaded: " + std::string(line.refused) + ": \"" + ShowControlBytes(TrimView(raw)) +
                              "\"",
                          0);
            continue;
        }
        if (!haveLast || line.group != lastGroup) {
            if (items.FindOrAddGroup(line.group, &group)) group->notOnTarget = true;
            groupIndex = items.GroupIndex(line.group);
            lastGroup.assign(line.group);
            haveLast = true;
        }
        items.SetChecked(groupIndex, true);
        if (!added.empty()) DropEarlierLine(items, groupIndex, *group, line.name, added, counts);
        if (NVMParameter* record = FindInGroup(group->params, line.name)) {
            Replace(*record, line, value, counts);
            continue;
        }
        std::optional<ParameterDraft> draft = items.DraftParameter(line.name, line.value, line.type, false, names);
        if (!draft) continue;
        // A suffixed or range name may need the target's answer (a container without a link asks nothing).
        items.AskTarget(*draft);
        const size_t before = group->params.size();
        NVMParameter* record = items.InsertParameter(groupIndex, std::move(*draft));
        const bool firstIndex = EndsWithText(line.name, "[0]");
        if (group->params.size() != before) {
            ShapeAddedRecord(*record, line);
            added.insert(record);
            ++counts.added;
        } else if (firstIndex) {
            // "tab[0]" names the array "tab" the container already holds: the
            // file's value goes into it instead of being dropped.
            Replace(*record, line, value, counts);
        } else {
            // A name the container took for one with a dimension suffix and
            // cut onto a record it holds: that record is left as it is.
            record->state = ParameterState::NotStored;
            ++counts.added;
        }
    }
    items.RemoveExtraLutFill(true);
}

bool LoadParameters(GroupItems& items, const std::string& path, LoadCounts& counts, FileNames names) {
    counts = LoadCounts();
    std::string data;
    if (!ReadWholeFile(path, data)) return false;
    LoadParametersFromText(items, data, counts, names);
    return true;
}

std::string LoadReport(const LoadCounts& counts) {
    std::string report;
    if (counts.added == 0)
        report = "File Loaded. Replaced " + Count(counts.replaced) + ".";
    else if (counts.replaced == 0)
        report = "File Loaded. Added " + Count(counts.added) + ".";
    else
        report = "File Loaded. Added " + Count(counts.added) + ", Replaced " + Count(counts.replaced) + ".";
    if (counts.unchanged != 0) report += " (" + std::to_string(counts.unchanged) + " unchanged values.)";
    return report;
}

std::string NvmFileName(const std::string& path) {
    const size_t dot = ExtensionStart(path);
    if (dot != std::string::npos && SameText(std::string_view(path).substr(dot), ".nvm")) return path;
    return path + ".nvm";
}

std::string TextFileName(const std::string& path) {
    const size_t dot = ExtensionStart(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + ".txt";
}

}  // namespace vtq
