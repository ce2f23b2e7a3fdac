#pragma once
// The camera instance behind one handle number. It owns the camera object,
// the bitmaps frames pass through and the acquisition thread; it keeps the
// values the application sets and hands them to the camera whenever
// acquisition is prepared or a camera is opened, and it turns failures into
// error codes on its stack.
//
// Acquisition states: idle; preview (the acquisition thread converts and
// delivers every frame); capture (prepared, frames fetched one by one with
// SnapShot). The frame lock is held from reading a frame to the end of its
// delivery; the configuration lock around the configuration list and the
// mask planes (taken after the frame lock where both are held). A recording
// thread may take the converted frames of a preview.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "TavixSdk.h"
#include "imaging/DibImage.h"
#include "imaging/DisplayScaler.h"
#include "imaging/FrameImages.h"
#include "imaging/ReferenceWindow.h"
#include "instance/ErrorStack.h"
#include "instance/MaskPlanes.h"
#include "instance/Settings.h"
#include "output/AviWriter.h"
#include "platform/DeviceNotification.h"
#include "platform/Event.h"
#include "platform/MessagePost.h"
#include "platform/PreviewWindow.h"

namespace tavix {

class CTavixUSB3Q5SimpleSdk;

class CTavix {
public:
    static constexpr uint32_t kProductId = 0x31B4;
    static constexpr int32_t kSensorWidth = 2448;
    static constexpr int32_t kSensorHeight = 2048;
    static constexpr uint32_t kFrameWaitMs = 3000;
    // Events posted with a zero wParam.
    static constexpr intptr_t kEventBufferTooSmall = 5;
    static constexpr intptr_t kEventReadFailed = 8;
    static constexpr intptr_t kEventCameraStopped = 13;
    // Configuration files larger than this are refused rather than read.
    static constexpr uint64_t kMaxConfigFileBytes = 1 << 20;

    enum AcquisitionState : int32_t { kIdle = 0, kPreview = 1, kCapture = 2 };

    CTavix();
    virtual ~CTavix();
    CTavix(const CTavix&) = delete;
    CTavix& operator=(const CTavix&) = delete;

    // --- operations of the exports; 1 for success, 0 for failure ----------
    int Initialize(platform::WindowHandle notifyWindow);
    int SetDeviceNumber(int32_t number);
    int Preview();
    int CallBackPreview(platform::WindowHandle callbackWindow, uint8_t* buffer, int32_t size, int32_t rowOrder);
    int StartPreview();
    int StopPreview();
    int Capture();
    int SnapShot(uint8_t* buffer, int32_t size, int32_t rowOrder);
    int GetImage(uint8_t* buffer, int32_t size, int32_t rowOrder);
    int Close();
    int EnumDevice(char (*names)[256]);
    int GetDeviceName(int32_t index, char* text, int32_t length);
    int SetColorMode(int32_t bits);
    int32_t GetColorMode() const;
    int SetSubSample(int32_t mode);
    int32_t GetSubSample() const { return cameraValues_.subSample; }
    int SetWaitTime(int32_t milliseconds);
    int32_t GetWaitTime() const { return cameraValues_.waitTime; }
    int32_t Width() const { return geometry_.width; }
    int32_t Height() const { return geometry_.height; }
    // Selects the stored capture size ("Size_%02d" below the product key)
    // that is width x height.
    int SetCaptureWindow(int32_t width, int32_t height);
    int SetCaptureWindowEx(int32_t hTotal, int32_t hStart, int32_t hEffective, int32_t vTotal, int32_t vStart,
                           int32_t vEffective);
    void GetCaptureWindowEx(int32_t* hTotal, int32_t* hStart, int32_t* hEffective, int32_t* vTotal, int32_t* vStart,
                            int32_t* vEffective) const;
    int SetPreviewWindow(platform::WindowHandle parent, int32_t left, int32_t top, int32_t right, int32_t bottom);
    int LoadConfigFile(const char* path);
    // Writes the newest converted frame of the colour mode to a file.
    int SaveImage(const char* path, int32_t format);
    // Starts a preview and records its frames into an AVI file for duration
    // milliseconds; stopping the preview ends the recording early, its file
    // finished all the same.
    int Record(const char* path, int32_t durationMs, int32_t showWindow);
    // The file size at which a recording ends (tests set it small).
    void SetRecordingFileLimit(uint64_t bytes) { recorder_ = std::make_unique<output::AviWriter>(bytes); }
    // Filter values by number; the getter sets *ok (may be null).
    int32_t GetFilterValue(int32_t number, int32_t* ok);
    // The defect mask: kind 0 stores the newest raw frame as the dark
    // reference of its depth, 1 as the white one; mask files hold all four.
    int UpdateMaskData(int32_t kind);
    int SaveMaskFile(const char* path);
    int LoadMaskFile(const char* path);
    int SetFilterValue(int32_t number, int32_t value);
    int SetMirror(bool horizontal, int32_t flag);
    int32_t GetMirror(bool horizontal);
    int SetExposureSeconds(double seconds);
    double GetExposureSeconds(int32_t* ok);
    int SetRealExposure(int32_t hundredths);
    int32_t GetRealExposure(int32_t* ok);
    double GetTemperature(int32_t* ok);
    int SetAutoIris(int32_t mode);
    int32_t GetAutoIris(int32_t* ok);
    int32_t GetInternalCorrection(int32_t* ok);
    int SetInternalCorrection(int32_t on);
    int SetSamplingRate(uint32_t value);
    // Fills the camera-information record whose size its first word gives.
    int GetCameraInfo(uint8_t* record);
    uint32_t ReadSensorRegister(uint32_t address, int32_t* ok);
    int WriteSensorRegister(uint32_t address, uint32_t value);
    uint32_t ReadFpgaRegister(uint8_t reg, int32_t* ok);
    int WriteFpgaRegister(uint8_t reg, uint16_t value);
    int GetIoPort(uint8_t* value);
    int SetIoPort(uint8_t value);
    uint32_t ReadSrom(uint32_t address, int32_t* ok);
    int WriteSrom(uint32_t address, uint32_t value);
    int ReadSerialNumber(char* text, int32_t size);

