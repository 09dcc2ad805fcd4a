#pragma once
// The debug command line: any typed command sent to the target through the
// command exchange, its answer to the host log.

#include <string>
#include <string_view>

#include "channel/host.h"

namespace vtq {

inline constexpr const char* kNothingReceivedLine = "Nothing received.";

// The command the line sends for the typed text: trimmed, one carriage return added.
std::string DebugCommand(std::string_view typed);

// Sends the typed command (no echo, no target-lost flag). A good answer is
// logged as the exchange returns it (flag 1); otherwise "Nothing received."
// (flag 0). True for a good answer.
bool SendDebugCommand(Host& host, std::string_view typed);

}  // namespace vtq
