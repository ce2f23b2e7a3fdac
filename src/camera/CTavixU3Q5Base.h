#pragma once
// The camera object: the one object through which a camera instance drives
// a physical camera. It owns the transport and the sensor driver that the
// product identifier calls for, brings the camera up, runs the capture
// thread with its ring of frame slots, and offers one table of operations,
// most of which pass straight through to the sensor driver.
//
// Every operation reports through its result (1/0, -1 or a value) and keeps
// no error state; a missing transport or sensor driver makes an operation
// yield its "without" value rather than fail hard. No exception leaves an
// operation or the capture thread.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "camera/FrameCopy.h"
#include "platform/DeviceIo.h"
#include "platform/Event.h"
#include "sensors/CSensorBase.h"
#include "transport/TransferRequest.h"

namespace tavix {

class CKelCy3Cam;

class CTavixU3Q5Base {
public:
    static constexpr uint32_t kUnsetProductId = 0xFFFFFFFFu;
    static constexpr int kMaxRingSize = 8;
    static constexpr uint32_t kDefaultTransferTimeoutMs = 5000;
    static constexpr uint32_t kInfoBlockSize = 64;
    // WaitFrame's answers.
    static constexpr int kWaitCaptureFailed = 1;
    static constexpr int kWaitNoFrame = 2;
    static constexpr int kWaitFrameReady = 3;

    CTavixU3Q5Base();
    CTavixU3Q5Base(const CTavixU3Q5Base&) = delete;
    CTavixU3Q5Base& operator=(const CTavixU3Q5Base&) = delete;

