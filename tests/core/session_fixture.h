#pragma once
// An editor session over a simulated modem image, for the tests of the operations.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "base/file_io.h"
#include "channel/long_operation.h"
#include "core/editor_session.h"
#include "core/group_list.h"
#include "core/read_groups.h"
#include "sim/image.h"
#include "support/scripted_user.h"
#include "support/sim_host.h"
#include "support/temp_dir.h"

namespace vtq::test {

// A file's bytes, or "<unreadable>".
inline std::string FileText(const std::string& path) {
    std::string data;
    return ReadWholeFile(path, data) ? data : "<unreadable>";
}

inline void PrintTo(const LoggedLine& l, std::ostream* os) { *os << "{\"" << l.text << "\", " << int(l.flag) << "}"; }

// The simulated modem, with a hook after every exchange (the host may close the window there).
class TapHost : public SimHost {
public:
    using SimHost::SimHost;
    std::function<void()> afterExchange;
    bool SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* lost) override {
        const bool ok = SimHost::SendReceive(command, answer, echo, lost);
        if (afterExchange) afterExchange();
        return ok;
    }
};

// Counts the record changes the grid would repaint, while it lives.
struct Changes : GroupItemsListener {
    explicit Changes(GroupItems& items) : items(items) { items.AddListener(this); }
    ~Changes() override { items.RemoveListener(this); }
    void RecordChanged(const NVMParameter&) override { ++count; }
    GroupItems& items;
    int count = 0;
};

class SessionTest : public ::testing::Test {
protected:
    // A session over the image, through a TapHost or a host derived from it.
    template <class TestHost = TapHost>
    void Open(const char* image) {
        std::string error;
        auto parsed = nvmsim::Image::Parse(image, error);
        ASSERT_TRUE(parsed) << error;
        session.reset();
        host = std::make_unique<TestHost>(parsed);
        session = std::make_unique<EditorSession>(
            *host, [this](const std::string& m) { decoderMessages.push_back(m); }, dir.File("Brevant.ini"));
        ASSERT_TRUE(session->Start());
        Fresh();
    }
    ReadGroupsResult Read(const std::string& groups) {
        SelectExactGroups(Items(), groups);
        return ReadGroups(*session, user);
    }
    void Fresh() {
        host->commands.clear();
        host->lines.clear();
        host->afterExchange = nullptr;
        user = ScriptedUser();
    }
    GroupItems& Items() { return session->Items(); }
    NVMParameter* Rec(const std::string& name) {
        GroupItem* group = Items().FindGroup(name.substr(0, name.find('.')));
        return group ? group->params.Find(name) : nullptr;
    }
    int CountState(ParameterState state) {
        int n = 0;
        for (NVMParameter* p : Items().View()) n += p->state == state ? 1 : 0;
        return n;
    }
    // What every run must leave behind, whatever ended it.
    void ExpectCleanEnd() {
        EXPECT_EQ(user.busyDepth, 0);
        EXPECT_TRUE(user.progressOpened == user.progressClosed && !user.progressOpen);
        EXPECT_EQ(Items().UpdateLock(), 0);
        EXPECT_TRUE(user.messages.empty());
    }

    TempDir dir;
    std::vector<std::string> decoderMessages;
    std::unique_ptr<TapHost> host;
    std::unique_ptr<EditorSession> session;
    ScriptedUser user;
};

}  // namespace vtq::test
