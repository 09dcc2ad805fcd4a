#include "files/unit_guard.h"

#include "channel/user_side.h"
#include "files/nvm_file.h"

namespace vtq {

FileUnit ReadFileUnit(std::string_view text) {
    FileUnit file;
    file.unit = FileUnitIdentity(text);
    NvmLine line;
    while (!text.empty())
        if (ParseNvmLine(NextNvmFileLine(text), line) && IsCalibrationGroup(line.group)) ++file.calibrationValues;
    return file;
}

bool ConfirmFileUnit(std::string_view text, const UnitIdentity& connected, UserSide& user) {
    if (!connected.Known()) return true;
    const FileUnit file = ReadFileUnit(text);
    if (!CrossesUnits(file.unit, connected, file.calibrationValues)) return true;
    return user.AskWarning(OtherUnitQuestion(file.unit, connected, file.calibrationValues));
}

}  // namespace vtq
