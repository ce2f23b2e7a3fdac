/*
 * Tavix SDK for the Tavix264ROR-USB3-Q5 camera (USB 3.0, IMX264, 2448 x 2048).
 *
 * A flat C interface: Tavix_Initialize creates a camera instance and returns
 * its handle number; every other function takes that handle first. Functions
 * return 1 for success and 0 for failure, or a value. A failure inside an
 * instance pushes an error code on the instance's error stack (read with
 * Tavix_GetLastError) and posts TAVIX_WM_ERROR to the notification window.
 * An unknown handle makes every function return its failure value and
 * records nothing.
 *
 * Windows: TavixSdk_264ROR_USB3_Q5.dll. Linux: libTavixSdk_264ROR_USB3_Q5.so,
 * the same functions; window messages reach the sink installed with
 * TavixLinux_SetMessageSink.
 */
#ifndef TAVIX_SDK_H
#define TAVIX_SDK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define TAVIX_API __stdcall
#define TAVIX_EXPORT
#else
#define TAVIX_API
#define TAVIX_EXPORT __attribute__((visibility("default")))
#endif

/* A window handle (HWND on Windows); null where no window is wanted. */
typedef void* TavixWindow;

/* Window messages posted to the application (WM_APP + 2, WM_APP + 3). */
#define TAVIX_WM_FRAME 0x8002u /* wParam: TavixFrameInfo*, or 0 with lParam an event code */
#define TAVIX_WM_ERROR 0x8003u /* wParam 0, lParam: the error code */

/* Error codes of Tavix_GetLastError and TAVIX_WM_ERROR (10 is never used). */
#define TAVIX_ERR_NONE 0u
#define TAVIX_ERR_NO_CAMERA 1u         /* no camera, or not allowed in this acquisition state */
#define TAVIX_ERR_DEVICE 2u            /* the camera could not be selected or opened */
#define TAVIX_ERR_THREAD 3u            /* a thread could not be started */
#define TAVIX_ERR_WINDOW 4u            /* the preview window failed; no stored capture size */
#define TAVIX_ERR_BUFFER 5u            /* a buffer could not be allocated, or is too small */
#define TAVIX_ERR_REGISTER 6u          /* a register access or a camera-side value failed */
#define TAVIX_ERR_CAPTURE_WINDOW 7u    /* the capture window is not valid for the sensor */
#define TAVIX_ERR_TRANSFER 8u          /* a frame could not be read */
#define TAVIX_ERR_ARGUMENT 9u          /* an argument is out of range or missing */
#define TAVIX_ERR_NOT_SUPPORTED 11u    /* the camera or the library does not offer this */
#define TAVIX_ERR_CONVERSION 12u       /* text conversion, or a file or recording failed */
#define TAVIX_ERR_CAMERA_STOPPED 13u   /* the camera stopped delivering (e.g. unplugged) */
#define TAVIX_ERR_FILE 14u             /* a mask file could not be opened, read or written */

/* The library's version, 0x020C0521. Needs no handle. */
TAVIX_EXPORT uint32_t TAVIX_API Tavix_GetDllVersion(void);

/* Creates a camera instance and opens the camera when exactly one is attached.
 * notifyWindow receives TAVIX_WM_ERROR for every recorded error (may be null:
 * errors are then only recorded). Returns the new handle, never 0 and never
 * equal to a registered one; 0 when the instance could not be created. */
TAVIX_EXPORT uint32_t TAVIX_API Tavix_Initialize(TavixWindow notifyWindow);

/* Destroys the instance: stops acquisition, closes the camera. 1 when the
 * handle was registered, 0 for an unknown handle. Do not release a handle
 * while another thread is still inside a call on it. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_Release(uint32_t handle);

/* Pops the newest error code of the instance's 20-entry error stack; 0 when
 * the stack is empty or the handle is unknown. */
TAVIX_EXPORT uint32_t TAVIX_API Tavix_GetLastError(uint32_t handle);

#if !defined(_WIN32)
/* Linux: receives every message the library posts (what PostMessage carries
 * on Windows). The sink runs on the library's thread, possibly while it holds
 * a lock: it must queue the message and return without calling the library.
 * A null sink drops messages. Not part of the Windows DLL. */
typedef void (*TavixMessageSink)(void* context, TavixWindow window, uint32_t message, uintptr_t wParam,
                                 intptr_t lParam);
TAVIX_EXPORT void TavixLinux_SetMessageSink(TavixMessageSink sink, void* context);
#endif

#ifdef __cplusplus
}
#endif

#endif /* TAVIX_SDK_H */
