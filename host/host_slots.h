#pragma once
// The host functions handed to the plug-in: send-and-receive (slot 175),
// connection check (slot 184), information (slot 173) and the show line. They
// are plain C functions, so they reach the one active session and log through
// the process-wide services set here.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/link_host.h"
#include "link/target_session.h"
#include "vtq/host_api.h"

namespace nvmhost {

struct HostServices {
    targetlink::TargetSession* session = nullptr;
    // The log pane: flag 0 errors and warnings, 1 information.
    std::function<void(const std::string&, uint8_t)> log;
    // Item 20 of the information function.
    std::string toolName;
    // How many host functions the plug-in is inside right now: its code is on
    // the stack below them, so it must stay loaded.
    int callsFromPlugin = 0;
};

HostServices& Services();

// The 216-slot table with slots 173, 175 and 184 filled.
std::vector<vtq_host_fn> MakeHostTable();
vtq_show_line_fn ShowLineFunction();

}  // namespace nvmhost
