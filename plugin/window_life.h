#pragma once
// Life of the single editor window inside the host's frame. Implemented by the
// Qt side; the exports only forward to it, guarded.

#include "vtq/host_api.h"

namespace vtq {

void ShowEditorWindow(const vtq_host_app* hostApplication);
void CloseEditorWindow(const vtq_host_app* hostApplication);
// Called when the library is unloaded.
void DetachPlugin();

}  // namespace vtq
