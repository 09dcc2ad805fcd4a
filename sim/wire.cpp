#include "sim/wire.h"

namespace nvmsim {

void LineAssembler::Feed(std::string_view bytes, std::vector<std::string>& lines) {
    for (char c : bytes) {
        if (c == '\r') {
            lines.push_back(partial_);
            partial_.clear();
        } else if (c != '\n') {
            partial_ += c;
        }
    }
}

std::string FrameAnswer(std::string_view line, std::string_view answer, bool echo, const Faults& faults) {
    if (answer.empty()) return {};
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < answer.size();) {
        size_t end = answer.find("\r\n", start);
        end = end == std::string_view::npos ? answer.size() : end + 2;
        lines.push_back(answer.substr(start, end - start));
        start = end;
    }
    const std::string urc = faults.urc.empty() ? std::string() : faults.urc + "\r\n";
    size_t urcAt = lines.size();
    if (faults.urcPlace == UrcPlace::Before)
        urcAt = 0;
    else if (faults.urcPlace == UrcPlace::Inside)
        urcAt = lines.size() > 1 ? 1 : 0;
    std::string out;
    if (echo) {
        out.append(line);
        out += '\r';
    }
    out += "\r\n";
    for (size_t i = 0; i <= lines.size(); ++i) {
        if (i == urcAt) out += urc;
        if (i < lines.size()) out.append(lines[i]);
    }
    if (!faults.extraFinal.empty()) out += faults.extraFinal + "\r\n";
    return out;
}

}  // namespace nvmsim