    // --- the operation table, in declaration order --------------------------
    virtual ~CTavixU3Q5Base();
    virtual int CreateTransport(uint32_t flags, const platform::Guid* interfaceGuid);
    virtual int InitializeCamera();
    virtual int Shutdown();
    virtual int ReadInfoBlock(uint8_t* block);
    virtual int GetSensorInfo(SensorInfo* buffer);
    virtual int ReadInfoBlockB1(uint8_t* block);
    virtual int Reopen(int32_t deviceNumber);
    virtual int OpenCamera(int32_t deviceNumber);
    virtual int NotSupported() { return 0; }
    virtual int CheckDeviceNumber(int32_t deviceNumber);
    virtual uint32_t CountCameras(uint32_t productId);
    virtual int GetDeviceNameAt(int32_t position, char* name, size_t nameBytes);
    virtual int SetProductId(uint32_t productId);
    virtual uint32_t GetProductId() { return productId_; }
    virtual uint16_t GetEntryVendorId(int32_t position);
    virtual uint16_t GetEntryProductId(int32_t position);
    virtual int32_t GetEntryDeviceNumber(int32_t position);
    virtual int UsesAuxEndpoint();
    virtual int IsLiSensorModel();
    virtual uint32_t GetCameraIndex() { return deviceNumber_; }
    virtual int StartTransfer(uint32_t mode);
    virtual int StopTransfer(int abort);
    virtual int GetFrame(uint8_t* destination, uint32_t destinationSize, uint32_t* frameNumber, uint32_t* word1,
                         uint32_t* word2, uint32_t* word3, uint32_t* word4, int oldest, int orientation);
    virtual int SetAcquisitionMode(uint32_t mode);
    virtual int ResetStream();
    virtual int CaptureLoop();
    virtual int ApplyCaptureFormat(uint32_t mode);
    virtual int GetMaxDevices() { return 32; }
    virtual int ReadFrameCounter();
    virtual int CaptureOneFrame();
    virtual int ReservedMinusOne() { return -1; }
    virtual int GetFrameInto(uint8_t* destination, int orientation);
    virtual int SetTransferTimeout(uint32_t milliseconds);
    virtual int WaitFrame(uint32_t timeoutMs);
    virtual int ReadFrame(uint8_t* destination, int orientation);
    virtual int ReadFrameWithInfo(uint8_t* destination, uint64_t* stamp, uint32_t* word, int oldest);
    virtual int ReadFrameAll(uint8_t* destination, uint32_t* frameNumber, uint32_t* word1, uint32_t* word2,
                             uint32_t* word3, uint32_t* word4, int orientation);
    virtual int SetPixelDepth(uint32_t depth);
    virtual int SetClockMode(uint32_t mode);
    virtual int GetClockMode(uint32_t* mode) { return sensor_ ? sensor_->GetClockMode(mode) : 0; }
    virtual int SetCaptureWindow(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t mode);
    virtual int GetCaptureWindow(uint32_t* x, uint32_t* y, uint32_t* width, uint32_t* height, uint32_t* mode);
    // Where the first pixel of a frame that ReadFrame (orientation 1)
    // delivers for the capture window lies in a whole frame delivered the
    // same way, for corrections against references taken from whole
    // frames. The window's own origin where the sensor does not say how it
    // reads. 0 without a sensor.
    virtual int GetReadoutOrigin(uint32_t* x, uint32_t* y);
    virtual int SetMirrorH(uint32_t on) { return sensor_ ? sensor_->SetMirrorH(on) : 0; }
    virtual int SetMirrorV(uint32_t on) { return sensor_ ? sensor_->SetFlipV(on) : 0; }
    virtual uint32_t GetMirrorH() { return GivenValue(&CSensorBase::GetMirrorH); }
    virtual uint32_t GetMirrorV() { return GivenValue(&CSensorBase::GetFlipV); }
    virtual int GetFlipVAux() { return sensor_ ? sensor_->GetFlipVAux() : 0; }
    virtual int GetFlipHAux() { return sensor_ ? sensor_->GetFlipHAux() : 0; }
    virtual int GetFlipVEnabled() { return sensor_ ? sensor_->GetFlipVEnabled() : 0; }
    virtual int GetFlipHEnabled() { return sensor_ ? sensor_->GetFlipHEnabled() : 0; }
    virtual int SetCameraMode(int32_t mode, int force);
    virtual int GetCameraMode(int32_t* mode) { return sensor_ ? sensor_->GetTriggerMode(mode) : 0; }
    virtual int WriteSromByte(uint16_t address, uint8_t value);
    virtual int ReadSromByte(uint16_t address, uint8_t* value);
    virtual uint32_t GetWindowFlagH() { return InfoField(&SensorInfo::windowFlagH); }
    virtual uint32_t GetWindowFlagV() { return InfoField(&SensorInfo::windowFlagV); }
    virtual uint32_t GetSensorWidth() { return InfoField(&SensorInfo::sensorWidth); }
    virtual uint32_t GetSensorHeight() { return InfoField(&SensorInfo::sensorHeight); }
    virtual uint32_t GetEffectiveWidth() { return InfoField(&SensorInfo::effectiveWidth); }
    virtual uint32_t GetEffectiveHeight() { return InfoField(&SensorInfo::effectiveHeight); }
    virtual uint32_t GetOriginX() { return InfoField(&SensorInfo::originX); }
    virtual uint32_t GetOriginY() { return InfoField(&SensorInfo::originY); }
    virtual int SetGlobalGain(uint32_t gain) { return sensor_ ? sensor_->SetGain(gain) : 0; }
    virtual uint32_t GetGlobalGain() { return LocalValue(&CSensorBase::GetGain); }
    virtual uint32_t GetGlobalGainMin() { return LocalValue(&CSensorBase::GetGainMin); }
    virtual uint32_t GetGlobalGainMax() { return LocalValue(&CSensorBase::GetGainMax); }
    virtual uint32_t GetGlobalGainDefault() { return LocalValue(&CSensorBase::GetGainDefault); }
    virtual int SetExposureTime(uint32_t time);
    virtual uint32_t GetExposureTime() { return LocalValue(&CSensorBase::GetExposureTime); }
    virtual uint32_t GetExposureTimeMin() { return LocalValue(&CSensorBase::GetExposureTimeMin); }
    virtual uint32_t GetExposureTimeMax() { return LocalValue(&CSensorBase::GetExposureTimeMax); }
    virtual uint32_t GetExposureTimeDefault() { return LocalValue(&CSensorBase::GetExposureTimeDefault); }
    virtual int SetExposureLines(uint32_t lines) { return sensor_ ? sensor_->SetExposureLines(lines) : 0; }
    virtual uint32_t GetExposureLines() { return LocalValue(&CSensorBase::GetExposureLines); }
    virtual uint32_t GetExposureLinesMin() { return LocalValue(&CSensorBase::GetExposureLinesMin); }
    virtual uint32_t GetExposureLinesMax() { return LocalValue(&CSensorBase::GetExposureLinesMax); }
    virtual uint32_t GetExposureLinesDefault() { return LocalValue(&CSensorBase::GetExposureLinesDefault); }
    virtual int IsExposureSecondsSupported() { return sensor_ ? sensor_->IsExposureSecondsSupported() : 0; }
    virtual int SetExposureSeconds(double seconds);
    virtual int GetExposureSeconds(double* seconds) { return sensor_ ? sensor_->GetExposureSeconds(seconds) : 0; }
    virtual int GetExposureSecondsMin(double* seconds) { return SecondsOf(&CSensorBase::GetExposureSecondsMin, seconds); }
    virtual int GetExposureSecondsMax(double* seconds) { return SecondsOf(&CSensorBase::GetExposureSecondsMax, seconds); }
    virtual int GetExposureSecondsDefault(double* seconds) { return SecondsOf(&CSensorBase::GetExposureSecondsDefault, seconds); }
    virtual int SetChannelGain(uint32_t channel, uint32_t value) { return sensor_ ? sensor_->SetChannelGain(channel, value) : 0; }
    virtual uint32_t GetChannelGain(uint32_t channel);
    virtual uint32_t GetChannelGainMin() { return LocalValue(&CSensorBase::GetChannelGainMin); }
    virtual uint32_t GetChannelGainMax() { return LocalValue(&CSensorBase::GetChannelGainMax); }
    virtual uint32_t GetChannelGainDefault() { return LocalValue(&CSensorBase::GetChannelGainDefault); }
    virtual int SetChannelOffset(uint32_t channel, uint32_t value) { return sensor_ ? sensor_->SetChannelOffset(channel, value) : 0; }
    virtual uint32_t GetChannelOffset(uint32_t channel);
    virtual uint32_t GetChannelOffsetMin() { return LocalValue(&CSensorBase::GetChannelOffsetMin); }
    virtual uint32_t GetChannelOffsetMax() { return LocalValue(&CSensorBase::GetChannelOffsetMax); }
    virtual uint32_t GetChannelOffsetDefault() { return LocalValue(&CSensorBase::GetChannelOffsetDefault); }
    virtual int SetColorGainRed(uint32_t value) { return sensor_ ? sensor_->SetChannelValue1(value) : 0; }
    virtual uint32_t GetColorGainRed() { return LocalValue(&CSensorBase::GetChannelValue1); }
    virtual int SetColorGainGreen1(uint32_t value) { return sensor_ ? sensor_->SetChannelValue2(value) : 0; }
    virtual uint32_t GetColorGainGreen1() { return LocalValue(&CSensorBase::GetChannelValue2); }
    virtual int SetColorGainGreen2(uint32_t value) { return sensor_ ? sensor_->SetChannelValue3(value) : 0; }
    virtual uint32_t GetColorGainGreen2() { return LocalValue(&CSensorBase::GetChannelValue3); }
    virtual int SetColorGainBlue(uint32_t value) { return sensor_ ? sensor_->SetChannelValue4(value) : 0; }
    virtual uint32_t GetColorGainBlue() { return LocalValue(&CSensorBase::GetChannelValue4); }
    virtual uint32_t GetColorGainMin() { return LocalValue(&CSensorBase::GetRange2Min); }
    virtual uint32_t GetColorGainMax() { return LocalValue(&CSensorBase::GetRange2Max); }
    virtual uint32_t GetColorGainDefault() { return LocalValue(&CSensorBase::GetRange2Default); }
    virtual int IsBlackLevelSupported() { return sensor_ ? sensor_->IsBlackLevelSupported() : 0; }
    virtual int SetBlackLevel(uint32_t value) { return sensor_ ? sensor_->SetBlackLevel(value) : 0; }
    virtual uint32_t GetBlackLevel() { return LocalValue(&CSensorBase::GetBlackLevel); }
    virtual uint32_t GetBlackLevelMin() { return LocalValue(&CSensorBase::GetBlackLevelMin); }
    virtual uint32_t GetBlackLevelMax() { return LocalValue(&CSensorBase::GetBlackLevelMax); }
    virtual uint32_t GetBlackLevelDefault() { return LocalValue(&CSensorBase::GetBlackLevelDefault); }
    virtual int IsFeatureSupported() { return sensor_ ? sensor_->IsFeatureSupported() : 0; }
    virtual int SetFeature(uint32_t on) { return sensor_ ? sensor_->SetFeature(on) : 0; }
    virtual int GetFeature(uint32_t* value) { return sensor_ ? sensor_->GetFeature(value) : 0; }
    // The first argument of the register operations is not used; the
    // address and value pass to the sensor driver whole.
    virtual int WriteRegister(uint32_t unused, uint32_t address, uint32_t value);
    virtual uint32_t ReadRegister(uint32_t unused, uint32_t address, int* ok);
    virtual int FpgaWriteRegister(uint32_t reg, uint32_t value);
    virtual uint32_t FpgaReadRegister(uint32_t reg, int* ok);
    virtual int WriteSerialWhenIdle(uint8_t device, uint16_t reg, uint16_t value);
    virtual int ReadSerialWhenIdle(uint8_t device, uint16_t reg, uint16_t* value);
    virtual int WaitSerialIdle(uint32_t timeoutMs);
    virtual int RestartSensorStreaming();
    virtual int RearmFpga();
    virtual int SetSensorParameter(uint32_t sensorIndex, uint32_t parameter, uint32_t* value);
    virtual int PostOpenStep() { return sensor_ ? sensor_->PostOpenStep() : 0; }
    virtual int SetStatusCompanion(uint32_t value) { return sensor_ ? sensor_->SetStatusCompanion(value) : 0; }
    virtual int ReadStatusBit() { return sensor_ ? sensor_->ReadStatusBit() : -1; }
    virtual int WriteSromOption(uint8_t value);
    virtual int ReadSromOption(uint8_t* value);
    virtual int IsInternalCorrectionAvailable();
    virtual int GetInternalCorrection() { return 0; }
    virtual int SetInternalCorrection(uint32_t /*on*/) { return 0; }
    virtual int IsFpgaWindowModel() { return 0; }
    virtual int SetFpgaWord(uint16_t /*value*/) { return 0; }
    virtual int GetFpgaWord(uint16_t* /*value*/) { return 0; }
    virtual int ReservedFpga() { return 0; }
    virtual int GetFpgaWordMax() { return IsFpgaWindowModel() ? 65535 : 0; }
    virtual int ReceiveSensorText(char* buffer, uint32_t size);
    virtual int SendSensorText(const char* text);
    virtual int IsCoolingAvailable() { return sensor_ ? sensor_->IsCoolingAvailable() : 0; }
    virtual int GetCoolingState(uint32_t* on) { return sensor_ ? sensor_->GetCoolingState(on) : 0; }
    virtual int SetCoolingState(uint32_t on) { return sensor_ ? sensor_->SetCoolingState(on) : 0; }
    virtual int IsTemperatureAvailable() { return sensor_ ? sensor_->IsTemperatureAvailable() : 0; }
    virtual int ReadTemperature(double* celsius) { return sensor_ ? sensor_->ReadTemperature(celsius) : 0; }
    virtual int IsAuxOutputAvailable() { return sensor_ ? sensor_->IsAuxOutputAvailable() : 0; }
    virtual int GetAuxOutput(uint32_t* value) { return sensor_ ? sensor_->GetAuxOutput(value) : 0; }
    virtual int SetAuxOutput(uint32_t value) { return sensor_ ? sensor_->SetAuxOutput(value) : 0; }
    virtual int IsExtendedModeAvailable() { return sensor_ ? sensor_->IsExtendedModeAvailable() : 0; }
    virtual int GetExtendedMode(uint32_t* mode) { return sensor_ ? sensor_->GetExtendedMode(mode) : 0; }
    virtual int SetExtendedMode(uint32_t mode) { return sensor_ ? sensor_->SetExtendedMode(mode) : 0; }
    virtual int ReservedQueryA(uint32_t* value) { return sensor_ ? sensor_->ReservedQueryA(value) : 0; }
    virtual int ReservedQueryB(uint32_t* value) { return sensor_ ? sensor_->ReservedQueryB(value) : 0; }
    virtual int ReservedQueryC(uint32_t* value) { return sensor_ ? sensor_->ReservedQueryC(value) : 0; }
    virtual int GetTargetTemperature(int32_t* celsius) { return sensor_ ? sensor_->GetTargetTemperature(celsius) : 0; }
    virtual int SetTargetTemperature(int32_t celsius) { return sensor_ ? sensor_->SetTargetTemperature(celsius) : 0; }
    virtual int GetFpgaTemperature(double* celsius);
    virtual int ReadinessCheck() { return sensor_ ? sensor_->CheckReadiness(0, 0) : 0; }
    virtual int GetVersionInfo(uint32_t* version, uint16_t* revision, uint8_t* major, uint8_t* minor)
    {
        return sensor_ ? sensor_->GetVersionInfo(version, revision, major, minor) : 0;
    }
    virtual int ModelSet(uint32_t value) { return sensor_ ? sensor_->ModelSet(value) : 0; }
    virtual int ModelQuery1(uint32_t* value) { return sensor_ ? sensor_->ModelQuery1(value) : 0; }
    virtual int ModelQuery2(uint32_t* value) { return sensor_ ? sensor_->ModelQuery2(value) : 0; }
    virtual int IsSpecialModeAvailable() { return sensor_ ? sensor_->IsSpecialModeAvailable() : 0; }
    virtual int GetSpecialMode(uint32_t* mode) { return sensor_ ? sensor_->GetSpecialMode(mode) : 0; }
    virtual int SetSpecialMode(uint32_t mode) { return sensor_ ? sensor_->SetSpecialMode(mode) : 0; }
    virtual int IsGainStageSupported() { return sensor_ ? sensor_->IsGainStageSupported() : 0; }
    virtual uint32_t GetGainStageMin() { return GivenValue(&CSensorBase::GetGainStageMin); }
    virtual uint32_t GetGainStageMax() { return GivenValue(&CSensorBase::GetGainStageMax); }
    virtual uint32_t GetGainStageDefault() { return GivenValue(&CSensorBase::GetGainStageDefault); }
    virtual int ReadGainStage(uint32_t* stage);
    virtual int SetGainStage(uint32_t stage) { return sensor_ ? sensor_->SetGainStage(stage) : 0; }
    virtual int GetGainStageLabel(uint32_t stage, char* text, uint32_t size)
    {
        return sensor_ ? sensor_->GetGainStageLabel(stage, text, size) : 0;
    }
    virtual int ModelSpecificA() { return sensor_ ? sensor_->ModelSpecificA() : 0; }
    virtual int ModelSpecificC() { return sensor_ ? sensor_->ModelSpecificC() : 0; }
    virtual int ModelSpecificB() { return sensor_ ? sensor_->ModelSpecificB() : -1; }
    virtual int CanOutputMode0() { return sensor_ ? sensor_->CanOutputMode0() : 1; }
    virtual int CanOutputMode1() { return sensor_ ? sensor_->CanOutputMode1() : 1; }
    virtual int CanOutputMode2() { return sensor_ ? sensor_->CanOutputMode2() : 1; }
    virtual int ModelSpecificD() { return sensor_ ? sensor_->ModelSpecificD() : 1; }
    virtual int ModelSpecificE() { return sensor_ ? sensor_->ModelSpecificE() : 1; }
    virtual void NoOperation() {}
    // --- end of the operation table -----------------------------------------

