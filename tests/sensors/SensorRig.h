#pragma once
// What the sensor tests need of a camera behind a CControllerBase: the
// sensor's register file, the order of the register writes that reached it,
// the FPGA's answers and a few faults. The driver tests speak only this, so
// the camera behind it can be the emulated one or any other stand-in.

#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

namespace tavix {
class CControllerBase;
}

namespace tavix::test {

struct RegisterWrite {
    uint16_t address;
    uint8_t value;
    bool operator==(const RegisterWrite&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const RegisterWrite& write)
{
    return out << std::hex << "{0x" << write.address << " <- 0x" << unsigned{write.value} << "}" << std::dec;
}

class SensorRig {
public:
    virtual ~SensorRig() = default;
    virtual CControllerBase* Controller() = 0;

    virtual uint8_t SensorRegister(uint16_t address) = 0;
    virtual void SetSensorRegister(uint16_t address, uint8_t value) = 0;

    // Register writes that reached the sensor (bus address 0x48) and the
    // FPGA since the last ClearLog, in order.
    virtual std::vector<RegisterWrite> SensorWrites() = 0;
    virtual std::vector<RegisterWrite> FpgaWrites() = 0;
    // Reads of the ready device 0x5E since the last ClearLog.
    virtual int ReadyDevicePolls() = 0;
    virtual void ClearLog() = 0;

    // How the FPGA reports its lock in bit 1 of register 0x81.
    enum class Lock { kLocked, kAfterPulse, kNever };

    // Faults.
    virtual void SetSensorAcknowledges(bool acknowledges) = 0;
    virtual void SetSensorNeverReady() = 0; // the ready device never reads 0
    virtual void SetFpgaNeverReady() = 0;   // FPGA register 2 keeps bits 4 and 7
    // The next reads of FPGA register 2 report the bus busy (bit 1).
    virtual void SetBusBusyPolls(int polls) = 0;
    virtual void SetStatusWord(uint16_t word) = 0;
    virtual void SetFpgaLock(Lock lock) = 0;
};

// The transport CKelCy3Cam over one emulated camera.
std::unique_ptr<SensorRig> MakeRig();

} // namespace tavix::test
