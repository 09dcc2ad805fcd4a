#include "core/debug_line.h"

#include "base/text.h"
#include "channel/command_exchange.h"

namespace vtq {

std::string DebugCommand(std::string_view typed) { return Trim(typed) + "\r"; }

bool SendDebugCommand(Host& host, std::string_view typed) {
    std::string answer;
    if (!Exchange(host, DebugCommand(typed), answer)) {
        host.ShowLine(kNothingReceivedLine, 0);
        return false;
    }
    host.ShowLine(answer, 1);
    return true;
}

}  // namespace vtq
