#pragma once
// The per-user folder that holds "Brevant.ini" and "DefaultNVMNaming.config".

#include <string>

namespace vtq {

// Ends in a path separator: $APPDATA when set, otherwise $XDG_CONFIG_HOME (or
// ~/.config), then Korvale/Brevant/. Worked out and created on first use;
// later calls answer the same text.
std::string SettingsFolder();
// Forgets the folder worked out so far, so the next call reads the environment again.
void ResetSettingsFolder();

}  // namespace vtq
