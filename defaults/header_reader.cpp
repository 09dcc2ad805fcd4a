#include "defaults/header_reader.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/file_io.h"
#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"
#include "core/editor_session.h"
#include "model/group_items.h"

namespace vtq {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of `key` in an index entry: from after the key to the next "," or "]", trimmed.
std::optional<std::string> EntryValue(std::string_view entry, std::string_view key) {
    const size_t at = entry.find(key);
    if (at == std::string_view::npos) return std::nullopt;
    const size_t b = at + key.size();
    size_t e = entry.find_first_of(",]", b);
    if (e == std::string_view::npos) e = entry.size();
    return Trim(entry.substr(b, e - b));
}

void ReadConstants(std::string_view list, HeaderConstants& constants) {
    for (const std::string& raw : SplitCommaText(list)) {
        const std::string item = Trim(raw);
        const size_t eq = item.find('=');
        if (eq == std::string::npos) continue;
        const std::string name = Trim(std::string_view(item).substr(0, eq));
        if (name.empty()) continue;
        constants[name] = ConstantValue(TrimView(std::string_view(item).substr(eq + 1)));
    }
}

// The format and size of each known element width.
const ElementFormatInfo* KnownFormat(char sign, int bits) {
    static const ElementFormatInfo u8{"%qu", 1}, u16{"%hu", 2}, u32{"%u", 4}, s8{"%qd", 1}, s16{"%hd", 2}, s32{"%d", 4};
    switch (bits) {
        case 8:
            return sign == 'U' ? &u8 : &s8;
        case 16:
            return sign == 'U' ? &u16 : &s16;
        case 32:
            return sign == 'U' ? &u32 : &s32;
        default:
            return nullptr;
    }
}

void MarkCommitted(GroupItem* group) {
    if (!group) return;
    for (NVMParameter* record : group->params)
        if (record->state == ParameterState::InTargetRAM) record->state = ParameterState::Unchanged;
}

}  // namespace

std::string Hex4(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%.4x", static_cast<unsigned>(value));
    return buffer;
}

uint32_t ConstantValue(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint32_t value = 0;
        for (size_t i = 2; i < text.size() && i < 10 && HexDigit(text[i]) >= 0; ++i)
            value = value * 16 + static_cast<uint32_t>(HexDigit(text[i]));
        return value;
    }
    return static_cast<uint32_t>(ReadDecimal(text));
}

std::string NotCommittedLine(const std::string& group) {
    return "Group \"" + group + "\" was not committed, because its default values were not completely written.";
}

HeaderTexts SplitHeaderText(std::string_view text) {
    HeaderTexts out{std::string(text), {}};
    size_t i = 0;
    while (i + 1 < text.size()) {
        if (text[i] == '/' && text[i + 1] == '*') {
            size_t end = text.find("*/", i + 2);
            const size_t contentEnd = end == std::string_view::npos ? text.size() : end;
            out.comments.append(text.substr(i + 2, contentEnd - i - 2));
            end = end == std::string_view::npos ? text.size() : end + 2;
            for (; i < end; ++i) out.code[i] = ' ';
        } else if (text[i] == '/' && text[i + 1] == '/') {
            size_t end = text.find_first_of("\r\n", i);
            if (end == std::string_view::npos) end = text.size();
            out.comments.append(text.substr(i + 2, end - i - 2)).append("\r\n");
            for (; i < end; ++i) out.code[i] = ' ';
        } else {
            ++i;
        }
    }
    return out;
}

