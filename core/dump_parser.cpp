#include "core/dump_parser.h"

#include <string>

#include "base/text.h"
#include "channel/command_exchange.h"
#include "channel/piece_decoder.h"
#include "model/value_types.h"
#include "model/write_commands.h"

namespace vtq {

namespace {

void Log(const GroupItems& items, const std::string& text) { items.Log(text, 0); }

// A piece as the log shows it: its start, so that a long one stays one readable line.
std::string PieceHead(std::string_view piece) {
    constexpr size_t kShown = 60;
    return piece.size() <= kShown ? std::string(piece) : std::string(piece.substr(0, kShown)) + "...";
}

enum class LineOutcome { Added, Ignored, Skipped };

// ParseDumpLine's work; Skipped when the line is damaged (its parameter is lost),
// Ignored when it names nothing to keep.
LineOutcome ParseRecord(GroupItems& items, std::string_view line, int groupIndex) {
    const std::string_view text = TrimView(line);
    if (text.empty()) return LineOutcome::Ignored;
    const size_t semicolon = text.find(';');
    if (semicolon == std::string_view::npos) {
        Log(items, "Skipping parameter: name not found in target answer: \"" + std::string(text) + "\"");
        return LineOutcome::Skipped;
    }
    if (DebugMode()) Log(items, "Adding: " + std::string(text));
    const std::string_view name = TrimView(text.substr(0, semicolon));
    const size_t open = text.find('{', semicolon + 1);
    if (open == std::string_view::npos) {
        Log(items, "Skipping parameter: value start not found in target answer: \"" + std::string(text) + "\"");
        return LineOutcome::Skipped;
    }
    const size_t close = text.find('}', open + 1);
    if (close == std::string_view::npos) {
        Log(items, "Skipping parameter: value end not found in target answer: \"" + std::string(text) + "\"");
        return LineOutcome::Skipped;
    }
    // A name that cannot stand in a command as it is (a damaged piece can decode to one) would make every later
    // write or query of it a command nobody asked for.
    if (name.find_first_of("={}\";") != std::string_view::npos || HasControlByte(name) ||
        !BracketsHoldElementNumbers(name)) {
        Log(items, "Skipping parameter: name not usable in a command: \"" + std::string(text) + "\"");
        return LineOutcome::Skipped;
    }
    const std::string_view value = TrimView(text.substr(open + 1, close - open - 1));
    if (HasEmptyElement(value)) {
        Log(items, "Skipping parameter: value holds an empty element: \"" + std::string(text) + "\"");
        return LineOutcome::Skipped;
    }
    // The target marks a value it could not give in full; the sizes and values are then asked for.
    const bool requery = text.find("WARNING", close + 1) != std::string_view::npos;
    NVMParameter* record = items.AddParameter(groupIndex, name, value, {}, requery);
    if (!record) return LineOutcome::Ignored;
    record->state = ParameterState::Unchanged;
    return LineOutcome::Added;
}

}  // namespace

int ParseDumpAnswer(GroupItems& items, std::string_view answer, int groupIndex, int* skipped) {
    int added = 0;
    size_t position = 0;
    while (position != std::string_view::npos && position < answer.size()) {
        const size_t before = position;
        const std::string_view piece = NextPiece(answer, position);
        if (!piece.empty()) {
            const std::string_view line = DecodeValueView(piece);
            // A damaged piece decodes to nothing; its parameter would vanish without a word.
            LineOutcome outcome = LineOutcome::Skipped;
            if (TrimView(line).empty())
                Log(items, "Skipping parameter: piece could not be decoded: \"" + PieceHead(piece) + "\"");
            else
                outcome = ParseRecord(items, line, groupIndex);
            if (outcome == LineOutcome::Added) ++added;
            if (outcome == LineOutcome::Skipped && skipped) ++*skipped;
        }
        if (position != std::string_view::npos && position <= before) break;  // no progress: nothing more to find
    }
    if (added > 0) items.PrepareGroup(groupIndex);
    return added;
}

bool ParseDumpLine(GroupItems& items, std::string_view line, int groupIndex) {
    return ParseRecord(items, line, groupIndex) == LineOutcome::Added;
}

}  // namespace vtq
