#include "defaults/header_merge.h"

#include <algorithm>
#include <map>

#include "base/file_io.h"
#include "base/text.h"
#include "defaults/header_reader.h"
#include "defaults/header_writer.h"
#include "defaults/naming_presets.h"
#include "model/pick_list.h"

namespace vtq {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* const kKindWords[] = {"_calib_", "_fixed_", "_setcal_"};
const char* const kDataTypeWords[] = {"u16", "u32", "u8", "int", "char", "short"};

// Busy cursor for the scope.
class BusyScope {
public:
    explicit BusyScope(UserSide& user) : user_(user) { user_.SetBusy(true); }
    ~BusyScope() { user_.SetBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    UserSide& user_;
};

// The first occurrence of `word` in `text` as a whole identifier, before `limit`.
size_t FindWord(std::string_view text, std::string_view word, size_t limit) {
    if (word.empty()) return std::string_view::npos;
    for (size_t at = text.find(word); at != std::string_view::npos && at < limit; at = text.find(word, at + 1)) {
        const size_t end = at + word.size();
        if ((at == 0 || !IsCIdentChar(text[at - 1])) && (end >= text.size() || !IsCIdentChar(text[end]))) return at;
    }
    return std::string_view::npos;
}

bool ContainsWord(std::string_view text, std::string_view word) {
    return FindWord(text, word, text.size()) != std::string_view::npos;
}

// The one kind word a name holds (lower-cased), -1 for none or several.
int KindOf(const std::string& name) {
    const std::string lower = ToLower(name);
    int kind = -1;
    for (int k = 0; k < 3; ++k) {
        if (lower.find(kKindWords[k]) == std::string::npos) continue;
        if (kind >= 0) return -1;
        kind = k;
    }
    return kind;
}

// A value token: an identifier run, with a minus sign directly before a number.
struct Token {
    size_t start = 0;
    size_t length = 0;
    bool negative = false;
    long long value = 0;
    bool isName = false;  // begins with a letter or "_": a constant's name
};

Token MakeToken(std::string_view text, size_t start, size_t end) {
    Token t;
    t.start = start;
    t.length = end - start;
    size_t digits = start;
    if (text[start] == '-') {
        t.negative = true;
        ++digits;
    }
    t.isName = !IsDigit(text[digits]);
    t.value = static_cast<long long>(ConstantValue(text.substr(digits, end - digits)));
    if (t.negative) t.value = -t.value;
    return t;
}

bool MinusStartsToken(std::string_view text, size_t at) {
    return text[at] == '-' && at + 1 < text.size() && IsDigit(text[at + 1]);
}

std::vector<Token> TargetTokens(std::string_view data) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < data.size()) {
        if (!IsCIdentChar(data[i]) && !MinusStartsToken(data, i)) {
            ++i;
            continue;
        }
        const size_t start = i++;
        while (i < data.size() && IsCIdentChar(data[i])) ++i;
        tokens.push_back(MakeToken(data, start, i));
    }
    return tokens;
}

std::string ValueText(long long value) {
    return value < 0 ? "-" + Hex4(static_cast<uint32_t>(-value)) : Hex4(static_cast<uint32_t>(value));
}

// The old array's values from `pos` on, comments skipped, up to its "}".
class OldTokens {
public:
    OldTokens(std::string& buffer, size_t pos) : buffer_(buffer), pos_(pos) {}
    bool Next(Token& token) {
        while (pos_ < buffer_.size()) {
            if (buffer_.compare(pos_, 2, "/*") == 0) {
                const size_t end = buffer_.find("*/", pos_ + 2);
                pos_ = end == std::string::npos ? buffer_.size() : end + 2;
            } else if (buffer_.compare(pos_, 2, "//") == 0) {
                pos_ = buffer_.find('\n', pos_);
                if (pos_ == std::string::npos) pos_ = buffer_.size();
            } else if (buffer_[pos_] == '}') {
                return false;
            } else if (IsCIdentChar(buffer_[pos_]) || MinusStartsToken(buffer_, pos_)) {
                const size_t start = pos_++;
                while (pos_ < buffer_.size() && IsCIdentChar(buffer_[pos_])) ++pos_;
                token = MakeToken(buffer_, start, pos_);
                return true;
            } else {
                ++pos_;
            }
        }
        return false;
    }
    // Replaces a token's text; the scan goes on after the new text.
    void Replace(const Token& token, const std::string& text) {
        buffer_.replace(token.start, token.length, text);
        pos_ = token.start + text.size();
    }
    // Position of the array's "}" once Next answered false.
    size_t Position() const { return pos_; }

private:
    std::string& buffer_;
    size_t pos_;
};

