#include "core/unit_identity.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/scripted_host.h"

namespace vtq {
namespace {

TEST(UnitIdentityTest, AskedWithTheIdentificationCommandsAndAnErrorLeavesAPartEmpty) {
    struct Case {
        const char* ati;
        const char* cgsn;
        UnitIdentity expected;
    };
    const Case cases[] = {
        {"ATI\r\r\nMaker\r\nModel 2\r\n\r\nRevision: 1.0\r\nOK\r\n", "\r\n3569\r\nOK\r\n",
         {"Maker / Model 2 / Revision: 1.0", "3569"}},
        {"ERROR\r\n", "ERROR\r\n", {}},
        {"Maker\x1b\tX\r\nOK\r\n", "+CME ERROR: 4\r\n", {"Maker  X", ""}},
    };
    for (const Case& c : cases) {
        test::ScriptedHost host;
        host.answers = {{"ATI\r", c.ati}, {"AT+CGSN\r", c.cgsn}};
        EXPECT_EQ((std::pair{ReadUnitIdentity(host), host.commands}),
                  std::pair(c.expected, std::vector<std::string>{"ATI\r", "AT+CGSN\r"})) << c.ati;
    }
    test::ScriptedHost lostHost;
    lostHost.loseTargetAt = 1;
    uint8_t lost = 0;
    EXPECT_EQ((std::pair{ReadUnitIdentity(lostHost, &lost), lostHost.commands.size()}),
              std::pair(UnitIdentity{}, size_t{1}))
        << "nothing more is asked of a lost target";
}

TEST(UnitIdentityTest, IdentityLinesRoundTripAmongTheCommentsAtTheTop) {
    const UnitIdentity unit{"Maker / Model 2", "3569"};
    std::string text = "\xEF\xBB\xBF// NVM Parameter file saved from Brevant\r\n// Item Count=1:\r\n";
    for (const std::string& line : UnitIdentityLines(unit)) text += line + "\r\n";
    EXPECT_EQ(std::tuple(FileUnitIdentity(text + "fix_a.b=1\r\n// Unit serial number: 999\r\n"), FileUnitIdentity(text),
                         FileUnitIdentity("// NVM Parameter file saved from Brevant\nfix_a.b=1\n")),
              std::tuple(unit, unit, UnitIdentity{}));
    EXPECT_EQ(UnitIdentityLines(UnitIdentity{"", "12"}), std::vector<std::string>{"// Unit serial number: 12"});
    EXPECT_TRUE(UnitIdentityLines({}).empty());
}

TEST(UnitIdentityTest, LoadCrossesUnitsOnlyWithCalibrationValuesBetweenTwoKnownSerials) {
    const UnitIdentity a{"M", "1"}, b{"M", "2"}, modelOnly{"M", ""};
    const std::tuple<UnitIdentity, UnitIdentity, int, bool> cases[] = {
        {a, b, 1, true}, {a, b, 0, false}, {a, a, 5, false}, {{}, b, 5, false}, {a, {}, 5, false},
        {modelOnly, b, 5, false},
    };
    for (const auto& [file, connected, calibration, crosses] : cases)
        EXPECT_EQ(CrossesUnits(file, connected, calibration), crosses) << file.serial << "/" << connected.serial;
    EXPECT_EQ(OtherUnitQuestion(a, b, 1),
              "This file was saved from another unit:\n  M, serial number 1\nThe connected unit is:\n  M, serial "
              "number 2\n\nThe file holds 1 calibration value, measured on the unit it was saved from.\nLoad it anyway?");
    EXPECT_TRUE(IsCalibrationGroup("CAL_rx") && !IsCalibrationGroup("fix_cal_"));
}

}  // namespace
}  // namespace vtq
