#include "core/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace vtq {
namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

// A fresh folder per test; the environment of the settings folder is restored afterwards.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vtq_settings_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ini_ = (dir_ / "Brevant.ini").string();
        for (const char* name : {"APPDATA", "XDG_CONFIG_HOME", "HOME"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
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
    EXPECT_EQ(SettingsFilePath(), (dir_ / "app/Korvale/Brevant/Brevant.ini").string());
    EXPECT_TRUE(fs::is_directory(dir_ / "app/Korvale/Brevant"));
    ::setenv("APPDATA", (dir_ / "other").c_str(), 1);  // seen only after a reset
    EXPECT_EQ(SettingsFolder(), (dir_ / "app/Korvale/Brevant/").string());

    ::unsetenv("APPDATA");
    ::setenv("XDG_CONFIG_HOME", (dir_ / "xdg").c_str(), 1);
    ResetSettingsFolder();
    EXPECT_EQ(SettingsFolder(), (dir_ / "xdg/Korvale/Brevant/").string());

    ::setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    ::setenv("HOME", (dir_ / "home").c_str(), 1);
    ResetSettingsFolder();
    EXPECT_EQ(SettingsFolder(), (dir_ / "home/.config/Korvale/Brevant/").string());
    EXPECT_TRUE(fs::is_directory(dir_ / "home/.config/Korvale/Brevant"));
}

TEST_F(SettingsTest, ReadsLikeTheProfileFunctions) {
    WriteAll(ini_,
             "\xEF\xBB\xBF[Other]\r\nNVMSelGroups=wrong\r\n  [ mode ]  \r\n  WriteOnTheFly =  0  \r\n"
             "NVMSelGroups=\"a b\",c\nQuoted='x'\r\nBare\r\n[Next]\r\nWriteOnTheFly=7\r\n");
    const std::vector<std::tuple<const char*, const char*, const char*>> cases = {
        {"Mode", "WRITEONTHEFLY", "0"}, {"Mode", "NVMSelGroups", "\"a b\",c"}, {"Mode", "Quoted", "x"},
        {"Mode", "Bare", ""},          {"Mode", "Missing", "default"},       {"Other", "NVMSelGroups", "wrong"},
        {"Nowhere", "Bare", "default"},
    };
    for (const auto& [section, key, value] : cases)
        EXPECT_EQ(ReadProfileString(ini_, section, key, "default"), value) << section << "/" << key;
    EXPECT_EQ(ReadProfileString((dir_ / "absent.ini").string(), "Mode", "Bare", "default"), "default");
}

TEST_F(SettingsTest, WritingKeepsEveryOtherLineAndLeavesNoTemporaryFile) {
    WriteAll(ini_, "; host\r\n[Host]\r\nWriteOnTheFly=5\r\n\r\n[mode]\r\nwriteonthefly = 1\r\nHostKey=kept\r\n\r\n[Last]\r\nX=1");
    ASSERT_TRUE(WriteProfileString(ini_, "Mode", "WriteOnTheFly", "0"));
    ASSERT_TRUE(WriteProfileString(ini_, "Mode", "NVMSelGroups", "a,b"));
    EXPECT_EQ(ReadAll(ini_), "; host\r\n[Host]\r\nWriteOnTheFly=5\r\n\r\n[mode]\r\nwriteonthefly=0\r\nHostKey=kept\r\n"
                             "NVMSelGroups=a,b\r\n\r\n[Last]\r\nX=1\r\n");
    ASSERT_TRUE(WriteProfileString(ini_, "New", "K", "v"));
    EXPECT_TRUE(ReadAll(ini_).ends_with("X=1\r\n\r\n[New]\r\nK=v\r\n"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SettingsTest, ValuesSurviveTheRoundTripAndLineBreaksAreRefused) {
    for (const std::string value : {"\"a b\",\"c d\"", "'q'", "  padded ", "x=y;z", "\xE4\xFF", ""}) {
        ASSERT_TRUE(WriteProfileString(ini_, "Mode", "V", value));
        EXPECT_EQ(ReadProfileString(ini_, "Mode", "V", "default"), value);
    }
    WriteAll(ini_, "[Mode]\r\nV=1\r\n");
    EXPECT_FALSE(WriteProfileString(ini_, "Mode", "V", "a\r\n[Evil]"));
    EXPECT_FALSE(WriteProfileString(ini_, "Mode", "A=B", "1"));
    EXPECT_EQ(ReadAll(ini_), "[Mode]\r\nV=1\r\n");
    EXPECT_FALSE(WriteProfileString((dir_ / "no/such/folder/x.ini").string(), "Mode", "V", "1"));
}

TEST_F(SettingsTest, WriteOnTheFlyIsWrittenOnlyWhenChangedAndTheSelectionAlways) {
    const std::pair<const char*, bool> cases[] = {{"", true},  {"1", true},  {"0", false},   {"000", false},
                                                  {"-0", false}, {"-5", true}, {"abc", true}, {"99999999999999999999", true}};
    for (const auto& [text, on] : cases) {
        WriteAll(ini_, std::string("[Mode]\r\nWriteOnTheFly=") + text + "\r\n");
        EXPECT_EQ(LoadSettings(ini_).writeOnTheFly, on) << text;
    }
    WriteAll(ini_, "[Host]\r\nA=1\r\n");
    EditorSettings s = LoadSettings(ini_);
    EXPECT_TRUE(s.writeOnTheFly && s.savedWriteOnTheFly && s.storedSelection.empty());
    EXPECT_FALSE(SaveModeIfChanged(s, ini_));
    EXPECT_EQ(ReadAll(ini_), "[Host]\r\nA=1\r\n");
    s.writeOnTheFly = false;
    EXPECT_TRUE(SaveModeIfChanged(s, ini_));
    EXPECT_FALSE(SaveModeIfChanged(s, ini_));
    EXPECT_FALSE(LoadSettings(ini_).writeOnTheFly);

    ASSERT_TRUE(SaveSelection(s, {"dyn_c", "fix_a"}, ini_));
    EXPECT_EQ(LoadSettings(ini_).storedSelection, "dyn_c,fix_a");
}

}  // namespace
}  // namespace vtq
