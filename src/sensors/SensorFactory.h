#pragma once
// Which sensor driver a camera model needs: one row per USB product
// identifier, with the sensor's serial-bus address and the model code the
// camera hands the driver.

#include <cstdint>
#include <memory>
#include <span>

#include "sensors/CSensorBase.h"

namespace tavix {

class CControllerBase;

using SensorConstructor = std::unique_ptr<CSensorBase> (*)(CControllerBase* transport, uint8_t busAddress);

// The model code column's "keep the one the driver's constructor sets".
inline constexpr int32_t kClassModelCode = -1;

struct SensorFactoryRow {
    uint16_t productId;
    const char* className;
    uint8_t busAddress;          // write form; 0 for sensors without a serial bus
    int32_t modelCode;           // passed to SetModelCode unless kClassModelCode
    SensorConstructor construct; // may answer null (0x3020 without a chip version)
};

// Every product identifier of the camera family, in table order.
std::span<const SensorFactoryRow> SensorFactoryTable();

// The row of a product identifier, or null.
const SensorFactoryRow* FindSensorFactoryRow(uint32_t productId);

// The driver for a product: constructed with the transport and the row's
// bus address and given the row's model code. Null for an unknown product,
// and for 0x3020 when its chip version cannot be read. transport may be null.
std::unique_ptr<CSensorBase> CreateSensorDriver(uint32_t productId, CControllerBase* transport);

} // namespace tavix
