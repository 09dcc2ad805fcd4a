// The C entry points of the plug-in. Each one catches everything: nothing is
// thrown across the boundary into the host.

#include "plugin/host_table.h"
#include "plugin/window_life.h"
#include "vtq/host_api.h"

// Version information read from the library file itself, the way a version
// resource is read: one section of our own holding key=value texts.
__attribute__((used, section(".vtq_version"))) static const char kVersionInfo[] =
    "VTQVERSION1\0ProductName=VTQ NVM Editor\0FileVersion=1.19.0.0\0";

extern "C" {

VTQ_EXPORT void* FNVMVTQ = nullptr;

VTQ_EXPORT void VTQ_CALL SetFuncInterface(const vtq_host_fn* table, int32_t size_bytes) {
    try {
        vtq::PluginHostTable().SetFuncInterface(table, size_bytes);
    } catch (...) {}
}

VTQ_EXPORT void VTQ_CALL SetShowLineFunc(vtq_show_line_fn show_line) {
    try {
        vtq::PluginHostTable().showLine = show_line;
    } catch (...) {}
}

VTQ_EXPORT void VTQ_CALL SetGetInterface(void* get_interface) {
    try {
        vtq::PluginHostTable().getInterface = get_interface;
    } catch (...) {}
}

VTQ_EXPORT void VTQ_CALL SetComHandle(int32_t handle) {
    try {
        vtq::PluginHostTable().portHandle = handle;
    } catch (...) {}
}

VTQ_EXPORT void VTQ_CALL SetBasebandType(int32_t) {}

VTQ_EXPORT int32_t VTQ_CALL CanRun(void) {
    try {
        return vtq::PluginHostTable().CanRun() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

VTQ_EXPORT void VTQ_CALL ShowMDIChildForm(const vtq_host_app* host_application) {
    try {
        vtq::ShowEditorWindow(host_application);
    } catch (...) {}
}

VTQ_EXPORT void VTQ_CALL CloseMDIChildForm(const vtq_host_app* host_application) {
    try {
        vtq::CloseEditorWindow(host_application);
    } catch (...) {}
}

}  // extern "C"

namespace {
// Library attach and detach: the show line starts cleared and the port handle
// at -1; on detach the window goes and the host's application object is left alone.
__attribute__((constructor)) void AttachPlugin() {
    try {
        (void)kVersionInfo;
        vtq::PluginHostTable().showLine = nullptr;
        vtq::PluginHostTable().portHandle = -1;
    } catch (...) {}
}

__attribute__((destructor)) void DetachPluginHook() {
    try {
        vtq::DetachPlugin();
    } catch (...) {}
}
}  // namespace
