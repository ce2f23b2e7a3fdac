#pragma once
// The Oska head (1920 x 1080): a fixed description, probe, initialisation
// and transfer depth that always succeed, and one parameter access; every
// other operation keeps the interface's default.

#include <cstdint>

#include "sensors/CSensorBase.h"

namespace tavix {

class CSensorOska final : public CSensorBase {
public:
    CSensorOska(CControllerBase* transport, uint8_t busAddress);
    int ProbeSensor() override { return 1; }
    int InitializeSensor() override { return 1; }
    int SetTransferDepth(uint32_t /*sixteenBits*/) override { return 1; }
    // Writes the parameter's 8-bit value to the head's register of that
    // index over its serial bus.
    int SetParameter(uint32_t index, uint32_t* value) override;
};

} // namespace tavix
