#include "defaults/rf_export.h"

#include <algorithm>

#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "core/editor_session.h"
#include "core/group_list.h"
#include "defaults/header_merge.h"
#include "defaults/header_writer.h"
#include "defaults/naming_presets.h"

namespace vtq {

std::vector<std::string> RfGroupSetA() { return {"cal_t8x_lut", "fix_t8x_lut", "fix_t8x_lut_setcal"}; }

std::vector<std::string> RfGroupSetB() {
    return {"cal_t71_lut",     "cal_t71_lut_aux",    "fix_t71_lut",
            "fix_t71_lut_aux", "fix_t71_lut_setcal", "fix_t71_lut_setcal_aux"};
}

int ReadTravuId(Host& host) {
    std::string answer;
    if (!Exchange(host, cmd::kTravuId, answer)) return -1;
    for (size_t eq = answer.find('='); eq != std::string::npos; eq = answer.find('=', eq + 1)) {
        size_t e = eq;
        while (e > 0 && IsSpaceBlank(answer[e - 1])) --e;
        size_t b = e;
        while (b > 0 && !IsSpaceBlank(answer[b - 1])) --b;
        if (SameText(std::string_view(answer).substr(b, e - b), "id"))
            return ReadDecimal(std::string_view(answer).substr(eq + 1));
    }
    return -1;
}

bool AllGroupsPresent(const std::vector<std::string>& groups, const TargetGroupTable& table) {
    return !groups.empty() &&
           std::all_of(groups.begin(), groups.end(), [&](const std::string& g) { return table.Number(g) >= 0; });
}

bool DetermineRfGroups(Host& host, NamingPreset& preset, const TargetGroupTable& table) {
    if (AllGroupsPresent(preset.RFGroups, table)) {
        preset.RFWorkingGroups = preset.RFGroups;
        return true;
    }
    if (preset.RFForceGroups) {
        std::vector<std::string> missing;
        for (const auto& g : preset.RFGroups)
            if (table.Number(g) < 0) missing.push_back(g);
        host.ShowLine("The following NVM groups do not exist on the connected target:\n\"" + JoinCommaText(missing) +
                          "\".\nPlease edit the RF groups in the file (\"" + kNamingPresetsShownPath +
                          "\"), or set 'RF Force Groups=0'",
                      0);
    }
    const int chip = ReadTravuId(host);
    const std::vector<std::string> chipSet = chip == 1 || chip == 5 ? RfGroupSetA()
                                             : chip == 6            ? RfGroupSetB()
                                                                    : std::vector<std::string>{};
    if (AllGroupsPresent(chipSet, table)) {
        preset.RFWorkingGroups = chipSet;
        return true;
    }
    for (const auto& set : {preset.RFGroups, RfGroupSetA(), RfGroupSetB()}) {
        if (AllGroupsPresent(set, table)) {
            preset.RFWorkingGroups = set;
            return true;
        }
    }
    return false;
}

bool SelectRfGroups(EditorSession& session, UserSide& user, NamingPresets& presets) {
    presets.ChooseForTarget(session.GroupTable());
    NamingPreset& preset = presets.Current();
    if (!DetermineRfGroups(session.host(), preset, session.GroupTable())) {
        user.Message(kRfGroupsUnknownMessage);
        return false;
    }
    SelectExactGroups(session.Items(), JoinCommaText(preset.RFWorkingGroups));
    return true;
}

std::string BuildTargetDetails(Host& host) {
    std::string probe;
    if (!host.GetInfo(kInfoTarget, 5000, probe)) return {};
    return "Connected Target Details:\r\n" + TargetDetailsText(host, 5000) + "\n\r\n";
}

RfExportResult ExportRfDefaults(EditorSession& session, UserSide& user, NamingPresets& presets,
                                const RfExportOptions& options) {
    RfExportResult result;
    if (session.RefuseWithoutTarget()) return result;
    Host& host = session.host();
    if (!SelectExportPreset(session, user, presets, options.presetName)) return result;
    NamingPreset& preset = presets.Current();
    if (!DetermineRfGroups(host, preset, session.GroupTable())) {
        user.Message("Could not find the RF NVM groups needed for this feature:\n\"" +
                     JoinCommaText(preset.RFWorkingGroups) +
                     "\"\n\nIf these are not the RF NVM groups for your project, then you can edit them in the config "
                     "file:\n" +
                     kNamingPresetsShownPath);
        return result;
    }
    if (!ProbeDefaultDump(host, user, kRfDumpUnsupportedMessage)) return result;

    std::string variantId;
    if (!options.variantId.empty()) {
        if (!CleanVariantInput(options.variantId, variantId)) {
            user.Message(kInvalidVariantMessage);
            return result;
        }
    } else {
        uint8_t lost = 0;
        variantId = ReadVariantId(host, user, &lost);
        if (lost) {
            result.targetLost = true;
            return result;
        }
        if (variantId.empty()) {
            host.ShowLine(kOperationCanceledLine, 1);
            return result;
        }
    }
    std::string path = options.path;
    if (path.empty()) {
        path = preset.RF_NVM_Filename + variantId + ".h";
        if (!user.SaveFileName(kRfSaveTitle, kHeaderFilter, path) || path.empty()) {
            host.ShowLine(kRfCanceledLine, 1);
            return result;
        }
    }
    result.path = path;

    const std::vector<std::string> groups = preset.RFWorkingGroups;
    DefaultDumpResult dump = DumpDefaultValues(host, user, groups, variantId, preset);
    result.targetLost = dump.lost;
    if (user.Closing()) return result;
    if (dump.records.size() != groups.size()) {
        user.Message(kExportFailedMessage);
        return result;
    }

    std::string oldPath;
    if (options.oldHeader) {
        oldPath = *options.oldHeader;
    } else if (user.AskCaptioned(kImportCommentsCaption,
                                 "Do you have the original header file for this target with comments (to extract "
                                 "the comments from)?\n\n" +
                                     BuildTargetDetails(host))) {
        if (!user.OpenFileName(kOldHeaderTitle, kOldHeaderFilter, oldPath)) oldPath.clear();
    }
    if (!oldPath.empty()) {
        result.merged = true;
        result.written = MergeDefaultsIntoHeader(host, user, preset, oldPath, path, std::move(dump.records));
    } else {
        result.written = WriteDefaultHeader(host, user, path, dump.records, &result.targetLost);
        result.fileError = !result.written && !result.targetLost;
    }
    if (result.written) host.ShowLine(DefaultDataWrittenLine(path), 1);
    return result;
}

}  // namespace vtq
