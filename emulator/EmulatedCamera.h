#pragma once
// One emulated camera as the driver sees it: an FX3 controller answering
// vendor requests, an I2C bus with the FPGA's register port (0x40/0x41), the
// IMX264 (0x48), the serial EEPROM (0xA2/0xA3), the ready device (0x5E)
// and plain register devices for the family's other sensors (0x20, 0x42,
// 0x5A, 0x90), and the frame source on bulk endpoint 0x81. Every request arrives
// as the driver's byte-exact records through an EmulatedPort handle;
// malformed records are refused and logged, so that a transport bug fails
// its test.
//
// Tests reach the camera's inside through this class: register files,
// EEPROM, information blocks, readiness, fault injection, the frame settings
// of delivered frames and the request log. Every member is thread-safe.
//
// Typical use:
//     tavix::emu::EmulatedPort port(2);                 // two cameras plugged in
//     tavix::emu::ScopedDevicePort installed(port);     // the transport now finds them
//     auto& cam = port.Camera(0);
//     cam.SetFirmwareVersion(0x1100);
//     ... drive the SDK ...
//     EXPECT_EQ(cam.SensorRegister(0x0404), 0x10);
//     for (const auto& r : cam.Log()) ...

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/RequestLog.h"
#include "emulator/Scene.h"

namespace tavix::emu {

class CameraCore;

constexpr int kNever = -1;
constexpr uint16_t kCypressVendorId = 0x04B4;
constexpr uint16_t kTavix264ProductId = 0x31B4;

// How the camera's FPGA reports its PLL lock in bit 1 of register 0x81.
enum class FpgaLock {
    kLocked,           // always locked
    kLocksAfterPulse,  // unlocked until register 0x81 has been written 1 and then 0
    kNeverLocks,
};

// When the camera reports ready. A count n means n polls answer "not yet"
// and the poll after them answers "ready"; kNever keeps it not ready.
struct Readiness {
    int gpio25AfterPolls = 0;       // request 0xC3 answers 0, then 1
    int readyDeviceAfterPolls = 0;  // I2C device 0x5E answers first byte 1, then 0
    int fpgaAfterPolls = 0;         // FPGA register 2 reads with bits 4 and 7 set, then clear
    int busBusyPolls = 0;           // afterwards, reads of register 2 with bit 1 (bus busy) set
    FpgaLock lock = FpgaLock::kLocked;
};

// A register write as the device received it, in order.
struct RegisterWrite {
    uint16_t address = 0;
    uint8_t value = 0;
};

struct CameraOptions {
    uint16_t vendorId = kCypressVendorId;
    uint16_t productId = kTavix264ProductId;
    std::string serialNumber;      // EEPROM text at 0x1040; empty: "TVX" and a number
    uint16_t firmwareVersion = 0x1101;
    uint8_t gpio25Flag = 1;
    uint16_t chipId = 264;         // decoded from sensor registers 0x0348/0x0349
    bool paced = true;             // frames at the sensor's frame period, else at once
    bool still = false;            // every frame identical (no motion, number, noise)
    uint32_t noiseAmplitude = 0;   // ± 12-bit levels
    uint32_t noiseSeed = 1;
};

class EmulatedCamera {
public:
    // Cameras are made by EmulatedPort; `ports` hands out USB port numbers.
    EmulatedCamera(std::shared_ptr<CameraCore> core, std::shared_ptr<std::atomic<int>> ports);
    ~EmulatedCamera();
    EmulatedCamera(const EmulatedCamera&) = delete;
    EmulatedCamera& operator=(const EmulatedCamera&) = delete;

    // --- Identity and plugging ------------------------------------------
    // \\?\usb#vid_04b4&pid_31b4#<serial>&<port>#{328184c5-93e6-49b7-94b8-2ada13aabb39}
    // (lower case); the port changes with every replug.
    std::string InterfacePath() const;
    uint16_t VendorId() const;
    uint16_t ProductId() const;
    // Unplugging makes every open fail, every request on an open handle fail
    // with ERROR_DEVICE_NOT_CONNECTED and completes pending transfers with
    // that error. Replugging powers the camera up again (register files,
    // frame counter and readiness polls back to their start; EEPROM, options
    // and faults kept) in another USB port: a new interface path, and handles
    // of the old plug stay dead.
    void Unplug();
    void Replug();
    bool IsPlugged() const;
    // Handles currently open on the camera, and opened in all.
    int OpenHandles() const;
    uint64_t HandlesOpened() const;

    // --- Information blocks (requests 0xB0 and 0xB1) --------------------
    std::array<uint8_t, 64> InfoBlock() const;
    void SetInfoBlock(const std::array<uint8_t, 64>& block);
    void SetFirmwareVersion(uint16_t version); // offset 24
    void SetGpio25Flag(uint8_t flag);          // offset 52
    std::array<uint8_t, 64> InfoBlockB1() const;
    void SetInfoBlockB1(const std::array<uint8_t, 64>& block);

