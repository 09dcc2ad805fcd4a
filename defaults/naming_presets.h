#pragma once
// Naming presets: the texts that make the file, array and table names of
// exported default-value sources, kept in "DefaultNVMNaming.config" in the
// settings folder. The file may hold several presets; the window's combo box
// picks the current one, and the editor can pick it from the RF groups that
// the target holds.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vtq {

class UserSide;
class TargetGroupTable;

inline constexpr const char* kNamingPresetsFileName = "DefaultNVMNaming.config";
// The path the RF messages show to the user, as a Windows user knows it.
inline constexpr const char* kNamingPresetsShownPath = "%appdata%\\korvale\\Brevant\\DefaultNVMNaming.config";

inline constexpr const char* kInvalidForceGroupsMessage = "'RF Force Groups' settings in config file is invalid";
inline constexpr const char* kNoRfGroupsMessage =
    "Error in config file. No RF Groups specified. Using default settings.";
// "Error in config file. The group ... is named twice in the RF Groups of preset ...": the list is refused.
std::string RepeatedRfGroupMessage(const std::string& preset, const std::string& group);

// SettingsFolder() + "DefaultNVMNaming.config".
std::string NamingPresetsPath();

// Map from a group name on the target to the name used in exported source.
// Keys are sorted and compared without regard to case; adding a present key
// replaces its value.
class GroupRenameMap {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    // Empty texts for an index out of range.
    std::string Key(int index) const;
    std::string Value(int index) const;
    // Null when the key is not there.
    const std::string* Find(std::string_view key) const;
    void Add(const std::string& key, const std::string& value);
    void Clear() { entries_.clear(); }
    bool operator==(const GroupRenameMap&) const = default;

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

struct NamingPreset {
    std::string Name = "Default";
    std::string RF_NVM_Filename = "rf_nvm_t8x_default_binary_cust_";
    std::string FilePrepend = "rf_nvm_";
    std::string FilePostpend = "_default_binary_cust_";
    std::string ArrayPrepend = "rf_nvm_";
    std::string ArrayPostpend = "_binary_data_table_cust_";
    std::string TableTypeName = "vtq_nvm_default_data_binary_type";
    GroupRenameMap GroupRenames = DefaultRenames();
    std::vector<std::string> RFGroups = DefaultRfGroups();
    bool RFForceGroups = false;
    // The RF groups the RF export works on; it may replace them. Not in the file.
    std::vector<std::string> RFWorkingGroups = DefaultRfGroups();

    // The name a group has in exported source: its rename, else the name itself.
    std::string ExportGroupName(const std::string& group) const;

    static GroupRenameMap DefaultRenames();
    static std::vector<std::string> DefaultRfGroups();
    bool operator==(const NamingPreset&) const = default;
};

// The presets of the file, in file order, and the current one. There is
// always at least one preset.
class NamingPresets {
public:
    NamingPresets();

    int Count() const { return static_cast<int>(presets_.size()); }
    const NamingPreset& Preset(int index) const { return presets_.at(static_cast<size_t>(index)); }
    NamingPreset& Preset(int index) { return presets_.at(static_cast<size_t>(index)); }
    int CurrentIndex() const { return current_; }
    const NamingPreset& Current() const { return presets_.at(static_cast<size_t>(current_)); }
    NamingPreset& Current() { return presets_.at(static_cast<size_t>(current_)); }
    std::vector<std::string> Names() const;
    // Index of the preset with exactly this name, -1 when there is none.
    int IndexOf(std::string_view name) const;

    // Reads the presets of the file text; at least one is then held. False
    // (and one default preset) when the text defines none. Messages about
    // invalid settings go to `user` (may be null).
    bool LoadText(std::string_view text, UserSide* user);
    // The same from a file; an unreadable file gives one default preset.
    bool Load(const std::string& path, UserSide* user);
    // The whole file text, lines ended by LF.
    std::string Text() const;
    // Writes the file atomically; false when it failed.
    bool Save(const std::string& path) const;

    // Makes preset `index` current when it exists; with `followCombo`, a shown
    // combo box moves to it. False for an invalid index.
    bool Select(int index, bool followCombo);
    // The presets box is shown only when there is a choice.
    bool ComboShown() const { return Count() > 1; }
    // Called with the preset index whenever Select(..., true) moves a shown combo box.
    void SetComboFollower(std::function<void(int)> follower) { comboFollower_ = std::move(follower); }

    // Indexes of the presets whose RF groups all exist on the target (a preset
    // without RF groups never qualifies), in collection order.
    std::vector<int> PresetsOnTarget(const TargetGroupTable& table) const;
    // Picks the preset that fits the target's groups (see the .cpp).
    void ChooseForTarget(const TargetGroupTable& table);

private:
    std::vector<NamingPreset> presets_;
    int current_ = 0;
    std::function<void(int)> comboFollower_;
};

// Start-up: one default preset, then the file's presets, then the file
// written back at once (so a missing file is created with the default content).
void StartNamingPresets(NamingPresets& presets, const std::string& path, UserSide* user);

}  // namespace vtq
