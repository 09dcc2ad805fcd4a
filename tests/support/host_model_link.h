#pragma once
// A ModelLink over a test host: log lines to its show line, queries through
// the command exchange (optionally with a lost flag), as a session links them.

#include <cstdint>
#include <string>

#include "channel/command_exchange.h"
#include "channel/host.h"
#include "model/model_link.h"

namespace vtq::test {

class HostModelLink : public ModelLink {
public:
    explicit HostModelLink(Host& host, bool queries = true) : host_(host), queries_(queries) {}
    void Log(const std::string& text, uint8_t flag) override { host_.ShowLine(text, flag); }
    bool Query(const std::string& command, std::string& answer) override {
        if (!queries_ || (lost && *lost)) return false;
        return Exchange(host_, command, answer, false, lost);
    }
    uint8_t* lost = nullptr;

private:
    Host& host_;
    bool queries_;
};

}  // namespace vtq::test
