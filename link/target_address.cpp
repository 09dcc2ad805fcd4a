#include "link/target_address.h"

#include <charconv>

namespace targetlink {

namespace {
bool ParseNumber(const std::string& text, int low, int high, int& value) {
    if (text.empty()) return false;
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
    value = v;
    return true;
}
}  // namespace

bool ParseTargetAddress(const std::string& text, TargetAddress& target, std::string& error) {
    TargetAddress out;
    const size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    const std::string rest = colon == std::string::npos ? std::string() : text.substr(colon + 1);
    if (kind == "sim") {
        out.kind = TargetAddress::Kind::Sim;
        out.path = rest;
    } else if (kind == "serial") {
        out.kind = TargetAddress::Kind::Serial;
        const size_t at = rest.rfind('@');
        out.path = rest.substr(0, at);
        if (at != std::string::npos && !ParseNumber(rest.substr(at + 1), 50, 16000000, out.baud)) {
            error = "Invalid baud rate in target \"" + text + "\".";
            return false;
        }
        if (out.path.empty()) {
            error = "The serial target \"" + text + "\" names no device.";
            return false;
        }
    } else if (kind == "tcp") {
        out.kind = TargetAddress::Kind::Tcp;
        const size_t last = rest.rfind(':');
        if (last == std::string::npos || !ParseNumber(rest.substr(last + 1), 1, 65535, out.port)) {
            error = "The TCP target \"" + text + "\" needs HOST:PORT with a port from 1 to 65535.";
            return false;
        }
        out.path = rest.substr(0, last);
        if (out.path.size() >= 2 && out.path.front() == '[' && out.path.back() == ']')
            out.path = out.path.substr(1, out.path.size() - 2);
        if (out.path.empty()) {
            error = "The TCP target \"" + text + "\" names no host.";
            return false;
        }
    } else {
        error = "Unknown target \"" + text + "\": use sim[:IMAGE], serial:DEVICE[@BAUD] or tcp:HOST:PORT.";
        return false;
    }
    target = out;
    return true;
}

std::string FormatTargetAddress(const TargetAddress& target) {
    switch (target.kind) {
        case TargetAddress::Kind::Sim:
            return target.path.empty() ? "sim" : "sim:" + target.path;
        case TargetAddress::Kind::Serial:
            return "serial:" + target.path + "@" + std::to_string(target.baud);
        case TargetAddress::Kind::Tcp: {
            const bool v6 = target.path.find(':') != std::string::npos;
            return "tcp:" + (v6 ? "[" + target.path + "]" : target.path) + ":" + std::to_string(target.port);
        }
    }
    return {};
}

}  // namespace targetlink
