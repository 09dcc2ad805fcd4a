#pragma once
// The two safety options of the editor, off by default and stored in the
// settings file next to the other keys of section Mode: review the changes of
// a file before Load File merges them, and read every written value back
// after Write Groups and Write Selected.

#include <string>

namespace vtq {

inline constexpr const char* kReviewLoadKey = "ReviewLoad";
inline constexpr const char* kVerifyWritesKey = "VerifyWrites";

struct SafetyOptions {
    bool reviewLoad = false;
    bool verifyWrites = false;
};

// Both keys from the settings file at `path` ("1" is on; missing or anything else is off).
SafetyOptions LoadSafetyOptions(const std::string& path);
// Writes one key as "1" or "0"; false when the file could not be written.
bool SaveSafetyOption(const std::string& path, const char* key, bool on);

}  // namespace vtq
