#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "link/at_framer.h"
#include "link/link_host.h"
#include "link/target_address.h"
#include "link/target_session.h"
#include "vtq/host_api.h"

namespace targetlink {
namespace {

// Hands out scripted receive results once a command went out; every Receive
// takes the next step. `before` is what was already there before the command.
class ScriptedLink : public ByteLink {
public:
    using Step = std::pair<WaitResult, std::string>;
    std::deque<Step> steps;
    std::string before;
    int beforeDueMs = 0;  // `before` arrives this long into a wait: a shorter Receive does not get it
    std::vector<std::string> sent;
    bool up = true, armed = false;
    int waitedMs = 0;
    int chatter = 0;  // lines sent once the steps ran out, one a millisecond, none a final code

    std::string Describe() const override { return "scripted"; }
    bool Open(std::string&) override { return up; }
    void Close() override { up = false; }
    bool IsUp() const override { return up; }
    bool Send(const std::string& bytes) override {
        sent.push_back(bytes);
        armed = true;
        return up;
    }
    WaitResult Receive(std::string& out, int timeoutMs) override {
        if (!armed && !before.empty() && timeoutMs >= beforeDueMs) {
            out += std::exchange(before, {});
            return WaitResult::Data;
        }
        if (armed && steps.empty() && chatter > 0) {
            --chatter;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            out += "5\r\n";
            return WaitResult::Data;
        }
        if (!armed || steps.empty()) {
            if (armed) waitedMs += timeoutMs;
            return WaitResult::Timeout;
        }
        const Step s = steps.front();
        steps.pop_front();
        out += s.second;
        if (s.first == WaitResult::Lost) up = false;
        return s.first;
    }
};

struct SessionFixture : ::testing::Test {
    TargetSession session;
    ScriptedLink* link = nullptr;

