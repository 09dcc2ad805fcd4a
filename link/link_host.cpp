#include "link/link_host.h"

#include <cstring>

#include "vtq/host_api.h"

namespace targetlink {

const char* const kTargetDetailsCommand9 = "ATI";
const char* const kTargetDetailsCommand10 = "AT+CGSN";

bool SendReceiveOn(TargetSession& session, const std::string& command, std::string& answer, bool echo,
                   uint8_t* targetLost, const TargetSession::LogFn& log) {
    const ExchangeResult r = session.Exchange(command);
    const std::string sent = command.substr(0, command.find_first_of("\r\n"));
    if (echo && log) {
        log("> " + sent, 1);
        if (r.answered) log("< " + r.answer, 1);
    }
    if (!r.answered) {
        if (targetLost) *targetLost = 1;
        if (log) log("No answer to " + sent + ": target stopped responding.", 0);
        return false;
    }
    if (r.outOfStep) {
        if (log) log("The answer to " + sent + " is not taken: it may belong to another command.", 0);
        return false;
    }
    answer = r.answer;
    return true;
}

std::string InfoText(TargetSession* session, int infoId, const std::string& toolName) {
    if (infoId == VTQ_INFO_TOOL_NAME) return toolName;
    if (session == nullptr) return {};
    if (infoId == VTQ_INFO_TARGET_DETAILS_1) return session->Query(kTargetDetailsCommand9);
    if (infoId == VTQ_INFO_TARGET_DETAILS_2) {
        const std::string serial = session->Query(kTargetDetailsCommand10);
        return serial.empty() ? serial : "Serial number: " + serial;
    }
    return {};
}

LinkHost::LinkHost(TargetSession& session, std::string toolName, TargetSession::LogFn showLine)
    : session_(session), toolName_(std::move(toolName)), showLine_(std::move(showLine)) {}

bool LinkHost::SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* targetLost) {
    return SendReceiveOn(session_, command, answer, echo, targetLost, showLine_);
}

bool LinkHost::CheckConnection() { return session_.CheckConnection(); }

bool LinkHost::GetInfo(int infoId, int bufferSize, std::string& text) {
    text = bufferSize < 1 ? std::string() : InfoText(&session_, infoId, toolName_);
    if (bufferSize >= 1 && text.size() >= static_cast<size_t>(bufferSize))
        text.resize(static_cast<size_t>(bufferSize) - 1);
    return true;
}

void LinkHost::ShowLine(const std::string& text, uint8_t flag) {
    if (showLine_) showLine_(text, flag);
}

}  // namespace targetlink
