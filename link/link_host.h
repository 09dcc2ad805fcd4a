#pragma once
// The host functions over one target session: send-and-receive, connection
// check, information items and the show line. The stand-in host's C slots and
// the command line's Host both go through these, so they behave alike.

#include <cstdint>
#include <string>

#include "channel/host.h"
#include "link/target_session.h"

namespace targetlink {

// The identity commands behind information items 9 (manufacturer, model and
// revision) and 10 (serial number).
extern const char* const kTargetDetailsCommand9;
extern const char* const kTargetDetailsCommand10;

// Sends `command` and hands over its answer: the answer lines and the final
// result line, each with CR LF. An ERROR or "+CME ERROR: n" answer is an answer
// too. On a time-out or a lost link: *targetLost set to 1 (when given), an error
// logged, false, and `answer` left alone. With `echo` the command ("> ...") and
// the answer ("< ...") are logged as information.
bool SendReceiveOn(TargetSession& session, const std::string& command, std::string& answer, bool echo,
                   uint8_t* targetLost, const TargetSession::LogFn& log);

// The text of an information item: 20 the tool's name, 9 the target's answer
// to ATI, 10 "Serial number: " and the answer to AT+CGSN (lines joined by LF).
// Empty for other items, without a session, or when the target gives no answer.
std::string InfoText(TargetSession* session, int infoId, const std::string& toolName);

// A Host over one target session, for front ends that run the core directly.
class LinkHost : public vtq::Host {
public:
    LinkHost(TargetSession& session, std::string toolName, TargetSession::LogFn showLine = {});

    bool SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* targetLost) override;
    bool CheckConnection() override;
    // Always true: the items are there, possibly empty; at most bufferSize - 1 bytes.
    bool GetInfo(int infoId, int bufferSize, std::string& text) override;
    void ShowLine(const std::string& text, uint8_t flag) override;

    TargetSession& session() { return session_; }

private:
    TargetSession& session_;
    std::string toolName_;
    TargetSession::LogFn showLine_;
};

}  // namespace targetlink
