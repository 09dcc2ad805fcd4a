#include "host/plugin_loader.h"

#include <dlfcn.h>

namespace nvmhost {

// Marks the time the plug-in's code runs on behalf of the host.
class PluginLoader::Call {
public:
    explicit Call(PluginLoader& loader) : loader_(loader) { ++loader_.depth_; }
    ~Call() { --loader_.depth_; }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

private:
    PluginLoader& loader_;
};

PluginLoader::~PluginLoader() { Unload(); }

bool PluginLoader::Load(const std::string& path, std::string& error) {
    Unload();
    if (handle_ != nullptr) {
        error = "Cannot load the editor plug-in " + path + ": " + path_ + " is still running.";
        return false;
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = "Cannot load the editor plug-in " + path + ": " + (why ? why : "unknown error");
        return false;
    }
    const char* missing = nullptr;
    auto resolve = [&](const char* name) -> void* {
        void* symbol = dlsym(handle, name);
        if (symbol == nullptr && missing == nullptr) missing = name;
        return symbol;
    };
    setFuncInterface_ = reinterpret_cast<vtq_set_func_interface_fn>(resolve("SetFuncInterface"));
    setShowLineFunc_ = reinterpret_cast<vtq_set_show_line_func_fn>(resolve("SetShowLineFunc"));
    setGetInterface_ = reinterpret_cast<vtq_set_get_interface_fn>(resolve("SetGetInterface"));
    setComHandle_ = reinterpret_cast<vtq_set_int_fn>(resolve("SetComHandle"));
    setBasebandType_ = reinterpret_cast<vtq_set_int_fn>(resolve("SetBasebandType"));
    canRun_ = reinterpret_cast<vtq_can_run_fn>(resolve("CanRun"));
    showForm_ = reinterpret_cast<vtq_form_fn>(resolve("ShowMDIChildForm"));
    closeForm_ = reinterpret_cast<vtq_form_fn>(resolve("CloseMDIChildForm"));
    windowInstance_ = static_cast<void**>(resolve("FNVMVTQ"));
    if (missing != nullptr) {
        error = "The file " + path + " is not an editor plug-in: it has no entry point " + missing + ".";
        dlclose(handle);
        return false;
    }
    handle_ = handle;
    path_ = path;
    return true;
}

void PluginLoader::HandOver(const vtq_host_fn* table, int32_t sizeBytes, vtq_show_line_fn showLine, int32_t comHandle) {
    if (!handle_) return;
    const Call call(*this);
    setFuncInterface_(table, sizeBytes);
    setShowLineFunc_(showLine);
    setGetInterface_(nullptr);
    setComHandle_(comHandle);
    setBasebandType_(0);
}

void PluginLoader::SetComHandle(int32_t handle) {
    if (!handle_) return;
    const Call call(*this);
    setComHandle_(handle);
}

bool PluginLoader::CanRun() const { return handle_ != nullptr && canRun_() != 0; }

void PluginLoader::ShowWindow(const vtq_host_app* app) {
    if (!handle_) return;
    app_ = app;
    shown_ = true;
    const Call call(*this);
    showForm_(app);
}

void PluginLoader::CloseWindow(const vtq_host_app* app) {
    if (!handle_ || !shown_) return;
    shown_ = false;
    const Call call(*this);
    closeForm_(app);
}

void* PluginLoader::WindowInstance() const { return handle_ ? *windowInstance_ : nullptr; }

void PluginLoader::Unload(void (*beforeUnload)()) {
    if (!handle_) return;
    CloseWindow(app_);
    if (depth_ > 0) return;
    // The plug-in forgets the host's functions before they can go away.
    setShowLineFunc_(nullptr);
    if (beforeUnload) beforeUnload();
#ifndef __SANITIZE_ADDRESS__
    // Under AddressSanitizer the library stays mapped, so that leak reports can name its frames.
    dlclose(handle_);
#endif
    handle_ = nullptr;
    path_.clear();
    app_ = nullptr;
}

}  // namespace nvmhost
