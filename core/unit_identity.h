#pragma once
// Which unit a set of values belongs to. A unit's calibration is measured on
// that unit alone, so the editor learns who the connected target is (its
// answers to the standard identification commands), writes it into every file
// it saves as comment lines, and reads it back from files before loading them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vtq {

class Host;

struct UnitIdentity {
    std::string model;   // the answer to ATI on one line (its lines joined by " / ")
    std::string serial;  // the answer to AT+CGSN
    // Only the serial number tells two units of one model apart.
    bool Known() const { return !serial.empty(); }
    // "<model>, serial number <serial>", or the part that is known; "an unknown unit" when neither is.
    std::string Describe() const;
    bool operator==(const UnitIdentity&) const = default;
};

// Asks the target "ATI\r" and "AT+CGSN\r". A command answered ERROR (or not
// at all) leaves its part empty; a target that answers neither has no identity.
// Stops asking once `lost` (may be null) is set.
UnitIdentity ReadUnitIdentity(Host& host, uint8_t* lost = nullptr);

// The comment lines a saved file carries the identity in, without line ends:
// "// Unit: <model>" and "// Unit serial number: <serial>", each only when known.
std::vector<std::string> UnitIdentityLines(const UnitIdentity& unit);

// The identity a file's text carries: the identity lines among the comment
// lines at its top (before the first line that is not a comment or blank).
// Empty parts when the file has none.
UnitIdentity FileUnitIdentity(std::string_view text);

// Calibration groups hold values measured on one unit: their names begin "cal_" (any case).
bool IsCalibrationGroup(std::string_view group);

// A file of `file`'s unit would put `calibrationValues` values on the unit
// `connected`: true when both serial numbers are known and differ, and there is
// at least one calibration value. Files without identity load as they always did.
bool CrossesUnits(const UnitIdentity& file, const UnitIdentity& connected, int calibrationValues);

// The question asked before such a load: names both units and the number of calibration values.
std::string OtherUnitQuestion(const UnitIdentity& file, const UnitIdentity& connected, int calibrationValues);

}  // namespace vtq
