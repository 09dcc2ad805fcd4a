// Any input as the naming presets file: read, written and read again. There
// is always a preset, the names are unique, no preset names an RF group twice
// (its array would be exported twice), and the written file reads back to as
// many presets with the same names. Clashing names are renamed in linear time:
// campaigns run with -max_len=262144, where thousands of presets of one name fit.

#include <cstdint>
#include <set>
#include <string>

#include "base/text.h"
#include "defaults/naming_presets.h"
#include "fuzz_checks.h"

using fuzzcheck::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    vtq::NamingPresets presets;
    presets.LoadText(input, nullptr);
    Check(presets.Count() >= 1 && presets.CurrentIndex() == 0, "no preset, or not the first one current");
    const std::vector<std::string> names = presets.Names();
    Check(std::set<std::string>(names.begin(), names.end()).size() == names.size(), "a preset name twice");
    for (int i = 0; i < presets.Count(); ++i) {
        const std::vector<std::string>& groups = presets.Preset(i).RFGroups;
        Check(!groups.empty(), "a preset without RF groups");
        Check(std::set<std::string, vtq::TextLess>(groups.begin(), groups.end()).size() == groups.size(),
              "a preset names an RF group twice");
    }

    vtq::NamingPresets again;
    Check(again.LoadText(presets.Text(), nullptr), "the written presets do not read");
    Check(again.Names() == names, "the written presets read back other names");
    for (int i = 0; i < presets.Count(); ++i) {
        const vtq::NamingPreset& a = presets.Preset(i);
        const vtq::NamingPreset& b = again.Preset(i);
        Check(a.FilePrepend == b.FilePrepend && a.ArrayPostpend == b.ArrayPostpend &&
                  a.RFForceGroups == b.RFForceGroups && a.GroupRenames == b.GroupRenames,
              "a written preset reads back changed", a.Name);
    }
    return 0;
}
