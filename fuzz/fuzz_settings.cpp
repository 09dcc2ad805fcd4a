// Any input as the settings file shared with the host tool: read, then both keys of the editor written and read
// back. What must hold: a written value reads back exactly, one that would break its line is refused, and every
// other line of the file survives in its order.

#include "base/file_io.h"
#include "base/text.h"
#include "core/settings.h"
#include "fuzz_checks.h"

using fuzzcheck::Check;

namespace {

// True when `sub` is `all` with some lines left out, the others in order.
bool KeptInOrder(const std::vector<std::string>& sub, const std::vector<std::string>& all) {
    size_t i = 0;
    for (const std::string& line : all)
        if (i < sub.size() && line == sub[i]) ++i;
    return i == sub.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzzcheck::WorkFolder() + "/Brevant.ini";
    Check(vtq::WriteFileAtomically(path, input), "the settings file cannot be written");
    vtq::EditorSettings settings = vtq::LoadSettings(path);

    // The selection: the input's last line cut at its commas, as group names.
    const size_t last = input.rfind('\n', size > 0 ? size - 2 : 0);
    const std::string tail = input.substr(last == std::string::npos ? 0 : last + 1);
    std::vector<std::string> names;
    for (size_t b = 0; b <= tail.size() && names.size() < 8;) {
        size_t e = tail.find(',', b);
        if (e == std::string::npos) e = tail.size();
        names.push_back(tail.substr(b, e - b));
        b = e + 1;
    }
    const std::string wanted = vtq::JoinCommaText(names);
    const bool breaksLine = wanted.find_first_of("\r\n") != std::string::npos;

    const std::vector<std::string> oldLines = vtq::SplitLines(input);  // the file as written
    const bool saved = vtq::SaveSelection(settings, names, path);
    Check(!breaksLine || !saved, "a selection holding a line break was written");
    if (!saved) return 0;  // refused, or a key the section's lines cannot take (such as a key name with '=')
    std::string after;
    Check(vtq::ReadWholeFile(path, after), "the written settings file cannot be read");
    const std::vector<std::string> newLines = vtq::SplitLines(after);
    Check(newLines.size() <= oldLines.size() + 3, "the write added more than a key, a section and a blank line");
    // Every old line but the one of the key stays, in its order.
    std::vector<std::string> others;
    for (const std::string& line : oldLines) {
        const std::string key = vtq::Trim(std::string_view(line).substr(0, line.find('=')));
        if (!vtq::SameText(key, vtq::kSelectedGroupsKey)) others.push_back(line);
    }
    Check(KeptInOrder(others, newLines), "a line of the settings file was lost or moved by the write");

    vtq::EditorSettings again = vtq::LoadSettings(path);
    Check(again.storedSelection == wanted, "the stored selection reads back changed", wanted);
    Check(again.writeOnTheFly == settings.writeOnTheFly, "writing the selection changed the mode");

    settings.writeOnTheFly = !settings.writeOnTheFly;
    Check(vtq::SaveModeIfChanged(settings, path), "the mode was not written");
    Check(vtq::LoadSettings(path).writeOnTheFly == settings.writeOnTheFly, "the mode reads back changed");
    Check(vtq::LoadSettings(path).storedSelection == wanted, "writing the mode changed the selection");
    return 0;
}
