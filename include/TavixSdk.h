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

/* The record whose address TAVIX_WM_FRAME carries in wParam for every
 * delivered frame (32 bytes). It lives in the instance and is rewritten by
 * the next frame: read it when the message arrives. */
typedef struct TavixFrameInfo {
    uint32_t reserved;     /* always 0 */
    uint32_t width;        /* of the frame, in pixels */
    uint32_t height;
    uint32_t bitsPerPixel; /* of the delivered image: 8, 16, 24, 32, 48 or 64 */
    uint32_t frameRate10;  /* frames per second x 10, measured over about a second */
    uint32_t padding;
    void* buffer;          /* the buffer given to Tavix_CallBackPreview, or null */
} TavixFrameInfo;

/* Events of TAVIX_WM_FRAME with wParam 0, in lParam. */
#define TAVIX_EVENT_BUFFER_TOO_SMALL 5  /* the application buffer cannot hold the frame */
#define TAVIX_EVENT_READ_FAILED 8       /* a frame could not be read; the preview goes on */
#define TAVIX_EVENT_RECORDING_ENDED 12  /* a recording could not take more frames (file limit, write */
                                        /* failure); its file holds the frames before */
#define TAVIX_EVENT_CAMERA_STOPPED 13   /* the camera stopped delivering; the preview has ended */

/* A UTF-16 code unit of the W functions' text (WCHAR on Windows). */
#if defined(_WIN32)
typedef wchar_t TavixWideChar;
#else
typedef uint16_t TavixWideChar;
#endif

/* ---- Device selection ---------------------------------------------------
 * Cameras are numbered 0 to 31 in the order the system lists them; numbers
 * stay with a camera while it is plugged in, also across processes. */

/* Opens the camera of that number (the settings of the camera open before
 * are saved first, those of the new one loaded and applied). 1 also when it
 * is open already. Errors: 1 no camera object, 2 no such camera. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetDeviceNumber(uint32_t handle, int32_t number);

/* Writes the names of the attached cameras, "Tavix264ROR-USB3-Q5_01" upward,
 * into ten entries of 256 bytes (unused entries become empty) and returns
 * how many were written. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_EnumDevice(uint32_t handle, char (*names)[256]);
TAVIX_EXPORT int32_t TAVIX_API Tavix_EnumDeviceW(uint32_t handle, TavixWideChar (*names)[256]);

/* The name of camera number index (0..31), "Tavix264ROR-USB3-Q5_%02d" with
 * index + 1: 23 bytes with the terminator. Errors: 9 a buffer shorter than
 * 23 bytes, 2 no such camera. The W form counts length in characters and
 * fails with error 12 when the name does not fit. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetDeviceName(uint32_t handle, int32_t index, char* text, int32_t length);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetDeviceNameW(uint32_t handle, int32_t index, TavixWideChar* text,
                                                    int32_t length);

/* ---- Acquisition ----------------------------------------------------------
 * Three states: idle; preview (a thread of the library converts every frame
 * and delivers it); capture (prepared, frames fetched with Tavix_SnapShot).
 * Buffers receive the converted image of the colour mode as a bitmap:
 * rows padded to 4 bytes, blue-green-red pixel order; rowOrder non-zero
 * copies the bitmap's rows in their stored (bottom-up) order, 0 top-down.
 * A buffer smaller than stride x height fails with error 5. */

