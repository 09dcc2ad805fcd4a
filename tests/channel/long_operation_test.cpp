#include "channel/long_operation.h"

#include <gtest/gtest.h>

#include "support/scripted_host.h"
#include "support/scripted_user.h"

namespace vtq {
namespace {

// The steps of a long operation are tested through the operations that use them (read, write, commit, the
// default dumps) against the simulated modem: not connected, target lost at every command, cancel, closing.
// Here only what no operation reaches: an operation left early restores the user side on its own.
TEST(LongOperation, DestructorRestoresEverythingOnAnEarlyExit) {
    test::ScriptedHost host;
    test::ScriptedUser user;
    {
        LongOperation op(host, user);
        ASSERT_TRUE(op.Begin());
        op.OpenProgress(5);
        *op.LostFlag() = 1;
    }
    EXPECT_EQ(user.busyDepth, 0);
    EXPECT_FALSE(user.progressOpen);
    EXPECT_EQ(host.Texts(), (std::vector<std::string>{kTargetLostMessage}));
}

TEST(CountText, SingularAndPlural) {
    EXPECT_EQ(CountText(1, "item", "items"), "1 item");
    EXPECT_EQ(CountText(0, "group", "groups"), "0 groups");
}

}  // namespace
}  // namespace vtq