    // What the camera instance and tests read besides the table.
    CKelCy3Cam* Transport() const { return transport_.get(); }
    CSensorBase* Sensor() const { return sensor_.get(); }
    const uint8_t* InfoBlock() const { return infoBlock_; }
    uint32_t TransferTimeout() const { return transferTimeout_.load(std::memory_order_relaxed); }
    uint32_t FrameSize() const { return frameSize_; }
    uint32_t BitMode() const { return bitMode_; }
    bool NeedsConfigure() const { return needsConfigure_ != 0; }
    bool CaptureFailed() const { return captureFailed_.load(); }
    bool IsCapturing() const { return running_.load(); }
    uint32_t LastFrameNumber() const { return lastFrameNumber_.load(std::memory_order_relaxed); }
    float FrameRate() const { return frameRate_.load(std::memory_order_relaxed); }
    double TransferRate() const { return transferRate_.load(std::memory_order_relaxed); }
    int32_t CameraMode() const { return cameraMode_; }

private:
    // "Sensor operation X into a local value; yields that value".
    uint32_t LocalValue(int (CSensorBase::*getter)(uint32_t*)) const;
    // "Yields the value it gave, 0 when it fails".
    uint32_t GivenValue(int (CSensorBase::*getter)(uint32_t*)) const;
    uint32_t InfoField(uint32_t SensorInfo::*field) const { return sensor_ ? sensor_->Info().*field : 0; }
    int SecondsOf(double (CSensorBase::*getter)(double*), double* seconds) const;