    // --- property dialogs (Dialogs.cpp) --------------------------------------
    // Modal on the caller's thread; 1 once the dialog has closed, whichever
    // button closed it. The analog and image dialogs change the settings
    // live and restore them unless closed with OK; the camera format dialog
    // pauses acquisition and takes effect on OK or "Apply(&A)".
    int SetCameraDlg(platform::WindowHandle owner);
    int SetAnalogDlg(platform::WindowHandle owner);
    int SetImageDlg(platform::WindowHandle owner);

    // --- errors -------------------------------------------------------------
    // Records a failure and announces it to the notification window, if any.
    void PushError(uint32_t code);
    // Announces a failure without recording it; posted even without a
    // notification window (Windows then queues it to the calling thread).
    void PostError(uint32_t code) const;
    uint32_t PopError() { return errors_.Pop(); }

    platform::WindowHandle NotifyWindow() const { return notifyWindow_; }
    CTavixUSB3Q5SimpleSdk* Camera() const { return camera_.get(); }
    int32_t DeviceNumber() const { return deviceNumber_; }
    int32_t AcqState() const { return acqState_; }
    size_t ConfigCount();

private:
    struct AnalogValues {
        settings::Setting globalGain{0}, colorGainG1{0}, colorGainR{0}, colorGainB{0}, colorGainG2{0};
        settings::Setting exposure{0}, mirrorV{0}, mirrorH{0}, autoIris{0}, gainMode{0}, blackLevel{0};
        settings::Setting cooling{0}, shortExposure{0}; // filter numbers 100 and 105
        std::atomic<double> exposureSeconds{0.0};
    };
    struct FilterValues {
        settings::Setting brightness{0}, contrast{0}, hue{0}, saturation{0}, sharpness{0};
        settings::Setting bayerGainRed{0}, bayerGainGreen{0}, bayerGainBlue{0}, gamma{0}, bayerMode{0};
        settings::Setting bayerGainAuto{0};
        settings::Setting grayMode{0}, grayGainR{0}, grayGainG1{0}, grayGainG2{0}, grayGainB{0};
        settings::Setting grayOffsetR{0}, grayOffsetG1{0}, grayOffsetG2{0}, grayOffsetB{0};
    };

    // Settings persistence, for the number of the open camera.
    int32_t SettingsNumber() const;
    settings::Capabilities CameraCapabilities() const;
    void LoadAnalog();
    void SaveAnalog();
    void LoadFilterAndGray();
    void SaveFilterAndGray();
    void SaveAll();
    void ApplyAnalogAfterOpen();