    // --- Register files ---------------------------------------------------
    // FPGA registers as stored (register 2 and 0x81 read back with the
    // readiness and lock bits applied; register 8 counts started frames).
    uint8_t FpgaRegister(uint8_t reg) const;
    void SetFpgaRegister(uint8_t reg, uint8_t value);
    // Writes through the I2C port, in order (not those of SetFpgaRegister).
    std::vector<RegisterWrite> FpgaWrites() const;
    // IMX264 register file: 16-bit addresses, 8-bit values.
    uint8_t SensorRegister(uint16_t address) const;
    void SetSensorRegister(uint16_t address, uint8_t value);
    std::vector<RegisterWrite> SensorWrites() const;
    // Sets identification registers 0x0348/0x0349 so that
    // (0x0349 & 0x7F) × 4 + (0x0348 >> 6 & 3) gives the id.
    void SetChipId(uint16_t id);
    // Plain register devices of the family's other sensors (I2cBus), by
    // their 8-bit bus address: 8- or 16-bit values; 0 for no device.
    uint16_t BusRegister(uint8_t device, uint16_t address) const;
    void SetBusRegister(uint8_t device, uint16_t address, uint16_t value);
    // Word registers of requests 0x3E/0x3F and 32-bit registers of 0xD0/0xD1.
    uint16_t SensorWord(uint16_t address) const;
    uint32_t ControllerRegister(uint16_t address) const;
    // Last byte of request 0x3C (request 0x3D answers it back).
    uint8_t CommandByte() const;
    // Camera memory written by "AU3W" commands (zero where never written).
    std::vector<uint8_t> Memory(uint64_t address, size_t length) const;

    // --- EEPROM (16-bit addresses, erased cells 0xFF) ---------------------
    uint8_t EepromByte(uint16_t address) const;
    void SetEepromByte(uint16_t address, uint8_t value);
    // Writes the serial number text at 0x1040, ended by 0 when shorter than
    // 32 bytes; an empty text erases the field (0xFF).
    void SetSerialNumber(const std::string& text);
    std::string SerialNumber() const;

    // --- Readiness and faults ---------------------------------------------
    void SetReadiness(const Readiness& readiness);
    Readiness GetReadiness() const;
    // Polls answered so far (request 0xC3, device 0x5E, FPGA register 2).
    int Gpio25Polls() const;
    int ReadyDevicePolls() const;
    int FpgaReadyPolls() const;
    // No frames: armed frames never start, reads of 0x81 stay pending until
    // they are aborted, time out or the stall ends.
    void SetStalled(bool stalled);
    // The sensor's output hangs: no frames until the FPGA's restart pulse
    // (register 0x6C written 1, then 0); pipe resets and new start requests
    // do not cure it.
    void HangStream();
    // A pulse on the trigger input: the sensor exposes a frame now and the
    // FPGA counts it (register 8) and holds it until a request 0xC2 asks
    // for a frame. False when nothing was exposed: the camera is unplugged,
    // the sensor not enabled, or FrameSource::kHeldFrames frames are held.
    bool FireTrigger();
    // The next `count` bulk transfers (direct or buffered, any endpoint)
    // complete without data, the given statuses written into their headers.
    void FailNextTransfers(int count, uint32_t ntStatus, uint32_t usbdStatus);
    // Every frame sends this many bytes more payload than its information
    // block announces (they stay in the pipe for the next read).
    void SetPayloadExcess(uint32_t bytes);
    // An EEPROM cell that does not keep a written value.
    void SetEepromCellStuck(uint16_t address, bool stuck);
    // A device on the I2C bus (8-bit address, either form) that does not
    // acknowledge: requests to it are refused (EP0 stall).
    void SetI2cDeviceAbsent(uint8_t address, bool absent);
    // Writes to this sensor register are not acknowledged.
    void SetSensorRegisterWriteFails(uint16_t address, bool fails);
    // The next vendor reply to this request code carries only `dataBytes`
    // data bytes (the driver still accepts the request).
    void ShortenNextReply(uint8_t requestCode, uint32_t dataBytes);
    // The next `count` control requests of any code are refused with `error`.
    void RefuseNextRequests(int count, uint32_t error);
    // Link speed answered by GET_DEVICE_SPEED: 4 SuperSpeed (default), 3 USB 2.
    void SetLinkSpeed(uint32_t speed);

    // --- Frames -------------------------------------------------------------
    void SetPaced(bool paced);
    void SetStill(bool still);
    void SetNoise(uint32_t amplitude, uint32_t seed);
    // The settings the next frame would get from the registers as they are now.
    FrameSettings CurrentFrameSettings() const;
    // The settings of a recently started frame (the last 64 are kept).
    std::optional<FrameSettings> SettingsOfFrame(uint32_t frameNumber) const;
    // Frames started since power-up; the number the next frame gets.
    uint32_t FramesStarted() const;
    uint32_t NextFrameNumber() const;
    void SetNextFrameNumber(uint32_t number);

    // --- Request log --------------------------------------------------------
    std::vector<LoggedRequest> Log() const;
    void ClearLog();
    // Requests refused (malformed, unplugged, not acknowledged…) in the camera's life.
    uint64_t RefusedRequests() const;

    // The camera's shared inside (for EmulatedPort's handles).
    const std::shared_ptr<CameraCore>& Core() const { return core_; }

private:
    std::shared_ptr<CameraCore> core_;
    std::shared_ptr<std::atomic<int>> ports_;
};

} // namespace tavix::emu