/* Starts a preview without a callback buffer. Frames are drawn into the
 * preview window that Tavix_SetPreviewWindow describes (by default a
 * full-size window of its own); a window that cannot be made fails with
 * error 4, as any window does on Linux. A preview window of all zeros and
 * no parent runs without any window. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_Preview(uint32_t handle);

/* Starts a preview that copies every converted frame into buffer (when size
 * is non-zero) and posts TAVIX_WM_FRAME with a TavixFrameInfo to
 * callbackWindow; events of TAVIX_EVENT_* arrive with wParam 0. The buffer
 * must stay valid until Tavix_StopPreview. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_CallBackPreview(uint32_t handle, TavixWindow callbackWindow, void* buffer,
                                                     int32_t size, int32_t rowOrder);

/* Starts (1 also when running) and stops the preview. Tavix_StopPreview
 * returns within the wait time plus 3 s, also when the camera was unplugged
 * or stalls; 1 also when nothing ran. Errors: 1 no camera object or in
 * capture state, 6 the transfer did not start, 3 no thread. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_StartPreview(uint32_t handle);
TAVIX_EXPORT int32_t TAVIX_API Tavix_StopPreview(uint32_t handle);

/* Prepares the camera for Tavix_SnapShot and keeps its transfer running
 * between snapshots. Error 1 during preview. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_Capture(uint32_t handle);

/* Takes one frame (waiting up to 3 s), converts it and copies it into
 * buffer when buffer and size are given. In idle state the transfer is
 * started and stopped around the frame. Errors: 1 during preview, 8 no
 * frame, 5 buffer too small (recorded twice). */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SnapShot(uint32_t handle, void* buffer, int32_t size, int32_t rowOrder);

/* Copies the last converted frame without any camera traffic. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetImage(uint32_t handle, void* buffer, int32_t size, int32_t rowOrder);

/* Stops any acquisition and closes the preview window; the camera stays
 * open. Returns 1. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_Close(uint32_t handle);

/* ---- Image size and format ------------------------------------------------ */

/* The capture window's width and height as set (before sub-sampling). */
TAVIX_EXPORT int32_t TAVIX_API Tavix_Width(uint32_t handle);
TAVIX_EXPORT int32_t TAVIX_API Tavix_Height(uint32_t handle);

/* Selects a stored capture size: the first of the subkeys "Size_00",
 * "Size_01", ... directly below HKCU\Software\Kelvor\Tavix264ROR3Q5Sdk
 * (on Linux the same keys of the settings tree) whose "EH" and "EV" are
 * width and height; each holds the DWORDs "TH", "TV", "EH", "EV", "EHS",
 * "EVS", "Buf". No such size: error 4. A stored window the sensor cannot
 * take selects the whole sensor and records error 7, and the call still
 * answers 1. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetCaptureWindow(uint32_t handle, int32_t width, int32_t height);
/* Sets the capture window directly: totals, starts and effective sizes.
 * The window must lie inside 2448 x 2048 (error 7, the values stay stored).
 * The camera delivers the width cut to a multiple of 16 and the height to
 * a multiple of 4; with sub-sampling both are halved first and then cut
 * (250 x 130 gives 112 x 64). Delivered images and TavixFrameInfo have
 * that size. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetCaptureWindowEx(uint32_t handle, int32_t hTotal, int32_t hStart,
                                                        int32_t hEffective, int32_t vTotal, int32_t vStart,
                                                        int32_t vEffective);
/* Writes the six stored values (a null pointer is skipped); 1. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetCaptureWindowEx(uint32_t handle, int32_t* hTotal, int32_t* hStart,
                                                        int32_t* hEffective, int32_t* vTotal, int32_t* vStart,
                                                        int32_t* vEffective);

/* Where the next preview draws (Tavix_Preview, Tavix_CallBackPreview,
 * Tavix_Record with its show flag): a child window of parent at (left,
 * top) of right x bottom pixels, control id 6540; with a null parent a
 * window of its own whose client area is the image size (halved with
 * sub-sampling), centred on the screen; all zeros and no parent: no
 * window. Each frame is drawn 1:1 when the client area has the image's
 * size, else scaled to it (area averaging when smaller, bilinear when
 * larger); 16-bit frames show their top eight of twelve bits. Tavix_Close
 * destroys the window. The window belongs to the thread that started the
 * preview, whose message loop serves it. Windows only: on Linux a preview
 * that asks for a window fails with error 4, so pass all zeros there. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetPreviewWindow(uint32_t handle, TavixWindow parent, int32_t left, int32_t top,
                                                      int32_t right, int32_t bottom);

/* Output depth: 8 and 16 bits raw (monochrome or undemosaiced Bayer data),
 * 24, 32, 48 and 64 bits demosaiced colour. Other values, or a depth the
 * camera cannot give, fail with error 9. Tavix_GetColorMode: the bits, -1
 * for an unknown handle. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetColorMode(uint32_t handle, int32_t bitsPerPixel);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetColorMode(uint32_t handle);

/* Sub-sampling: 0 full resolution, 1 half in both directions; other modes
 * return 0 and record nothing. The getter gives -1 for an unknown handle. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetSubSample(uint32_t handle, int32_t mode);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetSubSample(uint32_t handle);

/* Milliseconds the preview thread sleeps before waiting for each frame; a
 * negative time returns 0 and records nothing. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetWaitTime(uint32_t handle, int32_t milliseconds);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetWaitTime(uint32_t handle);

/* ---- Exposure, gain and camera options ------------------------------------
 * Exposure in steps of 100 us, gains in the sensor's own units; ranges are
 * the camera's (Tavix_GetCameraInfo). Getters take an ok flag that may be
 * null. */

