#include "model/nvm_line.h"

#include <utility>

#include "base/text.h"
#include "model/value_types.h"
#include "model/write_commands.h"

namespace vtq {

namespace {

// The first `c` that is not between double quotes: a string value such as
// "Model (rev A)" or "{x}" keeps its parentheses and braces.
size_t FindOutsideQuotes(std::string_view text, char c) {
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == c && !quoted)
            return i;
    }
    return std::string_view::npos;
}

// False when braces outside quotes do not pair up: "{1,2,3" or "1,2}".
bool BracesBalanced(std::string_view text) {
    bool quoted = false;
    int depth = 0;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '{') {
            ++depth;
        } else if (!quoted && c == '}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

// Why the square brackets of a line's name cannot go to the target; null when they can.
const char* ElementNumbersRefusal(std::string_view name) {
    if (!BracketsHoldElementNumbers(name)) return "its square brackets do not hold element numbers";
    if (HasRangeInsideName(name)) return "its element range does not end its name";
    if (HasReversedRange(name)) return "its element range counts down";
    // tab[1]x is no element or member of tab, yet a target could take it for one.
    for (size_t close = name.find(']'); close != std::string_view::npos; close = name.find(']', close + 1))
        if (close + 1 < name.size() && name[close + 1] != '[' && name[close + 1] != '.')
            return "its name goes on after a bracket group without a point";
    return nullptr;
}

// Why the value cannot go out for the name as the line gives them; null when it can. A value that begins
// with a double quote goes out as one string: a list or an open string after the quote would go out as the
// values of an element range without braces. An element range goes out as one command with exactly its
// values; a run of ranges, as a table read by index ranges, only as the whole table.
const char* ValueRefusal(std::string_view name, std::string_view value) {
    if (value.starts_with('"'))
        return value.find('"', 1) == value.size() - 1 ? nullptr : "its value is not one string in double quotes";
    const long long ranged = RangedElementCount(name);
    if (ranged == 0) return "its element ranges name part of a table";
    if (ranged > 0 && ranged != ElementCount(value)) return "its element range and value count differ";
    return nullptr;
}

}  // namespace

bool ParseNvmLine(std::string_view line, NvmLine& out) {
    out.refused = nullptr;
    if (line.starts_with("nvm:")) {
        line = TrimView(line.substr(4));
    } else if (line.size() >= 7 && SameText(line.substr(0, 7), "at@nvm:")) {
        line = TrimView(line.substr(7));
    }
    if (line.starts_with("//")) return false;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    std::string_view value = TrimView(line.substr(equals + 1));
    if (value.empty()) return false;
    // "=grp.a=1" or "abc=1.5": the name has no group before a point (a point in
    // the value is no part of it); such a name would go to the target as a
    // command it cannot take.
    const size_t dot = line.find('.');
    if (dot == std::string_view::npos || dot > equals) {
        out.refused = "no group name and point before its \"=\"";
        return false;
    }

    std::string_view type;
    if (const size_t open = FindOutsideQuotes(value, '('); open != std::string_view::npos) {
        type = TrimView(value.substr(open + 1));
        const size_t close = type.find(')');
        type = close == std::string_view::npos ? std::string_view() : TrimView(type.substr(0, close));
        value = TrimView(value.substr(0, open));
    }
    const std::string_view name = TrimView(line.substr(0, equals));
    if (!BracesBalanced(value)) {
        out.refused = "its braces do not pair up";
        return false;
    }
    if (const char* why = ElementNumbersRefusal(name)) {
        out.refused = why;
        return false;
    }
    // An array loads alike with or without its enclosing braces.
    bool braced = false;
    if (const size_t open = FindOutsideQuotes(value, '{'); open != std::string_view::npos) {
        const size_t close = value.rfind('}');
        if (close != std::string_view::npos && close > open) {
            value = TrimView(value.substr(open + 1, close - open - 1));
            braced = true;
        }
    }
    // "=(uint8)", "={}" or "=," gives no value to load: loading it would wipe the record's value.
    if (value.find_first_not_of(", \t") == std::string_view::npos) return false;
    // A control character would reach the target inside a command: a carriage
    // return there ends the command and starts one that no line asked for.
    if (HasControlByte(name) || HasControlByte(value) || HasControlByte(type)) {
        out.refused = kControlCharacterReason;
        return false;
    }
    if (const char* why = ValueRefusal(name, value)) {
        out.refused = why;
        return false;
    }
    // Blanks before the group name are no part of it: a group of their own would hold the target's
    // parameter names outside the target's group, with other element counts.
    out.group = TrimView(line.substr(0, dot));
    out.name = name;
    out.braced = braced;
    out.value = value;
    out.type = type;
    return true;
}

std::string_view NextNvmFileLine(std::string_view& rest) {
    if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    const size_t end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos) return std::exchange(rest, std::string_view());
    const std::string_view line = rest.substr(0, end);
    const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
    rest.remove_prefix(end + (crlf ? 2 : 1));
    return line;
}

void AssignParameterLine(std::string& line, std::string_view name, std::string_view value, std::string_view type) {
    line.assign(name).append(1, '=').append(value);
    if (!type.empty()) line.append(" (").append(type).append(1, ')');
}

std::string NvmParameterLine(std::string_view name, std::string_view value, std::string_view type) {
    std::string line;
    AssignParameterLine(line, name, value, type);
    return line;
}

void AssignRecordLine(std::string& line, const NVMParameter& record) {
    if (record.elementCount == 1 && !record.value.empty() && record.value.front() != '"') {
        const std::string braced = "{" + record.value + "}";
        AssignParameterLine(line, record.name, braced, record.type);
    } else {
        AssignParameterLine(line, record.name, record.value, record.type);
    }
}

// Does the line load back into the record's name and value? (A type the line
// cannot carry whole is learnt again from the target; the value is not.)
bool RecordLineLoadsBack(const std::string& line, const NVMParameter& record, std::string& value) {
    // The line as the file reader takes it: a byte order mark before it is no part of it.
    std::string_view rest = line;
    const std::string_view read = NextNvmFileLine(rest);
    NvmLine parsed;
    if (!rest.empty() || !ParseNvmLine(read, parsed) || parsed.name != record.name) return false;
    value.assign(parsed.value);
    RemoveBlanksOutsideQuotes(value);
    std::string held = record.value;
    RemoveBlanksOutsideQuotes(held);
    return value == held;
}

}  // namespace vtq
