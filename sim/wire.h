#pragma once
// AT framing of the nvmsim server: command lines in, echoed and answered
// text out, with unsolicited result codes where the faults put them.

#include <string>
#include <string_view>
#include <vector>

#include "sim/faults.h"

namespace nvmsim {

// Collects received bytes into command lines. A line ends at CR; LF is
// ignored, so CR LF ends a line once.
class LineAssembler {
public:
    // Appends the complete lines found in `bytes` (without their CR).
    void Feed(std::string_view bytes, std::vector<std::string>& lines);

private:
    std::string partial_;
};

// The bytes the server sends for one command: the echo (the line and CR,
// when `echo` is on), then CR LF and the answer lines of `answer` (as
// Modem::Execute returns them), with the fault's unsolicited result code
// before, inside or after them. Empty when `answer` is empty: a lost
// target sends nothing at all.
std::string FrameAnswer(std::string_view line, std::string_view answer, bool echo, const Faults& faults);

}  // namespace nvmsim
