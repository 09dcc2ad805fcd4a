#include "channel/long_operation.h"

#include <gtest/gtest.h>

#include "channel/command_exchange.h"
#include "support/scripted_host.h"
#include "support/scripted_user.h"

namespace vtq {
namespace {

// A minimal operation in the shape every long operation has: one command per item.
int RunItems(Host& host, UserSide& user, int items, std::vector<std::string>* done = nullptr) {
    LongOperation op(host, user);
    if (!op.Begin()) return -1;
    op.OpenProgress(items);
    int count = 0;
    for (int i = 0; i < items; ++i) {
        op.SetPosition(i);
        op.SetStatus("item " + std::to_string(i));
        if (!op.Poll()) break;
        std::string answer;
        if (Exchange(host, "cmd" + std::to_string(i) + "\r", answer, false, op.LostFlag())) {
            ++count;
            if (done) done->push_back(answer);
        }
        if (op.Closing()) return count;
        if (op.TargetLost()) break;
    }
    if (op.Cancelled()) op.Log("cancelled");
    op.CloseProgress();
    op.Log(CountText(count, "item", "items"));
    op.End();
    return count;
}

TEST(LongOperation, NotConnectedSendsNothingShowsNothingAndRestoresBusy) {
    test::ScriptedHost host;
    test::ScriptedUser user;
    host.connected = false;
    EXPECT_EQ(RunItems(host, user, 3), -1);
    EXPECT_TRUE(host.commands.empty());
    EXPECT_TRUE(host.lines.empty());
    EXPECT_EQ(user.progressOpened, 0);
    EXPECT_EQ(user.busyDepth, 0);
}

TEST(LongOperation, TargetLostAtEveryCommandStopsAndReportsAfterTheSummary) {
    for (int k = 1; k <= 3; ++k) {
        test::ScriptedHost host;
        test::ScriptedUser user;
        host.responder = [](const std::string&, std::string& a) {
            a = "OK";
            return true;
        };
        host.loseTargetAt = k;
        const int count = RunItems(host, user, 3);
        EXPECT_EQ(count, k - 1);
        EXPECT_EQ(host.commands.size(), static_cast<size_t>(k)) << "no item starts after the loss";
        ASSERT_EQ(host.lines.size(), 2u);
        EXPECT_EQ(host.lines[0].flag, 1);
        EXPECT_EQ(host.lines[1], (test::LoggedLine{kTargetLostMessage, 0}));
        EXPECT_EQ(user.progressOpened, user.progressClosed);
        EXPECT_EQ(user.busyDepth, 0);
    }
}

TEST(LongOperation, CancelIsSeenAtTheNextPollBeforeTheNextCommand) {
    test::ScriptedHost host;
    test::ScriptedUser user;
    host.responder = [](const std::string&, std::string& a) {
        a = "OK";
        return true;
    };
    // Cancel arrives while the second item's command is in flight.
    host.onExchange = [&](int n) {
        if (n == 2) user.cancelled = true;
    };
    EXPECT_EQ(RunItems(host, user, 3), 2);
    EXPECT_EQ(host.commands.size(), 2u);
    EXPECT_EQ(host.Texts(), (std::vector<std::string>{"cancelled", "2 items"}));
    EXPECT_EQ(user.positions, (std::vector<int>{0, 0, 1, 2}));
    EXPECT_FALSE(user.progressOpen);
}

TEST(LongOperation, ClosingEndsWithoutAnyMessageEvenWhenTheTargetWasLost) {
    test::ScriptedHost host;
    test::ScriptedUser user;
    host.loseTargetAt = 1;
    host.onExchange = [&](int) { user.closing = true; };
    RunItems(host, user, 3);
    EXPECT_TRUE(host.lines.empty());
    EXPECT_FALSE(user.progressOpen);
    EXPECT_EQ(user.busyDepth, 0);
}

TEST(LongOperation, OneItemHidesTheBar) {
    test::ScriptedHost host;
    test::ScriptedUser user;
    RunItems(host, user, 1);
    EXPECT_FALSE(user.barVisible);
    EXPECT_EQ(user.range, 1);
    RunItems(host, user, 2);
    EXPECT_TRUE(user.barVisible);
}

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
    EXPECT_EQ(CountText(0, "item", "items"), "0 items");
    EXPECT_EQ(CountText(12, "group", "groups"), "12 groups");
}

}  // namespace
}  // namespace vtq
