#pragma once
// The target named on the command line or chosen in the Target menu:
//   sim[:IMAGE]                  the in-process simulated modem (default image when none is given)
//   serial:DEVICE[@BAUD]         a serial port, 115200 baud unless given
//   tcp:HOST:PORT                a TCP connection ([v6 address]:PORT also works)

#include <string>

namespace targetlink {

struct TargetAddress {
    enum class Kind { Sim, Serial, Tcp };
    Kind kind = Kind::Sim;
    std::string path;  // image file (sim), device (serial) or host name (tcp)
    int baud = 115200;
    int port = 0;
};

// False with `error` set when `text` names no target.
bool ParseTargetAddress(const std::string& text, TargetAddress& target, std::string& error);
// The text form that ParseTargetAddress reads back.
std::string FormatTargetAddress(const TargetAddress& target);

}  // namespace targetlink
