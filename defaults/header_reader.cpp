#include "defaults/header_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "base/file_io.h"
#include "base/number_text.h"
#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/long_operation.h"
#include "channel/target_commands.h"
#include "core/commit_groups.h"
#include "core/editor_session.h"
#include "core/restore_points.h"
#include "model/group_items.h"

namespace vtq {

namespace {

// The problems of a refused file shown one by one; the rest are counted.
constexpr size_t kProblemLinesShown = 20;

// The highest version number an index entry may give.
constexpr uint64_t kMaxHeaderVersion = 65535;

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
    static const ElementFormatInfo u8{"%qu", 1}, u16{"%hu", 2}, u32{"%u", 4}, s8{"%qd", 1, true, true},
        s16{"%hd", 2, true, true}, s32{"%d", 4, true, true};
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

}  // namespace

std::string Hex4(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%.4x", static_cast<unsigned>(value));
    return buffer;
}

uint32_t ConstantValue(std::string_view text) {
    // At most 8 hexadecimal digits count: the value is 32 bits wide.
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return static_cast<uint32_t>(ReadNumberText(text.substr(0, 10), 0, {.sign = false, .hex = true}).magnitude);
    return static_cast<uint32_t>(ReadDecimal(text));
}

std::string HeaderRefusedMessage(const std::string& path) {
    return "The file \"" + path + "\" was not loaded: it holds errors (see the log). No value was sent to the target.";
}

std::string NotCommittedLine(const std::string& group) {
    return "Group \"" + group + "\" was not committed, because its default values were not completely written.";
}

namespace {

// Past a string or character literal that starts at `at`: its closing quote, or the end of its line.
size_t LiteralEnd(std::string_view text, size_t at) {
    const char quote = text[at];
    size_t i = at + 1;
    while (i < text.size() && text[i] != quote && text[i] != '\r' && text[i] != '\n') i += text[i] == '\\' ? 2 : 1;
    return std::min(i < text.size() && text[i] == quote ? i + 1 : i, text.size());
}

// The start of every line of a text, for line numbers of offsets.
class LineIndex {
public:
    explicit LineIndex(std::string_view text) {
        starts_.push_back(0);
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') starts_.push_back(i + 1);
    }
    int LineOf(size_t offset) const {
        return static_cast<int>(std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin());
    }

private:
    std::vector<size_t> starts_;
};

// A number as C writes it, with a sign: decimal or "0x" hexadecimal; false for anything else or above 64 bits.
bool ReadNumber(std::string_view text, bool& negative, uint64_t& magnitude) {
    NumberText number;
    if (!IsWholeNumber(text, number, {.sign = true, .hex = true})) return false;
    negative = number.negative;
    magnitude = number.magnitude;
    return true;
}

// The number fits an element of `size` bytes: 0 to 2^n-1, or -2^(n-1) to 2^(n-1)-1 when signed.
bool FitsElement(bool negative, uint64_t magnitude, const ElementFormatInfo& format) {
    const int bits = format.size * 8;
    if (format.isSigned) {
        const uint64_t limit = uint64_t{1} << (bits - 1);
        return negative ? magnitude <= limit : magnitude < limit;
    }
    return (negative && magnitude == 0) || (!negative && magnitude < (uint64_t{1} << bits));
}

// The value of a token as it is sent: a number, or a constant's name (with a sign) that becomes its value.
enum class TokenCheck { Fits, NotANumber, TooWide, TooLong };
TokenCheck CheckToken(std::string_view token, const HeaderConstants& constants, const ElementFormatInfo& format) {
    if (token.size() > kChunkText) return TokenCheck::TooLong;
    bool negative = false;
    uint64_t magnitude = 0;
    const std::string_view unsigned_ = !token.empty() && (token[0] == '-' || token[0] == '+') ? token.substr(1) : token;
    const auto constant = constants.find(std::string(unsigned_));
    if (constant != constants.end()) {
        negative = token[0] == '-';
        magnitude = constant->second;
    } else if (!ReadNumber(token, negative, magnitude)) {
        return TokenCheck::NotANumber;
    }
    return FitsElement(negative, magnitude, format) ? TokenCheck::Fits : TokenCheck::TooWide;
}

struct ValueToken {
    size_t start = 0;
    size_t length = 0;
    bool found = false;
};

// The next value of a data text from `cursor` on: one "," skipped, then
// blanks; a value runs up to the next blank or ","; blanks after it are
// skipped. None at a "}" or the end.
ValueToken NextValue(std::string_view data, size_t& cursor) {
    size_t i = cursor;
    if (i < data.size() && data[i] == ',') ++i;
    while (i < data.size() && IsSpaceBlank(data[i])) ++i;
    if (i >= data.size() || data[i] == '}') {
        cursor = i;
        return {};
    }
    ValueToken token{i, 0, true};
    while (i < data.size() && !IsSpaceBlank(data[i]) && data[i] != ',') ++i;
    token.length = i - token.start;
    while (i < data.size() && IsSpaceBlank(data[i])) ++i;
    cursor = i;
    return token;
}

}  // namespace

HeaderTexts SplitHeaderText(std::string_view text) {
    HeaderTexts out{std::string(text), {}, {}};
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"' || text[i] == '\'') {
            i = LiteralEnd(text, i);
        } else if (i + 1 < text.size() && text[i] == '/' && text[i + 1] == '*') {
            size_t end = text.find("*/", i + 2);
            const size_t contentEnd = end == std::string_view::npos ? text.size() : end;
            out.origins.emplace_back(out.comments.size(), i + 2);
            out.comments.append(text.substr(i + 2, contentEnd - i - 2));
            end = end == std::string_view::npos ? text.size() : end + 2;
            for (; i < end; ++i) out.code[i] = ' ';
        } else if (i + 1 < text.size() && text[i] == '/' && text[i + 1] == '/') {
            size_t end = text.find_first_of("\r\n", i);
            if (end == std::string_view::npos) end = text.size();
            out.origins.emplace_back(out.comments.size(), i + 2);
            out.comments.append(text.substr(i + 2, end - i - 2)).append("\r\n");
            for (; i < end; ++i) out.code[i] = ' ';
        } else {
            ++i;
        }
    }
    return out;
}

