// Version text read from the plug-in file, and from files that are damaged or missing.
#include <gtest/gtest.h>

#include <fstream>

#include "base/file_io.h"
#include "plugin/version_info.h"

namespace vtq {
namespace {

const std::string kPlugin = std::string(VTQ_BINARY_DIR) + "/bin/libvtqnvm.so";
const std::string kNoInfo = "About: No version information available.";

TEST(VersionInfoTest, PluginFileAndDamagedCopies) {
    std::string original;
    ASSERT_TRUE(ReadWholeFile(kPlugin, original)) << kPlugin;
    EXPECT_EQ(VersionText(kPlugin), "VTQ NVM Editor - Version: 1.19.0.0");

    // Damage that sends the reader past the end of what the file holds.
    const std::pair<const char*, std::function<void(std::string&)>> cases[] = {
        {"empty file", [](std::string& b) { b.clear(); }},
        {"cut in the middle", [](std::string& b) { b.resize(b.size() / 2); }},
        {"section headers far outside the file",
         [](std::string& b) { b.replace(0x28, 8, std::string("\xff\xff\xff\xff\xff\xff\xff\x7f", 8)); }},
    };
    const std::string copy = testing::TempDir() + "version_copy_" + std::to_string(::getpid()) + ".so";
    for (const auto& [what, damage] : cases) {
        SCOPED_TRACE(what);
        std::string bytes = original;
        damage(bytes);
        std::ofstream(copy, std::ios::binary | std::ios::trunc) << bytes;
        EXPECT_EQ(VersionText(copy), kNoInfo);
    }
    std::remove(copy.c_str());
    EXPECT_EQ(VersionText(copy), kNoInfo) << "missing file";
}

}  // namespace
}  // namespace vtq
