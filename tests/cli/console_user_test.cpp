#include "cli/console_user.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

namespace nvmtool {
namespace {

// Runs `steps` with `typed` as standard input; answers what went to standard error.
template <typename Steps>
std::string Console(Steps steps, const std::string& typed = {}) {
    std::istringstream in(typed);
    std::streambuf* old = std::cin.rdbuf(in.rdbuf());
    ::testing::internal::CaptureStderr();
    steps();
    std::cin.rdbuf(old);
    return ::testing::internal::GetCapturedStderr();
}

TEST(ConsoleUser, QuestionsAnsweredByOptionsTheTerminalOrNotAtAll) {
    ConsoleSettings s;
    s.inputs["RF Variant ID"] = "k22_7";
    ConsoleUser off(s);
    std::string value;
    std::vector<int> picked;
    Console([&] {
        EXPECT_FALSE(off.AskYesNo("Commit?"));
        EXPECT_TRUE(off.InputBox("RF Variant ID", "id:", value));
        EXPECT_FALSE(off.PickFromList("Pick one", {"a", "b"}, false, picked));
    });
    EXPECT_EQ(value, "k22_7");
    EXPECT_EQ(off.Unanswered(), (std::vector<std::string>{"Commit?", "Pick one"}));

    s.interactive = true;
    ConsoleUser on(s);
    for (const auto& [typed, answer] : {std::pair<std::string, bool>{"Yes\n", true}, {"n\n", false}, {"", false}}) {
        bool yes = !answer;
        Console([&] { yes = on.AskYesNo("Commit?"); }, typed);
        EXPECT_EQ(yes, answer) << typed;
    }
    bool pick = false;
    Console([&] { pick = on.PickFromList("Pick", {"a", "b", "c"}, true, picked); }, "3 9 1\n");
    EXPECT_EQ(std::pair(pick, picked), std::pair(true, std::vector<int>{2, 0}));
}

}  // namespace
}  // namespace nvmtool
