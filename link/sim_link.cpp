#include "link/sim_link.h"

#include "sim/modem.h"

namespace targetlink {

SimLink::SimLink(std::string imagePath) : imagePath_(std::move(imagePath)) {}

SimLink::~SimLink() = default;

std::string SimLink::Describe() const {
    const std::string& path = imagePath_.empty() ? nvmsim::Modem::DefaultImagePath() : imagePath_;
    return "simulated modem (" + path.substr(path.find_last_of('/') + 1) + ")";
}

bool SimLink::Open(std::string& error) {
    const std::string path = imagePath_.empty() ? nvmsim::Modem::DefaultImagePath() : imagePath_;
    modem_ = nvmsim::Modem::FromImageFile(path, error);
    if (!modem_ && error.empty()) error = "Cannot load the target image " + path + ".";
    answer_.clear();
    return modem_ != nullptr;
}

void SimLink::Close() {
    modem_.reset();
    answer_.clear();
}

bool SimLink::Send(const std::string& bytes) {
    if (!modem_) return false;
    std::string line = bytes;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    answer_ += modem_->Execute(line);
    return true;
}

WaitResult SimLink::Receive(std::string& out, int) {
    if (!modem_) return WaitResult::Lost;
    if (answer_.empty()) return WaitResult::Timeout;
    out += answer_;
    answer_.clear();
    return WaitResult::Data;
}

}  // namespace targetlink
