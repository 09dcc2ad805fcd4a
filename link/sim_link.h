#pragma once
// The in-process simulated modem as a byte link: each command runs at once and
// its answer is there to read; a modem that gives no answer never will.

#include <memory>
#include <string>

#include "link/byte_link.h"

namespace nvmsim {
class Modem;
}

namespace targetlink {

class SimLink : public ByteLink {
public:
    // Empty `imagePath`: the default image shipped with the simulated modem.
    explicit SimLink(std::string imagePath);
    ~SimLink() override;

    std::string Describe() const override;
    bool Open(std::string& error) override;
    void Close() override;
    bool IsUp() const override { return modem_ != nullptr; }
    bool Send(const std::string& bytes) override;
    WaitResult Receive(std::string& out, int timeoutMs) override;

    nvmsim::Modem* modem() const { return modem_.get(); }

private:
    std::string imagePath_;
    std::unique_ptr<nvmsim::Modem> modem_;
    std::string answer_;
};

}  // namespace targetlink
