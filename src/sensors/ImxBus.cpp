#include "sensors/ImxBus.h"

#include "platform/Clock.h"
#include "sensors/ImxRegisters.h"
#include "transport/CControllerBase.h"

namespace tavix::imx {

namespace {
constexpr int kIdleAttempts = 100;
} // namespace

int WriteRegister(CControllerBase* transport, uint8_t busAddress, std::mutex& lock, uint32_t address,
                  uint32_t value)
{
    std::lock_guard<std::mutex> guard(lock);
    // The sensor needs a breath between two writes; holding the lock over
    // it keeps another thread's write from slipping in early.
    platform::Sleep(1);
    if (transport == nullptr) {
        return 0;
    }
    const uint8_t bytes[3] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                              static_cast<uint8_t>(value)};
    return transport->I2cWrite(busAddress, bytes, 3) != 0 ? 1 : 0;
}

int ReadRegister(CControllerBase* transport, uint8_t busAddress, std::mutex& lock, uint32_t address,
                 uint32_t* value)
{
    std::lock_guard<std::mutex> guard(lock);
    if (transport == nullptr || value == nullptr) {
        return 0;
    }
    const uint8_t bytes[2] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    uint8_t byte = 0;
    if (transport->I2cWrite(busAddress, bytes, 2) == 0 || transport->I2cRead(busAddress, &byte, 1) == 0) {
        return 0;
    }
    *value = byte;
    return 1;
}

int WhenBusIdle(CControllerBase* transport, uint32_t pollMs, const std::function<int()>& access)
{
    if (transport == nullptr) {
        return 0;
    }
    for (int attempt = 0; attempt < kIdleAttempts; ++attempt) {
        uint8_t busy = 0xFF;
        if (transport->ReadFpgaRegister(kFpgaBusStatus, &busy) != 0 && busy == 0 && access() != 0) {
            return 1;
        }
        platform::TimerResolutionScope fine;
        platform::Sleep(pollMs);
    }
    return 0;
}

} // namespace tavix::imx
