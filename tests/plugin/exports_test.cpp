// Loads the built plug-in the way a host does and checks its C boundary.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "vtq/host_api.h"

namespace {

const std::string kPlugin = std::string(VTQ_BINARY_DIR) + "/bin/libvtqnvm.so";

TEST(PluginExports, EntryPointsHaveUndecoratedNames) {
    void* lib = dlopen(kPlugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const char* name : {"SetFuncInterface", "SetShowLineFunc", "SetGetInterface", "SetComHandle",
                             "SetBasebandType", "CanRun", "ShowMDIChildForm", "CloseMDIChildForm", "FNVMVTQ"}) {
        EXPECT_NE(dlsym(lib, name), nullptr) << name;
    }
    auto setTable = reinterpret_cast<vtq_set_func_interface_fn>(dlsym(lib, "SetFuncInterface"));
    auto canRun = reinterpret_cast<vtq_can_run_fn>(dlsym(lib, "CanRun"));
    auto setShowLine = reinterpret_cast<vtq_set_show_line_func_fn>(dlsym(lib, "SetShowLineFunc"));
    auto setCom = reinterpret_cast<vtq_set_int_fn>(dlsym(lib, "SetComHandle"));
    auto setBaseband = reinterpret_cast<vtq_set_int_fn>(dlsym(lib, "SetBasebandType"));
    ASSERT_TRUE(setTable && canRun && setShowLine && setCom && setBaseband);

    EXPECT_EQ(canRun(), 0);
    std::vector<vtq_host_fn> table(VTQ_HOST_TABLE_SLOTS, reinterpret_cast<vtq_host_fn>(&dlclose));
    setTable(table.data(), 175 * static_cast<int32_t>(sizeof(vtq_host_fn)));
    EXPECT_EQ(canRun(), 0) << "slots 175 and above stay null";
    setTable(table.data(), static_cast<int32_t>(table.size() * sizeof(vtq_host_fn)));
    EXPECT_EQ(canRun(), 1);
    setTable(nullptr, 0);
    EXPECT_EQ(canRun(), 1) << "a null table leaves the previous one";
    setShowLine(nullptr);
    setCom(7);
    setBaseband(3);
#ifndef __SANITIZE_ADDRESS__
    // Under AddressSanitizer the library stays loaded, so that leak reports can name its frames.
    dlclose(lib);
#endif
}

TEST(PluginExports, VersionInformationIsInTheLibraryFile) {
    FILE* f = std::fopen(kPlugin.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string bytes;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
    EXPECT_NE(bytes.find(std::string("ProductName=VTQ NVM Editor\0FileVersion=1.19.0.0", 47)), std::string::npos);
}

}  // namespace
