#include "link/open_link.h"

#include "link/qt_links.h"
#ifdef VTQLINK_WITH_SIM
#include "link/sim_link.h"
#endif

namespace targetlink {

std::unique_ptr<ByteLink> MakeLink(const TargetAddress& target, std::string& error) {
    switch (target.kind) {
        case TargetAddress::Kind::Sim:
#ifdef VTQLINK_WITH_SIM
            return std::make_unique<SimLink>(target.path);
#else
            error = "This program was built without the simulated modem.";
            return nullptr;
#endif
        case TargetAddress::Kind::Serial:
            return std::make_unique<SerialLink>(target.path, target.baud);
        case TargetAddress::Kind::Tcp:
            return std::make_unique<TcpLink>(target.path, target.port);
    }
    error = "Unknown target.";
    return nullptr;
}

}  // namespace targetlink
