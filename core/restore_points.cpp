#include "core/restore_points.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <set>

#include "base/file_io.h"
#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "core/dump_parser.h"
#include "core/editor_session.h"
#include "model/group_items.h"
#include "model/nvm_line.h"
#include "model/write_commands.h"

namespace vtq {

namespace fs = std::filesystem;

namespace {

// Points are named, saved and pruned one at a time: the command line saves
// from one thread per target.
std::mutex& PointLock() {
    static std::mutex lock;
    return lock;
}

// "20261207-032001-123": local time to the millisecond, so names sort by time.
std::string TimeStamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    char ms[8];
    std::snprintf(ms, sizeof ms, "-%03d", static_cast<int>(millis));
    return std::string(text) + ms;
}

// A unit name as it may stand in a file name.
std::string FileNamePart(std::string_view unit) {
    std::string part;
    for (const char c : unit)
        part += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
    return part.empty() ? "unknown" : part;
}

// "20261207-032001-123" as "2026-12-07 03:20:01".
std::string ShownTime(std::string_view stamp) {
    if (stamp.size() < 15) return std::string(stamp);
    const std::string s(stamp);
    return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + " " + s.substr(9, 2) + ":" +
           s.substr(11, 2) + ":" + s.substr(13, 2);
}

std::string FolderWithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

// Reads the groups the session holds no values of, each into a container of
// its own. Groups the target does not list hold nothing to save.
bool ReadMissingGroups(EditorSession& session, UserSide& user, const std::set<std::string, TextLess>& groups,
                       uint8_t* lost) {
    TargetValues& values = session.Restore().values;
    for (const std::string& group : groups) {
        if (values.HasGroup(group) || session.GroupTable().Number(group) < 0) continue;
        std::string answer;
        if (!Exchange(session.host(), cmd::Dump(group), answer, session.Debug(), lost)) {
            user.Message("The values of group \"" + group +
                         "\" could not be read for the restore point.\nNothing was written to the target.");
            return false;
        }
        GroupItems read(session.Items().Link());
        read.FindOrAddGroup(group);
        const int index = read.GroupIndex(group);
        {
            UpdateBracket bracket(read);
            ParseDumpAnswer(read, answer, index);
        }
        values.TakeGroup(read, index);
    }
    return true;
}

// The point's file: the parameter file header, the unit and the operation as
// comment lines, then one line per record.
std::vector<std::string> PointLines(EditorSession& session, const std::string& operation,
                                    const std::vector<const NVMParameter*>& records) {
    std::vector<std::string> lines{kNvmFileHeaderLine, ""};
    for (const std::string& line : UnitIdentityLines(session.Unit())) lines.push_back(line);
    lines.push_back(kRestorePointLine + operation);
    std::string line, value;
    int count = 0;
    for (const NVMParameter* record : records) {
        AssignRecordLine(line, *record);
        if (RecordLineLoadsBack(line, *record, value)) {
            lines.push_back(line);
            ++count;
        } else {
            session.host().ShowLine("Not in the restore point: \"" + record->name +
                                        "\": its line would not load back from the file.",
                                    0);
        }
    }
    lines[1] = "// Item Count=" + std::to_string(count) + ":";
    return lines;
}

// Writes the lines under a new name in the folder; the path, or empty when it failed.
std::string WritePoint(const std::string& folder, const std::string& unit, const std::vector<std::string>& lines) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string stem = folder + TimeStamp() + "_" + FileNamePart(unit);
    std::string path = stem + ".nvm";
    for (int n = 2; fs::exists(path, ec); ++n) path = stem + "-" + std::to_string(n) + ".nvm";
    AtomicFileWriter out(path);
    for (const std::string& line : lines) out.Line(line);
    return out.Commit() ? path : std::string();
}

}  // namespace

void TargetValues::TakeGroup(const GroupItems& items, int groupIndex) {
    const GroupItem* group = items.Group(groupIndex);
    if (!group) return;
    auto& records = groups_[items.GroupName(groupIndex)];
    records.clear();
    for (const NVMParameter* p : group->params) records.emplace(p->name, *p);
}

void TargetValues::Wrote(const NVMParameter& record, bool ok) {
    const std::string group = GroupOfName(record.name);
    if (!ok) return ForgetGroup(group);
    const auto g = groups_.find(group);
    if (g == groups_.end()) return;
    if (const auto r = g->second.find(record.name); r != g->second.end()) {
        r->second.value = record.value;
    } else {
        ForgetGroup(group);  // an element range or a record the read did not give: read the group again
    }
}

void TargetValues::ForgetGroup(std::string_view group) {
    if (const auto g = groups_.find(group); g != groups_.end()) groups_.erase(g);
}

const NVMParameter* TargetValues::Find(std::string_view name) const {
    const auto g = groups_.find(GroupOfName(name));
    if (g == groups_.end()) return nullptr;
    if (const auto r = g->second.find(name); r != g->second.end()) return &r->second;
    ElementRange range;
    if (!ParseElementRange(name, range)) return nullptr;
    const auto r = g->second.find(range.array);
    return r == g->second.end() ? nullptr : &r->second;
}

