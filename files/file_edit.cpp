#include "files/file_edit.h"

#include <map>

#include "base/file_io.h"
#include "base/text.h"
#include "channel/long_operation.h"
#include "core/set_values.h"
#include "files/nvm_compare.h"
#include "files/nvm_file.h"
#include "model/group_items.h"
#include "model/value_types.h"
#include "model/write_commands.h"

namespace vtq {

namespace {

// Why the file's `record` (given as `name`) cannot take `value`, as set would refuse it
// for the target's record; empty when it can, and `edited` is the record with the value.
std::string CheckEdit(const NVMParameter* record, const std::string& name, const std::string& value,
                      NVMParameter& edited) {
    if (record == nullptr) return "The file has no parameter \"" + name + "\".";
    if (std::string why = ElementCountRefusal(*record, name, value); !why.empty()) return why;
    // A control character would end the command early and start one nobody asked for.
    if (HasControlByte(value))
        return "\"" + name + "\": the value holds a control character: \"" + ShowControlBytes(value) + "\"";
    edited = *record;
    edited.value = value;
    for (const LogLine& line : WriteCommands(edited).refusal)
        if (line.flag == 0) return "\"" + name + "\": " + line.text;
    if (std::string why = LikelyRefusal(edited); !why.empty()) return "\"" + name + "\": " + why;
    return {};
}

// The file's lines with the line of every edited record replaced; other lines as they were.
std::vector<std::string> EditedLines(std::string_view text,
                                     const std::map<std::string, NVMParameter, TextLess>& edited) {
    std::vector<std::string> lines;
    NvmLine parsed;
    while (!text.empty()) {
        const std::string_view original = NextNvmFileLine(text);
        auto it = edited.end();
        if (ParseNvmLine(original, parsed)) {
            // A "name[0]" line holds the array the file's record is named without it.
            std::string_view name = parsed.name;
            if (EndsWithText(name, "[0]") && !edited.contains(std::string(name))) name.remove_suffix(3);
            it = edited.find(std::string(name));
        }
        if (it == edited.end()) {
            lines.emplace_back(original);
        } else {
            AssignRecordLine(lines.emplace_back(), it->second);
        }
    }
    return lines;
}

}  // namespace

FileEditResult EditParameterFile(const std::string& path,
                                 const std::vector<std::pair<std::string, std::string>>& edits) {
    FileEditResult result;
    std::string text;
    if (!ReadWholeFile(path, text)) {
        result.fileError = true;
        result.errors.push_back(CouldNotLoadMessage(path));
        return result;
    }
    GroupItems items;
    LoadCounts counts;
    LoadParametersFromText(items, text, counts, FileNames::AsGiven);
    std::map<std::string, NVMParameter, TextLess> edited;
    for (const auto& [name, given] : edits) {
        std::string value = given;
        RemoveBlanksOutsideQuotes(value);
        const NVMParameter* held = FindRecord(items, name);
        NVMParameter record;
        if (std::string why = CheckEdit(held, name, value, record); !why.empty()) {
            result.errors.push_back(why);
            continue;
        }
        if (held->value == record.value)
            ++result.unchanged;
        else
            ++result.changed;
        edited[held->name] = std::move(record);
    }
    if (!result.errors.empty() || result.changed == 0) return result;
    AtomicFileWriter out(path);
    const bool opened = out.Ok();
    if (opened) {
        for (const std::string& line : EditedLines(text, edited)) out.Line(line);
        if (out.Commit()) return result;
    }
    result.fileError = true;
    result.errors.push_back(opened ? CannotWriteMessage(path) : CannotOpenMessage(path));
    return result;
}

}  // namespace vtq