/* Exposure in seconds, for cameras that take it in that form (error 11
 * otherwise); the getter gives -1.0 on failure. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetExposureTimeEx(uint32_t handle, double seconds);
TAVIX_EXPORT double TAVIX_API Tavix_GetExposureTimeEx(uint32_t handle, int32_t* ok);
/* Exposure x 100 (in 1 us steps): the exposure is value / 100; outside the
 * camera's range error 9. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetRealExposureTime(uint32_t handle, int32_t hundredths);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetRealExposureTime(uint32_t handle, int32_t* ok);
/* The sensor's temperature in degrees Celsius (error 11 without a sensor
 * thermometer, 12 for a failed reading; 0 is recorded for a good one). */
TAVIX_EXPORT double TAVIX_API Tavix_GetTemperatureEx(uint32_t handle, int32_t* ok);
/* Automatic exposure or gain from the image: 0 off, 1 exposure, 2 gain;
 * other modes are refused with error 9, posted only. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetAutoIris(uint32_t handle, int32_t mode);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetAutoIris(uint32_t handle, int32_t* ok);
/* The sensor's own pixel correction, where it has one (errors 11 and 1 are
 * posted only). */
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetInternalCorrection(uint32_t handle, int32_t* ok);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetInternalCorrection(uint32_t handle, int32_t on);
/* The sensor's frame rate in tenths of frames per second; the camera's
 * answer. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetSamplingRate(uint32_t handle, uint32_t tenthsPerSecond);
/* Write 0 through a non-null pointer and return 0. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetVideoFormat(uint32_t handle, int32_t* value);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetSamplingRate(uint32_t handle, int32_t* value);
/* Always 0; nothing is written. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetStatus(uint32_t handle, void* status);

/* The camera-information record, little-endian; the application sets its
 * size in the first word: 36 bytes or more fill offsets 4..35, 56 or more
 * also the seconds-exposure range at 40 and 48 (doubles). Errors: 9 null,
 * 5 smaller than 36. */
typedef struct TavixCameraInfo {
    uint32_t size;
    uint32_t sensorWidth, sensorHeight;
    uint32_t gainMin, gainMax;
    uint32_t colorGainMin, colorGainMax;
    uint32_t exposureMin, exposureMax; /* steps of 100 us */
    uint32_t padding;
    double exposureSecondsMin, exposureSecondsMax;
} TavixCameraInfo;
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetCameraInfo(uint32_t handle, void* record);

