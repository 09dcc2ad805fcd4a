#pragma once
// Loads the editor plug-in by path, resolves its entry points by name and
// drives its life: hand-over, CanRun, show, close, unload.

#include <string>

#include "vtq/host_api.h"

namespace nvmhost {

class PluginLoader {
public:
    PluginLoader() = default;
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;
    ~PluginLoader();

    // False with a message naming the file and the cause (not found, not a
    // library, a missing entry point); nothing stays loaded then.
    bool Load(const std::string& path, std::string& error);
    bool Loaded() const { return handle_ != nullptr; }
    const std::string& Path() const { return path_; }

    // SetFuncInterface, SetShowLineFunc, SetGetInterface, SetComHandle and SetBasebandType.
    void HandOver(const vtq_host_fn* table, int32_t sizeBytes, vtq_show_line_fn showLine, int32_t comHandle);
    void SetComHandle(int32_t handle);
    bool CanRun() const;
    void ShowWindow(const vtq_host_app* app);
    // CloseMDIChildForm, when a window was shown.
    void CloseWindow(const vtq_host_app* app);
    bool WindowShown() const { return shown_; }
    // A call into the plug-in is running (the host got here through a callback).
    bool InCall() const { return depth_ > 0; }
    // The plug-in's exported window instance, null when there is none.
    void* WindowInstance() const;

    // Closes the window (with the app given to the last ShowWindow) and unloads.
    // `beforeUnload` runs between the two, so that the host can let go of what the
    // plug-in's code still has to destroy. Inside a call into the plug-in
    // only the window closes and the library stays.
    void Unload(void (*beforeUnload)() = nullptr);

private:
    class Call;

    void* handle_ = nullptr;
    int depth_ = 0;
    std::string path_;
    bool shown_ = false;
    const vtq_host_app* app_ = nullptr;
    vtq_set_func_interface_fn setFuncInterface_ = nullptr;
    vtq_set_show_line_func_fn setShowLineFunc_ = nullptr;
    vtq_set_get_interface_fn setGetInterface_ = nullptr;
    vtq_set_int_fn setComHandle_ = nullptr;
    vtq_set_int_fn setBasebandType_ = nullptr;
    vtq_can_run_fn canRun_ = nullptr;
    vtq_form_fn showForm_ = nullptr;
    vtq_form_fn closeForm_ = nullptr;
    void** windowInstance_ = nullptr;
};

}  // namespace nvmhost
