#pragma once
// The one reader of integer text. Every number the editor takes from a name,
// an answer, a header or a value goes through ReadNumberText; the callers only
// choose what may come before the digits and what a number too big becomes.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vtq {

struct NumberSyntax {
    bool sign = true;  // a "+" or "-" may come first
    bool hex = false;  // "0x" or "0X" and at least one more character start hexadecimal digits
};

struct NumberText {
    bool signGiven = false;
    bool negative = false;
    int base = 10;
    uint64_t magnitude = 0;  // UINT64_MAX when the digits go beyond it
    bool overflow = false;   // the digits went beyond 2^64 - 1
    size_t digits = 0;       // digits read (the "0x" not counted)
    size_t end = 0;          // where the reading stopped: after the last digit, or where a digit was wanted

    // The value held in [low, high]: a magnitude beyond either end gives that end.
    int64_t Clamped(int64_t low, int64_t high) const;
};

// Reads an integer at `pos`: the sign and prefix the syntax allows, then the
// digits of its base up to the first character that is not one.
NumberText ReadNumberText(std::string_view text, size_t pos = 0, NumberSyntax syntax = {});

// True when the whole text is one integer of the syntax, with digits and no
// more than 64 bits of magnitude.
bool IsWholeNumber(std::string_view text, NumberText& number, NumberSyntax syntax = {});

}  // namespace vtq
