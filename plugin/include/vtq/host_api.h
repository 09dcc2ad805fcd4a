/*
 * The boundary between a host test tool and the VTQ NVM Editor plug-in.
 *
 * Everything a host needs to load the plug-in, hand it its functions and open
 * and close the editor window. Compiles as C (C99 and later) and as C++.
 * No C++ type crosses this boundary.
 *
 * The host function table only ever grows at its end: slot numbers are fixed,
 * and callers test a slot for null before they call it.
 */
#ifndef VTQ_HOST_API_H
#define VTQ_HOST_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#ifdef VTQ_BUILDING_PLUGIN
#define VTQ_EXPORT __declspec(dllexport)
#else
#define VTQ_EXPORT __declspec(dllimport)
#endif
#define VTQ_CALL __cdecl
#else
#define VTQ_EXPORT __attribute__((visibility("default")))
#define VTQ_CALL
#endif

/* ---- Host function table ------------------------------------------------ */

/* Number of pointer-sized slots in the host function table. */
#define VTQ_HOST_TABLE_SLOTS 216

/* Slot numbers of the host functions the plug-in calls. */
#define VTQ_SLOT_BVI_GET_INFO 173
#define VTQ_SLOT_SEND_RECEIVE 175
#define VTQ_SLOT_CHECK_CONNECTION 184

/* Info ids understood by BVI_GetInfo. */
#define VTQ_INFO_TARGET_DETAILS_1 9
#define VTQ_INFO_TARGET_DETAILS_2 10
#define VTQ_INFO_TOOL_NAME 20

/* A generic slot: every slot holds one function pointer (or null). */
typedef void(VTQ_CALL* vtq_host_fn)(void);

/*
 * The answer string object of VTQ_SendReceive. The plug-in owns it; the host
 * writes the answer text through it, as often as it likes (the last text wins).
 * The text may hold any byte, NUL included, since its length is given.
 */
typedef struct vtq_answer vtq_answer;
struct vtq_answer {
    uint32_t struct_size; /* sizeof(vtq_answer), set by the plug-in */
    void* owner;          /* plug-in side storage; the host never touches it */
    void(VTQ_CALL* assign)(vtq_answer* self, const char* text, size_t length);
};

/* Slot 173: writes at most `size` bytes (terminator included) into `buffer`.
   The caller clears buffer[0] before the call and uses the text only when
   buffer[0] is no longer 0. */
typedef void(VTQ_CALL* vtq_bvi_get_info_fn)(int info_id, char* buffer, int size);

/* Slot 175: sends one command (ending in a carriage return) and collects the
   answer up to its final result code. Returns nonzero when an answer was
   received. Sets *target_lost to 1 (when given) if the target stopped
   responding. `timeout` is always -1: the host chooses its own time-out. */
typedef uint8_t(VTQ_CALL* vtq_send_receive_fn)(const char* command, vtq_answer* answer, uint8_t echo, int timeout,
                                               uint8_t echo_again, uint8_t* target_lost);

/* Slot 184: nonzero when the target is connected and may be used. Called with 1. */
typedef uint8_t(VTQ_CALL* vtq_check_connection_fn)(int mode);

/* The show line (the host's log): flag 0 errors and warnings, 1 information. */
typedef void(VTQ_CALL* vtq_show_line_fn)(const char* text, uint8_t flag);

/* ---- Host application object -------------------------------------------- */

/*
 * What the host passes to ShowMDIChildForm and CloseMDIChildForm. In a Qt host
 * `mdi_area` is the QMdiArea the editor window lives in and `main_window` the
 * host's QMainWindow; both must come from the same Qt libraries as the plug-in.
 */
typedef struct vtq_host_app {
    uint32_t struct_size; /* sizeof(vtq_host_app) */
    void* mdi_area;
    void* main_window;
} vtq_host_app;

/* ---- Exports of the plug-in ----------------------------------------------- */

/* Copies whole slots of `table`: min(size_bytes, 216 slots) bytes; a size that
   ends inside a slot leaves that slot null. Null table or size < 1: no change. */
VTQ_EXPORT void VTQ_CALL SetFuncInterface(const vtq_host_fn* table, int32_t size_bytes);
VTQ_EXPORT void VTQ_CALL SetShowLineFunc(vtq_show_line_fn show_line);
VTQ_EXPORT void VTQ_CALL SetGetInterface(void* get_interface);
VTQ_EXPORT void VTQ_CALL SetComHandle(int32_t handle);
VTQ_EXPORT void VTQ_CALL SetBasebandType(int32_t baseband_type);
/* 1 when slots 175 and 184 are both present, else 0. */
VTQ_EXPORT int32_t VTQ_CALL CanRun(void);
VTQ_EXPORT void VTQ_CALL ShowMDIChildForm(const vtq_host_app* host_application);
VTQ_EXPORT void VTQ_CALL CloseMDIChildForm(const vtq_host_app* host_application);
/* The editor window instance, null when there is none. */
VTQ_EXPORT extern void* FNVMVTQ;

/* Function pointer types of the exports, for hosts that resolve them by name. */
typedef void(VTQ_CALL* vtq_set_func_interface_fn)(const vtq_host_fn*, int32_t);
typedef void(VTQ_CALL* vtq_set_show_line_func_fn)(vtq_show_line_fn);
typedef void(VTQ_CALL* vtq_set_get_interface_fn)(void*);
typedef void(VTQ_CALL* vtq_set_int_fn)(int32_t);
typedef int32_t(VTQ_CALL* vtq_can_run_fn)(void);
typedef void(VTQ_CALL* vtq_form_fn)(const vtq_host_app*);

#ifdef __cplusplus
}
#endif

#endif /* VTQ_HOST_API_H */
