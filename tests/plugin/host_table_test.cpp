#include "plugin/host_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace vtq {
namespace {

void VTQ_CALL Dummy() {}

// A host list of `n` slots, every one filled.
std::vector<vtq_host_fn> FullList(size_t n) { return std::vector<vtq_host_fn>(n, &Dummy); }

size_t FilledSlots(const HostTable& t) {
    size_t n = 0;
    while (n < VTQ_HOST_TABLE_SLOTS && t.functions[n] != nullptr) ++n;
    for (size_t i = n; i < VTQ_HOST_TABLE_SLOTS; ++i) EXPECT_EQ(t.functions[i], nullptr) << "slot " << i;
    return n;
}

TEST(HostTable, CopiesWholeSlotsOnly) {
    const auto list = FullList(300);
    struct Case {
        int32_t bytes;
        size_t slots;
    };
    const int32_t w = sizeof(vtq_host_fn);
    const Case cases[] = {
        {175 * w, 175},           // the short host list of the old 32-bit example: slot 175 stays null
        {175 * w + 1, 175},       // ends inside slot 175: that slot stays null
        {w - 1, 0},               // not even one whole slot
        {216 * w, 216},           // exactly the table
        {300 * w, 216},           // a longer list is cut at slot 215
        {0x7fffffff, 216},
    };
    for (const auto& c : cases) {
        HostTable t;
        t.SetFuncInterface(list.data(), c.bytes);
        EXPECT_EQ(FilledSlots(t), c.slots) << c.bytes << " bytes";
        EXPECT_EQ(t.CanRun(), c.slots > VTQ_SLOT_CHECK_CONNECTION) << c.bytes << " bytes";
    }
}

TEST(HostTable, BadArgumentsKeepThePreviousTable) {
    const auto list = FullList(216);
    HostTable t;
    t.SetFuncInterface(list.data(), 216 * sizeof(vtq_host_fn));
    t.SetFuncInterface(nullptr, 100);
    t.SetFuncInterface(list.data(), 0);
    t.SetFuncInterface(list.data(), -8);
    EXPECT_EQ(FilledSlots(t), 216u);
    // A later shorter list clears the higher slots.
    t.SetFuncInterface(list.data(), 10 * sizeof(vtq_host_fn));
    EXPECT_EQ(FilledSlots(t), 10u);
}

TEST(HostTable, CanRunNeedsBothSendReceiveAndCheckConnection) {
    HostTable t;
    EXPECT_FALSE(t.CanRun());
    t.functions[VTQ_SLOT_SEND_RECEIVE] = &Dummy;
    EXPECT_FALSE(t.CanRun());
    t.functions[VTQ_SLOT_CHECK_CONNECTION] = &Dummy;
    EXPECT_TRUE(t.CanRun());
    t.functions[VTQ_SLOT_SEND_RECEIVE] = nullptr;
    EXPECT_FALSE(t.CanRun());
}

// Host functions of a fake host, recording what the call sites pass.
struct Seen {
    std::string command;
    int timeout = 0;
    uint8_t echo = 9, echo2 = 9;
    int checkArg = 0;
    std::vector<std::pair<std::string, uint8_t>> lines;
} seen;

uint8_t VTQ_CALL FakeSendReceive(const char* cmd, vtq_answer* a, uint8_t echo, int timeout, uint8_t echo2,
                                 uint8_t* lost) {
    seen.command = cmd;
    seen.timeout = timeout;
    seen.echo = echo;
    seen.echo2 = echo2;
    const char text[] = "first";
    a->assign(a, text, 5);
    const char bytes[] = "x\0y\xff OK";
    a->assign(a, bytes, sizeof(bytes) - 1);  // the last text wins, every byte kept
    if (lost) *lost = 1;
    return 1;
}
uint8_t VTQ_CALL FakeCheck(int arg) {
    seen.checkArg = arg;
    return 1;
}
void VTQ_CALL FakeInfo(int id, char* buffer, int size) {
    if (id == 20) {
        std::string s(static_cast<size_t>(size) + 50, 'z');  // a host that ignores the size
        memcpy(buffer, s.data(), static_cast<size_t>(size));
    }
}
void VTQ_CALL FakeShowLine(const char* text, uint8_t flag) { seen.lines.emplace_back(text, flag); }

TEST(HostTableLink, CallsTheSlotsWithTheAgreedArguments) {
    HostTable t;
    t.functions[VTQ_SLOT_SEND_RECEIVE] = reinterpret_cast<vtq_host_fn>(&FakeSendReceive);
    t.functions[VTQ_SLOT_CHECK_CONNECTION] = reinterpret_cast<vtq_host_fn>(&FakeCheck);
    HostTableLink link(t);

    std::string answer;
    uint8_t lost = 0;
    EXPECT_TRUE(link.SendReceive("at@nvm:x?\r", answer, true, &lost));
    EXPECT_EQ(seen.command, "at@nvm:x?\r");
    EXPECT_EQ(seen.timeout, -1);
    EXPECT_EQ(seen.echo, 1);
    EXPECT_EQ(seen.echo2, 1);
    EXPECT_EQ(answer, std::string("x\0y\xff OK", 7));
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(link.CheckConnection());
    EXPECT_EQ(seen.checkArg, 1);

    std::string text = "old";
    EXPECT_FALSE(link.GetInfo(20, 2000, text)) << "a missing slot is not called";
    t.functions[VTQ_SLOT_BVI_GET_INFO] = reinterpret_cast<vtq_host_fn>(&FakeInfo);
    EXPECT_TRUE(link.GetInfo(20, 2000, text));
    EXPECT_EQ(text.size(), 2000u);
    EXPECT_TRUE(link.GetInfo(9, 2000, text));
    EXPECT_EQ(text, "");

    link.ShowLine("silent", 0);  // no show-line function: nothing happens
    t.showLine = &FakeShowLine;
    link.ShowLine("hello", 1);
    ASSERT_EQ(seen.lines.size(), 1u);
    EXPECT_EQ(seen.lines[0], (std::pair<std::string, uint8_t>{"hello", 1}));
}

TEST(HostTableLink, MissingSlotsFailQuietly) {
    HostTable t;
    HostTableLink link(t);
    std::string answer;
    EXPECT_FALSE(link.SendReceive("x\r", answer, false, nullptr));
    EXPECT_FALSE(link.CheckConnection());
}

}  // namespace
}  // namespace vtq
