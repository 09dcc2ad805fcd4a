// Restore points against the in-process simulated modem: on disk before the first value goes out, holding exactly
// the prior values, and undoing a wrong write and commit after a restart; retention. The unit's identity, asked of
// the target and kept in files.

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "base/file_io.h"
#include "core/commit_groups.h"
#include "core/edit_parameter.h"
#include "core/restore_points.h"
#include "core/unit_identity.h"
#include "core/write_groups.h"
#include "files/nvm_file.h"
#include "session_fixture.h"
#include "support/scripted_host.h"

namespace vtq {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

constexpr const char* kImage = R"(naming indexed
group fix_a 1
  uint16 gain = 12
  uint16 lut[4] = 1, 2, 3, 4
end
group cal_b 2
  uint8 mode = 2
  uint16 trim[3] = 7, 8, 9
end
)";

// The simulated modem that, at the first value written, takes down what the
// restore folder holds and refuses the command.
class FirstWriteHost : public test::TapHost {
public:
    using TapHost::TapHost;
    std::string folder;
    bool seen = false;
    std::vector<std::string> onDisk;  // the assignment lines of every point in the folder at that moment
    bool SendReceive(const std::string& command, std::string& answer, bool echo, uint8_t* lost) override {
        const bool write = command.find('=') != std::string::npos || command.find("write_to_mirror(") != std::string::npos;
        if (!write || seen) return TapHost::SendReceive(command, answer, echo, lost);
        seen = true;
        commands.push_back(command);
        for (const RestorePointInfo& p : ListRestorePoints(folder))
            for (const std::string& line : SplitLines(test::FileText(p.path)))
                if (!line.starts_with("//")) onDisk.push_back(line);
        return false;
    }
};

class RestorePointTest : public test::SessionTest {
protected:
    void OpenFirstWrite() {
        Open<FirstWriteHost>(kImage);
        first = static_cast<FirstWriteHost*>(host.get());
        first->folder = session->Restore().folder;
    }
    FirstWriteHost* first = nullptr;
};

