// Version text read from the plug-in file, and from files that are damaged or carry no version information.
#include <gtest/gtest.h>

#include <fstream>

#include "base/file_io.h"
#include "plugin/version_info.h"

namespace vtq {
namespace {

const std::string kPlugin = std::string(VTQ_BINARY_DIR) + "/bin/libvtqnvm.so";
const std::string kNoInfo = "About: No version information available.";

// The last copy: section names live in the table at the end of the file.
void Replace(std::string& bytes, const std::string& what, const std::string& with) {
    const size_t at = bytes.rfind(what);
    ASSERT_NE(at, std::string::npos) << what;
    bytes.replace(at, with.size(), with);
}

TEST(VersionInfoTest, PluginFileAndDamagedCopies) {
    std::string original;
    ASSERT_TRUE(ReadWholeFile(kPlugin, original)) << kPlugin;
    EXPECT_EQ(VersionText(kPlugin), "VTQ NVM Editor - Version: 1.19.0.0");

    const std::tuple<const char*, std::function<void(std::string&)>, std::string> cases[] = {
        {"empty file", [](std::string& b) { b.clear(); }, kNoInfo},
        {"not an ELF file", [](std::string& b) { b = "MZ this is something else"; }, kNoInfo},
        {"only the ELF header", [](std::string& b) { b.resize(64); }, kNoInfo},
        {"cut in the middle", [](std::string& b) { b.resize(b.size() / 2); }, kNoInfo},
        {"section headers far outside the file",
         [](std::string& b) { b.replace(0x28, 8, std::string("\xff\xff\xff\xff\xff\xff\xff\x7f", 8)); }, kNoInfo},
        {"section renamed", [](std::string& b) { Replace(b, ".vtq_version", ".vtq_versioX"); }, kNoInfo},
        {"wrong magic", [](std::string& b) { Replace(b, std::string("VTQVERSION1\0Product", 19), "VTQVERSION2"); },
         kNoInfo},
        {"empty file version", [](std::string& b) { Replace(b, "FileVersion=1", std::string("FileVersion=\0", 13)); },
         "VTQ NVM Editor"},
    };
    const std::string copy = testing::TempDir() + "version_copy_" + std::to_string(::getpid()) + ".so";
    for (const auto& [what, damage, expected] : cases) {
        SCOPED_TRACE(what);
        std::string bytes = original;
        damage(bytes);
        std::ofstream(copy, std::ios::binary | std::ios::trunc) << bytes;
        EXPECT_EQ(VersionText(copy), expected);
    }
    std::remove(copy.c_str());
    EXPECT_EQ(VersionText(copy), kNoInfo) << "missing file";
}

}  // namespace
}  // namespace vtq
