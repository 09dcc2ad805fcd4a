#include "core/element_number.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "base/number_text.h"
#include "base/text.h"

namespace vtq {

ElementNumber ReadElement(std::string_view text, NVMValueType type) {
    text = TrimView(text);
    NumberText read;
    if (!IsWholeNumber(text, read, {true, true}) && !(read.overflow && read.end == text.size() && read.digits))
        return {};
    ElementNumber number;
    number.ok = true;
    // Digits beyond 64 bits make a number beyond every type's range.
    number.value = read.overflow ? std::ldexp(1.0L, 64) : static_cast<long double>(read.magnitude);
    if (read.base == 16) {
        if (read.signGiven) return {};
        number.hex = true;
        number.prefix = text[1];
        number.digits = read.digits;
        number.lower = text.find_first_of("abcdef", 2) != std::string_view::npos;
        // A signed type's pattern with its top bit set is the negative number of that width.
        const int width = SizeOf(type) * 8;
        if (IsSignedType(type) && number.value < std::ldexp(1.0L, width) && (read.magnitude >> (width - 1) & 1))
            number.value -= std::ldexp(1.0L, width);
    }
    if (read.negative) number.value = -number.value;
    return number;
}

std::string WriteElement(long double value, NVMValueType type, const ElementNumber& like) {
    if (!like.hex)
        return value < 0 ? std::to_string(static_cast<long long>(value))
                         : std::to_string(static_cast<unsigned long long>(value));
    const int width = SizeOf(type) * 8;
    uint64_t bits = value < 0 ? static_cast<uint64_t>(static_cast<int64_t>(value)) : static_cast<uint64_t>(value);
    if (width < 64) bits &= (uint64_t(1) << width) - 1;
    const char* digits = like.lower ? "0123456789abcdef" : "0123456789ABCDEF";
    std::string text;
    for (; bits || text.size() < std::max<size_t>(like.digits, 1); bits >>= 4) text.insert(text.begin(), digits[bits & 15]);
    return std::string("0") + like.prefix + text;
}

std::optional<long double> ReadArgument(std::string_view text, NVMValueType type, bool percentSign) {
    text = TrimView(text);
    bool percent = false;
    if (percentSign && !text.empty() && text.back() == '%') {
        percent = true;
        text = TrimView(text.substr(0, text.size() - 1));
    }
    long double value;
    if (const ElementNumber number = ReadElement(text, type); number.ok) {
        value = number.value;
    } else {
        // A decimal fraction, read the same in every locale.
        if (!text.empty() && text[0] == '+') text.remove_prefix(1);
        double fraction = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fraction,
                                                  std::chars_format::fixed);
        if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
            !std::isfinite(fraction))
            return std::nullopt;
        value = fraction;
    }
    return percent ? value / 100 : value;
}

namespace {

std::string Plural(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string RangeText(NVMValueType type) {
    const TypeRange range = RangeOf(type);
    const auto text = [](long double v) {
        return v < 0 ? std::to_string(static_cast<long long>(v)) : std::to_string(static_cast<unsigned long long>(v));
    };
    return text(range.low) + " to " + text(range.high);
}

}  // namespace

ChangeList::ChangeList(const ArrayTable& table, size_t cells) : table_(table), range_(RangeOf(table.type)) {
    result_.changes.reserve(cells);
}

void ChangeList::Put(size_t index, long double value, const ElementNumber& old) {
    value = std::round(value);
    if (value < range_.low || value > range_.high) {
        value = value < range_.low ? range_.low : range_.high;
        ++result_.clamped;
    }
    std::string text = WriteElement(value, table_.type, old);
    if (text != table_.elements[index]) result_.changes.push_back({index, table_.elements[index], std::move(text)});
}

BlockResult ChangeList::Finish() {
    result_.done = true;
    const size_t n = result_.changes.size();
    result_.message = n == 0 ? "No cell changed" : Plural(n, "cell", "cells") + " changed";
    if (result_.clamped)
        result_.message += "; " + Plural(result_.clamped, "value", "values") + " clamped to " + RangeText(table_.type);
    if (result_.skipped)
        result_.message += "; " + Plural(result_.skipped, "cell", "cells") + " without a number left alone";
    return std::move(result_);
}

BlockResult Refused(std::string message) {
    BlockResult result;
    result.message = std::move(message);
    return result;
}

}  // namespace vtq
