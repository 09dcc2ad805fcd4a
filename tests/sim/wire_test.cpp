// The AT framing of the nvmsim server. The server itself is run end to end
// through the serial and TCP links in tests/link/nvmsim_link_test.cpp.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/wire.h"

namespace nvmsim {
namespace {

TEST(Wire, FramingPlacesTheUnsolicitedCode) {
    Faults f;
    f.urc = "+CREG: 1";
    const std::string answer = "a\r\nb\r\nOK\r\n";
    f.urcPlace = UrcPlace::Before;
    EXPECT_EQ(FrameAnswer("X", answer, true, f), "X\r\r\n+CREG: 1\r\na\r\nb\r\nOK\r\n");
    f.urcPlace = UrcPlace::Inside;
    EXPECT_EQ(FrameAnswer("X", answer, false, f), "\r\na\r\n+CREG: 1\r\nb\r\nOK\r\n");
    EXPECT_EQ(FrameAnswer("X", "OK\r\n", false, f), "\r\n+CREG: 1\r\nOK\r\n");
    f.urcPlace = UrcPlace::After;
    EXPECT_EQ(FrameAnswer("X", answer, false, f), "\r\na\r\nb\r\nOK\r\n+CREG: 1\r\n");
    EXPECT_EQ(FrameAnswer("X", "", true, f), "");
    f.urc.clear();
    EXPECT_EQ(FrameAnswer("X", answer, false, f), "\r\n" + answer);
}

TEST(Wire, LinesEndAtCarriageReturn) {
    LineAssembler a;
    std::vector<std::string> lines;
    a.Feed("AT", lines);
    EXPECT_TRUE(lines.empty());
    a.Feed("I\r\nAT\r\r", lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"ATI", "AT", ""}));
}

}  // namespace
}  // namespace nvmsim
