#include "cli/verb_run.h"

#include "base/file_io.h"
#include "channel/long_operation.h"
#include "defaults/changed_defaults.h"
#include "defaults/header_reader.h"
#include "defaults/header_writer.h"
#include "defaults/naming_presets.h"
#include "defaults/rf_export.h"
#include "files/nvm_file.h"

namespace nvmtool {

void VerbRun::ExportHeader() {
    vtq::NamingPresets presets;
    if (!SelectGroups(o_.all ? session_.GroupTable().Names() : o_.args) || !LoadPresets(presets)) return;
    vtq::HeaderExportOptions options;
    options.path = OutPath(o_.output);
    options.presetName = o_.preset;
    options.variantId = o_.variant;
    const int wanted = static_cast<int>(Items().CheckedGroupNames().size());
    const vtq::HeaderExportResult r = vtq::ExportDefaultHeader(session_, user_, presets, options);
    Result().file = r.path.empty() ? options.path : r.path;
    Result().written = r.written;
    Count("groupsWritten", r.groupsWritten);
    if (r.targetLost)
        return (void)Fail(Outcome::kTargetLost,
                          "The target was lost while its default values were read; " +
                              (r.written ? "the groups read went to " + r.path + ", and " : std::string()) +
                              options.path + " was not replaced.");
    if (!r.written) return NotWritten(r.path.empty() ? options.path : r.path, r.fileError);
    // Groups whose defaults the target refused are missing from the header.
    if (r.groupsWritten < wanted)
        Fail(Outcome::kDifferences, vtq::CountText(wanted - r.groupsWritten, "group was", "groups were") +
                                        " not exported; the header went to " + r.path + ".");
}

void VerbRun::RfExport() {
    vtq::NamingPresets presets;
    if (!LoadPresets(presets)) return;
    std::string old;
    if (!o_.merge.empty() && !vtq::ReadWholeFile(o_.merge, old))
        return (void)Fail(Outcome::kFileError, "Cannot read the file " + o_.merge + ".");
    vtq::RfExportOptions options;
    options.path = OutPath(o_.output);
    options.presetName = o_.preset;
    options.variantId = o_.variant;
    options.oldHeader = o_.merge;
    const vtq::RfExportResult r = vtq::ExportRfDefaults(session_, user_, presets, options);
    Result().file = options.path;
    Result().written = r.written;
    Result().merged = r.merged;
    if (r.targetLost) return (void)Fail(Outcome::kTargetLost, "The target was lost; nothing was written.");
    if (!r.written) NotWritten(options.path, r.fileError);
}

void VerbRun::LoadHeader() {
    const std::string& path = o_.args[0];
    std::string text;
    if (!vtq::ReadWholeFile(path, text)) return (void)Fail(Outcome::kFileError, "Cannot read the file " + path + ".");
    const vtq::HeaderRead read = vtq::ReadDefaultHeader(text);
    if (!read.indexed)
        return (void)Fail(Outcome::kUsage, path + ": no group index of a default-values header in the file.");
    const vtq::LoadHeaderResult r = vtq::LoadDefaultHeaderToTarget(session_, user_, path);
    // The file's problems are on the log line by line; the first one names the file and line.
    if (!r.problems.empty()) {
        const long long more = static_cast<long long>(r.problems.size()) - 1;
        const std::string rest = more > 0 ? " (and " + vtq::CountText(more, "more problem", "more problems") + ")" : "";
        return (void)Fail(Outcome::kUsage, r.problems.front() + rest);
    }
    Count("groups", static_cast<long long>(read.records.size()));
    Count("committed", r.committed);
    Count("failed", r.failed);
    if (r.targetLost) return (void)Fail(Outcome::kTargetLost, "The target was lost while the header was loaded.");
    if (r.noRestorePoint) return (void)Fail(Outcome::kFileError, kNoRestorePointError);
    if (!r.loaded) return (void)NotWritten(path, false);
    if (r.failed > 0)
        Fail(Outcome::kDifferences, vtq::CountText(r.failed, "group was", "groups were") + " not loaded.");
}

void VerbRun::ChangedDefaults() {
    const std::vector<std::string> groups = o_.args.empty() ? session_.GroupTable().Names() : o_.args;
    if (!SelectGroups(groups)) return;
    const vtq::ChangedDefaultsResult r = vtq::ExportChangedDefaults(session_, user_, groups, OutPath(o_.output));
    Result().file = r.path;
    Result().written = r.written;
    Count("changedGroups", r.changedGroups);
    Count("failedGroups", r.failedGroups);
    if (r.targetLost)
        return (void)Fail(Outcome::kTargetLost,
                          "The target was lost; " +
                              (r.written ? "the changes read went to " + r.path + ", and " : std::string()) +
                              vtq::WithNvmExtension(OutPath(o_.output)) + " was not replaced.");
    if (!r.written) return NotWritten(r.path, r.fileError);
    if (r.failedGroups > 0)
        Fail(Outcome::kDifferences, vtq::CountText(r.failedGroups, "group was", "groups were") + " not read.");
}

}  // namespace nvmtool