/* ---- Filter values ----------------------------------------------------------
 * Every setting below has a number; Tavix_GetFilterValue sets the ok flag
 * to 1 first and to 0 for an unknown number (error 9), a missing camera
 * (error 1) or a negative temperature. Setters refuse values outside the
 * range with error 9. The named functions pass their number on.
 *
 *   1 Brightness -255..255    2 Contrast -127..127     3 Hue -360..360
 *   4 Saturation -255..255    5 Sharpness 0..30
 *   6 BayerGainRGB: red, green, blue in bits 0-7, 8-15, 16-23 (no range check)
 *   7-9 BayerGainRed/Green/Blue 0..400               10 BayerGainAuto (0/1)
 *  11 Gamma 0..200           12 BayerMode 0..3
 *  13 GlobalGain, 14 ColorGainRed, 15 ColorGainGreen1, 16 ColorGainGreen2,
 *  17 ColorGainBlue, 18 ExposureTime: the camera's ranges, sent to it
 *  19 GrayMode 0..2          20-23 GrayGainR/G1/G2/B 0..255
 *  24-27 GrayOffsetR/G1/G2/B -255..255
 *  28 gray automatic gains once (set 0 or 1; not readable)
 *  29-36 channel gains and offsets 1-4: not on this camera (error 9)
 * 100 Peltier (cooling; error 11 on this camera)   101 Temperature (error 11, -1)
 * 102 DotFilter 0/1          103 MaskFilter 0/1
 * 104 black level            105 short exposure mode  106 gain mode
 *     (the camera's; errors 11 where it has none, 6 when it refuses) */
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetFilterValue(uint32_t handle, int32_t number, int32_t* ok);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetFilterValue(uint32_t handle, int32_t number, int32_t value);
#define TAVIX_DECLARE_FILTER_VALUE(Name)                                                        \
    TAVIX_EXPORT int32_t TAVIX_API Tavix_Get##Name(uint32_t handle, int32_t* ok);                 \
    TAVIX_EXPORT int32_t TAVIX_API Tavix_Set##Name(uint32_t handle, int32_t value);
TAVIX_DECLARE_FILTER_VALUE(Brightness)
TAVIX_DECLARE_FILTER_VALUE(Contrast)
TAVIX_DECLARE_FILTER_VALUE(Hue)
TAVIX_DECLARE_FILTER_VALUE(Saturation)
TAVIX_DECLARE_FILTER_VALUE(Sharpness)
TAVIX_DECLARE_FILTER_VALUE(BayerGainRGB)
TAVIX_DECLARE_FILTER_VALUE(BayerGainRed)
TAVIX_DECLARE_FILTER_VALUE(BayerGainGreen)
TAVIX_DECLARE_FILTER_VALUE(BayerGainBlue)
TAVIX_DECLARE_FILTER_VALUE(BayerGainAuto)
TAVIX_DECLARE_FILTER_VALUE(Gamma)
TAVIX_DECLARE_FILTER_VALUE(BayerMode)
TAVIX_DECLARE_FILTER_VALUE(GlobalGain)
TAVIX_DECLARE_FILTER_VALUE(ColorGainRed)
TAVIX_DECLARE_FILTER_VALUE(ColorGainGreen1)
TAVIX_DECLARE_FILTER_VALUE(ColorGainGreen2)
TAVIX_DECLARE_FILTER_VALUE(ColorGainBlue)
TAVIX_DECLARE_FILTER_VALUE(ExposureTime)
TAVIX_DECLARE_FILTER_VALUE(GrayMode)
TAVIX_DECLARE_FILTER_VALUE(GrayGainR)
TAVIX_DECLARE_FILTER_VALUE(GrayGainG1)
TAVIX_DECLARE_FILTER_VALUE(GrayGainG2)
TAVIX_DECLARE_FILTER_VALUE(GrayGainB)
TAVIX_DECLARE_FILTER_VALUE(GrayOffsetR)
TAVIX_DECLARE_FILTER_VALUE(GrayOffsetG1)
TAVIX_DECLARE_FILTER_VALUE(GrayOffsetG2)
TAVIX_DECLARE_FILTER_VALUE(GrayOffsetB)
TAVIX_DECLARE_FILTER_VALUE(Peltier)
TAVIX_DECLARE_FILTER_VALUE(DotFilter)
TAVIX_DECLARE_FILTER_VALUE(MaskFilter)
#undef TAVIX_DECLARE_FILTER_VALUE
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetTemperature(uint32_t handle, int32_t* ok);
/* Channels 1 to 4 (numbers 29-32 and 33-36); another channel returns 0 and
 * records nothing. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetChannelGain(uint32_t handle, int32_t channel, int32_t* ok);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetChannelGain(uint32_t handle, int32_t channel, int32_t value);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetChannelOffset(uint32_t handle, int32_t channel, int32_t* ok);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetChannelOffset(uint32_t handle, int32_t channel, int32_t value);

/* Mirrors done by the camera (flag 0 or 1, kept by the instance). Without a
 * camera error 1 (posted only for the vertical forms). */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetMirrorH(uint32_t handle, int32_t flag);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetMirrorV(uint32_t handle, int32_t flag);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetMirrorH(uint32_t handle);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetMirrorV(uint32_t handle);
