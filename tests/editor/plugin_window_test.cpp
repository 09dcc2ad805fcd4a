// The plug-in loaded by path, driven by a fake host without a multiple-document area: CanRun over the handed table,
// closes without a window, repeated shows. Its exports and the window in the host's area: host_editor_test.cpp.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <filesystem>

#include "vtq/host_api.h"

namespace {

const std::string kPlugin = std::string(VTQ_BINARY_DIR) + "/bin/libvtqnvm.so";

std::vector<std::string> commands;

uint8_t SendReceive(const char* command, vtq_answer* answer, uint8_t, int, uint8_t, uint8_t*) {
    commands.emplace_back(command);
    std::string text = "OK\r\n";
    if (commands.back() == "at@nvm:$nvm_groups??\r") text = "$nvm_groups\r\ncal_b=2\r\nfix_a=1\r\nOK\r\n";
    answer->assign(answer, text.data(), text.size());
    return 1;
}
uint8_t CheckConnection(int) { return 1; }

// Without an area the editor is a window of its own. Closes are idempotent.
TEST(PluginWindowTest, ExportsCanRunAndOneWindowWithOrWithoutAnArea) {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("plugin_window_tests"), nullptr};
    new QApplication(argc, argv);  // lives as long as the plug-in, to the end of the process
    const auto dir =
        std::filesystem::path(testing::TempDir()) / ("plugin_window_settings_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ::setenv("APPDATA", dir.c_str(), 1);

    void* lib = dlopen(kPlugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto setTable = reinterpret_cast<vtq_set_func_interface_fn>(dlsym(lib, "SetFuncInterface"));
    auto canRun = reinterpret_cast<vtq_can_run_fn>(dlsym(lib, "CanRun"));
    auto show = reinterpret_cast<vtq_form_fn>(dlsym(lib, "ShowMDIChildForm"));
    auto close = reinterpret_cast<vtq_form_fn>(dlsym(lib, "CloseMDIChildForm"));
    auto* window = static_cast<void**>(dlsym(lib, "FNVMVTQ"));
    ASSERT_TRUE(setTable && canRun && show && close && window);
    const auto Window = [window] { return static_cast<QWidget*>(*window); };

    std::vector<vtq_host_fn> table(VTQ_HOST_TABLE_SLOTS, nullptr);
    table[VTQ_SLOT_SEND_RECEIVE] = reinterpret_cast<vtq_host_fn>(&SendReceive);
    table[VTQ_SLOT_CHECK_CONNECTION] = reinterpret_cast<vtq_host_fn>(&CheckConnection);
    setTable(table.data(), static_cast<int32_t>(table.size() * sizeof(vtq_host_fn)));
    EXPECT_EQ(canRun(), 1);

    const vtq_host_app noArea{sizeof(vtq_host_app), nullptr, nullptr};
    close(&noArea);  // no window yet: nothing happens
    show(&noArea);
    QPointer<QWidget> own = Window();
    ASSERT_TRUE(own && own->isWindow());
    show(&noArea);
    EXPECT_EQ(Window(), own.data()) << "the same window brought forward";
    EXPECT_EQ(commands, (std::vector<std::string>{"at@nvm:$nvm_groups??\r", "ATI\r", "AT+CGSN\r"}))
        << "the group list and the unit fetched once per window";
    close(&noArea);
    EXPECT_EQ(std::tuple(own.data(), Window()), std::tuple(nullptr, nullptr));
    close(&noArea);
}

}  // namespace
