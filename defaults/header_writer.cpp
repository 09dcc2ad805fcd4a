#include "defaults/header_writer.h"

#include "base/file_io.h"
#include "base/text.h"
#include "core/editor_session.h"
#include "core/read_groups.h"
#include "defaults/naming_presets.h"

namespace vtq {

namespace {

const std::string kHyphens(76, '-');

std::string InfoText(Host& host, int item, int bufferSize) {
    std::string text;
    if (!host.GetInfo(item, bufferSize, text)) text.clear();
    return text;
}

}  // namespace

std::string DefaultDataWrittenLine(const std::string& path) { return "Default data written to \"" + path + "\"."; }

std::string CouldNotWriteMessage(const std::string& path) { return "Could not write to file: \"" + path + "\"."; }

std::string MakeGuardName(std::string_view path) {
    std::string_view name = TrimView(path);
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    std::string guard = MakeCIdentifier(name);
    for (char& c : guard) c = UpperAscii(c);
    return guard;
}

std::string DefaultHeaderFileName(const NamingPreset& preset, const std::string& firstGroup,
                                  const std::string& variantId) {
    return preset.FilePrepend + preset.ExportGroupName(firstGroup) + preset.FilePostpend + variantId + ".h";
}

std::string TargetDetailsText(Host& host, int bufferSize) {
    std::string details;
    const std::string target = InfoText(host, kInfoTarget, bufferSize);
    if (!target.empty()) details = NormalizeLineEnds(TrimView(target));
    const std::string revision = InfoText(host, kInfoTargetRevision, bufferSize);
    if (!revision.empty()) details += "\n" + NormalizeLineEnds(TrimView(revision));
    return details;
}

HeaderOrigin AskHeaderOrigin(Host& host) {
    HeaderOrigin origin;
    origin.known = host.GetInfo(kInfoGenerator, 2000, origin.generator);
    if (!origin.known) return origin;
    if (origin.generator.empty()) origin.generator = "Brevant";
    origin.targetDetails = TargetDetailsText(host, 2000);
    return origin;
}

namespace {

// A text of the target's with its line feeds (data, details) as lines of the header.
void AddTextLines(std::vector<std::string>& lines, std::string_view text) {
    for (size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1))
        lines.emplace_back(text.substr(0, end));
    lines.emplace_back(text);
}

}  // namespace

std::vector<std::string> DefaultHeaderLines(const HeaderOrigin& origin, const DefaultGroupList& records,
                                            const std::string& guardName) {
    std::vector<std::string> t = {"#ifndef " + guardName, "#define " + guardName, "", "/*" + kHyphens};
    if (origin.known) {
        t.insert(t.end(), {"Generated with " + origin.generator, "", "Connected Target Details:"});
        AddTextLines(t, origin.targetDetails);
        t.emplace_back();
    }
    t.emplace_back("NVM Groups in this file (do not delete):");
    for (const auto& r : records)
        t.push_back("[GROUP=" + r.GroupName + ",ARRAYNAME=" + r.ArrayName + ",VERSION=" + std::to_string(r.Version) +
                    "]");
    t.insert(t.end(), {kHyphens + "*/", ""});
    for (const auto& r : records) {
        t.insert(t.end(), {r.ElementType + " " + r.ArrayName + "[] =", "{"});
        AddTextLines(t, r.DataText);
        t.insert(t.end(), {"};", ""});
    }
    for (const auto& r : records) {
        t.insert(t.end(), {std::string(kDefaultTableType) + " " + r.TableName + "[] =", "{", "    {",
                           "      (void*)&" + r.ArrayName + "[0],",
                           "      0, // Should always be zero as this starts from the start address of mirror",
                           "      sizeof(" + r.ArrayName + ") // Same as mirror size", "    },",
                           "    { NULL, 0, 0 }     //End mark", "};", ""});
    }
    t.emplace_back("#endif");
    return t;
}

bool WriteDefaultHeader(Host& host, UserSide& user, const std::string& path, const DefaultGroupList& records,
                        bool* targetLost) {
    if (records.empty() || path.empty()) {
        host.ShowLine(kNothingSavedLine, 1);
        return false;
    }
    const HeaderOrigin origin = AskHeaderOrigin(host);
    // A target that stopped answering while its identity was asked left those lines empty.
    if (targetLost && !host.CheckConnection()) {
        *targetLost = true;
        host.ShowLine(kIdentityLostLine, 0);
        return false;
    }
    AtomicFileWriter out(path);
    out.Lines(DefaultHeaderLines(origin, records, MakeGuardName(path)));
    // Any failed write counts, not only the last: a header cut short must not replace the old one.
    if (!out.Commit()) {
        user.Message(CouldNotWriteMessage(path));
        return false;
    }
    return true;
}

bool SelectExportPreset(EditorSession& session, UserSide& user, NamingPresets& presets, const std::string& name) {
    if (name.empty()) {
        presets.ChooseForTarget(session.GroupTable());
        return true;
    }
    const int index = presets.IndexOf(name);
    if (index < 0) {
        user.Message(kNoSuchPresetMessage + name);
        return false;
    }
    presets.Select(index, true);
    return true;
}

HeaderExportResult ExportDefaultHeader(EditorSession& session, UserSide& user, NamingPresets& presets,
                                       const HeaderExportOptions& options) {
    HeaderExportResult result;
    if (session.RefuseWithoutTarget()) return result;
    Host& host = session.host();
    if (!SelectExportPreset(session, user, presets, options.presetName)) return result;
    const std::vector<std::string> groups = session.Items().CheckedGroupNames();
    if (!ProbeDefaultDump(host, user, kFeatureUnsupportedMessage)) return result;
    if (groups.empty()) {
        user.Message(kNoGroupsToReadMessage);
        return result;
    }

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
            result.cancelled = true;
            return result;
        }
    }

    const NamingPreset& preset = presets.Current();
    std::string path = options.path;
    if (path.empty()) {
        path = DefaultHeaderFileName(preset, groups.front(), variantId);
        if (!user.SaveFileName(kHeaderSaveTitle, kHeaderFilter, path) || path.empty()) {
            host.ShowLine(kOperationCanceledLine, 1);
            result.cancelled = true;
            return result;
        }
    }
    result.path = path;

    DefaultDumpResult dump = DumpDefaultValues(host, user, groups, variantId, preset);
    result.targetLost = dump.lost;
    result.cancelled = dump.cancelled;
    if (user.Closing()) return result;
    if (dump.records.empty()) {
        user.Message(kExportFailedMessage);
        return result;
    }
    // A header names the target it came from, which a lost target cannot tell: nothing is saved.
    if (dump.lost) {
        host.ShowLine(kNothingSavedLine, 1);
        return result;
    }
    // Without the groups the target refused, or those a cancel left out, the header is incomplete:
    // it goes beside, and a complete file at `path` stays.
    const int missing = static_cast<int>(groups.size() - dump.records.size());
    const bool incomplete = missing > 0 || dump.cancelled;
    if (incomplete) result.path = PartialFilePath(path);
    if (WriteDefaultHeader(host, user, result.path, dump.records, &result.targetLost)) {
        if (incomplete) host.ShowLine(IncompleteFileLine(path, result.path, missing), 0);
        result.written = true;
        result.groupsWritten = static_cast<int>(dump.records.size());
        host.ShowLine(DefaultDataWrittenLine(result.path), 1);
    } else {
        result.fileError = !result.targetLost;
    }
    return result;
}

}  // namespace vtq
