// Any input as a default-values header: read for its index, constants and
// arrays, each array cut into value chunks with constants replaced, and the
// whole text used as an old header for the RF merge.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "defaults/header_reader.h"
#include "defaults/naming_presets.h"
#include "defaults/rf_export.h"
#include "support/scripted_host.h"
#include "support/scripted_user.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Answers every pick with the first item, every question with No.
class FirstPickUser : public vtq::test::ScriptedUser {
public:
    bool PickFromList(const std::string&, const std::vector<std::string>&, bool, std::vector<int>& picked) override {
        picked = {0};
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    vtq::test::ScriptedHost host;  // a target that never answers
    host.connected = false;
    host.loseTargetAt = 1;
    FirstPickUser user;
    vtq::DefaultGroupList records;
    vtq::HeaderConstants constants;
    vtq::ParseDefaultHeaderText(input, host, records, constants);
    for (const auto& r : records) {
        Check(!r.DataText.empty());
        size_t cursor = 0;
        for (int guard = 0;; ++guard) {
            Check(guard <= static_cast<int>(r.DataText.size()) + 1);
            const vtq::ValueChunk chunk = vtq::NextValueChunk(r.DataText, cursor);
            Check(chunk.count <= vtq::kChunkValues && chunk.text.size() <= vtq::kChunkText + 1);
            Check(cursor <= r.DataText.size());
            vtq::ReplaceConstants(chunk.text, constants);
            if (chunk.exhausted || chunk.text.empty()) break;
        }
    }

    // The same text as the old header of a merge of three small arrays.
    std::string buffer = input;
    vtq::DefaultGroupList three = {{1, "cal_x", "", "U16", "t_calib_", "1, 2"},
                                   {2, "fix_x", "", "U16", "t_fixed_", "0x10, -3, 4, 5, 6, 7, 8, 9, 10, 11"},
                                   {3, "set_x", "", "U16", "t_setcal_", "GAIN"}};
    vtq::MergeDefaultsIntoText(host, user, vtq::NamingPreset(), "old.h", buffer, three);
    return 0;
}