/* Not offered: error 11, -1. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetConfigFilter(uint32_t handle);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetConfigFilter(uint32_t handle, int32_t value);

/* ---- Registers, I/O port and serial memory --------------------------------
 * Sensor registers (16-bit addresses, 8-bit values), FPGA registers (8-bit;
 * register 7 drives the digital I/O port) and the serial EEPROM (12-bit
 * addresses here). Failed register accesses record error 6 and set the ok
 * flag to 0. */
TAVIX_EXPORT uint32_t TAVIX_API Tavix_ReadRegister(uint32_t handle, uint8_t address, int32_t* ok);
TAVIX_EXPORT uint32_t TAVIX_API Tavix_ReadRegisterEx(uint32_t handle, uint32_t address, int32_t* ok);
TAVIX_EXPORT int32_t TAVIX_API Tavix_WriteRegister(uint32_t handle, uint8_t address, uint16_t value);
TAVIX_EXPORT int32_t TAVIX_API Tavix_WriteRegisterEx(uint32_t handle, uint32_t address, uint32_t value);
/* Only the low 8 bits of the value are written. */
TAVIX_EXPORT uint32_t TAVIX_API Tavix_Fpga_ReadRegister(uint32_t handle, uint8_t reg, int32_t* ok);
TAVIX_EXPORT int32_t TAVIX_API Tavix_Fpga_WriteRegister(uint32_t handle, uint8_t reg, uint16_t value);
/* Errors posted only: 9 for a failed read or a null pointer, 1 without camera. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetIOPort(uint32_t handle, uint8_t* value);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetIOPort(uint32_t handle, uint8_t value);
/* One EEPROM byte; failures post error 1 only. A write is read back and
 * repeated up to ten times until the byte holds; it answers 1 either way. */
TAVIX_EXPORT uint32_t TAVIX_API Tavix_ReadSromID(uint32_t handle, uint16_t address, int32_t* ok);
TAVIX_EXPORT int32_t TAVIX_API Tavix_WriteSromID(uint32_t handle, uint32_t address, uint32_t value);
/* The serial number from the EEPROM (at most 31 characters and the
 * terminator; a buffer below 32 bytes: error 9). A blank EEPROM answers 1
 * and leaves the buffer alone. The W form counts size in characters; a
 * number that does not fit: error 12. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_ReadSerialNumberA(uint32_t handle, char* text, int32_t size);
TAVIX_EXPORT int32_t TAVIX_API Tavix_ReadSerialNumberW(uint32_t handle, TavixWideChar* text, uint32_t size);
/* This camera has no serial text channel: error 11, 0. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SendText(uint32_t handle, const char* text);
TAVIX_EXPORT int32_t TAVIX_API Tavix_ReceiveText(uint32_t handle, char* text, int32_t size);

/* ---- Property dialogs --------------------------------------------------------
 * Modal dialogs of the library owned by `owner` (may be null), shown on the
 * calling thread in English, or in Japanese where the system's default
 * language is Japanese. Each returns 1 once the dialog has closed,
 * whichever button closed it. Errors: 1 no open camera or another dialog
 * of the instance open, 4 the dialog could not be shown. Linux: there are
 * no dialogs; with an open camera every one fails with error 11.
 *
 * Tavix_SetCameraDlg: colour mode, capture size (the stored sizes, or one
 * typed in), sub-sampling and wait time. A running preview or capture is
 * stopped while it is open and started again afterwards; OK and Apply
 * store the format for the camera's number and the instance takes it up.
 * Tavix_SetAnalogDlg: gains, exposure, mirrors and Auto Iris, sent to the
 * camera as they change. Tavix_SetImageDlg: the image filter values and,
 * in the 8- and 16-bit modes, the gray filter, used from the next frame.
 * Both restore what they changed unless closed with OK. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetCameraDlg(uint32_t handle, TavixWindow owner);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetAnalogDlg(uint32_t handle, TavixWindow owner);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetImageDlg(uint32_t handle, TavixWindow owner);

/* ---- Not supported by this camera: error 11 posted only, 0 ------------------ */
TAVIX_EXPORT int32_t TAVIX_API Tavix_Fps(uint32_t handle);
TAVIX_EXPORT int32_t TAVIX_API Tavix_GetHalfClock(uint32_t handle);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetCrossbar(uint32_t handle);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SetHalfClock(uint32_t handle);
TAVIX_EXPORT int32_t TAVIX_API Tavix_Trigger(uint32_t handle);

