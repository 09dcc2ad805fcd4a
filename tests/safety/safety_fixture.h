#pragma once
// A session over a small simulated modem, read in full, for the safety tests.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/editor_session.h"
#include "core/group_list.h"
#include "core/read_groups.h"
#include "model/group_items.h"
#include "sim/image.h"
#include "support/scripted_user.h"
#include "support/sim_host.h"
#include "support/temp_dir.h"

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

class SafetyTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        host = std::make_unique<SimHost>(nvmsim::Image::Parse(kSafetyImage, error));
        session = std::make_unique<EditorSession>(*host, nullptr, dir.File("Brevant.ini"));
        ASSERT_TRUE(session->Start());
        SelectExactGroups(Items(), "cal_b,fix_a");
        ASSERT_EQ(ReadGroups(*session, user).total, 4);
        host->lines.clear();
    }
    GroupItems& Items() { return session->Items(); }
    NVMParameter* Rec(const std::string& name) {
        GroupItem* group = Items().FindGroup(name.substr(0, name.find('.')));
        return group ? group->params.Find(name) : nullptr;
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

    TempDir dir;
    std::unique_ptr<SimHost> host;
    std::unique_ptr<EditorSession> session;
    ScriptedUser user;
    int files = 0;
};

}  // namespace vtq::test
