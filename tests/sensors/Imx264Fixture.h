#pragma once
// An IMX264 driver on a test rig, on a warped clock so that bus polls and
// ready waits cost no real time.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SensorRig.h"
#include "platform/Clock.h"
#include "sensors/CSensorIMX264.h"

namespace tavix::test {

class Imx264Fixture : public ::testing::Test {
protected:
    void SetUp() override { rig->ClearLog(); }

    // The sensor writes since the last call.
    std::vector<RegisterWrite> TakeWrites()
    {
        std::vector<RegisterWrite> writes = rig->SensorWrites();
        rig->ClearLog();
        return writes;
    }

    // A value split over consecutive registers, low byte first.
    uint32_t Registers(uint16_t lowAddress, int count)
    {
        uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i) {
            value = value << 8 | rig->SensorRegister(static_cast<uint16_t>(lowAddress + i));
        }
        return value;
    }

    // Milliseconds slept through the clock since the last call.
    uint64_t TakeSlept()
    {
        const uint64_t total = clock.SleptMilliseconds();
        const uint64_t slept = total - sleptBefore_;
        sleptBefore_ = total;
        return slept;
    }

    platform::WarpClock clock;
    platform::ScopedClock useClock{clock};
    std::unique_ptr<SensorRig> rig = MakeRig();
    CSensorIMX264 sensor{rig->Controller(), 0x48};

private:
    uint64_t sleptBefore_ = 0;
};

} // namespace tavix::test
