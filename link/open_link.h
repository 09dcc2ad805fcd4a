#pragma once
// The byte link for a target address: the in-process simulated modem, a serial
// port or a TCP connection. Not opened yet.

#include <memory>
#include <string>

#include "link/byte_link.h"
#include "link/target_address.h"

namespace targetlink {

// Null with `error` set when this build cannot reach such a target.
std::unique_ptr<ByteLink> MakeLink(const TargetAddress& target, std::string& error);

}  // namespace targetlink