/* ---- Files ------------------------------------------------------------------ */

/* Loads a configuration file: consecutive records of two little-endian
 * 32-bit numbers (a trailing partial record is ignored). 0 when the file
 * cannot be read or is larger than 1 MiB; the W form fails with error 12
 * when the name does not convert. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_LoadConfigFileA(uint32_t handle, const char* fileName);
TAVIX_EXPORT int32_t TAVIX_API Tavix_LoadConfigFileW(uint32_t handle, const TavixWideChar* fileName);

/* Still image formats of Tavix_SaveImage. */
#define TAVIX_IMAGE_BMP 0     /* as the image, 8-bit images with the gray palette */
#define TAVIX_IMAGE_RAW 1     /* the pixel memory, rows padded to 4 bytes, no header */
#define TAVIX_IMAGE_JPEG100 2 /* progressive JPEG, quality 100, 8-bit gray or 24-bit colour */
#define TAVIX_IMAGE_JPEG70 3  /* quality 70 */
#define TAVIX_IMAGE_JPEG20 4  /* quality 20 */
#define TAVIX_IMAGE_PNG 5     /* 8 or 16 bits per sample; 32- and 64-bit images with opaque alpha */
#define TAVIX_IMAGE_TIFF 6    /* 8 or 16 bits per sample, uncompressed, one strip */

