#pragma once
// A session over a small simulated modem, read in full, for the safety tests.

#include <fstream>
#include <tuple>

#include "core/session_fixture.h"

namespace vtq::test {

// View order: cal_b.mode, fix_a.gain, fix_a.label, fix_a.lut.
inline constexpr const char* kSafetyImage = R"(naming indexed
group fix_a 1
  uint16 gain = 12
  uint16 lut[4] = 1, 2, 3, 4
  string label[8] = "hi"
end
group cal_b 2
  uint8 mode = 2
end
)";

class SafetyTest : public SessionTest {
protected:
    void SetUp() override {
        Open(kSafetyImage);
        ASSERT_EQ(Read("cal_b,fix_a").total, 4);
        host->lines.clear();
    }
    std::string File(const std::string& text) {
        const std::string path = dir.File("load" + std::to_string(files++) + ".nvm");
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // Every record held: name, value, type, state.
    using Held = std::vector<std::tuple<std::string, std::string, std::string, int>>;
    Held All() {
        Held held;
        for (int g = 0; g < Items().GroupCount(); ++g)
            for (const NVMParameter* p : Items().Group(g)->params)
                held.emplace_back(p->name, p->value, p->type, static_cast<int>(p->state));
        return held;
    }
    int files = 0;
};

}  // namespace vtq::test
