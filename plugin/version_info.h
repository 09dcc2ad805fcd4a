#pragma once
// The window caption from the version information stored in the plug-in's
// library file: the ELF section ".vtq_version" holds "VTQVERSION1" and then
// NUL-terminated key=value texts (ProductName, FileVersion). It is read from
// the file on disk, as a version resource would be.

#include <map>
#include <optional>
#include <string>

namespace vtq {

// The key=value pairs of the version section of the ELF file at `path`;
// nullopt when the file cannot be read, is no ELF file or has no such section.
std::optional<std::map<std::string, std::string>> ReadVersionInfo(const std::string& path);

// Product name, then " - Version: " and the file version when there is one;
// "About: No version information available." without version information.
std::string VersionText(const std::string& path);

// The caption for the running plug-in: its own file name (no folder) looked up
// in the folder of the host program.
std::string PluginVersionText();

}  // namespace vtq