// A name the header reader takes as an array's: letters, digits and "_", not starting with a digit.
bool IsCIdentifier(std::string_view name) {
    return !name.empty() && !IsDigit(name[0]) && std::all_of(name.begin(), name.end(), IsCIdentChar);
}

// The comment that holds `at`, found as C finds comments, from the text's
// start: a "/*" inside a comment or after "//" opens none. `start` is npos when
// `at` is in code; `end` is after the "*/" or at the line end, npos when the
// comment runs to the text's end.
struct CommentSpan {
    size_t start = std::string_view::npos;
    size_t end = std::string_view::npos;
    bool line = false;  // a "//" comment
};

CommentSpan CommentAround(std::string_view text, size_t at) {
    size_t i = 0;
    while (i <= at && i + 1 < text.size()) {
        if (text[i] == '/' && text[i + 1] == '*') {
            const size_t close = text.find("*/", i + 2);
            const size_t end = close == std::string_view::npos ? close : close + 2;
            if (at < end) return {i, end, false};
            i = end;
        } else if (text[i] == '/' && text[i + 1] == '/') {
            const size_t end = text.find_first_of("\r\n", i);
            if (at < end) return {i, end, true};
            i = end;
        } else {
            ++i;
        }
    }
    return {};
}

// Removes the code between `from` and `to` (the old entries and their commas)
// with the blanks before each piece of it, keeping comments and line ends; a
// line left with nothing but blanks goes entirely.
void DropCode(std::string& buffer, size_t from, size_t to) {
    const std::string code = BlankComments(buffer);
    std::string kept, line, blanks;
    bool first = true, dropped = false;
    const auto endLine = [&](bool last) {
        if (first || last || !dropped || !line.empty()) kept += line + blanks + (last ? "" : "\n");
        first = dropped = false;
        line.clear();
        blanks.clear();
    };
    for (size_t i = from; i < to; ++i) {
        const char c = buffer[i];
        if (c == '\n') {
            endLine(false);
        } else if (IsSpaceBlank(c)) {
            blanks += c;
        } else if (code[i] == ' ') {  // inside a comment
            line += blanks + c;
            blanks.clear();
        } else {
            blanks.clear();
            dropped = true;
        }
    }
    endLine(true);
    buffer.replace(from, to - from, kept);
}

struct MergeCounts {
    int added = 0;
    int left = 0;
};

// Puts the target's values into the old array whose "{" is at `open`.
MergeCounts MergeValues(Host& host, std::string& buffer, size_t open, const std::string& data,
                        std::map<std::string, uint32_t>& constants) {
    MergeCounts counts;
    OldTokens old(buffer, open + 1);
    size_t insertAt = std::string::npos;
    for (const Token& t : TargetTokens(data)) {
        Token o;
        if (insertAt == std::string::npos && old.Next(o)) {
            const uint32_t value = static_cast<uint32_t>(t.value);
            if (o.isName) {
                // A define stays with the value it had on the target (also 0); one name stands for one value.
                const std::string name = buffer.substr(o.start, o.length);
                const auto kept = constants.emplace(name, value).first;
                if (kept->second == value) {
                    host.ShowLine(
                        "Keeping the define \"" + name + "\" (it was read from target as " + ValueText(t.value) + ").",
                        1);
                    continue;
                }
            } else if (o.value == t.value) {
                continue;  // the old notation and its comments stay
            }
            old.Replace(o, ValueText(t.value));
            continue;
        }
        // The old array is shorter: the value goes before its "}", eight to a line.
        std::string text;
        if (insertAt == std::string::npos) {
            const size_t close = old.Position();
            insertAt = close;
            while (insertAt > open + 1 && IsSpaceBlank(buffer[insertAt - 1])) --insertAt;
            // The comma goes after the last value outside comments, unless one is there already.
            const std::string_view before = std::string_view(buffer).substr(0, insertAt);
            const std::string code = BlankComments(before);
            size_t last = insertAt;
            while (last > open + 1 && IsSpaceBlank(code[last - 1])) --last;
            if (last > open + 1 && code[last - 1] != ',') {
                // Where the new values go, unless a "//" comment ends the array's last line: a comma
                // there would be commented out, so it goes right after the last value.
                const size_t commaAt = CommentAround(before, insertAt - 1).line ? last : insertAt;
                buffer.insert(commaAt, ",");
                ++insertAt;
            }
            text = "\n  " + ValueText(t.value);
        } else {
            text = (counts.added % 8 == 0 ? ",\n  " : ",") + ValueText(t.value);
        }
        // From here on only values are added: the old scan is over.
        buffer.insert(insertAt, text);
        insertAt += text.size();
        ++counts.added;
    }
    if (insertAt == std::string::npos) {
        // Entries beyond the target's array would make the array longer than the target takes.
        const size_t from = old.Position();
        Token rest;
        while (old.Next(rest)) ++counts.left;
        if (counts.left > 0) DropCode(buffer, from, old.Position());
    }
    return counts;
}

