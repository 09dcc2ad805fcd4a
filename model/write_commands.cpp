#include "model/write_commands.h"

#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/target_commands.h"
#include "model/value_types.h"

namespace vtq {

std::string IndexedName(std::string_view name, int first, int last) {
    std::string range = "[" + std::to_string(first);
    if (first != last) range += "," + std::to_string(last);
    range += "]";
    const size_t found = name.rfind("[0,");
    if (found == std::string_view::npos) return std::string(name) + range;
    // A run of bracket groups that ends in the "[0," group is replaced as a whole.
    size_t start = found;
    while (start > 0 && name[start - 1] == ']') {
        const size_t open = name.rfind('[', start - 1);
        if (open == std::string_view::npos) break;
        start = open;
    }
    const size_t close = name.find(']', found);
    std::string out(name.substr(0, start));
    out += range;
    if (close != std::string_view::npos) out += name.substr(close + 1);
    return out;
}

std::vector<std::string> SplitValue(std::string_view value, int limit) {
    std::vector<std::string> pieces;
    if (value.empty() || limit < 1) return pieces;
    const auto max = static_cast<size_t>(limit);
    std::string_view rest = value;
    while (rest.size() > max) {
        size_t cut = max;
        while (cut > 0 && rest[cut] != ',') --cut;
        if (rest[cut] != ',') return {};
        std::string_view piece = rest.substr(0, cut);
        if (!piece.empty() && piece.front() == ',') piece.remove_prefix(1);
        pieces.emplace_back(piece);
        rest.remove_prefix(cut + 1);
    }
    std::string last = Trim(rest);
    if (!last.empty() && last.front() == ',') last.erase(0, 1);
    if (!last.empty()) pieces.push_back(std::move(last));
    return pieces;
}

namespace {

void SkippedLarge(Host& host, size_t length) {
    host.ShowLine("Skipped large command (target cannot accept " + std::to_string(length) + " bytes in one go.", 0);
}

}  // namespace

bool WriteParameter(Host& host, NVMParameter& record, bool quiet, std::ostream* file, uint8_t* targetLost) {
    if (targetLost) *targetLost = 0;
    auto send = [&](const std::string& command) {
        // A full disk or a closed file is a failed write, not a printed command.
        if (file) return static_cast<bool>(*file << command << '\n');
        std::string answer;
        return Exchange(host, command, answer, false, targetLost);
    };

    std::string single;
    if (record.elementCount >= 1 && (record.value.empty() || record.value.front() != '"')) {
        std::string whole = cmd::Write(IndexedName(record.name, 0, record.elementCount - 1), "{" + record.value + "}");
        if (whole.size() <= kMaxCommandLength) {
            single = std::move(whole);
        } else {
            const int limit = static_cast<int>(kMaxCommandLength) - static_cast<int>(record.name.size()) - 25;
            const std::vector<std::string> pieces = SplitValue(record.value, limit);
            if (pieces.empty()) {
                host.ShowLine("WARNING: Could not split VTQ command up into smaller parts for \"" + record.name + "\".",
                              1);
                single = std::move(whole);
            } else {
                int start = 0;
                bool ok = true;
                for (const std::string& piece : pieces) {
                    const int n = ElementCount(piece);
                    const std::string command =
                        cmd::Write(IndexedName(record.name, start, start + n - 1), "{" + piece + "}");
                    start += n;
                    // Very long index texts could still push a piece past the limit: never send it.
                    if (command.size() > kMaxCommandLength) {
                        SkippedLarge(host, command.size());
                        ok = false;
                        break;
                    }
                    if (!send(command)) {
                        ok = false;
                        break;
                    }
                }
                if (!ok) {
                    if (!quiet) host.ShowLine("Error writing \"" + record.name + "\" to target!", 0);
                    return false;
                }
                if (!file) record.state = ParameterState::InTargetRAM;
                return true;
            }
        }
    } else {
        single = cmd::Write(record.name, record.value);
    }

    if (single.size() > kMaxCommandLength) {
        SkippedLarge(host, single.size());
        return false;
    }
    if (file) return send(single);
    if (!send(single)) {
        if (!quiet) host.ShowLine("Error writing to target! Check connection and that parameters are valid.", 0);
        return false;
    }
    if (!quiet) host.ShowLine("Store OK", 1);
    record.state = ParameterState::InTargetRAM;
    return true;
}

}  // namespace vtq
