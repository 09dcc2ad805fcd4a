#pragma once
// The check before a parameter file's values are loaded for the connected
// unit: calibration values saved from one unit do not belong on another.

#include <string_view>

#include "core/unit_identity.h"

namespace vtq {

class UserSide;

struct FileUnit {
    UnitIdentity unit;          // as the file's identity lines give it
    int calibrationValues = 0;  // assignment lines of calibration groups
};

FileUnit ReadFileUnit(std::string_view text);

// True when the file's values may be loaded: the file is of the connected
// unit, or says nothing of its unit, or holds no calibration value, or the
// user answered Yes to OtherUnitQuestion.
bool ConfirmFileUnit(std::string_view text, const UnitIdentity& connected, UserSide& user);

}  // namespace vtq