std::map<std::string, ArrayDefinition, std::less<>> FindArrayDefinitions(std::string_view code) {
    std::map<std::string, ArrayDefinition, std::less<>> found;
    auto skipBlanks = [&](size_t i) {
        while (i < code.size() && IsSpaceBlank(code[i])) ++i;
        return i;
    };
    size_t i = 0;
    while (i < code.size()) {
        if (code[i] == '"' || code[i] == '\'') {
            i = LiteralEnd(code, i);
            continue;
        }
        if (!IsCIdentChar(code[i])) {
            ++i;
            continue;
        }
        const size_t nameAt = i;
        while (i < code.size() && IsCIdentChar(code[i])) ++i;
        if (code[nameAt] >= '0' && code[nameAt] <= '9') continue;
        // One or more "[...]", then "=" (not "==") and "{".
        size_t j = skipBlanks(i);
        bool bracketed = false;
        while (j < code.size() && code[j] == '[') {
            const size_t close = code.find_first_of("[];{}=", j + 1);
            if (close == std::string_view::npos || code[close] != ']') break;
            bracketed = true;
            j = skipBlanks(close + 1);
        }
        if (!bracketed || j + 1 >= code.size() || code[j] != '=' || code[j + 1] == '=') continue;
        j = skipBlanks(j + 1);
        if (j >= code.size() || code[j] != '{') continue;
        // The type is the word before the name (within the statement).
        size_t e = nameAt;
        while (e > 0 && IsSpaceBlank(code[e - 1])) --e;
        size_t b = e;
        while (b > 0 && !IsSpaceBlank(code[b - 1]) &&
               std::string_view(";{}=,").find(code[b - 1]) == std::string_view::npos)
            --b;
        if (b == e) continue;
        found.emplace(std::string(code.substr(nameAt, i - nameAt)),
                      ArrayDefinition{nameAt, j, std::string(code.substr(b, e - b))});
    }
    return found;
}

