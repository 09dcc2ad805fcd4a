#include "model/write_commands.h"

#include <cstdint>

#include "base/number_text.h"
#include "base/text.h"
#include "channel/target_commands.h"
#include "model/value_codec.h"
#include "model/value_types.h"

namespace vtq {

namespace {

// Reads decimal digits at `pos`, saturating at 10^12 (no array comes near it,
// and sums of two such indexes stay far from overflowing); false when there are none.
bool ReadNumber(std::string_view text, size_t& pos, long long& n) {
    const NumberText read = ReadNumberText(text, pos, {.sign = false});
    pos = read.end;
    n = read.Clamped(0, 1000000000000LL);
    return read.digits > 0;
}

// Reads "[a]" or "[a,b]" (blanks allowed round the numbers) at `pos`, which
// holds the "["; `pos` ends after the "]". False when the group is not one.
bool ReadRange(std::string_view text, size_t& pos, long long& first, long long& last) {
    auto blanks = [&] {
        while (pos < text.size() && text[pos] == ' ') ++pos;
    };
    ++pos;
    blanks();
    if (!ReadNumber(text, pos, first)) return false;
    blanks();
    last = first;
    if (pos < text.size() && text[pos] == ',') {
        ++pos;
        blanks();
        if (!ReadNumber(text, pos, last)) return false;
        blanks();
    }
    if (pos >= text.size() || text[pos] != ']') return false;
    ++pos;
    return true;
}

}  // namespace

bool ParseElementRange(std::string_view name, ElementRange& range) {
    if (name.empty() || name.back() != ']') return false;
    const size_t open = name.rfind('[');
    if (open == std::string_view::npos || open == 0 || name[open - 1] == ']') return false;
    size_t pos = open;
    if (!ReadRange(name, pos, range.first, range.last) || pos != name.size()) return false;
    range.array = name.substr(0, open);
    return true;
}

namespace {

// Where the run of bracket groups that ends the name starts (the name's size when it ends in none).
size_t TrailingBracketRun(std::string_view name) {
    size_t start = name.size();
    while (start > 0 && name[start - 1] == ']') {
        const size_t open = name.rfind('[', start - 1);
        if (open == std::string_view::npos) break;
        start = open;
    }
    return start;
}

}  // namespace

long long RangedElementCount(std::string_view name) {
    const size_t start = TrailingBracketRun(name);
    constexpr long long kMany = 1LL << 40;  // more elements than any value holds
    long long count = 1;
    bool ranged = false, whole = true;
    int groups = 0;
    for (size_t pos = start; pos < name.size(); ++groups) {
        long long first = 0, last = 0;
        const size_t at = pos;
        if (!ReadRange(name, pos, first, last)) return -1;
        ranged = ranged || name.substr(at, pos - at).find(',') != std::string_view::npos;
        whole = whole && first == 0;
        const long long length = last < first ? 0 : last - first + 1;  // a range counting down is refused apart
        count = length != 0 && count > kMany / length ? kMany : count * length;
    }
    if (!ranged) return -1;
    return groups > 1 && !whole ? 0 : count;
}

bool HasRangeInsideName(std::string_view name) {
    const std::string_view before = name.substr(0, TrailingBracketRun(name));
    for (size_t open = before.find('['); open != std::string_view::npos; open = before.find('[', open + 1)) {
        const size_t close = before.find(']', open);
        if (before.substr(open, close - open).find(',') != std::string_view::npos) return true;
    }
    return false;
}

bool HasReversedRange(std::string_view name) {
    for (size_t open = name.find('['); open != std::string_view::npos; open = name.find('[', open + 1)) {
        size_t pos = open;
        long long first = 0, last = 0;
        if (ReadRange(name, pos, first, last) && first > last) return true;
    }
    return false;
}

bool BracketsHoldElementNumbers(std::string_view name) {
    for (size_t pos = 0; pos < name.size();) {
        if (name[pos] == ']') return false;
        if (name[pos] != '[') {
            ++pos;
            continue;
        }
        long long first = 0, last = 0;
        // No element lies beyond the model's largest count; a target could read a longer number as another.
        if (!ReadRange(name, pos, first, last) || last > INT32_MAX || first > INT32_MAX) return false;
    }
    return true;
}

std::string IndexedName(std::string_view name, int first, int last) {
    long long offset = 0;
    ElementRange own;
    const bool ranged = ParseElementRange(name, own);
    if (ranged) {
        offset = own.first;
        name = own.array;
    }
    std::string range = "[" + std::to_string(offset + first);
    if (first != last) range += "," + std::to_string(offset + last);
    range += "]";
    const size_t found = ranged ? std::string_view::npos : name.rfind("[0,");
    if (found == std::string_view::npos) return std::string(name) + range;
    // A run of bracket groups that ends in the "[0," group is replaced as a whole.
    const size_t start = TrailingBracketRun(name.substr(0, found));
    const size_t close = name.find(']', found);
    std::string out(name.substr(0, start));
    out += range;
    if (close != std::string_view::npos) out += name.substr(close + 1);
    return out;
}

std::vector<std::string> SplitValue(std::string_view value, int limit) {
    std::vector<std::string> pieces;
    if (value.empty() || limit < 1) return pieces;
    const auto max = static_cast<size_t>(limit);
    std::string_view rest = value;
    while (rest.size() > max) {
        size_t cut = max;
        while (cut > 0 && rest[cut] != ',') --cut;
        if (rest[cut] != ',') return {};
        std::string_view piece = rest.substr(0, cut);
        if (!piece.empty() && piece.front() == ',') piece.remove_prefix(1);
        pieces.emplace_back(piece);
        rest.remove_prefix(cut + 1);
    }
    std::string last = Trim(rest);
    if (!last.empty() && last.front() == ',') last.erase(0, 1);
    if (!last.empty()) pieces.push_back(std::move(last));
    return pieces;
}

namespace {

std::string SkippedLarge(size_t length) {
    return "Skipped large command (target cannot accept " + std::to_string(length) + " bytes in one go.";
}

bool IsArrayValue(const NVMParameter& record) {
    return record.elementCount >= 1 && (record.value.empty() || record.value.front() != '"');
}

}  // namespace

WriteCommandList WriteCommands(const NVMParameter& record) {
    WriteCommandList list;
    const auto refuse = [&list](std::string text, uint8_t flag = 0) { list.refusal.push_back({std::move(text), flag}); };
    // The exchange never sends a command holding a control character; refusing
    // it here too makes a dry run show what a real run sends.
    if (HasControlByte(record.name) || HasControlByte(record.value)) {
        refuse("\"" + ShowControlBytes(record.name) +
               "\" is not written: its name or value holds a line break or control character.");
        return list;
    }
    if (!IsArrayValue(record)) {
        std::string single = cmd::Write(record.name, record.value);
        if (single.size() > kMaxCommandLength)
            refuse(SkippedLarge(single.size()));
        else
            list.commands.push_back(std::move(single));
        return list;
    }
    // A range of n elements carrying another number of values is not a command the target can take.
    if (const int given = ElementCount(record.value); given != record.elementCount) {
        refuse("\"" + record.name + "\" has " + std::to_string(record.elementCount) + " elements; the value gives " +
               std::to_string(given) + ".");
        return list;
    }
    std::string whole = cmd::Write(IndexedName(record.name, 0, record.elementCount - 1), "{" + record.value + "}");
    if (whole.size() <= kMaxCommandLength) {
        list.commands.push_back(std::move(whole));
        return list;
    }
    const int limit = static_cast<int>(kMaxCommandLength) - static_cast<int>(record.name.size()) - 25;
    const std::vector<std::string> pieces = SplitValue(record.value, limit);
    if (pieces.empty()) {
        refuse("WARNING: Could not split VTQ command up into smaller parts for \"" + record.name + "\".", 1);
        refuse(SkippedLarge(whole.size()));
        return list;
    }
    int start = 0;
    for (const std::string& piece : pieces) {
        const int n = ElementCount(piece);
        std::string command = cmd::Write(IndexedName(record.name, start, start + n - 1), "{" + piece + "}");
        start += n;
        // Very long index texts could still push a piece past the limit: none of the record is sent then.
        if (command.size() > kMaxCommandLength) {
            list.commands.clear();
            refuse(SkippedLarge(command.size()));
            return list;
        }
        list.commands.push_back(std::move(command));
    }
    return list;
}

std::string LikelyRefusal(const NVMParameter& record) {
    const std::string type = Trim(record.type);
    if (type.empty()) return {};
    const std::string value = Trim(record.value);
    if (IsStringType(type)) {
        if (!value.empty() && value.front() == '"') return {};
        return "A string value needs its double quotes (\"" + value + "\"): the target refuses it without.";
    }
    if (record.elementCount >= 1) return {};
    // The scalar editor flags the same values in red.
    const NVMValueType code = TypeOf(type);
    if (!DecimalOutOfRange(ReadDecimal(value, code), code)) return {};
    const ScalarLimits limits = LimitsOf(code);
    return "The value " + value + " is out of range for " + type + " (" + std::to_string(limits.low) + " to " +
           std::to_string(limits.high) + "): the target refuses it.";
}

}  // namespace vtq
