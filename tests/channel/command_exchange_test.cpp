#include "channel/command_exchange.h"

#include <gtest/gtest.h>

#include "channel/long_operation.h"
#include "support/scripted_host.h"
#include "support/scripted_user.h"

namespace vtq {
namespace {

TEST(GoodAnswer, EndsInOkIgnoringOnlyAnswerBlanks) {
    const std::pair<const char*, bool> cases[] = {
        {"", false},         {"K", false},          {"OK", true},          {" OK ", true},
        {"\r\nOK\r\n", true}, {"5\r\nok", true},     {"value\tOk \t", true}, {"ERROR", false},
        {"OK\f", false},     {"OK\x01", false},     {"O", false},          {"\r\n\r\n", false},
        {"BOOK", true},      {"OKAY", false},       {"oK\n\n\n", true},
    };
    for (const auto& [answer, good] : cases) EXPECT_EQ(IsGoodAnswer(answer), good) << '"' << answer << '"';
}

TEST(CleanAnswer, RemovesEchoOkErrorAndBlanks) {
    std::string body;
    for (int c = 33; c < 256; ++c) body += static_cast<char>(c);
    const std::string cmd = "at@nvm:$nvm_groups??\r";
    const std::tuple<std::string, std::string, std::string> cases[] = {  // answer, command, cleaned
        {"\r\nOK\r\n", cmd, ""}, {"5\r\nok", cmd, "5"}, {"value\r\nERROR\r\n", cmd, "value"}, {"K", cmd, "K"},
        {"at@nvm:$nvm_groups??\r\r\n$nvm_groups\r\nfix_a=1\r\nOK\r\n", cmd, "$nvm_groups\r\nfix_a=1"},
        {"AT@NVM:$NVM_GROUPS??\rtext OK", cmd, "text"},
        // The echo counts only when the whole command, carriage return included, is there.
        {"at@nvm:$nvm_groups?? x OK", cmd, "at@nvm:$nvm_groups?? x"}, {"payload OK", "", "payload"},
        {"\r\n" + body + "\r\nOK\r\n", "cmd\r", body},
    };
    for (const auto& [answer, command, cleaned] : cases) EXPECT_EQ(CleanAnswer(answer, command), cleaned) << answer;
}

TEST(Exchange, CleansGoodAnswersLeavesBadOnesAloneAndPassesTargetLost) {
    test::ScriptedHost host;
    host.answers["a\r"] = "a\r\r\n12\r\nOK\r\n";
    host.answers["b\r"] = "12\r\nERROR\r\n";
    std::string answer, bad;
    EXPECT_TRUE(Exchange(host, "a\r", answer) && !Exchange(host, "b\r", bad));
    EXPECT_EQ(std::pair(answer, bad), std::pair(std::string("12"), std::string("12\r\nERROR\r\n")));

    host.responder = [](const std::string&, std::string& a) {
        a = "partial";
        return false;
    };
    EXPECT_TRUE(!Exchange(host, "c\r", answer) && answer == "partial");

    // A line break or NUL inside a command would have the target run a second command: nothing goes out.
    const size_t sent = host.commands.size();
    for (const std::string& bad : {std::string("a=5\rat@nvm:b=9\r"), std::string("a=5\n"), std::string("a=\0\r", 4),
                                   std::string("a\r\r")}) {
        host.lines.clear();
        answer = "untouched";
        EXPECT_TRUE(!Exchange(host, bad, answer) && answer == "untouched") << bad;
        ASSERT_EQ(host.lines.size(), 1u) << bad;
        EXPECT_EQ(host.lines[0].flag, 0);
    }
    EXPECT_EQ(host.lines[0].text, "Not sent: the command holds a line break or control character: \"a<CR>\".");
    EXPECT_EQ(host.commands.size(), sent);

    host.loseTargetAt = 5;  // the target-lost flag passes through
    uint8_t lost = 0;
    Exchange(host, "x\r", answer, false, &lost);
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(!Exchange(host, "y\r", answer, false, &lost) && lost == 1);
}

// The steps of a long operation are tested through the operations that use them; here only what none reaches.
TEST(LongOperation, DestructorRestoresEverythingOnAnEarlyExit) {
    test::ScriptedHost host;
    test::ScriptedUser user;
    {
        LongOperation op(host, user);
        ASSERT_TRUE(op.Begin());
        op.OpenProgress(5);
        *op.LostFlag() = 1;
    }
    EXPECT_EQ(std::tuple(user.busyDepth, user.progressOpen, host.Texts()),
              std::tuple(0, false, std::vector<std::string>{kTargetLostMessage}));
}

}  // namespace
}  // namespace vtq
