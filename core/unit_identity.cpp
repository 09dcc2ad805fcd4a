#include "core/unit_identity.h"

#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"

namespace vtq {

namespace {

constexpr std::string_view kModelLine = "// Unit: ";
constexpr std::string_view kSerialLine = "// Unit serial number: ";

// An answer's lines, trimmed, without empty ones, joined on one line; control
// bytes become blanks so that the text stays one comment line.
std::string OneLine(std::string_view answer) {
    std::string out;
    std::string_view rest = answer;
    while (!rest.empty()) {
        std::string line = Trim(NextLine(rest));
        if (line.empty()) continue;
        for (char& c : line)
            if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
        if (!out.empty()) out += " / ";
        out += line;
    }
    return out;
}

std::string Ask(Host& host, const char* command, uint8_t* lost) {
    std::string answer;
    if (lost && *lost) return {};
    if (!Exchange(host, command, answer, false, lost)) return {};
    return OneLine(answer);
}

}  // namespace

std::string UnitIdentity::Describe() const {
    if (model.empty() && serial.empty()) return "an unknown unit";
    if (serial.empty()) return model;
    return (model.empty() ? std::string("serial number ") : model + ", serial number ") + serial;
}

UnitIdentity ReadUnitIdentity(Host& host, uint8_t* lost) {
    UnitIdentity unit;
    unit.model = Ask(host, cmd::kIdentity, lost);
    unit.serial = Ask(host, cmd::kSerialNumber, lost);
    return unit;
}

std::vector<std::string> UnitIdentityLines(const UnitIdentity& unit) {
    std::vector<std::string> lines;
    if (!unit.model.empty()) lines.push_back(std::string(kModelLine) + OneLine(unit.model));
    if (!unit.serial.empty()) lines.push_back(std::string(kSerialLine) + OneLine(unit.serial));
    return lines;
}

UnitIdentity FileUnitIdentity(std::string_view text) {
    UnitIdentity unit;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    while (!text.empty()) {
        const std::string_view line = TrimView(NextLine(text));
        if (line.empty()) continue;
        if (!line.starts_with("//")) break;
        if (line.starts_with(kSerialLine)) unit.serial = Trim(line.substr(kSerialLine.size()));
        else if (line.starts_with(kModelLine)) unit.model = Trim(line.substr(kModelLine.size()));
    }
    return unit;
}

bool IsCalibrationGroup(std::string_view group) { return StartsWithText(group, "cal_"); }

bool CrossesUnits(const UnitIdentity& file, const UnitIdentity& connected, int calibrationValues) {
    return file.Known() && connected.Known() && file.serial != connected.serial && calibrationValues > 0;
}

std::string OtherUnitQuestion(const UnitIdentity& file, const UnitIdentity& connected, int calibrationValues) {
    return "This file was saved from another unit:\n  " + file.Describe() + "\nThe connected unit is:\n  " +
           connected.Describe() + "\n\nThe file holds " +
           CountText(calibrationValues, "calibration value", "calibration values") +
           ", measured on the unit it was saved from.\nLoad it anyway?";
}

}  // namespace vtq
