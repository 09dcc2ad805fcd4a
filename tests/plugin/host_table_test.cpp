// The host's function table as the plug-in takes it: whole slots only, bad arguments ignored; the calls through it with
// the agreed arguments, missing slots never called, and an information buffer the host leaves unterminated.
#include "plugin/host_table.h"

#include <gtest/gtest.h>

namespace vtq {
namespace {

void VTQ_CALL Dummy() {}

size_t FilledSlots(const HostTable& t) {
    size_t n = 0;
    while (n < VTQ_HOST_TABLE_SLOTS && t.functions[n] != nullptr) ++n;
    for (size_t i = n; i < VTQ_HOST_TABLE_SLOTS; ++i) EXPECT_EQ(t.functions[i], nullptr) << "slot " << i;
    return n;
}

TEST(HostTable, CopiesWholeSlotsOnlyAndKeepsThePreviousTableOnBadArguments) {
    const std::vector<vtq_host_fn> list(300, &Dummy);
    const int32_t w = sizeof(vtq_host_fn);
    // Bytes, whole slots copied: a list ending inside slot 175 leaves it null, one with 180 slots has send-and-receive
    // without the connection check, a longer list is cut at slot 215.
    const std::pair<int32_t, size_t> cases[] = {{175 * w + 1, 175}, {180 * w, 180}, {216 * w, 216}, {0x7fffffff, 216}};
    for (const auto& [bytes, slots] : cases) {
        HostTable t;
        t.SetFuncInterface(list.data(), bytes);
        EXPECT_EQ(std::pair(FilledSlots(t), t.CanRun()), std::pair(slots, slots > VTQ_SLOT_CHECK_CONNECTION))
            << bytes << " bytes";
    }
    HostTable t;
    t.SetFuncInterface(list.data(), 216 * w);
    t.SetFuncInterface(nullptr, 100);
    t.SetFuncInterface(list.data(), -8);
    EXPECT_EQ(FilledSlots(t), 216u);
    t.SetFuncInterface(list.data(), 10 * w);  // a later shorter list clears the higher slots
    EXPECT_EQ(FilledSlots(t), 10u);
    t.functions[VTQ_SLOT_CHECK_CONNECTION] = &Dummy;
    EXPECT_FALSE(t.CanRun()) << "send-and-receive is missing";
}

struct Seen {
    std::string command;
    int timeout = 0, checkArg = 0;
    uint8_t echo = 9, echo2 = 9;
} seen;

uint8_t VTQ_CALL FakeSendReceive(const char* cmd, vtq_answer* a, uint8_t echo, int timeout, uint8_t echo2,
                                 uint8_t* lost) {
    seen = {cmd, timeout, 0, echo, echo2};
    a->assign(a, "first", 5);
    a->assign(a, "x\0y\xff OK", 7);  // the last text wins, every byte kept
    *lost = 1;
    return 1;
}
uint8_t VTQ_CALL FakeCheck(int arg) { return seen.checkArg = arg, 1; }
void VTQ_CALL FakeInfo(int id, char* buffer, int size) {
    if (id == 20) memset(buffer, 'z', static_cast<size_t>(size));  // a host that leaves no terminator
}

TEST(HostTableLink, CallsTheSlotsWithTheAgreedArgumentsAndMissingSlotsNever) {
    HostTable t;
    HostTableLink link(t);
    std::string answer, text = "old";
    EXPECT_FALSE(link.SendReceive("x\r", answer, false, nullptr));
    EXPECT_FALSE(link.CheckConnection());
    EXPECT_FALSE(link.GetInfo(20, 2000, text));
    link.ShowLine("silent", 0);

    t.functions[VTQ_SLOT_SEND_RECEIVE] = reinterpret_cast<vtq_host_fn>(&FakeSendReceive);
    t.functions[VTQ_SLOT_CHECK_CONNECTION] = reinterpret_cast<vtq_host_fn>(&FakeCheck);
    t.functions[VTQ_SLOT_BVI_GET_INFO] = reinterpret_cast<vtq_host_fn>(&FakeInfo);
    uint8_t lost = 0;
    EXPECT_TRUE(link.SendReceive("at@nvm:x?\r", answer, true, &lost));
    EXPECT_EQ(std::tuple(seen.command, seen.timeout, seen.echo, seen.echo2), std::tuple("at@nvm:x?\r", -1, 1, 1));
    EXPECT_EQ(std::tuple(answer, lost), std::tuple(std::string("x\0y\xff OK", 7), 1));
    EXPECT_TRUE(link.CheckConnection() && seen.checkArg == 1);
    EXPECT_TRUE(link.GetInfo(20, 2000, text) && text.size() == 2000u);
    EXPECT_TRUE(link.GetInfo(9, 2000, text) && text.empty());
}

}  // namespace
}  // namespace vtq
