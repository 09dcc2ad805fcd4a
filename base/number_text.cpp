#include "base/number_text.h"

namespace vtq {

namespace {

int DigitValue(char c, int base) {
    int digit = 99;
    if (c >= '0' && c <= '9')
        digit = c - '0';
    else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
    return digit < base ? digit : -1;
}

}  // namespace

int64_t NumberText::Clamped(int64_t low, int64_t high) const {
    int64_t value;
    if (negative && magnitude != 0) {
        // Compared as magnitudes, so that no value overflows on the way.
        if (low >= 0 || magnitude > uint64_t(0) - static_cast<uint64_t>(low)) return low;
        value = static_cast<int64_t>(uint64_t(0) - magnitude);
    } else {
        if (high < 0 || magnitude > static_cast<uint64_t>(high)) return high;
        value = static_cast<int64_t>(magnitude);
    }
    return value < low ? low : value > high ? high : value;
}

NumberText ReadNumberText(std::string_view text, size_t pos, NumberSyntax syntax) {
    NumberText n;
    if (syntax.sign && pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        n.signGiven = true;
        n.negative = text[pos++] == '-';
    }
    if (syntax.hex && text.size() - pos > 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        n.base = 16;
        pos += 2;
    }
    const auto base = static_cast<uint64_t>(n.base);
    for (int digit; pos < text.size() && (digit = DigitValue(text[pos], n.base)) >= 0; ++pos, ++n.digits) {
        if (n.overflow) continue;
        if (n.magnitude > (UINT64_MAX - static_cast<uint64_t>(digit)) / base) {
            n.overflow = true;
            n.magnitude = UINT64_MAX;
            continue;
        }
        n.magnitude = n.magnitude * base + static_cast<uint64_t>(digit);
    }
    n.end = pos;
    return n;
}

bool IsWholeNumber(std::string_view text, NumberText& number, NumberSyntax syntax) {
    number = ReadNumberText(text, 0, syntax);
    return number.digits > 0 && !number.overflow && number.end == text.size();
}

}  // namespace vtq
