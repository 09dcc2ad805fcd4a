#include "editor/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "model/text.h"

namespace fs = std::filesystem;

namespace vtq {
namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

// A fresh temporary folder per test, with the environment of the settings folder restored afterwards.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vtq_settings_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ini_ = (dir_ / "Brevant.ini").string();
        for (const char* name : {"APPDATA", "XDG_CONFIG_HOME", "HOME"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
        ResetSettingsFolder();
        fs::remove_all(dir_);
    }
    fs::path dir_;
    std::string ini_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(SettingsTest, FolderComesFromAppDataThenXdgThenHomeAndIsCreated) {
    ::setenv("APPDATA", (dir_ / "app/").c_str(), 1);
    ResetSettingsFolder();
    EXPECT_EQ(SettingsFolder(), (dir_ / "app/Korvale/Brevant/").string());
    EXPECT_TRUE(fs::is_directory(dir_ / "app/Korvale/Brevant"));
    EXPECT_EQ(SettingsFilePath(), (dir_ / "app/Korvale/Brevant/Brevant.ini").string());

    // Worked out once: a changed environment is seen only after a reset.
    ::setenv("APPDATA", (dir_ / "other").c_str(), 1);
    EXPECT_EQ(SettingsFolder(), (dir_ / "app/Korvale/Brevant/").string());

    ::unsetenv("APPDATA");
    ::setenv("XDG_CONFIG_HOME", (dir_ / "xdg").c_str(), 1);
    ResetSettingsFolder();
    EXPECT_EQ(SettingsFolder(), (dir_ / "xdg/Korvale/Brevant/").string());

    ::setenv("XDG_CONFIG_HOME", "relative/not/allowed", 1);
    ::setenv("HOME", (dir_ / "home").c_str(), 1);
    ResetSettingsFolder();
    EXPECT_EQ(SettingsFolder(), (dir_ / "home/.config/Korvale/Brevant/").string());
    EXPECT_TRUE(fs::is_directory(dir_ / "home/.config/Korvale/Brevant"));
}

TEST_F(SettingsTest, ReadsLikeTheProfileFunctions) {
    WriteAll(ini_,
             "\xEF\xBB\xBF[Other]\r\nNVMSelGroups=wrong\r\n"
             "  [ mode ]  \r\n"
             " writeontthefly=0\r\n"
             "  WriteOnTheFly =  0  \r\n"
             "NVMSelGroups=\"a b\",c\n"
             "Quoted='x'\r\n"
             "Bare\r\n"
             "[Next]\r\nWriteOnTheFly=7\r\n");
    EXPECT_EQ(ReadProfileString(ini_, "Mode", "WRITEONTHEFLY", "d"), "0");
    EXPECT_EQ(ReadProfileString(ini_, "Mode", "NVMSelGroups", "d"), "\"a b\",c");
    EXPECT_EQ(ReadProfileString(ini_, "Mode", "Quoted", "d"), "x");
    EXPECT_EQ(ReadProfileString(ini_, "Mode", "Bare", "d"), "");
    EXPECT_EQ(ReadProfileString(ini_, "Mode", "Missing", "d"), "d");
    EXPECT_EQ(ReadProfileString(ini_, "Other", "NVMSelGroups", "d"), "wrong");
    EXPECT_EQ(ReadProfileString(ini_, "Nowhere", "Bare", "d"), "d");
    EXPECT_EQ(ReadProfileString((dir_ / "absent.ini").string(), "Mode", "Bare", "d"), "d");
}

TEST_F(SettingsTest, WritingKeepsEveryOtherLine) {
    const std::string before =
        "; host settings\r\n[Host]\r\nPort=COM3\r\nWriteOnTheFly=5\r\n\r\n"
        "[mode]\r\nwriteonthefly = 1\r\nHostKey=kept\r\n\r\n[Last]\r\nX=1";
    WriteAll(ini_, before);
    ASSERT_TRUE(WriteProfileString(ini_, "Mode", "WriteOnTheFly", "0"));
    ASSERT_TRUE(WriteProfileString(ini_, "Mode", "NVMSelGroups", "a,b"));
    EXPECT_EQ(ReadAll(ini_),
              "; host settings\r\n[Host]\r\nPort=COM3\r\nWriteOnTheFly=5\r\n\r\n"
              "[mode]\r\nwriteonthefly=0\r\nHostKey=kept\r\nNVMSelGroups=a,b\r\n\r\n[Last]\r\nX=1\r\n");

    ASSERT_TRUE(WriteProfileString(ini_, "New", "K", "v"));
    EXPECT_EQ(ReadProfileString(ini_, "New", "K", ""), "v");
    EXPECT_EQ(ReadProfileString(ini_, "Last", "X", ""), "1");

    const std::string fresh = (dir_ / "fresh.ini").string();
    ASSERT_TRUE(WriteProfileString(fresh, "Mode", "WriteOnTheFly", "1"));
    EXPECT_EQ(ReadAll(fresh), "[Mode]\r\nWriteOnTheFly=1\r\n");

    // Nothing but the file itself is left in the folder (the temporary file was renamed).
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
    EXPECT_EQ(files, 2);
}

TEST_F(SettingsTest, ValuesSurviveTheRoundTripAndLineBreaksAreRefused) {
    for (const std::string value : {"\"a b\",\"c d\"", "'q'", "  padded ", "x=y;z", "\xE4\xFF", ""}) {
        ASSERT_TRUE(WriteProfileString(ini_, "Mode", "V", value)) << value;
        EXPECT_EQ(ReadProfileString(ini_, "Mode", "V", "default"), value);
    }
    WriteAll(ini_, "[Mode]\r\nV=1\r\n");
    EXPECT_FALSE(WriteProfileString(ini_, "Mode", "V", "a\r\n[Evil]"));
    EXPECT_FALSE(WriteProfileString(ini_, "Mode", "A=B", "1"));
    EXPECT_EQ(ReadAll(ini_), "[Mode]\r\nV=1\r\n");
    EXPECT_FALSE(WriteProfileString((dir_ / "no/such/folder/x.ini").string(), "Mode", "V", "1"));
}

TEST_F(SettingsTest, WriteOnTheFlyReadsAsAnInteger) {
    const std::pair<const char*, bool> cases[] = {
        {"", true}, {"1", true}, {"0", false}, {"000", false}, {"-0", false}, {"2", true},
        {"-5", true}, {"abc", true}, {"0x0", true}, {"99999999999999999999", true},
    };
    for (const auto& [text, on] : cases) {
        WriteAll(ini_, std::string("[Mode]\r\nWriteOnTheFly=") + text + "\r\n");
        EXPECT_EQ(LoadSettings(ini_).writeOnTheFly, on) << text;
    }
    WriteAll(ini_, "[Other]\r\n");
    const EditorSettings d = LoadSettings(ini_);
    EXPECT_TRUE(d.writeOnTheFly);
    EXPECT_TRUE(d.savedWriteOnTheFly);
    EXPECT_EQ(d.storedSelection, "");
}

TEST_F(SettingsTest, ModeIsWrittenOnlyWhenItChanged) {
    WriteAll(ini_, "[Host]\r\nA=1\r\n");
    EditorSettings s = LoadSettings(ini_);
    EXPECT_FALSE(SaveModeIfChanged(s, ini_));
    EXPECT_EQ(ReadAll(ini_), "[Host]\r\nA=1\r\n");
    s.writeOnTheFly = false;
    EXPECT_TRUE(SaveModeIfChanged(s, ini_));
    EXPECT_FALSE(s.savedWriteOnTheFly);
    EXPECT_FALSE(SaveModeIfChanged(s, ini_));
    EXPECT_FALSE(LoadSettings(ini_).writeOnTheFly);
}

TEST_F(SettingsTest, SelectionRoundTripKeepsOtherSections) {
    WriteAll(ini_, "[Host]\r\nPort=COM3\r\n[Mode]\r\nWriteOnTheFly=0\r\n[Tail]\r\nZ=9\r\n");
    EditorSettings s = LoadSettings(ini_);
    ASSERT_TRUE(SaveSelection(s, {"cal_b", "fix a", "q\"x", "'w'"}, ini_));
    EXPECT_EQ(LoadSettings(ini_).storedSelection, s.storedSelection);
    EXPECT_EQ(SplitCommaText(LoadSettings(ini_).storedSelection),
              (std::vector<std::string>{"cal_b", "fix a", "q\"x", "'w'"}));
    EXPECT_EQ(ReadProfileString(ini_, "Host", "Port", ""), "COM3");
    EXPECT_EQ(ReadProfileString(ini_, "Tail", "Z", ""), "9");
    EXPECT_EQ(ReadProfileString(ini_, "Mode", "WriteOnTheFly", ""), "0");

    // An empty selection is written too.
    ASSERT_TRUE(SaveSelection(s, {}, ini_));
    EXPECT_EQ(ReadAll(ini_), "[Host]\r\nPort=COM3\r\n[Mode]\r\nWriteOnTheFly=0\r\nNVMSelGroups=\r\n[Tail]\r\nZ=9\r\n");
}

}  // namespace
}  // namespace vtq
