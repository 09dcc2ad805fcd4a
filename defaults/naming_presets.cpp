#include "defaults/naming_presets.h"

#include <algorithm>
#include <map>
#include <set>

#include "base/file_io.h"
#include "base/settings_folder.h"
#include "base/text.h"
#include "channel/user_side.h"
#include "core/group_list.h"

namespace vtq {

std::string NamingPresetsPath() { return SettingsFolder() + kNamingPresetsFileName; }

std::string RepeatedRfGroupMessage(const std::string& preset, const std::string& group) {
    return "Error in config file. The group \"" + group + "\" is named twice in the RF Groups of preset \"" + preset +
           "\". Using default settings.";
}

// ---- GroupRenameMap

std::string GroupRenameMap::Key(int index) const {
    return index >= 0 && index < Count() ? entries_[static_cast<size_t>(index)].first : std::string();
}

std::string GroupRenameMap::Value(int index) const {
    return index >= 0 && index < Count() ? entries_[static_cast<size_t>(index)].second : std::string();
}

const std::string* GroupRenameMap::Find(std::string_view key) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const auto& entry, std::string_view k) { return CompareText(entry.first, k) < 0; });
    return it != entries_.end() && SameText(it->first, key) ? &it->second : nullptr;
}

void GroupRenameMap::Add(const std::string& key, const std::string& value) {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const auto& entry, const std::string& k) { return CompareText(entry.first, k) < 0; });
    if (it != entries_.end() && SameText(it->first, key))
        it->second = value;
    else
        entries_.insert(it, {key, value});
}

// ---- NamingPreset

GroupRenameMap NamingPreset::DefaultRenames() {
    GroupRenameMap map;
    map.Add("cal_t8x_lut", "t8x_calib");
    map.Add("fix_t8x_lut", "t8x_fixed");
    map.Add("fix_t8x_lut_setcal", "t8x_setcal");
    map.Add("fix_t71_lut", "t71_fixed");
    map.Add("fix_t71_lut_setcal", "t71_setcal");
    return map;
}

std::vector<std::string> NamingPreset::DefaultRfGroups() {
    return {"cal_t8x_lut", "fix_t8x_lut", "fix_t8x_lut_setcal"};
}

std::string NamingPreset::ExportGroupName(const std::string& group) const {
    const std::string* renamed = GroupRenames.Find(group);
    return renamed ? *renamed : group;
}

// ---- Reading the file

namespace {

struct Setting {
    std::string key;
    std::string value;
};

// A line is a setting when, trimmed, it is not empty, is no "//" comment and holds "=".
bool ParseSetting(std::string_view line, Setting& setting) {
    const std::string_view trimmed = TrimView(line);
    if (trimmed.empty() || trimmed.substr(0, 2) == "//") return false;
    const size_t eq = trimmed.find('=');
    if (eq == std::string_view::npos) return false;
    setting.key = Trim(trimmed.substr(0, eq));
    setting.value = TrimLeft(trimmed.substr(eq + 1));
    return true;
}

std::vector<std::string> SplitRfGroups(std::string_view value) {
    std::vector<std::string> groups;
    size_t start = 0;
    while (start <= value.size()) {
        size_t comma = value.find(',', start);
        if (comma == std::string_view::npos) comma = value.size();
        std::string piece = Trim(value.substr(start, comma - start));
        if (!piece.empty()) groups.push_back(std::move(piece));
        start = comma + 1;
    }
    return groups;
}

void Tell(UserSide* user, const std::string& text) {
    if (user) user->Message(text);
}

// The first group a list names twice (without regard to case); empty when none.
std::string RepeatedGroup(const std::vector<std::string>& groups) {
    std::set<std::string, TextLess> seen;
    for (const std::string& g : groups)
        if (!seen.insert(g).second) return g;
    return {};
}

// Reads the preset that starts at the next "PresetName" or "RF_NVM_Filename"
// setting at or after `line`; `line` ends after it. False when none starts.
bool ReadPreset(const std::vector<std::string>& lines, size_t& line, NamingPreset& preset, UserSide* user) {
    Setting s;
    for (;; ++line) {
        if (line >= lines.size()) return false;
        if (ParseSetting(lines[line], s) && (s.key == "PresetName" || s.key == "RF_NVM_Filename")) break;
    }
    (s.key == "PresetName" ? preset.Name : preset.RF_NVM_Filename) = s.value;
    int keys = 1;
    for (++line; line < lines.size(); ++line) {
        if (!ParseSetting(lines[line], s)) continue;
        if (s.key == "PresetName") {
            // A name among the first settings renames this preset; a later one starts the next preset.
            if (keys >= 6) break;
            preset.Name = s.value;
            continue;
        }
        ++keys;
        if (s.key == "FilePrepend") {
            preset.FilePrepend = s.value;
        } else if (s.key == "FilePostpend") {
            preset.FilePostpend = s.value;
        } else if (s.key == "ArrayPrepend") {
            preset.ArrayPrepend = s.value;
        } else if (s.key == "ArrayPostpend") {
            preset.ArrayPostpend = s.value;
        } else if (s.key == "TableTypeName") {
            preset.TableTypeName = s.value;
        } else if (s.key == "RF_NVM_Filename") {
            preset.RF_NVM_Filename = s.value;
        } else if (s.key == "RF Groups") {
            preset.RFGroups = SplitRfGroups(s.value);
        } else if (s.key == "RF Force Groups") {
            const std::string flag = ToLower(Trim(s.value));
            if (flag == "1" || flag == "true")
                preset.RFForceGroups = true;
            else if (flag == "0" || flag == "false")
                preset.RFForceGroups = false;
            else
                Tell(user, kInvalidForceGroupsMessage);
            ++line;
            break;
        } else {
            preset.GroupRenames.Add(s.key, s.value);
        }
    }
    // A list that names a group twice would export its array twice: it is refused like an empty one.
    const std::string repeated = RepeatedGroup(preset.RFGroups);
    if (preset.RFGroups.empty() || !repeated.empty()) {
        preset.RFGroups = NamingPreset::DefaultRfGroups();
        Tell(user, repeated.empty() ? kNoRfGroupsMessage : RepeatedRfGroupMessage(preset.Name, repeated));
        preset.RFForceGroups = false;
    }
    return true;
}

}  // namespace

