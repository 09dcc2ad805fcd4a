// Plug-in loading and the host window: a missing file, a library without every entry point or a target that cannot be
// reached gives a message and no crash; a plug-in reaches the simulated modem; the host closed while the plug-in waits;
// the slots.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>

#include "host/host_slots.h"
#include "host/host_window.h"
#include "link/sim_link.h"
#include "sim/faults.h"
#include "sim/modem.h"
#include "support/sim_server.h"

namespace nvmhost {

using targetlink::ByteLink;
using targetlink::SimLink;
using targetlink::TargetAddress;
using targetlink::TargetSession;
using targetlink::WaitResult;

namespace {

const std::string kBin = std::string(VTQ_BINARY_DIR) + "/bin/";
const std::string kFake = kBin + "libhost_fake_plugin.so";
const std::string kPartial = kBin + "libhost_partial_plugin.so";

struct FakeState {
    int shows = 0, closes = 0;
    const char* answer = "";
    uint8_t result = 0, lost = 0;
};

FakeState ReadFake() {
    FakeState s;
    void* lib = dlopen(kFake.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (lib == nullptr) return ADD_FAILURE() << "the fake plug-in is not loaded", s;
    using StateFn = void (*)(int*, int*, const char**, uint8_t*, uint8_t*);
    reinterpret_cast<StateFn>(dlsym(lib, "FakePluginState"))(&s.shows, &s.closes, &s.answer, &s.result, &s.lost);
    dlclose(lib);  // only drops the reference taken above
    return s;
}

struct HostWindowTest : ::testing::Test {
    static void SetUpTestSuite() {
        static int argc = 1;
        static char* argv[] = {const_cast<char*>("host_window_tests"), nullptr};
        if (!QApplication::instance()) new QApplication(argc, argv);
    }
};

TEST_F(HostWindowTest, WhatIsNotAPluginIsRejectedAPluginReachesTheModem) {
    HostWindow window;
    for (const auto& [path, reason] :
         {std::pair{kBin + "no_such_plugin.so", "no_such_plugin.so"}, std::pair{kPartial, "CloseMDIChildForm"}}) {
        EXPECT_FALSE(window.LoadPlugin(path));
        EXPECT_FALSE(window.plugin().Loaded() || window.plugin().CanRun());
        const QString last = window.logPane()->Lines().last();
        EXPECT_TRUE(last.contains(" E ") && last.contains(reason)) << last.toStdString();
    }
    window.plugin().ShowWindow(nullptr);  // nothing loaded: nothing called
    window.OpenEditor();                  // no plug-in: a message, nothing else

    TargetAddress unreachable;
    std::string error;
    ASSERT_TRUE(targetlink::ParseTargetAddress("tcp:127.0.0.1:1", unreachable, error)) << error;
    EXPECT_FALSE(window.ConnectTarget(unreachable) || window.LinkStateText().endsWith(": link up"));
    ASSERT_TRUE(window.ConnectTarget(TargetAddress()));
    ASSERT_TRUE(window.LoadPlugin(kFake));

    // The editor window opens at start; the plug-in's line for an answer.
    EXPECT_EQ(std::tuple(ReadFake().shows, window.logPane()->Lines().last().endsWith(" I groups read")),
              std::tuple(1, true));

    window.CloseEditor();
    EXPECT_EQ(ReadFake().closes, 1);

    // From the second command on the target gives no answer.
    auto* sim = dynamic_cast<SimLink*>(window.session().link());
    ASSERT_NE(sim, nullptr);
    sim->modem()->faults().loseAfter = 2;
    window.OpenEditor();
    const FakeState s = ReadFake();
    EXPECT_EQ(std::tuple(s.shows, s.result, s.lost), std::tuple(2, 0, 1));
    EXPECT_TRUE(window.LinkStateText().endsWith("target not answering"));
}

// The status line says whether the link is up: after a disconnect, a reconnect, and a server that goes away while
// nothing is sent (then at once).
TEST_F(HostWindowTest, TheStatusLineFollowsTheLink) {
    vtq::test::SimServer server;
    ASSERT_TRUE(server.Start(false));
    TargetAddress target;
    std::string error;
    ASSERT_TRUE(targetlink::ParseTargetAddress(server.Target(), target, error)) << error;
    HostWindow window;
    ASSERT_TRUE(window.ConnectTarget(target));
    // Disconnecting from the Target menu is shown as such; Reconnect brings the link up again.
    const auto menu = [&](const QString& entry) {
        for (QAction* action : window.findChildren<QAction*>())
            if (action->text() == entry) action->trigger();
    };
    menu("&Disconnect");
    EXPECT_TRUE(window.LinkStateText().endsWith(": link down")) << window.LinkStateText().toStdString();
    menu("&Reconnect");
    ASSERT_TRUE(window.LinkStateText().endsWith(": link up")) << window.LinkStateText().toStdString();
    server.Kill();
    QElapsedTimer waited;
    waited.start();
    while (!window.LinkStateText().endsWith("link down") && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(window.LinkStateText().endsWith(": link down")) << window.LinkStateText().toStdString();
}

// A link whose wait for an answer lets the host's events through, as a serial link inside a plug-in operation does, and
// runs `duringWait` the first time.
struct EventPassingLink : ByteLink {
    std::function<void()> duringWait;
    std::string answer;

    std::string Describe() const override { return "event-passing"; }
    bool Open(std::string&) override { return true; }
    void Close() override {}
    bool IsUp() const override { return true; }
    bool Send(const std::string&) override { return armed_ = true; }
    WaitResult Receive(std::string& out, int) override {
        if (!armed_) return WaitResult::Timeout;
        if (duringWait) std::exchange(duringWait, nullptr)();
        QCoreApplication::processEvents();
        out += std::exchange(answer, std::string());
        return out.empty() ? WaitResult::Timeout : WaitResult::Data;
    }
    bool armed_ = false;
};

TEST_F(HostWindowTest, ClosingTheHostWhileThePluginWaitsKeepsItLoaded) {
    HostWindow window;
    window.show();
    auto owned = std::make_unique<EventPassingLink>();
    EventPassingLink* link = owned.get();
    std::string error;
    ASSERT_TRUE(window.session().Attach(std::move(owned), error));
    link->answer = "\r\ngroup_a\r\nOK\r\n";
    int closesBefore = -1;
    bool loadedAfterClose = false, unloadRefused = false, reloadRefused = false;
    link->duringWait = [&] {
        closesBefore = ReadFake().closes;
        window.close();  // the user closes the host while the editor reads its groups
        loadedAfterClose = window.plugin().Loaded();
        unloadRefused = !window.UnloadPlugin() && window.plugin().Loaded();
        reloadRefused = !window.LoadPlugin(kFake) && window.plugin().Loaded();
    };
    ASSERT_TRUE(window.LoadPlugin(kFake));  // returns only if the plug-in's code stayed mapped

    EXPECT_TRUE(!window.isVisible() && loadedAfterClose && unloadRefused && reloadRefused);
    // The editor window is closed at once; the interrupted read still gets its answer.
    const FakeState s = ReadFake();
    EXPECT_EQ(std::tuple(s.closes, s.result, std::string(s.answer), window.plugin().WindowShown()),
              std::tuple(closesBefore + 1, 1, "group_a\r\nOK\r\n", false));

    EXPECT_TRUE(window.UnloadPlugin()) << "outside the plug-in and the event loop it can go";
    EXPECT_FALSE(window.plugin().Loaded());
}

// The C functions handed to the plug-in, called the way the plug-in calls them.
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
    uint8_t Check() { return reinterpret_cast<vtq_check_connection_fn>(table[VTQ_SLOT_CHECK_CONNECTION])(1); }
};

TEST_F(SlotFixture, SlotsReachTheSessionAndInfoGetsAtMostTheBufferSize) {
    uint8_t lost = 0;
    // Braces: the parts are taken in order, the send first.
    EXPECT_EQ((std::tuple{Send("AT+CGSN\r", &lost), answer.substr(answer.size() - 4), log.front(), Check()}),
              std::tuple(1, "OK\r\n", std::make_pair(std::string("> AT+CGSN"), 1), 1));

    auto info = reinterpret_cast<vtq_bvi_get_info_fn>(table[VTQ_SLOT_BVI_GET_INFO]);
    char buf[8] = "xxxxxxx";
    info(VTQ_INFO_TOOL_NAME, buf, 5);
    EXPECT_EQ(std::string(buf, 7), std::string("nvmh\0xx", 7));
    info(VTQ_INFO_TOOL_NAME, nullptr, 10);
    info(VTQ_INFO_TOOL_NAME, buf, 0);
    EXPECT_STREQ(buf, "nvmh") << "no room: nothing written";
    info(VTQ_INFO_TOOL_NAME, buf, 1);
    EXPECT_EQ(buf[0], 0) << "room for the terminator alone";
    object.struct_size = sizeof(vtq_answer) - 1;  // an answer object of another layout is not written to
    answer = "untouched";
    EXPECT_EQ(std::pair(Send("AT\r", &lost), answer), std::pair(uint8_t{1}, std::string("untouched")));

    Services().session = nullptr;
    answer = "untouched";
    EXPECT_EQ((std::tuple{Send("AT\r", &lost), lost, answer, Send(nullptr, nullptr)}),
              std::tuple(uint8_t{0}, uint8_t{1}, "untouched", uint8_t{0}))
        << "no target";
    // A failed connection check ends the operation before it sends anything.
    EXPECT_EQ(Check(), 0);
    Services().session = &session;
    dynamic_cast<SimLink*>(session.link())->modem()->faults().errorPattern = "^AT";
    EXPECT_EQ(Check(), 0);
}

}  // namespace
}  // namespace nvmhost
