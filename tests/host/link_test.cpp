// The serial and TCP links under the session, against a modem played by a
// thread: answers cut into single bytes, echo, unsolicited lines, time-out,
// and a link that goes away.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <ctime>
#include <memory>

#include "fake_modem.h"
#include "host/qt_links.h"
#include "host/target_session.h"

namespace nvmhost {
namespace {

using test::Bytewise;
using test::FakeModem;

std::vector<std::string> Answer(const std::string& command) {
    if (command == "at@nvm:silent?") return {};
    if (command == "at@nvm:hang?") return {"5\r\n", "<close>"};
    if (command == "at@nvm:urc?") return Bytewise(command + "\r\r\n+CREG: 1\r\n5\r\n+CEREG: 2\r\n6\r\nOK\r\n");
    if (command == "at@nvm:err=1") return Bytewise("\r\n+CME ERROR: 21\r\n");
    return Bytewise(command + "\r\r\nline of " + command + "\r\n\r\nOK\r\n");
}

struct LinkCase {
    FakeModem::Kind kind;
    const char* name;
};

class LinkTest : public ::testing::TestWithParam<LinkCase> {
protected:
    void SetUp() override {
        modem = std::make_unique<FakeModem>(GetParam().kind, &Answer);
        std::unique_ptr<QtLinkBase> link;
        if (GetParam().kind == FakeModem::Kind::Pty) {
            link = std::make_unique<SerialLink>(modem->device(), 115200);
        } else {
            link = std::make_unique<TcpLink>("127.0.0.1", modem->port());
        }
        link->SetListener([this] { session.DrainIdle(); },
                          [this] {
                              ++lostCalls;
                              session.LinkLost();
                          });
        std::string error;
        ASSERT_TRUE(session.Attach(std::move(link), error)) << error;
        session.SetTimeoutMs(400);
        session.SetLog([this](const std::string& text, uint8_t) { log.push_back(text); });
    }
    // Runs the event loop for `ms`; returns the CPU time the process used meanwhile,
    // which stays small unless something polls in a loop.
    double Spin(int ms) {
        const std::clock_t start = std::clock();
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
        return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    }

    int argc = 1;
    char arg0[8] = "test";
    char* argv[1] = {arg0};
    QCoreApplication app{argc, argv};
    std::unique_ptr<FakeModem> modem;
    TargetSession session;
    std::vector<std::string> log;
    int lostCalls = 0;
};

TEST_P(LinkTest, ByteByByteAnswersWithEchoAndUnsolicitedCodes) {
    ExchangeResult r = session.Exchange("at@nvm:a?\r");
    ASSERT_TRUE(r.answered);
    EXPECT_EQ(r.answer, "line of at@nvm:a?\r\nOK\r\n");

    r = session.Exchange("at@nvm:urc?\r");
    ASSERT_TRUE(r.answered);
    EXPECT_EQ(r.answer, "5\r\n6\r\nOK\r\n");
    EXPECT_EQ(log, (std::vector<std::string>{"Unsolicited: +CREG: 1", "Unsolicited: +CEREG: 2"}));

    r = session.Exchange("at@nvm:err=1\r");
    ASSERT_TRUE(r.answered);
    EXPECT_EQ(r.answer, "+CME ERROR: 21\r\n");

    log.clear();
    modem->Push("\r\nRING\r\n");
    Spin(200);
    EXPECT_EQ(log, std::vector<std::string>{"Unsolicited: RING"}) << "read between commands";
}

TEST_P(LinkTest, TimeOutKeepsTheLinkUp) {
    ExchangeResult r = session.Exchange("at@nvm:silent?\r");
    EXPECT_TRUE(r.lost);
    EXPECT_EQ(session.State(), LinkState::NotAnswering);
    r = session.Exchange("at@nvm:b?\r");
    EXPECT_TRUE(r.answered);
    EXPECT_EQ(session.State(), LinkState::Up);
}

TEST_P(LinkTest, LostLinkGoesDownOnceAndStaysQuiet) {
    ExchangeResult r = session.Exchange("at@nvm:hang?\r");
    EXPECT_TRUE(r.lost);
    EXPECT_EQ(session.State(), LinkState::Down);
    EXPECT_LT(Spin(300), 0.1) << "a dead link is not polled";
    EXPECT_LE(lostCalls, 1);
    EXPECT_FALSE(session.link()->IsUp());
    EXPECT_FALSE(session.CheckConnection());
}

TEST_P(LinkTest, LossBetweenCommandsIsNoticed) {
    ASSERT_TRUE(session.Exchange("at@nvm:a?\r").answered);
    modem->Hang();
    EXPECT_LT(Spin(300), 0.1) << "a dead link is not polled";
    EXPECT_EQ(lostCalls, 1);
    EXPECT_EQ(session.State(), LinkState::Down);
    EXPECT_TRUE(session.Exchange("at@nvm:a?\r").lost);
}

INSTANTIATE_TEST_SUITE_P(Links, LinkTest,
                         ::testing::Values(LinkCase{FakeModem::Kind::Pty, "Serial"}, LinkCase{FakeModem::Kind::Tcp, "Tcp"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nvmhost
