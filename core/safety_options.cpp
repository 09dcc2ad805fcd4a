#include "core/safety_options.h"

#include "base/text.h"
#include "core/settings.h"

namespace vtq {

namespace {

bool IsOn(const std::string& path, const char* key) {
    return Trim(ReadProfileString(path, kSettingsSection, key, "0")) == "1";
}

}  // namespace

SafetyOptions LoadSafetyOptions(const std::string& path) {
    SafetyOptions options;
    options.reviewLoad = IsOn(path, kReviewLoadKey);
    options.verifyWrites = IsOn(path, kVerifyWritesKey);
    return options;
}

bool SaveSafetyOption(const std::string& path, const char* key, bool on) {
    return WriteProfileString(path, kSettingsSection, key, on ? "1" : "0");
}

}  // namespace vtq