std::string IndexBlock(const DefaultGroupList& records, const std::map<std::string, uint32_t>& constants) {
    const std::string hyphens(76, '-');
    std::string block = "\n/*" + hyphens + "\nNVM Groups in this file (do not delete):\n";
    for (const auto& r : records)
        block +=
            "[GROUP=" + r.GroupName + ",ARRAYNAME=" + r.ArrayName + ",VERSION=" + std::to_string(r.Version) + "]\n";
    std::vector<std::string> entries;
    for (const auto& [name, value] : constants) entries.push_back(name + "=" + Hex4(value));
    if (!entries.empty()) block += "[CONSTANTS=" + JoinCommaText(entries) + "]\n";
    return block + hyphens + "*/\n";
}

// Replaces the old group index (or places a first one) with the new block.
void ReplaceIndex(std::string& buffer, const std::string& block) {
    size_t place = std::string::npos;
    const size_t entry = buffer.find("[GROUP=");
    if (entry != std::string::npos) {
        const size_t lineStart = buffer.rfind('\n', entry) == std::string::npos ? 0 : buffer.rfind('\n', entry) + 1;
        const size_t lineEnd = std::min(buffer.find('\n', entry), buffer.size());
        const std::string_view line = std::string_view(buffer).substr(lineStart, lineEnd - lineStart);
        if (line.find("ARRAYNAME=") != std::string_view::npos && line.find("VERSION=") != std::string_view::npos) {
            const CommentSpan comment = CommentAround(buffer, entry);
            if (comment.start != std::string::npos && !comment.line && comment.end != std::string::npos &&
                comment.end - comment.start < 5000) {
                buffer.erase(comment.start, comment.end - comment.start);
                place = comment.start;
            }
        }
    }
    if (place == std::string::npos) {
        const size_t firstClose = buffer.find("*/");
        // Lines are looked for in the code alone: a block placed inside a comment would end it with its own "*/".
        const std::string code = BlankComments(buffer);
        size_t lineFirst = std::string::npos;
        for (size_t nl = code.find('\n'); nl != std::string::npos; nl = code.find('\n', nl + 1)) {
            const std::string_view line = std::string_view(code).substr(nl + 1);
            if (line.substr(0, 8) == "#include" ||
                (line.size() > 3 && line.substr(0, 3) == "U16" && (line[3] == ' ' || line[3] == '\t'))) {
                lineFirst = nl + 1;
                break;
            }
        }
        if (lineFirst != std::string::npos && (firstClose == std::string::npos || lineFirst < firstClose))
            place = lineFirst;
        else if (firstClose != std::string::npos)
            place = firstClose + 2;
    }
    // A header with no comment and no include line gets the index at its start.
    buffer.insert(place == std::string::npos ? 0 : place, block);
}

