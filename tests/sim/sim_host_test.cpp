// The tests' host over the in-process modem: what editor tests rely on.

#include <gtest/gtest.h>

#include "support/sim_host.h"

namespace vtq::test {
namespace {

TEST(SimHost, ExchangesLoseTheTargetAndReportsDetails) {
    SimHost host(VTQ_SOURCE_DIR "/sim/images/small.img");
    std::string answer, text;
    uint8_t lost = 0;
    ASSERT_TRUE(host.SendReceive("at@nvm:fix_small.gain?\r", answer, false, &lost));
    EXPECT_EQ(answer, "12\r\nOK\r\n");
    host.echoCommands = true;
    ASSERT_TRUE(host.SendReceive("AT\r", answer, true, &lost));
    EXPECT_EQ(answer, "AT\r\nOK\r\n");

    ASSERT_TRUE(host.GetInfo(9, 2000, text));
    EXPECT_EQ(text, "Simulated Modems\nNVM-SIM small");
    ASSERT_TRUE(host.GetInfo(10, 5, text));
    EXPECT_EQ(text, "Revi") << "cut to the buffer, terminator included";
    EXPECT_EQ(host.modem().commandCount(), 2) << "details come without commands";

    host.faults().loseAfter = 3;
    EXPECT_TRUE(host.CheckConnection());
    EXPECT_FALSE(host.SendReceive("AT\r", answer, false, &lost));
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(host.CheckConnection());
    EXPECT_EQ(host.commands.size(), 3u);
}

}  // namespace
}  // namespace vtq::test