namespace {

// A header's text as the reader sees it, with the file lines of its places.
struct HeaderSource {
    explicit HeaderSource(std::string_view text) : texts(SplitHeaderText(text)), lines(text) {}
    // The file line of a place in the comment text.
    int CommentLine(size_t at) const {
        auto origin = std::upper_bound(texts.origins.begin(), texts.origins.end(), std::pair(at, SIZE_MAX));
        if (origin == texts.origins.begin()) return 0;
        --origin;
        return lines.LineOf(origin->second + (at - origin->first));
    }
    HeaderTexts texts;
    LineIndex lines;
};

struct IndexEntry {
    DefaultGroupData record;
    int line = 0;
};

// The group index: entries up to the first one that lacks a key. `firstEnd`
// is the end of the first entry, npos when there is none.
std::vector<IndexEntry> ReadIndex(const HeaderSource& source, HeaderRead& read, size_t& firstEnd) {
    const std::string& comments = source.texts.comments;
    std::vector<IndexEntry> entries;
    firstEnd = std::string::npos;
    std::set<std::string, TextLess> seen;
    for (size_t at = comments.find("[GROUP="); at != std::string::npos; at = comments.find("[GROUP=", at)) {
        const size_t close = comments.find(']', at);
        if (close == std::string::npos) break;
        const std::string_view entry = std::string_view(comments).substr(at, close - at + 1);
        const auto group = EntryValue(entry, "GROUP=");
        const auto array = EntryValue(entry, "ARRAYNAME=");
        const auto version = EntryValue(entry, "VERSION=");
        if (!group || !array || !version) break;
        if (firstEnd == std::string::npos) firstEnd = close;
        IndexEntry e;
        e.line = source.CommentLine(at);
        at = close + 1;
        e.record.GroupName = *group;
        e.record.ArrayName = *array;
        bool negative = false;
        uint64_t number = 0;
        const bool digits = std::all_of(version->begin(), version->end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || !ReadNumber(*version, negative, number) || number > kMaxHeaderVersion) {
            read.problems.push_back({e.line, "The version of group " + *group +
                                                 " is not a small non-negative number: \"" + *version + "\""});
        }
        e.record.Version = static_cast<int32_t>(std::min<uint64_t>(number, kMaxHeaderVersion));
        if (!seen.insert(*group).second) {
            read.problems.push_back({e.line, "The group " + *group + " is in the index more than once"});
            continue;
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

// The "[CONSTANTS=" entry after the first index entry.
void ReadConstantsEntry(const std::string& comments, size_t firstEnd, HeaderConstants& constants) {
    const size_t list = comments.find("[CONSTANTS=", firstEnd);
    if (list == std::string::npos) return;
    const size_t close = comments.find(']', list);
    const std::string_view body = std::string_view(comments).substr(
        list + 11, close == std::string::npos ? std::string::npos : close - list - 11);
    if (close != std::string::npos && body.find('=') != std::string_view::npos) ReadConstants(body, constants);
}

// The array of an index entry's record, each of its values checked as it will
// be sent: false (with the problem) when the array cannot be read at all.
bool ReadArray(const HeaderSource& source, const ArrayDefinition& d, HeaderRead& read, DefaultGroupData& r) {
    const std::string& code = source.texts.code;
    const size_t close = code.find('}', d.brace + 1);
    size_t from = d.brace + 1, to = close == std::string::npos ? from : close;
    while (from < to && IsBlank(code[from])) ++from;
    while (to > from && IsBlank(code[to - 1])) --to;
    if (from == to) {
        read.problems.push_back({source.lines.LineOf(d.nameAt), "Cannot locate valid data for the array \"" +
                                                                    r.ArrayName + "\" for group " + r.GroupName});
        return false;
    }
    r.ElementType = d.type;
    r.DataText = code.substr(from, to - from);
    const ElementFormatInfo format = ElementFormat(r.ElementType);
    size_t cursor = 0;
    for (ValueToken t = NextValue(r.DataText, cursor); t.found; t = NextValue(r.DataText, cursor)) {
        const std::string_view token = std::string_view(r.DataText).substr(t.start, t.length);
        const TokenCheck check = CheckToken(token, read.constants, format);
        if (check == TokenCheck::Fits) continue;
        const std::string why = check == TokenCheck::NotANumber ? " is not a number or a known constant"
                                : check == TokenCheck::TooLong
                                    ? " is longer than one write command can carry"
                                    : " does not fit the element type " + Trim(r.ElementType);
        read.problems.push_back({source.lines.LineOf(from + t.start),
                                 "The value \"" + std::string(token) + "\" for group " + r.GroupName + why});
    }
    return true;
}

}  // namespace

HeaderRead ReadDefaultHeader(std::string_view text) {
    HeaderRead read;
    const HeaderSource source(text);
    size_t firstEnd = std::string::npos;
    std::vector<IndexEntry> entries = ReadIndex(source, read, firstEnd);
    read.indexed = firstEnd != std::string::npos;
    if (!read.indexed) return read;
    ReadConstantsEntry(source.texts.comments, firstEnd, read.constants);

    const auto definitions = FindArrayDefinitions(source.texts.code);
    std::set<std::string> arraysUsed;
    for (IndexEntry& e : entries) {
        DefaultGroupData& r = e.record;
        const auto definition = definitions.find(r.ArrayName);
        if (definition == definitions.end()) {
            read.problems.push_back(
                {e.line, "Cannot find the array definition of \"" + r.ArrayName + "\" for group " + r.GroupName});
            continue;
        }
        if (!arraysUsed.insert(r.ArrayName).second) {
            read.problems.push_back({e.line, "The array \"" + r.ArrayName + "\" of group " + r.GroupName +
                                                 " belongs to another group too"});
            continue;
        }
        if (!ReadArray(source, definition->second, read, r)) continue;
        read.records.push_back(std::move(r));
        read.indexLines.push_back(e.line);
    }
    return read;
}

bool ParseDefaultHeaderText(std::string_view text, Host& host, DefaultGroupList& records, HeaderConstants& constants) {
    HeaderRead read = ReadDefaultHeader(text);
    for (const HeaderProblem& p : read.problems) host.ShowLine(p.text, 0);
    records = std::move(read.records);
    constants = std::move(read.constants);
    return read.indexed;
}

ValueChunk NextValueChunk(std::string_view data, size_t& cursor) {
    ValueChunk chunk;
    size_t length = 0;
    for (;;) {
        const size_t start = cursor;
        const ValueToken value = NextValue(data, cursor);
        if (!value.found) {
            chunk.exhausted = true;
            break;
        }
        if (length + value.length > kChunkText) {
            cursor = start;
            if (chunk.text.empty()) chunk.tooLong = true;
            break;
        }
        if (!chunk.text.empty()) {
            chunk.text += ',';
            ++length;
        }
        chunk.text += data.substr(value.start, value.length);
        length += value.length;
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

namespace {

// Every group must be on the target, and only a file without any problem is
// sent: true when the file is refused (its problems shown, the user told).
bool RefuseProblems(EditorSession& session, UserSide& user, const std::string& path, HeaderRead& read,
                    LoadHeaderResult& result) {
    Host& host = session.host();
    for (size_t i = 0; i < read.records.size(); ++i)
        if (session.GroupTable().Number(read.records[i].GroupName) < 0)
            read.problems.push_back(
                {read.indexLines[i], "The target has no group \"" + read.records[i].GroupName + "\""});
    if (read.problems.empty()) return false;
    std::stable_sort(read.problems.begin(), read.problems.end(),
                     [](const HeaderProblem& a, const HeaderProblem& b) { return a.line < b.line; });
    for (const HeaderProblem& p : read.problems) {
        result.problems.push_back(path + ":" + std::to_string(p.line) + ": " + p.text);
        if (result.problems.size() <= kProblemLinesShown) host.ShowLine(result.problems.back(), 0);
    }
    if (result.problems.size() > kProblemLinesShown)
        host.ShowLine(std::to_string(result.problems.size() - kProblemLinesShown) + " more problems in " + path, 0);
    user.Message(HeaderRefusedMessage(path));
    return true;
}

// Writes one group's values into its RAM mirror, chunk by chunk: true when
// every value went through.
bool SendGroupDefaults(Host& host, LongOperation& op, int number, const DefaultGroupData& r, bool withVersion,
                       const HeaderConstants& constants) {
    const ElementFormatInfo format = ElementFormat(r.ElementType);
    if (!format.known) host.ShowLine("Unknown format \"" + Trim(r.ElementType) + "\" of array. Assuming U16.", 0);
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
    return complete;
}

// Sends each group's values and commits the groups written whole.
void LoadGroups(EditorSession& session, LongOperation& op, const HeaderRead& read, bool withVersion,
                LoadHeaderResult& result) {
    Host& host = session.host();
    for (const DefaultGroupData& r : read.records) {
        if (!op.CancelCheck()) break;
        const int number = session.GroupTable().Number(r.GroupName);
        const bool complete = SendGroupDefaults(host, op, number, r, withVersion, read.constants);
        // Whatever reached the mirror, the group must be read again before the next restore point.
        session.Restore().values.ForgetGroup(r.GroupName);
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
            MarkCommitted(session.Items(), session.Items().FindGroup(r.GroupName));
            host.ShowLine(r.GroupName + " committed in target.", 1);
        } else {
            ++result.failed;
            host.ShowLine(
                "There was an error while commiting default values on target for group \"" + r.GroupName + "\".", 0);
            if (op.TargetLost()) break;
        }
    }
}

}  // namespace

LoadHeaderResult LoadDefaultHeaderToTarget(EditorSession& session, UserSide& user, const std::string& givenPath) {
    LoadHeaderResult result;
    if (session.RefuseWithoutTarget()) return result;
    Host& host = session.host();
    std::string probe;
    if (!ProbeFeature(host, user, cmd::kWriteToMirrorProbe, kMirrorUnsupportedMessage, &probe)) return result;
    const bool withVersion = ToLower(probe).find("version") != std::string::npos;

    std::string path = givenPath;
    if (path.empty() && !user.OpenFileName(kOpenHeaderTitle, kOpenHeaderFilter, path)) return result;
    std::string data;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) || !ReadWholeFile(path, data)) {
        user.Message("File does not exist (\"" + path + "\"). Nothing read.");
        return result;
    }
    HeaderRead read = ReadDefaultHeader(data);
    if (!read.indexed) {
        user.Message(kNoValidGroupsMessage);
        return result;
    }
    if (RefuseProblems(session, user, path, read, result)) return result;

    // No progress window and no event processing: the load runs in one go, stopped only between groups.
    LongOperation op(host, user, LongOperationOptions{false, false});
    op.Begin();
    // Every group the header loads is replaced whole: its values go to disk first.
    std::vector<std::string> groups;
    for (const DefaultGroupData& r : read.records) groups.push_back(r.GroupName);
    if (!SaveRestorePoint(session, user, kLoadHeaderOperation, {}, groups, op.LostFlag())) {
        result.noRestorePoint = true;
        result.targetLost = op.TargetLost();
        return result;
    }
    result.loaded = true;
    host.ShowLine(kWritingDataLine, 1);
    LoadGroups(session, op, read, withVersion, result);
    op.Conclude(result, kLoadHeaderCancelledLine);
    op.End();
    if (result.committed > 0)
        user.Message(kLoadDoneMessage);
    else
        host.ShowLine("Done", 1);
    return result;
}

}  // namespace vtq
