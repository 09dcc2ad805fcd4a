#include "host/host_slots.h"

#include <cstring>

namespace nvmhost {

using targetlink::InfoText;
using targetlink::TargetSession;


HostServices& Services() {
    static HostServices services;
    return services;
}

namespace {

void Log(const std::string& text, uint8_t flag) {
    if (Services().log) Services().log(text, flag);
}

// Counts a call from the plug-in for as long as it runs.
class FromPlugin {
public:
    FromPlugin() { ++Services().callsFromPlugin; }
    ~FromPlugin() { --Services().callsFromPlugin; }
    FromPlugin(const FromPlugin&) = delete;
    FromPlugin& operator=(const FromPlugin&) = delete;
};

// Each slot catches everything: nothing is thrown back into the plug-in.
uint8_t VTQ_CALL SendReceive(const char* command, vtq_answer* answer, uint8_t echo, int, uint8_t, uint8_t* targetLost) {
    const FromPlugin inside;
    try {
        TargetSession* session = Services().session;
        if (command == nullptr || session == nullptr) {
            if (targetLost) *targetLost = 1;
            return 0;
        }
        std::string text;
        if (!SendReceiveOn(*session, command, text, echo != 0, targetLost, Services().log)) return 0;
        if (answer != nullptr && answer->struct_size >= sizeof(vtq_answer) && answer->assign != nullptr)
            answer->assign(answer, text.data(), text.size());
        return 1;
    } catch (...) {
        if (targetLost) *targetLost = 1;
        return 0;
    }
}

uint8_t VTQ_CALL CheckConnection(int) {
    const FromPlugin inside;
    std::string failed = "no target link";
    try {
        TargetSession* session = Services().session;
        if (session != nullptr && session->link() != nullptr) {
            if (session->CheckConnection()) return 1;
            failed = "no OK to \"AT\"";
        }
    } catch (...) {
        failed = "no answer";
    }
    // The plug-in checks before an operation and stops without a word when the
    // check fails: the host's log tells the user why nothing happened.
    try {
        Log("Connection check failed (" + failed + "): nothing was sent to the target.", 0);
    } catch (...) {}
    return 0;
}

void VTQ_CALL GetInfo(int infoId, char* buffer, int size) {
    const FromPlugin inside;
    try {
        if (buffer == nullptr || size < 1) return;
        const std::string text = InfoText(Services().session, infoId, Services().toolName);
        if (text.empty()) return;
        const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    } catch (...) {}
}

void VTQ_CALL ShowLine(const char* text, uint8_t flag) {
    const FromPlugin inside;
    try {
        if (text != nullptr) Log(text, flag);
    } catch (...) {}
}

}  // namespace

std::vector<vtq_host_fn> MakeHostTable() {
    std::vector<vtq_host_fn> table(VTQ_HOST_TABLE_SLOTS, nullptr);
    table[VTQ_SLOT_BVI_GET_INFO] = reinterpret_cast<vtq_host_fn>(&GetInfo);
    table[VTQ_SLOT_SEND_RECEIVE] = reinterpret_cast<vtq_host_fn>(&SendReceive);
    table[VTQ_SLOT_CHECK_CONNECTION] = reinterpret_cast<vtq_host_fn>(&CheckConnection);
    return table;
}

vtq_show_line_fn ShowLineFunction() { return &ShowLine; }

}  // namespace nvmhost
