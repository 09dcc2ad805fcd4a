// The serial link against "nvmsim --pty" and the TCP link against "nvmsim --tcp". A new client finds the modem as
// the last one left it: the nvmtool walk in tests/cli.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <memory>
#include <tuple>

#include "link/qt_links.h"
#include "link/target_session.h"
#include "sim/modem.h"
#include "support/sim_server.h"

namespace targetlink {
namespace {

// The modem's answer in-process, without its empty lines.
std::string InProcessAnswer(const std::string& command) {
    std::string error, out;
    auto modem = nvmsim::Modem::FromImageFile(nvmsim::Modem::DefaultImagePath(), error);
    const std::string wire = modem ? modem->Execute(command) : "no image: " + error;
    for (size_t start = 0, end; start < wire.size(); start = end + 2) {
        end = std::min(wire.find("\r\n", start), wire.size());
        if (end > start) out += wire.substr(start, end - start) + "\r\n";
    }
    return out;
}

using Framing = std::tuple<bool, const char*, const char*>;  // pty (or TCP), echo, place of the unsolicited code

class NvmsimLinkTest : public ::testing::TestWithParam<Framing> {
protected:
    void SetUp() override {
        if (!QFileInfo(vtq::test::kNvmsimPath).isExecutable()) GTEST_SKIP() << "nvmsim is not built";
    }
    bool Connect(const QStringList& args) {
        const auto [pty, echo, place] = GetParam();
        if (!server.Start(pty, QStringList{"--echo", echo} + args)) return false;
        std::string error;
        std::unique_ptr<ByteLink> link;
        if (pty) link = std::make_unique<SerialLink>(server.endpoint(), 115200);
        else link = std::make_unique<TcpLink>("127.0.0.1", std::stoi(server.endpoint()));
        link->SetListener([this] { session.DrainIdle(); }, [this] { ++lostCalls; session.LinkLost(); });
        const bool ok = session.Attach(std::move(link), error);
        EXPECT_TRUE(ok) << error;
        session.SetTimeoutMs(5000);
        return ok;
    }

    int argc = 1;
    char arg0[8] = "test";
    char* argv[1] = {arg0};
    QCoreApplication app{argc, argv};
    vtq::test::SimServer server;
    TargetSession session;
    int lostCalls = 0;
};

// Runs the event loop for `ms`; returns the CPU time used meanwhile, small unless a dead link is polled in a loop.
double Spin(int ms) {
    const std::clock_t start = std::clock();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

TEST_P(NvmsimLinkTest, AnswersMatchTheInProcessModem) {
    ASSERT_TRUE(Connect({"--urc", "+CREG: 1", "--urc-place", std::get<2>(GetParam()), "--chunk-bytes", "1"}));
    for (const std::string command : {"at@nvm:$nvm_groups??", "ATI", "at@nvm:dump_csv_add(\"fix_band_sel\")"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(session.Exchange(command + "\r").answer, InProcessAnswer(command));
    }
    EXPECT_TRUE(session.CheckConnection());
}

class NvmsimFaultTest : public NvmsimLinkTest {};

TEST_P(NvmsimFaultTest, HangUpDuringACommand) {
    ASSERT_TRUE(Connect({"--hangup-after", "2"}));
    EXPECT_TRUE(session.Exchange("ATI\r").answered && session.Exchange("ATI\r").lost);
    EXPECT_EQ(session.State(), LinkState::Down) << "noticed as a loss, not waited out as a time-out";
    EXPECT_FALSE(session.CheckConnection());
}

TEST_P(NvmsimFaultTest, ServerGoneBetweenCommands) {
    ASSERT_TRUE(Connect({}));
    EXPECT_TRUE(session.Exchange("ATI\r").answered);
    server.Kill();
    EXPECT_LT(Spin(300), 0.1) << "a dead link is not polled";
    EXPECT_EQ(std::pair(lostCalls, session.State()), std::pair(1, LinkState::Down));
    EXPECT_TRUE(session.Exchange("ATI\r").lost);
}

std::string FramingName(const ::testing::TestParamInfo<Framing>& info) {
    const auto [pty, echo, place] = info.param;
    return std::string(pty ? "Pty" : "Tcp") + "Echo" + echo + "Urc" + place;
}

INSTANTIATE_TEST_SUITE_P(Framings, NvmsimLinkTest,
                         ::testing::Values(Framing{true, "1", "before"}, Framing{false, "0", "inside"},
                                           Framing{false, "1", "after"}),
                         FramingName);
INSTANTIATE_TEST_SUITE_P(Framings, NvmsimFaultTest,
                         ::testing::Values(Framing{true, "0", "none"}, Framing{false, "1", "none"}), FramingName);

}  // namespace
}  // namespace targetlink
