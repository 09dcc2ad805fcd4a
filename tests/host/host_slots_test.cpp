// The C functions handed to the plug-in, called the way the plug-in calls them:
// the table's slots, the answer object, and an information buffer that gets
// at most its size. What the functions do with the target is tested on the
// link library's Host.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/host_slots.h"
#include "link/sim_link.h"

namespace nvmhost {
namespace {

struct SlotFixture : ::testing::Test {
    TargetSession session;
    std::vector<vtq_host_fn> table = MakeHostTable();
    std::vector<std::pair<std::string, int>> log;
    std::string answer = "untouched";
    vtq_answer object{sizeof(vtq_answer), &answer, [](vtq_answer* self, const char* text, size_t n) {
                          static_cast<std::string*>(self->owner)->assign(text, n);
                      }};

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(session.Attach(std::make_unique<SimLink>(""), error)) << error;
        Services().session = &session;
        Services().log = [this](const std::string& text, uint8_t flag) { log.emplace_back(text, flag); };
        Services().toolName = "nvmhost 9.9";
    }
    void TearDown() override { Services() = HostServices(); }
    uint8_t Send(const char* command, uint8_t* lost) {
        return reinterpret_cast<vtq_send_receive_fn>(table[VTQ_SLOT_SEND_RECEIVE])(command, &object, 1, -1, 1, lost);
    }
};

TEST_F(SlotFixture, SlotsReachTheSessionThroughTheTable) {
    EXPECT_EQ(table.size(), size_t(VTQ_HOST_TABLE_SLOTS));
    EXPECT_EQ(table[0], nullptr);
    uint8_t lost = 0;
    EXPECT_EQ(Send("AT+CGSN\r", &lost), 1);
    EXPECT_EQ(answer.substr(answer.size() - 4), "OK\r\n");
    EXPECT_EQ(log.front(), std::make_pair(std::string("> AT+CGSN"), 1));
    EXPECT_EQ(reinterpret_cast<vtq_check_connection_fn>(table[VTQ_SLOT_CHECK_CONNECTION])(1), 1);

    Services().session = nullptr;
    answer = "untouched";
    EXPECT_EQ(Send("AT\r", &lost), 0) << "no target";
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(answer, "untouched");
    EXPECT_EQ(Send(nullptr, nullptr), 0);
    EXPECT_EQ(reinterpret_cast<vtq_check_connection_fn>(table[VTQ_SLOT_CHECK_CONNECTION])(1), 0);
}

TEST_F(SlotFixture, GetInfoWritesAtMostTheBufferSize) {
    auto info = reinterpret_cast<vtq_bvi_get_info_fn>(table[VTQ_SLOT_BVI_GET_INFO]);
    char buf[8] = "xxxxxxx";
    info(VTQ_INFO_TOOL_NAME, buf, 5);
    EXPECT_STREQ(buf, "nvmh");
    EXPECT_EQ(buf[5], 'x');
    char big[2000] = {};
    info(VTQ_INFO_TARGET_DETAILS_2, big, sizeof big);
    EXPECT_EQ(std::string(big).rfind("Serial number: ", 0), 0u) << big;
    big[0] = 0;
    info(77, big, sizeof big);
    EXPECT_EQ(big[0], 0) << "no text: nothing written";
    info(VTQ_INFO_TOOL_NAME, nullptr, 10);
    info(VTQ_INFO_TOOL_NAME, buf, 0);
}

}  // namespace
}  // namespace nvmhost
