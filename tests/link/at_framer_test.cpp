// The AT framer against answers cut at every byte boundary.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "link/at_framer.h"

namespace nvmhost {
namespace {

struct FramerCase {
    const char* name;
    std::string command;
    std::string wire;
    bool complete;
    std::string answer;
    std::vector<std::string> unsolicited;
};

const std::vector<FramerCase> kCases = {
    {"EchoOff", "at@nvm:x?\r", "\r\n5\r\n\r\nOK\r\n", true, "5\r\nOK\r\n", {}},
    {"EchoOn", "at@nvm:x?\r", "at@nvm:x?\r\r\n5\r\nOK\r\n", true, "5\r\nOK\r\n", {}},
    {"EchoInOtherCase", "at@nvm:x?", "AT@NVM:X?\r5\r\nOK\r\n", true, "5\r\nOK\r\n", {}},
    {"EchoRunsIntoAnswer", "ati", "ati\rmodel\r\nOK\r\n", true, "model\r\nOK\r\n", {}},
    {"EchoTextLaterIsAnswer", "at@nvm:x?", "a\r\nat@nvm:x?\r\nOK\r\n", true, "a\r\nat@nvm:x?\r\nOK\r\n", {}},
    {"UrcBeforeEcho", "at@nvm:x?", "\r\n+CREG: 1\r\nat@nvm:x?\r\r\n5\r\nOK\r\n", true, "5\r\nOK\r\n", {"+CREG: 1"}},
    {"UrcInside", "at@nvm:dump_csv_add(\"g\")", "%b64:AA\r\n+CREG: 1\r\nRING\r\n%b64:BB\r\nOK\r\n", true,
     "%b64:AA\r\n%b64:BB\r\nOK\r\n", {"+CREG: 1", "RING"}},
    {"UrcAskedForIsAnswer", "AT+CREG?", "\r\n+CREG: 0,1\r\n\r\nOK\r\n", true, "+CREG: 0,1\r\nOK\r\n", {}},
    {"CmeError", "at@nvm:x=1", "\r\n+CME ERROR: 21\r\n", true, "+CME ERROR: 21\r\n", {}},
    {"Error", "at@nvm:x=1", "at@nvm:x=1\r\r\nERROR\r\n", true, "ERROR\r\n", {}},
    {"OkNotYetEnded", "at", "\r\nOK", false, "", {}},
    {"WordStartingWithOk", "at@nvm:s?", "OKAY\r\nOK\r\n", true, "OKAY\r\nOK\r\n", {}},
    {"OnlyCarriageReturns", "at@nvm:x?", "\r5\r\rOK\r", true, "5\r\nOK\r\n", {}},
    {"BytesAboveAscii", "at@nvm:s?", "\"\xe4\xff\x01\"\r\nOK\r\n", true, "\"\xe4\xff\x01\"\r\nOK\r\n", {}},
    {"CaseOfBytesAboveAsciiCounts", "at@nvm:s=\"\xe4\"", "AT@NVM:S=\"\xc4\"\r\nOK\r\n", true,
     "AT@NVM:S=\"\xc4\"\r\nOK\r\n", {}},
};

// Completion, answer (empty while incomplete) and unsolicited lines after feeding `chunks`.
using Outcome = std::tuple<bool, std::string, std::vector<std::string>>;
Outcome Frame(const std::string& command, const std::vector<std::string>& chunks) {
    AtFramer f;
    f.Begin(command);
    for (const std::string& chunk : chunks) f.Feed(chunk);
    return {f.Complete(), f.Answer().substr(0, f.Complete() ? std::string::npos : 0), f.TakeUnsolicited()};
}

TEST(AtFramer, SameAnswerWhereverTheBytesAreCut) {
    for (const FramerCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const Outcome expected{c.complete, c.answer, c.unsolicited};
        std::vector<std::string> bytes;
        for (char ch : c.wire) bytes.emplace_back(1, ch);
        EXPECT_EQ(Frame(c.command, bytes), expected) << "one byte at a time";
        for (size_t i = 0; i <= c.wire.size(); ++i) {
            for (size_t j = i; j <= c.wire.size(); ++j) {
                ASSERT_EQ(Frame(c.command, {c.wire.substr(0, i), c.wire.substr(i, j - i), c.wire.substr(j)}), expected)
                    << "cut at " << i << "," << j;
            }
        }
    }
}

TEST(AtFramer, BytesAfterTheFinalCodeWaitForTheNextAnswer) {
    const std::string wire = "5\r\nOK\r\n+CREG: 1\r\n7\r\nOK\r\n";
    for (size_t i = 0; i <= wire.size(); ++i) {
        SCOPED_TRACE(i);
        AtFramer f;
        f.Begin("at@nvm:a?");
        f.Feed(wire.substr(0, i));
        bool fedAll = false;
        if (!f.Complete()) {
            f.Feed(wire.substr(i));
            fedAll = true;
        }
        ASSERT_TRUE(f.Complete());
        EXPECT_EQ(f.Answer(), "5\r\nOK\r\n");
        f.Begin("at@nvm:b?");
        f.Feed({});
        if (!fedAll) f.Feed(wire.substr(i));
        ASSERT_TRUE(f.Complete());
        EXPECT_EQ(f.Answer(), "7\r\nOK\r\n");
        EXPECT_EQ(f.TakeUnsolicited(), std::vector<std::string>{"+CREG: 1"});
    }
}

TEST(AtFramer, LinesOutsideACommandAreUnsolicited) {
    AtFramer f;
    f.Feed("\r\n+CREG: 1\r\nOK\r\n+CM");
    EXPECT_FALSE(f.Complete());
    EXPECT_EQ(f.TakeUnsolicited(), (std::vector<std::string>{"+CREG: 1", "OK"}));
    f.Feed("TI: \"SM\",3\r\n");
    EXPECT_EQ(f.TakeUnsolicited(), (std::vector<std::string>{"+CMTI: \"SM\",3"}));
}

}  // namespace
}  // namespace nvmhost