    void SetUp() override {
        auto owned = std::make_unique<ScriptedLink>();
        link = owned.get();
        std::string error;
        ASSERT_TRUE(session.Attach(std::move(owned), error));
        ASSERT_EQ(session.State(), LinkState::Up);
        session.SetTimeoutMs(200);
    }
    void Script(std::initializer_list<ScriptedLink::Step> steps) {
        link->steps.assign(steps);
        link->armed = false;
    }
};

TEST_F(SessionFixture, TimeOutAndLossMeanTargetLost) {
    Script({{WaitResult::Data, "5\r\n"}});
    ExchangeResult r = session.Exchange("at@nvm:x?");
    EXPECT_EQ(std::tuple(r.answered, r.lost, session.State()), std::tuple(false, true, LinkState::NotAnswering));
    EXPECT_LE(link->waitedMs, 200) << "one overall time-out, not one per chunk";

    // The "AT" after the time-out is answered; nothing waits before the command goes out.
    Script({{WaitResult::Data, "OK\r\n"}, {WaitResult::Data, "5\r\n"}, {WaitResult::Lost, ""}});
    EXPECT_TRUE(session.Exchange("at@nvm:x?").lost);
    EXPECT_EQ(session.State(), LinkState::Down);
    EXPECT_TRUE(session.Exchange("at@nvm:x?").lost);  // without sending
    EXPECT_EQ(link->sent, (std::vector<std::string>{"at@nvm:x?\r", "AT\r", "at@nvm:x?\r"}))
        << "nothing is sent over a link that is down";
}

TEST_F(SessionFixture, ATargetThatKeepsTalkingWithoutAFinalCodeStillTimesOut) {
    link->chatter = 5000;
    Script({});
    EXPECT_TRUE(session.Exchange("at@nvm:x?").lost);
    EXPECT_GT(link->chatter, 4000) << "given up at the time-out, not once the target went quiet";
}

TEST_F(SessionFixture, LateAnswerIsNotTakenForTheNextCommand) {
    Script({});
    EXPECT_TRUE(session.Exchange("at@nvm:a?").lost);
    link->before = "\r\n1\r\nOK\r\n";
    link->beforeDueMs = 50;
    Script({{WaitResult::Data, "\r\nOK\r\n"}, {WaitResult::Data, "\r\n2\r\nOK\r\n"}});
    EXPECT_EQ((std::tuple{session.Exchange("at@nvm:b?").answer, session.State()}),  // braces: in this order
              std::tuple("2\r\nOK\r\n", LinkState::Up));

    link->sent.clear();
    Script({{WaitResult::Data, "\r\n2\r\nOK\r\n"}});
    EXPECT_TRUE(session.Exchange("at@nvm:b?").answered);
    EXPECT_EQ(link->sent, std::vector<std::string>{"at@nvm:b?\r"}) << "no resynchronising after an answer";

    // A target that stays silent does not get the command at all.
    Script({});
    EXPECT_TRUE(session.Exchange("at@nvm:a?").lost);
    link->sent.clear();
    EXPECT_TRUE(session.Exchange("at@nvm:b?").lost);
    EXPECT_EQ(std::tuple(link->sent, session.State()),
              std::tuple(std::vector<std::string>{"AT\r"}, LinkState::NotAnswering));
}

// With echo on, only lines after the command's own echo answer it. An echo of another command, or a final
// code outside an answer, means the link lost step: the stale code is never taken, and the next command goes
// out only after the line went quiet and an "AT" was answered.
TEST_F(SessionFixture, AnswersOutOfStepAreNotTakenAndTheLinkIsResynchronised) {
    using S = ScriptedLink::Step;
    const S quiet{WaitResult::Timeout, ""};
    const std::tuple<const char*, std::vector<S>, bool, std::string> cases[] = {  // what, wire, answered, answer
        {"second final code", {{WaitResult::Data, "at@nvm:x=1\r\r\nERROR\r\n\r\nOK\r\n"}}, true, "ERROR\r\n"},
        {"another command's echo and code first",
         {{WaitResult::Data, "at@nvm:y=2\r\r\nOK\r\nat@nvm:x=1\r\r\nERROR\r\n"}}, true, "ERROR\r\n"},
        {"a stale code and no echo", {{WaitResult::Data, "\r\nOK\r\n"}, quiet}, false, ""},
    };
    Script({{WaitResult::Data, "AT\r\r\nOK\r\n"}});
    ASSERT_TRUE(session.CheckConnection());
    for (const auto& [what, wire, answered, answer] : cases) {
        SCOPED_TRACE(what);
        std::vector<S> steps = wire;
        for (const S& s : {quiet, quiet, S{WaitResult::Data, "AT\r\r\nOK\r\n"}, S{WaitResult::Data, "at@nvm:z?\r\r\n5\r\nOK\r\n"}})
            steps.push_back(s);
        link->steps.assign(steps.begin(), steps.end());
        link->armed = false;
        link->sent.clear();
        const ExchangeResult r = session.Exchange("at@nvm:x=1");
        EXPECT_EQ(std::tuple(r.answered, r.answer), std::tuple(answered, answer));
        EXPECT_EQ(session.Exchange("at@nvm:z?").answer, "5\r\nOK\r\n");
        EXPECT_EQ(link->sent, (std::vector<std::string>{"at@nvm:x=1\r", "AT\r", "at@nvm:z?\r"}));
    }
    // Echo off from ATE0 on: answers without an echo are taken again.
    Script({{WaitResult::Data, "ATE0\r\r\nOK\r\n"}, quiet, {WaitResult::Data, "\r\n7\r\nOK\r\n"}});
    EXPECT_TRUE(session.Exchange("ATE0").answered);
    EXPECT_EQ(session.Exchange("at@nvm:z?").answer, "7\r\nOK\r\n");
}

struct LinkHostFixture : SessionFixture {
    LinkHost host{session, "nvmhost 9.9", {}};
    std::string answer = "untouched";
};

TEST_F(LinkHostFixture, SendReceiveHandsOverTheAnswerOrSetsTargetLost) {
    Script({{WaitResult::Data, "\r\n+CME ERROR: 7\r\n"}});
    uint8_t lost = 0;
    EXPECT_TRUE(host.SendReceive("at@nvm:x=1\r", answer, false, &lost)) << "an error answer is still an answer";
    EXPECT_EQ(std::tuple(answer, lost), std::tuple("+CME ERROR: 7\r\n", 0));

    answer = "untouched";
    EXPECT_FALSE(host.SendReceive("at@nvm:x?\r", answer, false, &lost));
    EXPECT_EQ(std::tuple(lost, answer), std::tuple(1, "untouched"));
    EXPECT_FALSE(host.SendReceive("at@nvm:x?\r", answer, false, nullptr)) << "no flag given: nothing to set";

    EXPECT_FALSE(host.CheckConnection());
    Script({{WaitResult::Data, "OK\r\n"}, {WaitResult::Data, "OK\r\n"}});
    EXPECT_TRUE(host.CheckConnection());
    Script({{WaitResult::Data, "\r\nERROR\r\n"}});
    EXPECT_FALSE(host.CheckConnection()) << "an answer other than OK";

    // A second final code after the answer, with no echo to tell them apart: the answer may be another command's.
    const std::string twoCodes = "\r\n5\r\nOK\r\n\r\nOK\r\n";
    answer = "untouched";
    Script({{WaitResult::Data, twoCodes}});
    EXPECT_FALSE(host.SendReceive("at@nvm:x?\r", answer, false, nullptr));
    EXPECT_EQ(answer, "untouched");
    Script({{WaitResult::Data, "OK\r\n"}, {WaitResult::Data, twoCodes}});
    EXPECT_FALSE(host.SendReceive("at@nvm:x?\r", answer, false, nullptr));
    EXPECT_EQ(link->sent.back(), "at@nvm:x?\r") << "sent once the resynchronising \"AT\" was answered";
}

TEST_F(LinkHostFixture, InformationItems) {
    // Item, buffer size, the target's answer (null: not asked), the text and the command sent.
    const std::tuple<int, int, const char*, const char*, const char*> cases[] = {
        {VTQ_INFO_TOOL_NAME, 5, nullptr, "nvmh", nullptr},  // at most the buffer size, terminator included
        {VTQ_INFO_TARGET_DETAILS_2, 2000, "AT+CGSN\r\r\n12345\r\nOK\r\n", "Serial number: 12345", kTargetDetailsCommand10},
        {VTQ_INFO_TARGET_DETAILS_2, 2000, "AT+CGSN\r\r\n+CME ERROR: 4\r\n", "", kTargetDetailsCommand10},
    };
    for (const auto& [id, size, reply, text, command] : cases) {
        link->sent.clear();
        if (reply) Script({{WaitResult::Data, reply}});
        std::string got = "old";
        EXPECT_TRUE(host.GetInfo(id, size, got) && got == text) << id << ": " << got;
        EXPECT_EQ(link->sent, command ? std::vector<std::string>{std::string(command) + "\r"}
                                      : std::vector<std::string>{}) << id;
    }
}

TEST(TargetAddressText, ParsesEveryFormAndRejectsTheRest) {
    const std::pair<const char*, const char*> cases[] = {
        {"sim", "sim"}, {"sim:/a/b.img", "sim:/a/b.img"}, {"serial:/dev/ttyUSB0", "serial:/dev/ttyUSB0@115200"},
        {"serial:/dev/ttyS1@9600", "serial:/dev/ttyS1@9600"}, {"tcp:127.0.0.1:5000", "tcp:127.0.0.1:5000"},
        {"tcp:[::1]:23", "tcp:[::1]:23"}};
    TargetAddress target;
    std::string error;
    for (const auto& [text, full] : cases) {
        ASSERT_TRUE(ParseTargetAddress(text, target, error)) << text << ": " << error;
        EXPECT_EQ(FormatTargetAddress(target), full);
    }
    for (const char* bad : {"", "usb:x", "serial:", "serial:/dev/x@fast", "tcp:host", "tcp:host:0", "tcp::80",
                            "tcp:h:70000", "serial:/dev/x@"}) {
        error.clear();
        EXPECT_FALSE(ParseTargetAddress(bad, target, error) || error.empty()) << bad;
    }
}

// Completion, answer (empty while incomplete) and unsolicited lines after feeding `chunks`.
using Outcome = std::tuple<bool, std::string, std::vector<std::string>>;
Outcome Frame(const std::string& command, const std::vector<std::string>& chunks) {
    AtFramer f;
    f.Begin(command);
    for (const std::string& chunk : chunks) f.Feed(chunk);
    return {f.Complete(), f.Answer().substr(0, f.Complete() ? std::string::npos : 0), f.TakeUnsolicited()};
}

const std::tuple<const char*, std::string, std::string, Outcome> kCases[] = {  // name, command, wire, outcome
    {"EchoOff", "at@nvm:x?\r", "\r\n5\r\n\r\nOK\r\n", {true, "5\r\nOK\r\n", {}}},
    {"EchoInOtherCase", "at@nvm:x?", "AT@NVM:X?\r5\r\nOK\r\n", {true, "5\r\nOK\r\n", {}}},
    {"EchoTextLaterIsAnswer", "at@nvm:x?", "a\r\nat@nvm:x?\r\nOK\r\n", {true, "a\r\nat@nvm:x?\r\nOK\r\n", {}}},
    {"UrcBeforeEcho", "at@nvm:x?", "\r\n+CREG: 1\r\nat@nvm:x?\r\r\n5\r\nOK\r\n", {true, "5\r\nOK\r\n", {"+CREG: 1"}}},
    {"UrcInside", "at@nvm:dump_csv_add(\"g\")", "%b64:AA\r\n+CREG: 1\r\nRING\r\n%b64:BB\r\nOK\r\n",
     {true, "%b64:AA\r\n%b64:BB\r\nOK\r\n", {"+CREG: 1", "RING"}}},
    {"UrcAskedForIsAnswer", "AT+CREG?", "\r\n+CREG: 0,1\r\n\r\nOK\r\n", {true, "+CREG: 0,1\r\nOK\r\n", {}}},
    {"CmeError", "at@nvm:x=1", "\r\n+CME ERROR: 21\r\n", {true, "+CME ERROR: 21\r\n", {}}},
    {"OkNotYetEnded", "at", "\r\nOK", {false, "", {}}},
    {"WordStartingWithOk", "at@nvm:s?", "OKAY\r\nOK\r\n", {true, "OKAY\r\nOK\r\n", {}}},
    {"OnlyCarriageReturns", "at@nvm:x?", "\r5\r\rOK\r", {true, "5\r\nOK\r\n", {}}},
    {"BlanksAroundCodes", "at@nvm:x?", "\r\n5\r\n \tOK\t \r\n", {true, "5\r\n \tOK\t \r\n", {}}},
    {"BytesAboveAscii", "at@nvm:s?", "\"\xe4\xff\x01\"\r\nOK\r\n", {true, "\"\xe4\xff\x01\"\r\nOK\r\n", {}}},
};

TEST(AtFramer, SameAnswerWhereverTheBytesAreCut) {
    for (const auto& [name, command, wire, expected] : kCases) {
        SCOPED_TRACE(name);
        std::vector<std::string> bytes;
        for (char ch : wire) bytes.emplace_back(1, ch);
        EXPECT_EQ(Frame(command, bytes), expected) << "one byte at a time";
        for (size_t i = 0; i <= wire.size(); ++i)
            for (size_t j = i; j <= wire.size(); ++j)
                ASSERT_EQ(Frame(command, {wire.substr(0, i), wire.substr(i, j - i), wire.substr(j)}), expected)
                    << "cut at " << i << "," << j;
    }
}

TEST(AtFramer, BytesAfterTheFinalCodeWaitForTheNextAnswer) {
    AtFramer f;
    f.Begin("at@nvm:a?");
    f.Feed("5\r\nOK\r\n+CREG: 1\r\n7\r\nOK\r\n");
    EXPECT_EQ(std::tuple(f.Complete(), f.Answer()), std::tuple(true, "5\r\nOK\r\n"));
    f.Idle();
    EXPECT_FALSE(f.Complete()) << "no answer is complete while no command runs";
    f.Begin("at@nvm:b?");
    f.Feed({});
    EXPECT_EQ(std::tuple(f.Complete(), f.Answer(), f.TakeUnsolicited()),
              std::tuple(true, "7\r\nOK\r\n", std::vector<std::string>{"+CREG: 1"}));
}

// After these the echo may be on or off: a basic E, a reset or the factory settings; extended commands end the scan.
TEST(AtFramer, CommandsThatMaySwitchTheEcho) {
    using namespace std::string_view_literals;
    for (std::string_view command : {"ATE0", "atz", "AT&F", "ATQ0E1", "ATS9=0E0", "AT&C1E0", "ATAE0"})
        EXPECT_TRUE(MaySwitchEcho(command)) << command;
    // The last ends in "&": the byte after it, outside the command, is not read.
    for (std::string_view command : {"ATI"sv, "AT&D2"sv, "AT+CMEE=1"sv, "AT+FCLASS=1"sv, "AT&F"sv.substr(0, 3)})
        EXPECT_FALSE(MaySwitchEcho(command)) << command;
}

}  // namespace
}  // namespace targetlink