std::vector<const NVMParameter*> TargetValues::Group(std::string_view group) const {
    std::vector<const NVMParameter*> records;
    if (const auto g = groups_.find(group); g != groups_.end())
        for (const auto& [name, record] : g->second) records.push_back(&record);
    return records;
}

std::string RestoreUnitName(const EditorSession& session) {
    return session.Unit().serial.empty() ? "unknown" : session.Unit().serial;
}

bool SaveRestorePoint(EditorSession& session, UserSide& user, const std::string& operation,
                      const std::vector<std::string>& names, const std::vector<std::string>& groups,
                      uint8_t* lost) {
    RestorePoints& points = session.Restore();
    if (!points.enabled) return true;
    std::set<std::string, TextLess> needed(groups.begin(), groups.end());
    for (const std::string& name : names) needed.insert(GroupOfName(name));
    if (!ReadMissingGroups(session, user, needed, lost)) return false;

    std::map<std::string, const NVMParameter*, TextLess> chosen;
    for (const std::string& name : names)
        if (const NVMParameter* record = points.values.Find(name)) chosen.emplace(record->name, record);
    for (const std::string& group : groups)
        for (const NVMParameter* record : points.values.Group(group)) chosen.emplace(record->name, record);
    if (chosen.empty()) return true;
    std::vector<const NVMParameter*> records;
    for (const auto& [name, record] : chosen) records.push_back(record);

    const std::lock_guard<std::mutex> lock(PointLock());
    const std::string folder = FolderWithSlash(points.folder);
    const std::string path = WritePoint(folder, RestoreUnitName(session), PointLines(session, operation, records));
    if (path.empty()) {
        user.Message("The restore point could not be saved in\n\"" + folder +
                     "\"\nNothing was written to the target.");
        return false;
    }
    points.lastPath = path;
    PruneRestorePoints(folder);
    return true;
}

bool SaveRestorePoint(EditorSession& session, UserSide& user, const std::string& operation,
                      const std::vector<NVMParameter*>& records, uint8_t* lost) {
    std::vector<std::string> names;
    names.reserve(records.size());
    for (const NVMParameter* record : records)
        if (record) names.push_back(record->name);
    return SaveRestorePoint(session, user, operation, names, {}, lost);
}

std::vector<RestorePointInfo> ListRestorePoints(const std::string& folder, bool details) {
    std::vector<RestorePointInfo> points;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec) || entry.path().extension() != ".nvm") continue;
        RestorePointInfo info;
        info.path = entry.path().string();
        info.id = entry.path().stem().string();
        const size_t cut = info.id.find('_');
        info.time = ShownTime(info.id.substr(0, cut));
        info.unit = cut == std::string::npos ? "unknown" : info.id.substr(cut + 1);
        info.bytes = entry.file_size(ec);
        std::string data;
        if (!details || !ReadWholeFile(info.path, data)) {
            points.push_back(std::move(info));
            continue;
        }
        std::set<std::string, TextLess> groups;
        std::string_view rest = data;
        while (!rest.empty()) {
            const std::string_view line = NextNvmFileLine(rest);
            NvmLine parsed;
            if (line.starts_with(kRestorePointLine)) {
                info.operation = line.substr(std::string_view(kRestorePointLine).size());
            } else if (ParseNvmLine(line, parsed)) {
                groups.emplace(parsed.group);
                ++info.parameters;
            }
        }
        info.groups.assign(groups.begin(), groups.end());
        points.push_back(std::move(info));
    }
    std::sort(points.begin(), points.end(),
              [](const RestorePointInfo& a, const RestorePointInfo& b) { return a.id > b.id; });
    return points;
}

std::string FindRestorePoint(const std::string& folder, const std::string& id) {
    std::error_code ec;
    if (id.empty()) return {};
    if (id.find('/') != std::string::npos) return fs::is_regular_file(id, ec) ? id : std::string();
    const std::string path = FolderWithSlash(folder) + id + ".nvm";
    return fs::is_regular_file(path, ec) ? path : std::string();
}

int PruneRestorePoints(const std::string& folder, size_t keepCount, uintmax_t keepBytes) {
    const std::vector<RestorePointInfo> points = ListRestorePoints(folder, false);  // newest first
    std::set<std::string> units;
    std::vector<bool> newestOfUnit(points.size());
    uintmax_t bytes = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        newestOfUnit[i] = units.insert(points[i].unit).second;
        bytes += points[i].bytes;
    }
    size_t count = points.size();
    int removed = 0;
    std::error_code ec;
    for (size_t i = points.size(); i-- > 0 && (count > keepCount || bytes > keepBytes);) {
        if (newestOfUnit[i] || !fs::remove(points[i].path, ec)) continue;
        --count;
        bytes -= points[i].bytes;
        ++removed;
    }
    return removed;
}

}  // namespace vtq
