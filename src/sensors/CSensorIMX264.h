#pragma once
// The driver of the Sony IMX264 (2448 x 2048) of product 0x31B4, on the
// serial bus behind the FPGA. Every register transaction is serialised by
// the driver's register lock, and every setting by its settings lock,
// because several threads may reach the sensor.

#include <cstdint>
#include <mutex>

#include "sensors/CSensorBase.h"
#include "sensors/SensorCatalogue.h"

namespace tavix {

class CSensorIMX264 : public CSensorBase {
public:
    // Duration of one sensor line at 74.25 MHz, in units of 100 us.
    static constexpr double kLineTime = 0.13235880398671096;
    // The same in 1/2-skip mode (frame-rate computation).
    static constexpr double kLineTimeHalf = 0.29182724252491693;
    static constexpr uint32_t kModelCode = 57;
    static constexpr uint32_t kModelCodeImx250 = 59;
    static constexpr uint32_t kModelCodeOther = 58;
    // Lines a frame needs beyond the window's height.
    static constexpr uint32_t kFrameOverhead = 46;

    CSensorIMX264(CControllerBase* transport, uint8_t busAddress);
    ~CSensorIMX264() override;

    int ProbeSensor() override { return 1; }
    int InitializeSensor() override;
    int SetWindow(uint32_t x, uint32_t width, uint32_t y, uint32_t height, uint32_t mode) override;
    int GetWindow(uint32_t* x, uint32_t* width, uint32_t* y, uint32_t* height, uint32_t* mode) override;
    bool GetReadout(ReadoutAxis* horizontal, ReadoutAxis* vertical) override;
    int SetTriggerMode(int32_t /*mode*/) override { return 1; }
    int GetTriggerMode(int32_t* /*mode*/) override { return 1; }
    int SetTransferDepth(uint32_t sixteenBits) override;
    int SetExposureLines(uint32_t lines) override;
    int GetExposureLines(uint32_t* lines) override;
    int SetGain(uint32_t gain) override;
    int GetGain(uint32_t* gain) override;
    int GetExposureLinesMin(uint32_t* value) override;
    int GetExposureLinesMax(uint32_t* value) override;
    int GetExposureLinesDefault(uint32_t* value) override;
    int GetGainMin(uint32_t* value) override;
    int GetGainMax(uint32_t* value) override;
    int GetGainDefault(uint32_t* value) override;
    int GetRange2Min(uint32_t* value) override;
    int GetRange2Max(uint32_t* value) override;
    int GetRange2Default(uint32_t* value) override;
    int SetExposureTime(uint32_t time) override;
    int GetExposureTime(uint32_t* value) override;
    int GetExposureTimeMin(uint32_t* value) override;
    int GetExposureTimeMax(uint32_t* value) override;
    int GetExposureTimeDefault(uint32_t* value) override;
    int SetFlipV(uint32_t on) override;
    int GetFlipV(uint32_t* on) override;
    int SetMirrorH(uint32_t on) override;
    int GetMirrorH(uint32_t* on) override;
    int SetParameter(uint32_t index, uint32_t* value) override;
    int WriteRegister(uint32_t address, uint32_t value) override;
    int ReadRegister(uint32_t address, uint32_t* value) override;
    int WriteRegisterWhenIdle(uint32_t address, uint32_t value) override;
    int ReadRegisterWhenIdle(uint32_t address, uint32_t* value) override;
    int CopySensorInfo(SensorInfo* destination) override;

protected:
    // The sensors that share this register layout (IMX250, IMX252, IMX265):
    // this driver with the sizes, timing, clock and model code of their row.
    CSensorIMX264(CControllerBase* transport, uint8_t busAddress, const SensorConstants& layoutSibling);

    // A setting is a sequence of register writes and the values it leaves
    // in SensorInfo; two threads' sequences must not interleave (a frame
    // length of one with the shutter of the other). Recursive: setters build
    // on each other. Always taken before the register lock.
    using SettingsLock = std::lock_guard<std::recursive_mutex>;
    std::recursive_mutex settingsLock_;

private:
    int WaitSensorReady();
    void WaitFpgaLock();
    // Writes the window geometry without touching the stored window.
    void WriteWindowRegisters(uint32_t modeBits, uint32_t startH, uint32_t startV, uint32_t width,
                              uint32_t height, uint32_t mode);
    int LengthenFrame(uint32_t lines, uint32_t pause);

    std::mutex registerLock_;
    // The window as last requested, before sub-sampling halved it, so that
    // a change of transfer depth re-applies the same window.
    uint32_t requestedWidth_;
    uint32_t requestedHeight_;
    // What the sensor reads of each axis, as last written: from its start
    // register on an axis that is cropped, else the whole axis (the FPGA
    // keeps the first samples), count positions, in pairs when skipping.
    ReadoutAxis readoutH_;
    ReadoutAxis readoutV_;
    bool readoutPairs_ = false;
    // The shutter as last written; unknown until the first write.
    uint32_t shutter_ = kShutterUnknown;
    static constexpr uint32_t kShutterUnknown = 0xFFFFFFFFu;
};

} // namespace tavix