    bool FirmwareNeedsFpgaWait(uint16_t* version, uint8_t* flag);
    int WaitForFpgaReady();
    void PulseFpgaReady();
    int RestartSensor();

    // Capture path.
    int AllocateFrameBuffers();
    void FreeFrameBuffers();
    void CaptureThreadMain();
    // Stops the capture thread, if one runs or has not been joined, before
    // the stream, the buffers or the driver it uses are replaced.
    void StopCaptureThread();
    void Recover();
    bool RingReady() const;
    std::shared_ptr<platform::Event> CurrentFrameEvent();
    void StoreFrame();
    uint32_t SlotBehind(int32_t writeIndex) const;
    int CopySlot(uint32_t index, uint8_t* destination, uint32_t destinationSize, uint32_t* frameNumber,
                 uint32_t* const (&words)[4], int orientation);
    void EnsureFrameEvent();
    void SignalFrameEvent();

    std::unique_ptr<CKelCy3Cam> transport_;
    uint8_t infoBlock_[kInfoBlockSize] = {};
    uint32_t productId_ = kUnsetProductId;
    int32_t cameraMode_ = -1;
    uint32_t needsConfigure_ = 1;
    std::unique_ptr<CSensorBase> sensor_;
    std::atomic<uint32_t> lastFrameNumber_{0};
    std::atomic<uint8_t> lastCounter_{0}; // the FPGA frame counter as last seen
    uint32_t deviceNumber_ = 0;
    std::atomic<uint32_t> transferTimeout_{kDefaultTransferTimeoutMs};

