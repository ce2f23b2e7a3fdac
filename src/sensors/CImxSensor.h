#pragma once
// The drivers of sensors on the serial bus at 0x48 with 16-bit register
// addresses and 8-bit values (the Sony IMX sensors and the heads that speak
// the same framing): every transaction is a locked three-byte write, or an
// address write and a one-byte read, and the when-idle forms wait for the
// FPGA to report the bus free. Also the black level of the models that
// expose it, as a 12-bit value over two registers.

#include <cstdint>
#include <mutex>

#include "sensors/CCatalogueSensor.h"

namespace tavix {

class CImxSensor : public CCatalogueSensor {
public:
    int WriteRegister(uint32_t address, uint32_t value) override;
    int ReadRegister(uint32_t address, uint32_t* value) override;
    int WriteRegisterWhenIdle(uint32_t address, uint32_t value) override;
    int ReadRegisterWhenIdle(uint32_t address, uint32_t* value) override;
    // Refuses values outside blackLevel's range, and answers 0 on models
    // without a black level.
    int SetBlackLevel(uint32_t value) override;
    // Read back from the sensor, so it shows what the sensor holds.
    int GetBlackLevel(uint32_t* value) override;

protected:
    CImxSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model);
    void SupportBlackLevel();

private:
    std::mutex registerLock_;
};

} // namespace tavix
