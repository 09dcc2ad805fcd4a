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

TEST(ConsoleUser, LinesProgressBarAndQuietMode) {
    ConsoleSettings s;
    s.prefix = "[t] ";
    s.progressBar = true;
    ConsoleUser user(s);
    EXPECT_EQ(Console([&] {
                  user.OpenProgress();
                  user.SetProgressRange(4);
                  user.SetProgressStatus("Reading");
                  user.SetProgressPosition(2);
                  user.Log("a line", 1);
                  user.CloseProgress();
                  user.Message("two\nlines\n");
              }),
              "\r\033[K[t] [                              ] Reading"
              "\r\033[K[t] [###############               ] Reading"
              "\r\033[K[t] a line\n"
              "\r\033[K[t] [###############               ] Reading"
              "\r\033[K"
              "[t] two\n[t] lines\n");
    EXPECT_EQ(user.Messages(), std::vector<std::string>{"two\nlines\n"});

    s.quiet = true;
    ConsoleUser quiet(s);
    EXPECT_EQ(Console([&] {
                  quiet.OpenProgress();
                  quiet.SetProgressStatus("Reading");
                  quiet.Log("information", 1);
                  quiet.Log("an error", 0);
                  quiet.CloseProgress();
              }),
              "[t] an error\n");
    EXPECT_EQ(quiet.LogLines().size(), 2u) << "the JSON report keeps every line";
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
        off.SetNextFileName("given.h");
        EXPECT_TRUE(off.SaveFileName("Save", "", value));
        EXPECT_FALSE(off.OpenFileName("Open", "", value));
    });
    EXPECT_EQ(value, "given.h");
    EXPECT_EQ(off.Unanswered(), (std::vector<std::string>{"Commit?", "Pick one", "Open"}));

    s.interactive = true;
    ConsoleUser on(s);
    for (const auto& [typed, answer] : {std::pair<std::string, bool>{"Yes\n", true}, {"n\n", false}, {"", false}}) {
        bool yes = !answer;
        Console([&] { yes = on.AskYesNo("Commit?"); }, typed);
        EXPECT_EQ(yes, answer) << typed;
    }
    bool pick = false;
    EXPECT_NE(Console([&] { pick = on.PickFromList("Pick", {"a", "b", "c"}, true, picked); }, "3 9 1\n")
                  .find("Pick\n  1  a\n  2  b\n  3  c\n"),
              std::string::npos);
    EXPECT_EQ(std::pair(pick, picked), std::pair(true, std::vector<int>{2, 0}));
    value = "old";
    Console([&] { EXPECT_TRUE(on.InputBox("Other", "text:", value)); }, "\n");
    EXPECT_EQ(std::pair(value, on.Unanswered().size()), std::pair(std::string("old"), size_t{0}))
        << "a blank answer keeps the default";
}

}  // namespace
}  // namespace nvmtool
