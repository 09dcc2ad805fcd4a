#include "base/settings_folder.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace vtq {

namespace {

std::optional<std::string>& CachedFolder() {
    static std::optional<std::string> folder;
    return folder;
}

std::string EnvText(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string BaseFolder() {
    std::string base = EnvText("APPDATA");
    if (base.empty()) {
        base = EnvText("XDG_CONFIG_HOME");
        // A relative XDG_CONFIG_HOME is invalid and must be ignored.
        if (base.empty() || base[0] != '/') {
            const std::string home = EnvText("HOME");
            base = (home.empty() ? std::string(".") : home) + "/.config";
        }
    }
    while (!base.empty() && (base.back() == '/' || base.back() == '\\')) base.pop_back();
    return base;
}

}  // namespace

std::string SettingsFolder() {
    auto& folder = CachedFolder();
    if (!folder) {
        folder = BaseFolder() + "/Korvale/Brevant/";
        std::error_code ec;
        std::filesystem::create_directories(*folder, ec);
    }
    return *folder;
}

void ResetSettingsFolder() { CachedFolder().reset(); }

}  // namespace vtq