    // The ring of frame slots. The capture thread fills slot writeIndex and
    // then publishes the new writeIndex (release); the consumer copies the
    // slot behind it after loading writeIndex (acquire). A slot's lock only
    // matters when a consumer is still copying a slot the thread has come
    // round to again, three frame times later.
    struct FrameSlot {
        std::unique_ptr<uint8_t[]> data;
        uint32_t frameNumber = 0xFFFFFFFFu;
        std::array<uint32_t, 4> words{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
        uint64_t stamp = 0;
        uint32_t word = 0;
        std::mutex lock;
    };
    std::unique_ptr<uint8_t[]> receiveBuffer_;
    uint32_t receiveBufferSize_ = 0;
    std::array<FrameSlot, kMaxRingSize> slots_;
    int32_t ringSize_ = 4;
    std::atomic<int32_t> writeIndex_{0};
    std::atomic<int32_t> readIndex_{3};
    uint32_t frameSize_ = 0;
    FrameLayout slotLayout_{0, 0, 1};
    std::atomic<bool> captureFailed_{false};
    std::atomic<bool> running_{false};
    std::thread thread_;
    // Each camera object keeps its own end event, so that two cameras
    // capturing at once never wake each other; manual reset, so that every
    // wait of one stop sees the end.
    std::unique_ptr<platform::Event> threadEndEvent_;
    // Shared so that a consumer still waiting on it when the transfer stops
    // holds a live event.
    std::shared_ptr<platform::Event> frameEvent_;
    std::mutex eventLock_; // creation and closing of the frame event
    std::atomic<uint32_t> acquisitionMode_{0};
    std::atomic<uint32_t> frameCount_{0};
    std::atomic<float> frameRate_{0.0f};
    std::atomic<double> transferRate_{0.0};
    uint32_t bitMode_ = 0;
    TransferRequest request_{};
};

// The product class of this library; it adds nothing of its own.
class CTavixUSB3Q5SimpleSdk final : public CTavixU3Q5Base {
public:
    // Releases the camera as the base does, but before this object is
    // taken apart: the capture thread calls through its operation table.
    ~CTavixUSB3Q5SimpleSdk() override { Shutdown(); }
};

} // namespace tavix
