#include <gtest/gtest.h>

#include <string>

#include "channel/piece_decoder.h"
#include "sim/image.h"
#include "sim/modem.h"
#include "sim/prefix_code.h"

namespace nvmsim {
namespace {

// What the modem refuses without changing anything: unknown names, ranges outside the array, brackets on scalars,
// values that do not fit. Its answers to good commands are what every other test reads and checks.
TEST(ModemTest, RefusesBadCommandsWithoutChangingAnything) {
    std::string error;
    auto modem = Modem::FromImageFile(VTQ_SOURCE_DIR "/sim/images/small.img", error);
    ASSERT_TRUE(modem) << error;
    const char* bad[] = {"fix_small.nothing?", "nogroup.gain?", "fix_small.lut[2,4]?", "fix_small.lut[3,2]?",
                         "fix_small.gain[0]?", "fix_small.tab[0,2][0,0]?", "cal_small.one_1?", "fix_small.gain=65536",
                         "fix_small.label=unquoted", "fix_small.label=\"sixteen chars!!!\"", "fix_small.label=\"a}b\"",
                         "fix_small.lut[0,3]={1,2,3}", "fix_small.lut[0,3]={1,2,3,70000}", "fix_small.lut=5",
                         "fix_small.lut[4]={1}", "fix_small.gain[0]={1}"};
    for (const char* command : bad) EXPECT_EQ(modem->Execute(std::string("at@nvm:") + command), "ERROR\r\n") << command;
    EXPECT_EQ(modem->Execute("at@hwid:ver_hwid_get(OTHER_ID)"), "ERROR\r\n");
    for (size_t g = 0; g < modem->image().groups.size(); ++g)
        EXPECT_EQ(modem->ram(g), modem->image().groups[g].initial) << g;
}

TEST(PrefixCode, EveryCharacterRoundTripsInEveryPaddingAndNoneAbove127) {
    for (int c = 0; c < 128; ++c) {
        if (c == '}') continue;
        const std::string ch(1, char(c));
        for (const std::string& text : {ch + "}", "x" + ch + "yz}", std::string(5, char(c)) + "}", "ab" + ch})
            EXPECT_EQ(vtq::DecodeValue(EncodePiece(text)), text) << c;
    }
    EXPECT_EQ(EncodePiece("ab\x80}"), "");
    std::string bytes;
    EXPECT_FALSE(PackPrefixCode("\xff", bytes));
}

}  // namespace
}  // namespace nvmsim