bool ParseDefaultHeaderText(std::string_view text, Host& host, DefaultGroupList& records, HeaderConstants& constants) {
    records.clear();
    constants.clear();
    const HeaderTexts texts = SplitHeaderText(text);
    const std::string& comments = texts.comments;

    // The group index: entries up to the first one that lacks a key.
    size_t firstEnd = std::string::npos;
    for (size_t at = comments.find("[GROUP="); at != std::string::npos; at = comments.find("[GROUP=", at)) {
        const size_t close = comments.find(']', at);
        if (close == std::string::npos) break;
        const std::string_view entry = std::string_view(comments).substr(at, close - at + 1);
        const auto group = EntryValue(entry, "GROUP=");
        const auto array = EntryValue(entry, "ARRAYNAME=");
        const auto version = EntryValue(entry, "VERSION=");
        if (!group || !array || !version) break;
        DefaultGroupData record;
        record.GroupName = *group;
        record.ArrayName = *array;
        record.Version = ReadDecimal(*version);
        records.push_back(std::move(record));
        if (firstEnd == std::string::npos) firstEnd = close;
        at = close + 1;
    }
    if (records.empty()) return false;

    const size_t list = comments.find("[CONSTANTS=", firstEnd);
    if (list != std::string::npos) {
        const size_t close = comments.find(']', list);
        const std::string_view body = std::string_view(comments).substr(
            list + 11, close == std::string::npos ? std::string::npos : close - list - 11);
        if (close != std::string::npos && body.find('=') != std::string_view::npos) ReadConstants(body, constants);
    }

    // Each array from the code text; checked from the last record to the first.
    const std::string& code = texts.code;
    for (size_t i = records.size(); i-- > 0;) {
        DefaultGroupData& r = records[i];
        const size_t at = r.ArrayName.empty() ? std::string::npos : code.find(r.ArrayName);
        if (at == std::string::npos) {
            host.ShowLine("Cannot find the array definition of \"" + r.ArrayName + "\" for group " + r.GroupName, 0);
            records.erase(records.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        // Back over the blanks and the type word before the name, to the blank before the type.
        size_t from = at;
        while (from > 0 && IsSpaceBlank(code[from - 1])) --from;
        while (from > 0 && !IsSpaceBlank(code[from - 1])) --from;
        if (from > 0) --from;
        const CArrayFind found = FindCArray(code, from);
        r.DataText.clear();
        if (found.Found()) {
            const size_t close = code.find('}', found.brace + 1);
            if (close != std::string::npos) {
                r.ElementType = found.type;
                r.DataText = Trim(std::string_view(code).substr(found.brace + 1, close - found.brace - 1));
            }
        }
        if (r.DataText.empty()) {
            host.ShowLine("Cannot locate valid data for the array \"" + r.ArrayName + "\" for group " + r.GroupName, 0);
            records.erase(records.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    return true;
}

bool ReadDefaultHeaderFile(Host& host, UserSide& user, const std::string& path, DefaultGroupList& records,
                           HeaderConstants& constants) {
    records.clear();
    constants.clear();
    std::string data;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) || !ReadWholeFile(path, data)) {
        user.Message("File does not exist (\"" + path + "\"). Nothing read.");
        return false;
    }
    if (!ParseDefaultHeaderText(data, host, records, constants)) {
        user.Message(kNoValidGroupsMessage);
        return false;
    }
    return true;
}

ValueChunk NextValueChunk(std::string_view data, size_t& cursor) {
    ValueChunk chunk;
    size_t length = 0;
    for (;;) {
        const size_t start = cursor;
        size_t i = cursor;
        if (i < data.size() && data[i] == ',') ++i;
        while (i < data.size() && IsSpaceBlank(data[i])) ++i;
        if (i >= data.size() || data[i] == '}') {
            cursor = i;
            chunk.exhausted = true;
            break;
        }
        const size_t b = i;
        while (i < data.size() && !IsSpaceBlank(data[i]) && data[i] != ',') ++i;
        const std::string_view value = data.substr(b, i - b);
        while (i < data.size() && IsSpaceBlank(data[i])) ++i;
        if (length + value.size() > kChunkText) {
            cursor = start;
            if (chunk.text.empty()) chunk.tooLong = true;
            break;
        }
        if (!chunk.text.empty()) {
            chunk.text += ',';
            ++length;
        }
        chunk.text += value;
        length += value.size();
        cursor = i;
        if (++chunk.count == kChunkValues) break;
    }
    if (chunk.text.empty()) chunk.exhausted = true;
    return chunk;
}

ElementFormatInfo ElementFormat(std::string_view type) {
    std::string t = Trim(type);
    for (char& c : t) c = UpperAscii(c);
    if (t == "INT" || t == "LONG") t = "U32";
    if (!t.empty() && (t[0] == 'U' || t[0] == 'S'))
        if (const ElementFormatInfo* known = KnownFormat(t[0], ReadDecimal(std::string_view(t).substr(1))))
            return *known;
    return ElementFormatInfo{"%hu", 2, false};
}

std::string ReplaceConstants(std::string_view chunk, const HeaderConstants& constants) {
    std::string text(chunk);
    for (const auto& [name, value] : constants) {
        if (name.empty()) continue;
        const std::string hex = Hex4(value);
        for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at)) {
            const size_t end = at + name.size();
            const bool whole =
                (at == 0 || !IsCIdentChar(text[at - 1])) && (end == text.size() || !IsCIdentChar(text[end]));
            if (!whole) {
                at = end;
                continue;
            }
            text.replace(at, name.size(), hex);
            at += hex.size();
        }
    }
    return text;
}

LoadHeaderResult LoadDefaultHeaderToTarget(EditorSession& session, UserSide& user, const std::string& givenPath) {
    LoadHeaderResult result;
    Host& host = session.host();
    std::string probe;
    if (!ProbeFeature(host, user, cmd::kWriteToMirrorProbe, kMirrorUnsupportedMessage, &probe)) return result;
    const bool withVersion = ToLower(probe).find("version") != std::string::npos;

    std::string path = givenPath;
    if (path.empty() && !user.OpenFileName(kOpenHeaderTitle, kOpenHeaderFilter, path)) return result;
    DefaultGroupList records;
    HeaderConstants constants;
    if (!ReadDefaultHeaderFile(host, user, path, records, constants)) return result;
    result.loaded = true;

    host.ShowLine(kWritingDataLine, 1);
    // No progress window and no event processing: the load runs in one go.
    LongOperation op(host, user, LongOperationOptions{false, false});
    op.Begin();
    for (const DefaultGroupData& r : records) {
        const ElementFormatInfo format = ElementFormat(r.ElementType);
        if (!format.known) host.ShowLine("Unknown format \"" + Trim(r.ElementType) + "\" of array. Assuming U16.", 0);
        const int number = session.GroupTable().Number(r.GroupName);
        size_t cursor = 0;
        long long sent = 0;
        bool complete = true;
        for (bool stop = false; !stop;) {
            const ValueChunk chunk = NextValueChunk(r.DataText, cursor);
            if (!chunk.text.empty()) {
                std::string command = std::string(cmd::kWriteToMirrorStart) + std::to_string(number) + ",";
                if (withVersion) command += std::to_string(r.Version) + ",";
                command += std::to_string(sent * format.size) + ",\"" + format.format + "\",{" +
                           ReplaceConstants(chunk.text, constants) + "})\r";
                std::string answer;
                if (!Exchange(host, command, answer, false, op.LostFlag())) {
                    host.ShowLine(kWriteErrorLine, 0);
                    complete = false;
                    stop = true;
                }
                sent += chunk.count;
                if (op.TargetLost()) {
                    host.ShowLine(kWriteLostLine, 0);
                    stop = true;
                }
            }
            if (chunk.tooLong) complete = false;
            if (chunk.exhausted) stop = true;
        }
        // A target that stopped responding gets no further command.
        if (op.TargetLost()) {
            ++result.failed;
            break;
        }
        // Half-written defaults are never stored: the group's NVM keeps its old, whole values.
        if (!complete) {
            host.ShowLine(NotCommittedLine(r.GroupName), 0);
            ++result.failed;
            continue;
        }
        std::string answer;
        if (Exchange(host, cmd::Commit(number), answer, false, op.LostFlag())) {
            ++result.committed;
            MarkCommitted(session.Items().FindGroup(r.GroupName));
            host.ShowLine(r.GroupName + " committed in target.", 1);
        } else {
            ++result.failed;
            host.ShowLine(
                "There was an error while commiting default values on target for group \"" + r.GroupName + "\".", 0);
            if (op.TargetLost()) break;
        }
    }
    result.targetLost = op.TargetLost();
    op.End();
    if (result.committed > 0)
        user.Message(kLoadDoneMessage);
    else
        host.ShowLine("Done", 1);
    return result;
}

}  // namespace vtq