// ---- NamingPresets

NamingPresets::NamingPresets() : presets_(1) {}

std::vector<std::string> NamingPresets::Names() const {
    std::vector<std::string> names;
    for (const auto& p : presets_) names.push_back(p.Name);
    return names;
}

int NamingPresets::IndexOf(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (presets_[static_cast<size_t>(i)].Name == name) return i;
    return -1;
}

bool NamingPresets::LoadText(std::string_view text, UserSide* user) {
    const std::vector<std::string> lines = SplitLines(text);
    presets_.clear();
    size_t line = 0;
    for (;;) {
        NamingPreset preset;
        if (!ReadPreset(lines, line, preset, user)) break;
        presets_.push_back(std::move(preset));
    }
    const bool read = !presets_.empty();
    if (!read) presets_.emplace_back();

    // Names must be unique: a later preset with a name already used gets a number. A name
    // tried once and found in use stays in use, so each name's numbering goes on where it stopped.
    std::map<std::string, int> uses, nextNumber;
    for (const auto& p : presets_) ++uses[p.Name];
    for (size_t i = presets_.size(); i-- > 0;) {
        std::string& name = presets_[i].Name;
        if (uses[name] < 2) continue;
        --uses[name];
        const std::string asRead = name;
        int& n = nextNumber[asRead];
        do name = asRead + "_" + std::to_string(++n);
        while (uses.count(name) != 0 && uses[name] > 0);
        ++uses[name];
    }
    current_ = 0;
    return read;
}

bool NamingPresets::Load(const std::string& path, UserSide* user) {
    std::string data;
    if (!ReadWholeFile(path, data)) data.clear();
    return LoadText(data, user);
}

std::string NamingPresets::Text() const {
    std::string t =
        "// This file is used to define the array and file names when exporting NVM default values to source code\n"
        "// If these values are incorrect the file will not compile\n"
        "// This can either be corrected by search and replacing in the generated source file, or by changing the "
        "strings here\n"
        "// The RF Variant ID will be appended after the \"FilePostpend\" and \"ArrayPostpend\"\n"
        "// If the RF ID cannot be read from the connected target (not implemented), then user will be prompted to "
        "enter it.\n"
        "// If not group substitution string is given here, then the raw VTQ group name is used.\n"
        "// Note that no spaces are allowed in the array names as that would make it an invalid identifier\n"
        "\n";
    for (const auto& p : presets_) {
        t += "//--------------------------------------------------------------\n";
        t += "PresetName=" + p.Name + "\n";
        t += "RF_NVM_Filename=" + p.RF_NVM_Filename + "\n";
        t += "FilePrepend=" + p.FilePrepend + "\n";
        t += "FilePostpend=" + p.FilePostpend + "\n";
        t += "ArrayPrepend=" + p.ArrayPrepend + "\n";
        t += "ArrayPostpend=" + p.ArrayPostpend + "\n";
        t += "TableTypeName=" + p.TableTypeName + "\n";
        t += "\n// NVM Group renaming when outputting source code (<NVM groups on target>=<group name used when "
             "exporting to source code>)\n";
        for (int i = 0; i < p.GroupRenames.Count(); ++i)
            t += p.GroupRenames.Key(i) + "=" + p.GroupRenames.Value(i) + "\n";
        t += "\n// RF NVM Group definitions:\n";
        t += "RF Groups=" + JoinCommaText(p.RFGroups) + "\n";
        t += std::string("RF Force Groups=") + (p.RFForceGroups ? "1" : "0") + "\n";
    }
    return t;
}

bool NamingPresets::Save(const std::string& path) const {
    AtomicFileWriter out(path);
    const std::string whole = Text();
    std::string_view text = whole;
    while (!text.empty()) out.Line(NextLine(text));
    return out.Commit();
}

bool NamingPresets::Select(int index, bool followCombo) {
    if (index < 0 || index >= Count()) return false;
    current_ = index;
    if (followCombo && ComboShown() && comboFollower_) comboFollower_(index);
    return true;
}

std::vector<int> NamingPresets::PresetsOnTarget(const TargetGroupTable& table) const {
    std::vector<int> fitting;
    for (int i = 0; i < Count(); ++i) {
        const auto& groups = presets_[static_cast<size_t>(i)].RFGroups;
        if (groups.empty()) continue;
        if (std::all_of(groups.begin(), groups.end(), [&](const std::string& g) { return table.Number(g) >= 0; }))
            fitting.push_back(i);
    }
    return fitting;
}

void NamingPresets::ChooseForTarget(const TargetGroupTable& table) {
    if (Count() <= 1) return;  // the only preset is current
    const std::vector<int> fitting = PresetsOnTarget(table);
    // One fitting preset is taken; among several, a current one that fits stays.
    if (fitting.size() == 1) {
        if (fitting[0] != current_) Select(fitting[0], true);
    } else if (fitting.size() > 1) {
        if (std::find(fitting.begin(), fitting.end(), current_) == fitting.end()) Select(fitting[0], true);
    }
}

void StartNamingPresets(NamingPresets& presets, const std::string& path, UserSide* user) {
    presets.Load(path, user);
    presets.Save(path);
}

}  // namespace vtq
