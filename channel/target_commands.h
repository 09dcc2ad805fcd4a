#pragma once
// Every command text the editor sends to the target, spelled once. Each ends
// in a carriage return.

#include <string>
#include <string_view>

namespace vtq::cmd {

inline constexpr const char* kPrefix = "at@nvm:";

// The target's group list: lines name=number.
inline constexpr const char* kGroupList = "at@nvm:$nvm_groups??\r";
// One group's parameters as compressed pieces.
inline std::string Dump(std::string_view group) { return "at@nvm:dump_csv_add(\"" + std::string(group) + "\")\r"; }
// A parameter's value ("name?") and its size or description ("name??").
inline std::string Value(std::string_view name) { return kPrefix + std::string(name) + "?\r"; }
inline std::string Size(std::string_view name) { return kPrefix + std::string(name) + "??\r"; }
// A parameter's type, between "<" and ">" in the answer.
inline std::string Type(std::string_view name) { return kPrefix + std::string(name) + "???\r"; }
// Elements 0..last of an array (one element when last is 0).
inline std::string Elements(std::string_view name, int last) {
    return last < 1 ? kPrefix + std::string(name) + "[0]?\r"
                    : kPrefix + std::string(name) + "[0," + std::to_string(last) + "]?\r";
}
// A write of a value (scalar "name=value", array "name[a,b]={values}").
inline std::string Write(std::string_view name, std::string_view value) {
    return kPrefix + std::string(name) + "=" + std::string(value) + "\r";
}
// Stores a group's RAM mirror in NVM.
inline std::string Commit(int groupNumber) { return "at@nvm:store_nvm_sync(" + std::to_string(groupNumber) + ")\r"; }

// Default values of a group as a C array, and the probe whether the target knows the command.
inline std::string DefaultDump(std::string_view group) {
    return "at@nvm:dump_default(\"" + std::string(group) + "\")\r";
}
inline constexpr const char* kDefaultDumpProbe = "at@nvm:dump_default()??\r";
// Default values written to the RAM mirror, and its probe.
inline constexpr const char* kWriteToMirrorProbe = "at@nvm:write_to_mirror()??\r";
inline constexpr const char* kWriteToMirrorStart = "at@nvm:write_to_mirror(";
// Parameters that differ from their defaults, per group, and its probe.
inline std::string TrackChanges(std::string_view group) { return "at@nvm:track_changes(" + std::string(group) + ")\r"; }
inline constexpr const char* kTrackChangesProbe = "at@nvm:track_changes()??\r";
// Hardware identifiers: the variant identifier and the RF chip's identifier.
inline constexpr const char* kVariantId = "at@hwid:ver_hwid_get(RF_ENGINE_ID)\r";
inline constexpr const char* kTravuId = "at@hwid:ver_hwid_get(TRAVU_ID)\r";
// The standard identification commands: maker, model and revision; serial number.
inline constexpr const char* kIdentity = "ATI\r";
inline constexpr const char* kSerialNumber = "AT+CGSN\r";

}  // namespace vtq::cmd