    // A setting kept by the instance, with the range a setter accepts.
    struct StoredValue {
        settings::Setting* field = nullptr;
        int32_t minimum = 0, maximum = 0;
    };
    StoredValue Stored(int32_t number);
    void SendExposure(uint32_t exposure);
    bool CaptureWindowValid() const;
    int PrepareAcquisition();
    // Reads the newest frame into the raw bitmap of the colour mode and
    // spreads its rows to the bitmap's stride; false when the read failed.
    bool ReadRawFrame();
    void ConvertFrame();
    // Flat field and dot filter of the raw frame, under the configuration
    // lock, when either is on.
    void CorrectRawFrame(imaging::DibImage& raw);
    // Auto Iris: exposure or global gain times percent / 100, within the
    // camera's range.
    void ApplyAutoIris(int32_t percent);
    int CopyToBuffer(const imaging::DibImage& image, int32_t rowOrder, uint8_t* buffer, int32_t size);
    void PostFrameEvent(uintptr_t wParam, intptr_t lParam) const;
    void AcquisitionLoop();
    void StopTransfer();
    bool PreviewWindowConfigured() const;
    // Makes the preview window that the parent and rectangle ask for (none
    // when they ask for none), in place of any window made before; false
    // with error 4 when it cannot be made.
    bool OpenPreviewWindow();
    void ClosePreviewWindow();
    // Draws the converted frame into the preview window, scaled to its
    // client area; under the frame lock, on the acquisition thread.
    void DrawFrame();
    // The recording thread: takes each new converted frame until the
    // duration has passed, the preview stops or the file cannot take more.
    void RecordLoop();
    // Ends a running recording and waits until its file is finished.
    void StopRecording();

    // --- property dialogs (Dialogs.cpp) --------------------------------------
    class AnalogDialogModel;
    class ImageDialogModel;
    // Error 1 without an open camera or while another dialog is open, 11
    // where there are no dialogs; true when one may open (it is then marked
    // open).
    bool BeginDialog();
    // Tells an open analog or image dialog that the frame thread changed
    // what it shows: a posted message, never a call into the dialog.
    void RefreshDialog() const;
    std::atomic<platform::WindowHandle> dialogWindow_{nullptr};
    std::atomic<int32_t> dialogOpen_{0};

    std::unique_ptr<CTavixUSB3Q5SimpleSdk> camera_;
    imaging::FrameImages images_;
    // The preview window and what drawing into it needs: the frame reduced
    // to 8 or 24 bits, and scaled to the client area when that differs.
    std::unique_ptr<platform::PreviewWindow> previewWindow_;
    imaging::DibImage displaySource_;
    imaging::DibImage displayImage_;
    imaging::DisplayScaler displayScaler_;
    MaskPlanes mask_;
    // Where the raw frames of the prepared acquisition lie on the sensor.
    imaging::ReferenceWindow maskWindow_;

    settings::Geometry geometry_;
    settings::CameraValues cameraValues_;
    AnalogValues analog_;
    FilterValues filter_;
    settings::Setting maskFilter_{0}, dotFilter_{0};
    settings::Setting grayAutoCountdown_{0};
    // The white balance measures once and then turns the automatic Bayer
    // gain off (the image dialog's "Once").
    settings::Setting whiteBalanceOnce_{0};
    std::atomic<int32_t> realExposure_{0};
    int32_t settingsLoaded_ = 0;

    std::mutex frameLock_;
    std::mutex configLock_;
    std::vector<std::pair<uint32_t, uint32_t>> configList_;

    std::atomic<int32_t> runState_{0};
    std::atomic<int32_t> acqState_{kIdle};
    std::thread acqThread_;
    std::unique_ptr<platform::Event> acqDone_;

    platform::WindowHandle previewParent_ = nullptr;
    std::array<int32_t, 4> previewRect_{0, 0, kSensorWidth, kSensorHeight};
    platform::WindowHandle notifyWindow_ = nullptr;
    platform::DeviceNotification deviceNotification_;
    std::atomic<platform::WindowHandle> callbackWindow_{nullptr};
    uint8_t* userBuffer_ = nullptr;
    int32_t userBufferSize_ = 0;
    int32_t userRowOrder_ = 0;
    TavixFrameInfo frameInfo_{};

    std::unique_ptr<output::AviWriter> recorder_;
    imaging::DibImage recordCopy_;  // the recorded geometry; 8- and 16-bit frames copied out of the lock
    std::thread recordThread_;
    std::atomic<int32_t> recording_{0};
    uint32_t recordDuration_ = 0;

    std::atomic<int32_t> imageReady_{0};
    std::atomic<int32_t> newFrame_{0};
    std::atomic<int32_t> fps10_{0};
    uint32_t fpsCount_ = 0;
    uint32_t fpsStart_ = 0;
    uint32_t snapTimeout_ = 3000;
    std::atomic<int32_t> deviceNumber_{-1};
    ErrorStack errors_;
};

} // namespace tavix
