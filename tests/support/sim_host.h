#pragma once
// A Host for tests over the in-process simulated modem: every exchange runs the command through nvmsim::Modem::Execute,
// so the editor talks to a target that behaves like the real one, faults included (modem().faults()).

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/faults.h"
#include "sim/image.h"
#include "sim/modem.h"
#include "support/scripted_host.h"

namespace vtq::test {

class SimHost : public LoggingHost {
public:
    // The repository's default image, or the image file `path`.
    explicit SimHost(const std::string& path = nvmsim::Modem::DefaultImagePath()) {
        std::string error;
        modem_ = nvmsim::Modem::FromImageFile(path, error);
        if (!modem_) throw std::runtime_error("SimHost: " + error);
    }
    explicit SimHost(std::shared_ptr<nvmsim::Image> image) : modem_(std::make_unique<nvmsim::Modem>(std::move(image))) {}

    nvmsim::Modem& modem() { return *modem_; }
    nvmsim::Faults& faults() { return modem_->faults(); }

    bool SendReceive(const std::string& command, std::string& answer, bool, uint8_t* targetLost) override {
        commands.push_back(command);
        const std::string wire = modem_->Execute(command.substr(0, command.size() - command.ends_with('\r')));
        if (wire.empty()) {
            if (targetLost) *targetLost = 1;
            return false;
        }
        answer = wire;
        return true;
    }
    bool CheckConnection() override { return connected && !modem_->lost(); }
    // Item 20 names this host; items 9 and 10 carry the target's identity and revision (what ATI and AT+CGMR answer),
    // taken from the image so that asking for them sends no command and leaves the fault counts alone.
    bool GetInfo(int id, int bufferSize, std::string& text) override {
        text.clear();
        if (id == 20) text = "nvmsim test host 1.0";
        else if (id == 9) text = Identity("manufacturer") + "\n" + Identity("model");
        else if (id == 10) text = "Revision: " + Identity("revision");
        if (bufferSize < 1) text.clear();
        else if (text.size() >= static_cast<size_t>(bufferSize)) text.resize(static_cast<size_t>(bufferSize) - 1);
        return true;
    }

private:
    std::string Identity(const std::string& key) {
        const auto& identity = modem_->image().identity;
        auto it = identity.find(key);
        return it == identity.end() ? std::string("unknown") : it->second;
    }

    std::unique_ptr<nvmsim::Modem> modem_;
};

}  // namespace vtq::test
