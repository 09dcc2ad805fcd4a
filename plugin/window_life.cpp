#include "plugin/window_life.h"

// Placeholder until the editor window exists: the host may call these safely.
namespace vtq {

void ShowEditorWindow(const vtq_host_app*) {}
void CloseEditorWindow(const vtq_host_app*) {}
void DetachPlugin() {}

}  // namespace vtq