TEST_F(RestorePointTest, OnDiskBeforeTheFirstWriteWithExactlyThePriorValues) {
    struct Row {
        const char* what;
        const char* read;  // groups read before the edit
        std::function<void()> run;
        Texts saved;       // the point's lines at the first write
        bool dumpFirst;    // a group was read for the point
    };
    const Row rows[] = {
        {"Write Selected: the rows chosen, a value written before kept up to date", "fix_a",
         [this] {
             first->seen = true;  // the first write goes through
             ApplyEditedValue(session->host(), *Rec("fix_a.gain"), "40", false);
             WriteSelected(*session, user, {Rec("fix_a.gain")});
             first->seen = false;
             ApplyEditedValue(session->host(), *Rec("fix_a.gain"), "41", false);
             WriteSelected(*session, user, {Rec("fix_a.gain"), Rec("fix_a.lut")});
         },
         {"fix_a.gain=12", "fix_a.gain=40", "fix_a.lut=1,2,3,4"}, false},
        {"Write Groups: a value an earlier run wrote kept up to date", "fix_a",
         [this] {
             first->seen = true;
             ApplyEditedValue(session->host(), *Rec("fix_a.gain"), "40", false);
             WriteGroups(*session, user);
             first->seen = false;
             ApplyEditedValue(session->host(), *Rec("fix_a.gain"), "41", false);
             WriteGroups(*session, user);
         },
         {"fix_a.gain=12", "fix_a.gain=40", "fix_a.lut=1,2,3,4", "fix_a.lut=1,2,3,4"}, false},
        {"write on the fly of a group never read: read first", "",
         [this] {
             Items().FindOrAddGroup("cal_b");
             SelectExactGroups(Items(), "cal_b");
             Items().AddParameter(Items().GroupIndex("cal_b"), "cal_b.trim", "1,1,1", "", false);
             Items().RebuildView();
             EditParameter(*session, user, 0, [](const ValueEditRequest&) {
                 return ValueEditAnswer{true, "5,5,5", true};
             });
         },
         {"cal_b.trim=7,8,9"}, true},
        {"a record the target lacks: nothing to keep, the write still goes", "fix_a",
         [this] {
             Items().AddParameter(Items().GroupIndex("fix_a"), "fix_a.extra", "5", "", false);
             Items().RebuildView();
             WriteSelected(*session, user, {Rec("fix_a.extra")});
         },
         {}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OpenFirstWrite();
        if (*row.read) Read(row.read);
        host->commands.clear();
        row.run();
        Texts sorted = first->onDisk;
        std::sort(sorted.begin(), sorted.end());
        const bool dumped = std::ranges::any_of(host->commands, [](const auto& c) { return c.starts_with("at@nvm:dump"); });
        EXPECT_EQ(std::tuple(first->seen, sorted, dumped), std::tuple(true, row.saved, row.dumpFirst));
        fs::remove_all(first->folder);
    }
}

// A wrong file written and committed over the calibration, then the point
// loaded, written and committed by a new session: RAM and NVM as before.
TEST_F(RestorePointTest, RestoringUndoesAWrongWriteAndCommitAfterARestart) {
    Open(kImage);
    nvmsim::Modem& modem = host->modem();
    const auto memories = [&] { return std::tuple(modem.ram(0), modem.ram(1), modem.nvm(0), modem.nvm(1)); };
    const auto before = memories();
    const auto writeAndCommit = [&](EditorSession& s) {
        EXPECT_EQ(WriteGroups(s, user).errors, 0);
        EXPECT_EQ(CommitGroups(s, user).committed, 2);
    };
    const std::string wrong = dir.File("wrong.nvm");
    ASSERT_TRUE(WriteFileAtomically(wrong, "cal_b.mode=77\ncal_b.trim=1,2,3\nfix_a.gain=5\n"));
    LoadCounts counts;
    ASSERT_TRUE(LoadParameters(Items(), wrong, counts));
    writeAndCommit(*session);
    EXPECT_EQ(modem.ValueOf("cal_b.trim", true), "{1,2,3}");

    session = std::make_unique<EditorSession>(*host, nullptr, dir.File("Brevant.ini"));
    ASSERT_TRUE(session->Start());
    const std::vector<RestorePointInfo> points = ListRestorePoints(session->Restore().folder);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(std::tuple(points[0].operation, points[0].groups, points[0].parameters, points[0].unit),
              std::tuple(std::string("Write Groups"), Texts{"cal_b", "fix_a"}, 3, std::string("unknown")));
    ASSERT_TRUE(LoadParameters(Items(), FindRestorePoint(session->Restore().folder, points[0].id), counts));
    writeAndCommit(*session);
    EXPECT_TRUE(memories() == before);
    EXPECT_EQ(ListRestorePoints(session->Restore().folder).size(), 2u);  // the restore made its own
}

TEST(RestorePointRetention, OldestGoFirstButNeverTheNewestOfAUnit) {
    // Oldest first: three points of unit A, one of B, each 10 bytes. The newest of each unit stays even beyond
    // the limits.
    const Texts ids = {"20260101-000000-000_A", "20260102-000000-000_B", "20260103-000000-000_A",
                       "20260104-000000-000_A"};
    const Texts newest = {ids[3], ids[1]};
    const std::tuple<size_t, uintmax_t, Texts> rows[] = {  // count kept, bytes kept, left newest first
        {4, 40, {ids.rbegin(), ids.rend()}}, {2, 1000, newest}, {10, 25, newest}, {0, 0, newest},
        {3, 1000, {ids[3], ids[2], ids[1]}},
    };
    for (const auto& [keepCount, keepBytes, expected] : rows) {
        test::TempDir dir;
        for (const std::string& id : ids) std::ofstream(dir.File(id + ".nvm")) << "x.y=12345\n";
        PruneRestorePoints(dir.Path().string(), keepCount, keepBytes);
        Texts left;
        for (const RestorePointInfo& p : ListRestorePoints(dir.Path().string(), false)) left.push_back(p.id);
        EXPECT_EQ(left, expected) << keepCount << "/" << keepBytes;
    }
}

TEST(UnitIdentityTest, AskedWithTheIdentificationCommandsAndAnErrorLeavesAPartEmpty) {
    const std::tuple<const char*, const char*, UnitIdentity> cases[] = {  // the answers to ATI and AT+CGSN, identity
        {"ATI\r\r\nMaker\r\nModel 2\r\n\r\nRevision: 1.0\r\nOK\r\n", "\r\n3569\r\nOK\r\n",
         {"Maker / Model 2 / Revision: 1.0", "3569"}},
        {"ERROR\r\n", "ERROR\r\n", {}},
        {"Maker\x1b\tX\r\nOK\r\n", "+CME ERROR: 4\r\n", {"Maker  X", ""}},
    };
    for (const auto& [ati, cgsn, expected] : cases) {
        test::ScriptedHost host;
        host.answers = {{"ATI\r", ati}, {"AT+CGSN\r", cgsn}};
        EXPECT_EQ((std::pair{ReadUnitIdentity(host), host.commands}),
                  std::pair(expected, std::vector<std::string>{"ATI\r", "AT+CGSN\r"})) << ati;
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
    EXPECT_TRUE(IsCalibrationGroup("CAL_rx") && !IsCalibrationGroup("fix_cal_"));
}

}  // namespace
}  // namespace vtq