/* Saves the newest converted frame of the colour mode (from a preview,
 * a snapshot or Tavix_GetImage) to fileName, taken as given whatever its
 * extension. The picture's top row is the top row of the file's picture in
 * every format; 16-bit samples keep all 16 bits (the JPEG of a 16-bit image
 * takes their high byte). The file appears only whole: it is written beside
 * the target and renamed over it, so a failed save leaves an existing file
 * of that name unchanged. 1 on success; 0 with error 1 when no camera is
 * open or no frame was converted yet, 9 for an unknown format or a missing
 * name, 14 when the file could not be written. The W form fails with error
 * 12 when the name does not convert. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SaveImage(uint32_t handle, const char* fileName, int32_t format);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SaveImageW(uint32_t handle, const TavixWideChar* fileName, int32_t format);

/* Starts a preview (as Tavix_Preview, with the preview window when
 * showWindow is non-zero and one is configured) and records its converted
 * frames into an uncompressed AVI file of 24-bit frames until durationMs
 * milliseconds have passed since the first frame; the first frame after that
 * is the last one recorded. The recording thread looks for a new frame every
 * 10 ms, so frames that come faster are skipped, and the finished header
 * carries the measured rate. 8-bit frames go through their palette, 16-bit
 * samples keep the top eight of the camera's twelve bits, 48- and 64-bit
 * pixels the high bytes of blue, green and red.
 * Tavix_StopPreview, Tavix_Close, Tavix_Release, an unplugged camera or a
 * new Tavix_Record end a recording early; its file is finished all the same.
 * A file stops growing below 4 GiB (its sizes are 32-bit): the recording then
 * ends with the frames before, error 12 and the TAVIX_EVENT_RECORDING_ENDED
 * event to the notification window; so does a failed write. The file appears only finished, written
 * beside the target and renamed over it. 1 when the recording started; 0 with
 * error 9 for a missing name, 4 when the window cannot be created, 12 when
 * the preview cannot start or the file cannot be created, 3 when the
 * recording thread cannot start. The W form fails with error 12 when the
 * name does not convert. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_Record(uint32_t handle, const char* fileName, int32_t durationMs,
                                            int32_t showWindow);
TAVIX_EXPORT int32_t TAVIX_API Tavix_RecordW(uint32_t handle, const TavixWideChar* fileName, int32_t durationMs,
                                             int32_t showWindow);

/* ---- Defect mask ------------------------------------------------------------
 * Two corrections of the raw frame, before mirroring and colour conversion,
 * switched by Tavix_SetMaskFilter (flat field) and Tavix_SetDotFilter
 * (defect pixels). Both work against references of the whole 2448 x 2048
 * sensor, one pair per depth, taken with the camera's current flips. A
 * cropped, wide or sub-sampled frame is corrected with the reference
 * samples of the sensor pixels that delivered it (the 1/2 skip keeps pairs
 * of columns and rows: 0, 1, 4, 5, ...). The references start neutral (dark
 * 0, white full scale), so the filters change nothing until references are
 * taken or loaded.
 *
 * Flat field: P = (P - dark) * 256 / (white - dark), 0..255, for 8-bit
 * frames (P stays where white = dark); (P - dark) * 65536 / (white - dark),
 * 0..65535, for 16-bit ones (P stays where white <= dark). Frames that
 * span the sensor's width or height keep their two outer pixels.
 * Dot filter: a pixel whose reference flags it (dark reference above 192 or
 * white reference below 64 at 8 bits; above 768 or below 256 at 16 bits,
 * whose samples carry the IMX264's 12 bits) or which differs from the mean
 * of its four neighbours by 30 (8-bit) or 480 (16-bit) or more becomes the
 * mean of the nearest unflagged pixels left, right, above and below. */

/* kind 0 takes the newest raw frame (of Tavix_SnapShot or the preview) as
 * the dark reference of its depth, 1 as the white one, and derives its
 * defect flags. Only a frame of the whole sensor is taken. 1 on success; 0
 * with error 1 without an open camera or before the first frame, 12 for
 * another kind, 7 when the frame does not cover the whole sensor (a capture
 * window or sub-sampling) - nothing is changed then. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_UpdateMaskData(uint32_t handle, int32_t kind);
/* Mask file: "KELVOR MASK1000" and a 0 byte, width 2448, height 2048 and the
 * four block sizes as little-endian 32-bit numbers, then the pixel memory
 * of the dark and white 8-bit references (5013504 bytes each) and of the
 * dark and white 16-bit ones (10027008 bytes each, little-endian samples),
 * memory row 0 first: 30081064 bytes. Saving writes beside the target and
 * renames over it, so a failed save leaves an existing file as it was.
 * Loading reads the whole file first and replaces all four references only
 * when its header and length are exactly those; otherwise nothing changes.
 * 1 on success; 0 with error 1 without an open camera, 14 when the file
 * cannot be written, opened or read, or is not such a file, 5 when memory
 * for the references ran out. The W forms fail with error 12 when the name
 * does not convert. */
TAVIX_EXPORT int32_t TAVIX_API Tavix_SaveMaskFile(uint32_t handle, const char* fileName);
TAVIX_EXPORT int32_t TAVIX_API Tavix_SaveMaskFileW(uint32_t handle, const TavixWideChar* fileName);
TAVIX_EXPORT int32_t TAVIX_API Tavix_LoadMaskFile(uint32_t handle, const char* fileName);
TAVIX_EXPORT int32_t TAVIX_API Tavix_LoadMaskFileW(uint32_t handle, const TavixWideChar* fileName);

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
