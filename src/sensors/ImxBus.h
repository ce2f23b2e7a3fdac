#pragma once
// Register access of the sensors on the serial bus with 16-bit register
// addresses and 8-bit values (the IMX264 and the family's drivers framed
// like it): a write is address high, address low, value; a read is the
// address write and a one-byte read. The when-idle forms poll the FPGA's
// bus status before each attempt.

#include <cstdint>
#include <functional>
#include <mutex>

namespace tavix {

class CControllerBase;

namespace imx {

// Under the driver's register lock, after the sensor's 1 ms breath. 0
// without a transport.
int WriteRegister(CControllerBase* transport, uint8_t busAddress, std::mutex& lock, uint32_t address,
                  uint32_t value);
int ReadRegister(CControllerBase* transport, uint8_t busAddress, std::mutex& lock, uint32_t address,
                 uint32_t* value);

// Up to 100 attempts: when FPGA register 2 reads 0, run access and return 1
// if it succeeded; otherwise sleep pollMs with the timer resolution raised.
int WhenBusIdle(CControllerBase* transport, uint32_t pollMs, const std::function<int()>& access);

inline constexpr uint32_t kWriteIdlePollMs = 10;
inline constexpr uint32_t kReadIdlePollMs = 3;

} // namespace imx
} // namespace tavix
