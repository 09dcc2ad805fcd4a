#include "core/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/settings_folder.h"
#include "session_fixture.h"

namespace fs = std::filesystem;

namespace vtq {
namespace {

// A fresh folder per test; the environment of the settings folder is restored afterwards.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"APPDATA", "XDG_CONFIG_HOME", "HOME"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        ResetSettingsFolder();
    }
    std::string Ini() const { return test::FileText(ini_); }
    test::TempDir dir_;
    const fs::path root_ = dir_.Path();
    const std::string ini_ = dir_.File("Brevant.ini");
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(SettingsTest, FolderComesFromAppDataThenXdgThenHomeAndIsCreated) {
    ::setenv("APPDATA", (root_ / "app/").c_str(), 1);
    ResetSettingsFolder();
    EXPECT_EQ(SettingsFilePath(), (root_ / "app/Korvale/Brevant/Brevant.ini").string());
    // Then XDG_CONFIG_HOME when absolute, then HOME; each folder is created.
    ::unsetenv("APPDATA");
    for (const auto& [xdg, folder] : {std::pair("xdg", "xdg/Korvale/Brevant/"),
                                      {"relative/is/ignored", "home/.config/Korvale/Brevant/"}}) {
        ::setenv("XDG_CONFIG_HOME", *xdg == 'x' ? (root_ / xdg).c_str() : xdg, 1);
        ::setenv("HOME", (root_ / "home").c_str(), 1);
        ResetSettingsFolder();
        EXPECT_EQ(SettingsFolder(), (root_ / folder).string());
        EXPECT_TRUE(fs::is_directory(root_ / folder));
    }
    EXPECT_TRUE(fs::is_directory(root_ / "app/Korvale/Brevant"));
}

TEST_F(SettingsTest, ReadsLikeTheProfileFunctions) {
    ASSERT_TRUE(WriteFileAtomically(
        ini_, "\xEF\xBB\xBF[Other]\r\nNVMSelGroups=wrong\r\n  [ mode ]  \r\n  WriteOnTheFly =  0  \r\n"
              "NVMSelGroups=\"a b\",c\nQuoted='x'\r\nBare\r\n[Next]\r\nWriteOnTheFly=7\r\n"));
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"Mode", "WRITEONTHEFLY", "0"}, {"Mode", "NVMSelGroups", "\"a b\",c"}, {"Mode", "Quoted", "x"},
        {"Mode", "Bare", ""},          {"Mode", "Missing", "default"},       {"Other", "NVMSelGroups", "wrong"},
        {"Nowhere", "Bare", "default"},
    };
    for (const auto& [section, key, value] : cases)
        EXPECT_EQ(ReadProfileString(ini_, section, key, "default"), value) << section << "/" << key;
    EXPECT_EQ(ReadProfileString(dir_.File("absent.ini"), "Mode", "Bare", "default"), "default");
}

TEST_F(SettingsTest, WritingKeepsEveryOtherLineAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(WriteFileAtomically(ini_, "; host\r\n[Host]\r\nWriteOnTheFly=5\r\n\r\n[mode]\r\nwriteonthefly = 1\r\n"
                                          "HostKey=kept\r\n\r\n[Last]\r\nX=1"));
    ASSERT_TRUE(WriteProfileString(ini_, "Mode", "WriteOnTheFly", "0") &&
                WriteProfileString(ini_, "Mode", "NVMSelGroups", "a,b"));
    EXPECT_EQ(Ini(), "; host\r\n[Host]\r\nWriteOnTheFly=5\r\n\r\n[mode]\r\nwriteonthefly=0\r\nHostKey=kept\r\n"
                     "NVMSelGroups=a,b\r\n\r\n[Last]\r\nX=1\r\n");
    ASSERT_TRUE(WriteProfileString(ini_, "New", "K", "v"));
    EXPECT_TRUE(Ini().ends_with("X=1\r\n\r\n[New]\r\nK=v\r\n"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1);
}

TEST_F(SettingsTest, ValuesSurviveTheRoundTripAndLineBreaksAreRefused) {
    for (const std::string value : {"\"a b\",\"c d\"", "'q'", "  padded ", "x=y;z", "\xE4\xFF", ""}) {
        ASSERT_TRUE(WriteProfileString(ini_, "Mode", "V", value));
        EXPECT_EQ(ReadProfileString(ini_, "Mode", "V", "default"), value);
    }
    ASSERT_TRUE(WriteFileAtomically(ini_, "[Mode]\r\nV=1\r\n"));
    EXPECT_FALSE(WriteProfileString(ini_, "Mode", "V", "a\r\n[Evil]") || WriteProfileString(ini_, "Mode", "A=B", "1") ||
                 WriteProfileString(ini_, "Mode", " ", "1") ||
                 WriteProfileString(dir_.File("no/such/folder/x.ini"), "Mode", "V", "1"));
    EXPECT_EQ(Ini(), "[Mode]\r\nV=1\r\n");
}

TEST_F(SettingsTest, WriteOnTheFlyIsWrittenOnlyWhenChanged) {
    const std::pair<const char*, bool> cases[] = {
        {"", true}, {"0", false}, {"-0", false}, {"-5", true}, {"abc", true}, {"99999999999999999999", true}};
    for (const auto& [text, on] : cases) {
        ASSERT_TRUE(WriteFileAtomically(ini_, std::string("[Mode]\r\nWriteOnTheFly=") + text + "\r\n"));
        EXPECT_EQ(LoadSettings(ini_).writeOnTheFly, on) << text;
    }
    ASSERT_TRUE(WriteFileAtomically(ini_, "[Host]\r\nA=1\r\n"));
    EditorSettings s = LoadSettings(ini_);
    EXPECT_TRUE(s.writeOnTheFly && s.savedWriteOnTheFly && s.storedSelection.empty());
    EXPECT_FALSE(SaveModeIfChanged(s, ini_));
    EXPECT_EQ(Ini(), "[Host]\r\nA=1\r\n");
    s.writeOnTheFly = false;
    EXPECT_TRUE(SaveModeIfChanged(s, ini_) && !SaveModeIfChanged(s, ini_) && !LoadSettings(ini_).writeOnTheFly);
}

}  // namespace
}  // namespace vtq
