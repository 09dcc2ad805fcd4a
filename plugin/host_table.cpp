#include "plugin/host_table.h"

#include <cstring>
#include <vector>

namespace vtq {

void HostTable::SetFuncInterface(const vtq_host_fn* table, int32_t sizeBytes) {
    if (table == nullptr || sizeBytes < 1) return;
    for (auto& s : functions) s = nullptr;
    size_t whole = static_cast<size_t>(sizeBytes) / sizeof(vtq_host_fn);
    if (whole > VTQ_HOST_TABLE_SLOTS) whole = VTQ_HOST_TABLE_SLOTS;
    std::memcpy(functions, table, whole * sizeof(vtq_host_fn));
}

bool HostTable::CanRun() const {
    return functions[VTQ_SLOT_CHECK_CONNECTION] != nullptr && functions[VTQ_SLOT_SEND_RECEIVE] != nullptr;
}

HostTable& PluginHostTable() {
    static HostTable table;
    return table;
}

namespace {
void VTQ_CALL AssignAnswer(vtq_answer* self, const char* text, size_t length) {
    if (self == nullptr || self->owner == nullptr) return;
    auto* target = static_cast<std::string*>(self->owner);
    if (text == nullptr) {
        target->clear();
    } else {
        target->assign(text, length);
    }
}
}  // namespace

bool HostTableLink::SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* targetLost) {
    auto fn = table_.Slot<vtq_send_receive_fn>(VTQ_SLOT_SEND_RECEIVE);
    if (fn == nullptr) return false;
    vtq_answer a{sizeof(vtq_answer), &answer, &AssignAnswer};
    const uint8_t e = echo ? 1 : 0;
    return fn(command.c_str(), &a, e, -1, e, targetLost) != 0;
}

bool HostTableLink::CheckConnection() {
    auto fn = table_.Slot<vtq_check_connection_fn>(VTQ_SLOT_CHECK_CONNECTION);
    return fn != nullptr && fn(1) != 0;
}

bool HostTableLink::GetInfo(int infoId, int bufferSize, std::string& text) {
    auto fn = table_.Slot<vtq_bvi_get_info_fn>(VTQ_SLOT_BVI_GET_INFO);
    if (fn == nullptr || bufferSize < 1) return false;
    std::vector<char> buffer(static_cast<size_t>(bufferSize) + 1, '\0');
    fn(infoId, buffer.data(), bufferSize);
    buffer[static_cast<size_t>(bufferSize)] = '\0';  // a host that fills the whole buffer still ends here
    text = buffer[0] != 0 ? std::string(buffer.data()) : std::string();
    return true;
}

void HostTableLink::ShowLine(const std::string& text, uint8_t flag) {
    if (table_.showLine != nullptr) table_.showLine(text.c_str(), flag);
}

Host& PluginHost() {
    static HostTableLink link(PluginHostTable());
    return link;
}

}  // namespace vtq