bool Invalid(UserSide& user, const std::string& oldPath, const std::string& reason) {
    user.Message("The given header file:\n" + oldPath + "\nis not valid.\n" + reason + "\nNothing saved.");
    return false;
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

std::vector<std::string> ListDataArrays(std::string_view text, const NamingPreset& preset) {
    const std::string code = BlankComments(text);
    const std::string tableType = ToLower(preset.TableTypeName);
    std::vector<std::string> names;
    for (CArrayFind found = FindCArray(code); found.Found(); found = FindCArray(code, found.brace + 1)) {
        const std::string type = ToLower(found.type);
        if (type == tableType || type == kDefaultTableType || !IsCIdentifier(found.name)) continue;
        if (std::any_of(std::begin(kDataTypeWords), std::end(kDataTypeWords),
                        [&](const char* w) { return ContainsWord(type, w); }))
            names.push_back(found.name);
    }
    return names;
}

std::optional<std::string> PickArray(UserSide& user, const std::string& wanted, std::vector<std::string>& candidates) {
    if (candidates.empty()) return std::nullopt;
    int chosen = -1;
    if (candidates.size() == 1) {
        chosen = 0;
    } else {
        const int kind = KindOf(wanted);
        if (kind >= 0) {
            for (size_t i = 0; i < candidates.size(); ++i) {
                if (KindOf(candidates[i]) != kind) continue;
                chosen = chosen == -1 ? static_cast<int>(i) : -2;
            }
        }
        if (chosen < 0) {
            std::vector<int> picked;
            chosen = -1;
            if (user.PickFromList("Cannot find the array: \"" + wanted +
                                      "\"\nPlease select the corrosponding array from the available array names:",
                                  candidates, false, picked) &&
                !picked.empty() && picked[0] >= 0 && picked[0] < static_cast<int>(candidates.size()))
                chosen = picked[0];
        }
    }
    if (chosen < 0) return std::nullopt;
    std::string name = candidates[static_cast<size_t>(chosen)];
    candidates.erase(candidates.begin() + chosen);
    return name;
}

namespace {

using ArrayIndex = std::map<std::string, std::string, TextLess>;

// Where arrays are looked for: the first place of the descriptor table type
// (a mention of a name from there on is the table's), and that type.
struct ArraySearch {
    size_t tableStart = 0;
    std::string tableType;  // the preset's, lower-cased

    ArraySearch(const std::string& code, const NamingPreset& preset) : tableType(ToLower(preset.TableTypeName)) {
        tableStart = preset.TableTypeName.empty() ? std::string::npos : code.find(preset.TableTypeName);
        if (tableStart == std::string::npos) tableStart = code.find(kDefaultTableType);
        if (tableStart == std::string::npos) tableStart = code.size();
    }
    bool IsTable(const std::string& type) const {
        const std::string lower = ToLower(type);
        return lower == tableType || lower == kDefaultTableType;
    }
};

// Where `name` is defined as a data array (the definition the header reader
// takes, also one after the descriptor table, which then only declares it
// before), else where it is first named before the table: a declaration or
// other mention before the definition would lead on to another array's "{".
size_t FindArray(const std::string& code, const std::string& name, const ArraySearch& search) {
    const auto definitions = FindArrayDefinitions(code);
    const auto defined = definitions.find(name);
    if (defined != definitions.end() &&
        (defined->second.nameAt < search.tableStart || !search.IsTable(defined->second.type)))
        return defined->second.nameAt;
    return FindWord(code, name, search.tableStart);
}

// Where the array that stands for `r` is defined or named in `code`: under its
// table name, under the name the old header's own index gives its group, or
// under a candidate picked for it. Sets `name` to the name used.
size_t LocateArray(UserSide& user, const DefaultGroupData& r, const std::string& code, const ArraySearch& search,
                   const ArrayIndex& ownIndex, std::vector<std::string>& candidates, std::string& name) {
    name = r.TableName;
    size_t at = FindArray(code, name, search);
    const auto own = ownIndex.find(r.GroupName);
    if (at == std::string::npos && own != ownIndex.end() &&
        (at = FindArray(code, own->second, search)) != std::string::npos) {
        name = own->second;
        candidates.erase(std::remove(candidates.begin(), candidates.end(), name), candidates.end());
    }
    if (at == std::string::npos) {
        if (auto picked = PickArray(user, r.TableName, candidates)) {
            name = *picked;
            at = FindArray(code, name, search);
        }
    }
    return at;
}

// Do two value lists hold the same numbers (as the element's bits), one for one? A name
// left in a list (a constant without its value) is no number.
bool SameValues(std::string_view a, std::string_view b) {
    const std::vector<Token> x = TargetTokens(a);
    const std::vector<Token> y = TargetTokens(b);
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i].isName || y[i].isName || static_cast<uint32_t>(x[i].value) != static_cast<uint32_t>(y[i].value))
            return false;
    return true;
}

void ReportCounts(Host& host, UserSide& user, const MergeCounts& counts, const std::string& name) {
    if (counts.added > 0)
        user.Message(std::to_string(counts.added) +
                     " extra array entries were added with values from target for the array \"" + name + "\"." +
                     kWrongOriginalSentence);
    if (counts.left > 0) {
        user.Message(std::to_string(counts.left) +
                     " extra array entries were not replaced with values from target for the array \"" + name + "\"." +
                     kWrongOriginalSentence);
        host.ShowLine("Removed " + std::to_string(counts.left) + " array entries beyond the target's values from \"" +
                          name + "\".",
                      1);
    }
}

}  // namespace

