#pragma once
// The command exchange: one command, one answer that must end in "OK".

#include <cstdint>
#include <string>
#include <string_view>

#include "channel/host.h"

namespace vtq {

// True when the answer ends in "OK" (any case), ignoring trailing tab, LF, CR and space.
bool IsGoodAnswer(std::string_view answer);

// Removes surrounding blanks, a leading echo of the command (any case) and the
// final "OK" or "ERROR".
std::string CleanAnswer(std::string_view answer, std::string_view command);

// True when `command` is one command line: no line break, NUL or other
// control character inside (tab allowed), only its final carriage return.
bool IsOneCommandLine(std::string_view command);

// Sends `command` through the host. A command that is not one command line is
// never sent: the target would run its second line as a command of its own; a
// line in the log names it and the exchange fails. On a good answer stores the cleaned answer
// and returns true; otherwise returns false and leaves the answer as the host left it.
bool Exchange(Host& host, const std::string& command, std::string& answer, bool echo = false,
              uint8_t* targetLost = nullptr);

// Debug mode: mirrors the window's "Debug" check box; the dump parser logs every line while it is on.
bool DebugMode();
void SetDebugMode(bool on);

}  // namespace vtq
