// The plug-in's window life, loaded by path the way a host does: the window
// lives in the host's multiple-document area, maximised, with the version
// caption, and closes are idempotent; without an area it is a window of its
// own, and still only one. (A close during a read is driven through the
// stand-in host in host_editor_test.cpp.)
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "vtq/host_api.h"

namespace {

const std::string kPlugin = std::string(VTQ_BINARY_DIR) + "/bin/libvtqnvm.so";

struct Plugin {
    void* lib = nullptr;
    vtq_set_func_interface_fn setTable = nullptr;
    vtq_set_show_line_func_fn setShowLine = nullptr;
    vtq_form_fn show = nullptr;
    vtq_form_fn close = nullptr;
    void** window = nullptr;
};

// The host side: one editor, one set of answers, one log.
std::vector<std::string> logLines;
std::vector<std::string> commands;

uint8_t SendReceive(const char* command, vtq_answer* answer, uint8_t, int, uint8_t, uint8_t*) {
    commands.emplace_back(command);
    std::string text = "OK\r\n";
    if (commands.back() == "at@nvm:$nvm_groups??\r") text = "$nvm_groups\r\ncal_b=2\r\nfix_a=1\r\nOK\r\n";
    answer->assign(answer, text.data(), text.size());
    return 1;
}
uint8_t CheckConnection(int) { return 1; }
void ShowLine(const char* text, uint8_t) { logLines.emplace_back(text); }

class PluginWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "plugin_window_tests";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr) new QApplication(argc, argv);
        const auto dir = std::filesystem::path(testing::TempDir()) / ("plugin_window_settings_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        ::setenv("APPDATA", dir.c_str(), 1);
    }
    void SetUp() override {
        plugin.lib = dlopen(kPlugin.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(plugin.lib, nullptr) << dlerror();
        plugin.setTable = reinterpret_cast<vtq_set_func_interface_fn>(dlsym(plugin.lib, "SetFuncInterface"));
        plugin.setShowLine = reinterpret_cast<vtq_set_show_line_func_fn>(dlsym(plugin.lib, "SetShowLineFunc"));
        plugin.show = reinterpret_cast<vtq_form_fn>(dlsym(plugin.lib, "ShowMDIChildForm"));
        plugin.close = reinterpret_cast<vtq_form_fn>(dlsym(plugin.lib, "CloseMDIChildForm"));
        plugin.window = static_cast<void**>(dlsym(plugin.lib, "FNVMVTQ"));
        ASSERT_TRUE(plugin.setTable && plugin.setShowLine && plugin.show && plugin.close && plugin.window);
        std::vector<vtq_host_fn> table(VTQ_HOST_TABLE_SLOTS, nullptr);
        table[VTQ_SLOT_SEND_RECEIVE] = reinterpret_cast<vtq_host_fn>(&SendReceive);
        table[VTQ_SLOT_CHECK_CONNECTION] = reinterpret_cast<vtq_host_fn>(&CheckConnection);
        plugin.setTable(table.data(), static_cast<int32_t>(table.size() * sizeof(vtq_host_fn)));
        plugin.setShowLine(&ShowLine);
        logLines.clear();
        commands.clear();
        area.resize(900, 600);
        area.show();
    }
    // The plug-in stays loaded, as in a host: its statics must outlive every test.
    QWidget* Window() const { return static_cast<QWidget*>(*plugin.window); }

    Plugin plugin;
    QMdiArea area;
    vtq_host_app app{sizeof(vtq_host_app), &area, nullptr};
};

TEST_F(PluginWindowTest, ShowCreatesMaximisedChildWithVersionCaptionAndCloseDestroysOnce) {
    plugin.close(&app);  // no window yet: nothing happens
    EXPECT_EQ(Window(), nullptr);

    plugin.show(&app);
    QPointer<QWidget> window = Window();
    ASSERT_TRUE(window);
    ASSERT_EQ(area.subWindowList().size(), 1);
    QPointer<QMdiSubWindow> frame = area.subWindowList().front();
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_EQ(frame->widget(), window.data());
    // The test program sits in the folder of the plug-in, like the host does.
    EXPECT_EQ(window->windowTitle(), "VTQ NVM Editor - Version: 1.19.0.0");
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(commands, std::vector<std::string>{"at@nvm:$nvm_groups??\r"});

    plugin.close(&app);
    EXPECT_EQ(Window(), nullptr);
    EXPECT_FALSE(frame);
    plugin.close(&app);
    EXPECT_TRUE(area.subWindowList().isEmpty());
}

// A host without a multiple-document area gets a window of its own; showing
// again brings that same window forward instead of opening another one.
TEST_F(PluginWindowTest, WithoutAnAreaASecondShowKeepsTheOneWindow) {
    const vtq_host_app noArea{sizeof(vtq_host_app), nullptr, nullptr};
    const auto editorWindows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) n += w->objectName() == "FNVMVTQ";
        return n;
    };
    plugin.show(&noArea);
    QPointer<QWidget> window = Window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(area.subWindowList().isEmpty());

    plugin.show(&noArea);
    EXPECT_EQ(Window(), window.data());
    EXPECT_EQ(editorWindows(), 1);
    EXPECT_EQ(commands.size(), 1u) << "the group list is fetched once";

    plugin.close(&noArea);
    EXPECT_FALSE(window);
    EXPECT_EQ(editorWindows(), 0);
}

}  // namespace
