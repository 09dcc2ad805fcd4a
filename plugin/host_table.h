#pragma once
// The plug-in's copy of what the host handed over: the function table, the
// show line, the get-interface pointer and the port handle, and the Host
// implementation that calls through them.

#include <cstdint>

#include "channel/host.h"
#include "vtq/host_api.h"

namespace vtq {

struct HostTable {
    vtq_host_fn functions[VTQ_HOST_TABLE_SLOTS] = {};
    vtq_show_line_fn showLine = nullptr;
    void* getInterface = nullptr;
    int32_t portHandle = -1;

    // Copies whole slots only: a size that ends inside a slot leaves that slot
    // null, since half a pointer would be a crash waiting to happen.
    void SetFuncInterface(const vtq_host_fn* table, int32_t sizeBytes);
    bool CanRun() const;
    template <typename Fn>
    Fn Slot(int index) const {
        return reinterpret_cast<Fn>(functions[index]);
    }
};

// The process-wide table of the loaded plug-in.
HostTable& PluginHostTable();

// Host over a HostTable: null slots are never called.
class HostTableLink : public Host {
public:
    explicit HostTableLink(HostTable& table) : table_(table) {}
    bool SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* targetLost) override;
    bool CheckConnection() override;
    bool GetInfo(int infoId, int bufferSize, std::string& text) override;
    void ShowLine(const std::string& text, uint8_t flag) override;

private:
    HostTable& table_;
};

// Host of the loaded plug-in (over PluginHostTable()).
Host& PluginHost();

}  // namespace vtq
