/* A stand-in for the editor plug-in: it records the hand-over and, when its window is shown, asks the host for the
   group list through slot 175. Built a second time without CloseMDIChildForm, as a library that is not a plug-in. */
#include <string.h>

#include "vtq/host_api.h"

static vtq_host_fn slots[VTQ_HOST_TABLE_SLOTS];
static vtq_show_line_fn show_line;
static int shows, closes;
static char answer_text[4096];
static uint8_t answer_result, target_lost;

VTQ_EXPORT void* FNVMVTQ = NULL;

static void VTQ_CALL assign(vtq_answer* self, const char* text, size_t length) {
    (void)self;
    if (length >= sizeof answer_text) length = sizeof answer_text - 1;
    memcpy(answer_text, text, length);
    answer_text[length] = 0;
}

VTQ_EXPORT void VTQ_CALL SetFuncInterface(const vtq_host_fn* table, int32_t size_bytes) {
    size_t n = (size_t)size_bytes / sizeof(vtq_host_fn);
    memcpy(slots, table, (n > VTQ_HOST_TABLE_SLOTS ? VTQ_HOST_TABLE_SLOTS : n) * sizeof(vtq_host_fn));
}
VTQ_EXPORT void VTQ_CALL SetShowLineFunc(vtq_show_line_fn fn) { show_line = fn; }
VTQ_EXPORT void VTQ_CALL SetGetInterface(void* p) { (void)p; }
VTQ_EXPORT void VTQ_CALL SetComHandle(int32_t h) { (void)h; }
VTQ_EXPORT void VTQ_CALL SetBasebandType(int32_t t) { (void)t; }
VTQ_EXPORT int32_t VTQ_CALL CanRun(void) {
    return slots[VTQ_SLOT_SEND_RECEIVE] != NULL && slots[VTQ_SLOT_CHECK_CONNECTION] != NULL;
}

VTQ_EXPORT void VTQ_CALL ShowMDIChildForm(const vtq_host_app* app) {
    vtq_answer a = {sizeof(vtq_answer), answer_text, assign};
    ++shows;
    FNVMVTQ = app->mdi_area;
    target_lost = 0;
    answer_result =
        ((vtq_send_receive_fn)slots[VTQ_SLOT_SEND_RECEIVE])("at@nvm:$nvm_groups??\r", &a, 0, -1, 0, &target_lost);
    if (show_line) show_line(answer_result ? "groups read" : "no groups", answer_result);
}

#ifndef FAKE_PLUGIN_PARTIAL
VTQ_EXPORT void VTQ_CALL CloseMDIChildForm(const vtq_host_app* app) {
    (void)app;
    ++closes;
    FNVMVTQ = NULL;
}
#endif

/* What the tests read back. */
VTQ_EXPORT void FakePluginState(int* show_count, int* close_count, const char** answer, uint8_t* result,
                                uint8_t* lost) {
    *show_count = shows;
    *close_count = closes;
    *answer = answer_text;
    *result = answer_result;
    *lost = target_lost;
}