bool MergeDefaultsIntoText(Host& host, UserSide& user, const NamingPreset& preset, const std::string& oldPath,
                           std::string& buffer, DefaultGroupList& records) {
    std::vector<std::string> candidates = ListDataArrays(buffer, preset);
    std::map<std::string, uint32_t> constants;
    // A header this program wrote names each group's array in its own index.
    ArrayIndex ownIndex;
    for (const DefaultGroupData& entry : ReadDefaultHeader(buffer).records)
        ownIndex.emplace(entry.GroupName, entry.ArrayName);
    for (DefaultGroupData& r : records) {
        const std::string code = BlankComments(buffer);
        std::string name;
        const size_t at = LocateArray(user, r, code, ArraySearch(code, preset), ownIndex, candidates, name);
        if (at == std::string::npos) return Invalid(user, oldPath, "Cannot find the array \"" + name + "\".");
        const size_t open = code.find('{', at + name.size());
        if (open == std::string::npos)
            return Invalid(user, oldPath, "Cannot find the array beginning '{' after \"" + name + "\".");
        if (code.find('}', open + 1) == std::string::npos)
            return Invalid(user, oldPath, "Cannot find the array ending '}' after \"" + name + "\".");
        // The index names the array as the merged file has it, so that the file loads back.
        r.ArrayName = name;
        ReportCounts(host, user, MergeValues(host, buffer, open, r.DataText, constants), name);
    }
    ReplaceIndex(buffer, IndexBlock(records, constants));
    // What the header reader would not load is not saved.
    const HeaderRead back = ReadDefaultHeader(buffer);
    if (!back.problems.empty()) return Invalid(user, oldPath, back.problems.front().text + ".");
    if (back.records.size() != records.size()) return Invalid(user, oldPath, "No valid groups found in file.");
    for (const DefaultGroupData& r : records) {
        const auto found = std::find_if(back.records.begin(), back.records.end(),
                                        [&](const DefaultGroupData& b) { return b.GroupName == r.GroupName; });
        if (found == back.records.end() || !SameValues(r.DataText, ReplaceConstants(found->DataText, back.constants)))
            return Invalid(
                user, oldPath,
                "The array \"" + r.ArrayName + "\" does not read back with the values of group " + r.GroupName + ".");
    }
    return true;
}

bool MergeDefaultsIntoHeader(Host& host, UserSide& user, const NamingPreset& preset, const std::string& oldPath,
                             const std::string& newPath, DefaultGroupList records) {
    BusyScope busy(user);
    if (records.empty() || newPath.empty()) {
        host.ShowLine(kNothingSavedLine, 1);
        return false;
    }
    if (records.size() > 3) {
        std::vector<std::string> names;
        for (const DefaultGroupData& record : records) names.push_back(record.GroupName);
        // The picker's own preselection: every name without "_aux", or none when no name holds it.
        const std::vector<bool> preselected = PreselectExcept(names, "_aux");
        std::vector<int> picked;
        for (size_t i = 0; i < preselected.size(); ++i)
            if (preselected[i]) picked.push_back(static_cast<int>(i));
        if (user.PickFromList("Select 3 groups", names, true, picked)) {
            DefaultGroupList kept;
            for (size_t i = 0; i < records.size(); ++i)
                if (std::find(picked.begin(), picked.end(), static_cast<int>(i)) != picked.end())
                    kept.push_back(records[i]);
            records = std::move(kept);
        }
    }
    if (records.size() != 3) {
        user.Message(kThreeGroupsMessage);
        return false;
    }
    std::string buffer;
    if (!ReadWholeFile(oldPath, buffer)) buffer.clear();
    buffer.erase(std::remove(buffer.begin(), buffer.end(), '\r'), buffer.end());
    if (!MergeDefaultsIntoText(host, user, preset, oldPath, buffer, records)) return false;

    // Only a complete merge replaces the file.
    AtomicFileWriter out(newPath);
    out.Write(ToCrLf(buffer));
    if (!out.Commit()) {
        user.Message(CouldNotWriteMessage(newPath));
        return false;
    }
    user.Message("Saved to\n\"" + newPath + "\"");
    return true;
}

}  // namespace vtq
