#include "sensors/SensorFactory.h"

#include "sensors/CSensorElvo.h"
#include "sensors/CSensorFarn.h"
#include "sensors/CSensorIMX264.h"
#include "sensors/CSensorOska.h"
#include "sensors/CatalogueRegisters.h"
#include "sensors/CooledImxSensors.h"
#include "sensors/ExtendedSensors.h"
#include "sensors/FpgaSensors.h"
#include "sensors/ImxLayoutSensors.h"
#include "sensors/ImxSensors.h"
#include "sensors/KaiSensors.h"
#include "sensors/LiSensors.h"
#include "sensors/Mt9Sensors.h"
#include "transport/CControllerBase.h"

namespace tavix {

namespace {
template <class Driver>
std::unique_ptr<CSensorBase> Construct(CControllerBase* transport, uint8_t busAddress)
{
    return std::make_unique<Driver>(transport, busAddress);
}

// 0x3020 carries an MT9F001 or an MT9F002, told apart by the chip version
// register; a camera that does not answer gets neither.
std::unique_ptr<CSensorBase> ConstructMt9F(CControllerBase* transport, uint8_t busAddress)
{
    if (transport == nullptr) {
        return nullptr;
    }
    const uint8_t address[2] = {0, 0};
    uint8_t version[2] = {};
    if (transport->I2cWrite(busAddress, address, 2) == 0 || transport->I2cRead(busAddress, version, 2) == 0) {
        return nullptr;
    }
    if (version[0] == catalogue::kMt9F002Version[0] && version[1] == catalogue::kMt9F002Version[1]) {
        return std::make_unique<CSensorMT9F002>(transport, busAddress);
    }
    return std::make_unique<CSensorMT9F001>(transport, busAddress);
}

constexpr int32_t kClass = kClassModelCode;

constexpr SensorFactoryRow kRows[] = {
    {0x3020, "CSensorMT9F001/CSensorMT9F002", 0x20, kClass, &ConstructMt9F},
    {0x3030, "CSensorMT9P001", 0x90, kClass, &Construct<CSensorMT9P001>},
    {0x3040, "CSensorMT9J001", 0x20, kClass, &Construct<CSensorMT9J001>},
    {0x3042, "CSensorMT9J001", 0x20, kClass, &Construct<CSensorMT9J001>},
    {0x3050, "CSensorICX274", 0x00, kClass, &Construct<CSensorICX274>},
    {0x3090, "CSensorArvo", 0x00, kClass, &Construct<CSensorArvo>},
    {0x30B0, "CSensorBelin", 0x00, kClass, &Construct<CSensorBelin>},
    {0x30C0, "CSensorCorra", 0x00, kClass, &Construct<CSensorCorra>},
    {0x30F0, "CSensorIMX178", 0x48, kClass, &Construct<CSensorIMX178>},
    {0x3100, "CSensorIMX174", 0x48, kClass, &Construct<CSensorIMX174>},
    {0x3110, "CSensorIMX183", 0x48, kClass, &Construct<CSensorIMX183>},
    {0x3120, "CSensorIMX159", 0x48, kClass, &Construct<CSensorIMX159>},
    {0x3130, "CSensorOska", 0x42, kClass, &Construct<CSensorOska>},
    {0x3140, "CSensorDask", 0x6C, kClass, &Construct<CSensorDask>},
    {0x3150, "CSensorGosk", 0x6C, kClass, &Construct<CSensorGosk>},
    {0x3170, "CSensorHebb", 0x6C, kClass, &Construct<CSensorHebb>},
    {0x3180, "CSensorElvo", 0x48, kClass, &Construct<CSensorElvo>},
    {0x3190, "CSensorLumb", 0x20, kClass, &Construct<CSensorLumb>},
    {0x31A0, "CSensorKesk", 0x20, kClass, &Construct<CSensorKesk>},
    {0x31B0, "CSensorIMX250", 0x48, 59, &Construct<CSensorIMX250>},
    {0x31B4, "CSensorIMX264", 0x48, kClass, &Construct<CSensorIMX264>},
    {0x31C0, "CSensorIMX252", 0x48, kClass, &Construct<CSensorIMX252>},
    {0x31C4, "CSensorIMX265", 0x48, kClass, &Construct<CSensorIMX265>},
    {0x31D0, "CSensorMorv", 0x20, kClass, &Construct<CSensorMorv>},
    {0x31E0, "CSensorIlva", 0x6C, kClass, &Construct<CSensorIlva>},
    {0x31F0, "CSensorIMX226", 0x48, kClass, &Construct<CSensorIMX226>},
    {0x3200, "CSensorFarn", 0x48, kClass, &Construct<CSensorFarn>},
    {0x3210, "CSensorNald", 0x20, kClass, &Construct<CSensorNald>},
    {0x3220, "CSensorG1467x", 0x6C, 105, &Construct<CSensorG1467x>},
    {0x3260, "CSensorIMX990", 0x48, 109, &Construct<CSensorIMX990>},
    {0x3270, "CSensorIMX990", 0x48, 110, &Construct<CSensorIMX990>},
    {0x3280, "CSensorIMX991", 0x48, 111, &Construct<CSensorIMX991>},
    {0x3290, "CSensorIMX991", 0x48, 112, &Construct<CSensorIMX991>},
    {0x32A0, "CSensorIMX250", 0x48, 113, &Construct<CSensorIMX250>},
    {0x32B0, "CSensorLI7050", 0x48, 61, &Construct<CSensorLI7050>},
    {0x32C0, "CSensorGLUX9701", 0x48, 114, &Construct<CSensorGLUX9701>},
    {0x33B0, "CSensorGLUX9701", 0x48, 114, &Construct<CSensorGLUX9701>},
    {0x32D0, "CSensorJorn", 0x6C, kClass, &Construct<CSensorJorn>},
    {0x32E0, "CSensorIMX536", 0x48, kClass, &Construct<CSensorIMX536>},
    {0x32F0, "CSensorIMX487", 0x48, kClass, &Construct<CSensorIMX487>},
    {0x3300, "CSensorIMX273", 0x48, kClass, &Construct<CSensorIMX273>},
    {0x3310, "CSensorLI8020", 0x40, 116, &Construct<CSensorLI8020>},
    {0x3320, "CSensorLI5040", 0x40, 117, &Construct<CSensorLI5040>},
    {0x3330, "CSensorLI3030", 0x40, 118, &Construct<CSensorLI3030>},
    {0x3340, "CSensorLI5030", 0x40, 119, &Construct<CSensorLI5030>},
    {0x3360, "CSensorIMX675", 0x48, kClass, &Construct<CSensorIMX675>},
    {0x3370, "CSensorIMX992", 0x48, 129, &Construct<CSensorIMX992>},
    {0x3380, "CSensorIMX992", 0x48, 130, &Construct<CSensorIMX992>},
    {0x33A0, "CSensorICE640", 0x48, kClass, &Construct<CSensorICE640>},
    {0x33C0, "CSensorIMX993", 0x48, 131, &Construct<CSensorIMX993>},
    {0x33D0, "CSensorIMX993", 0x48, 132, &Construct<CSensorIMX993>},
};
} // namespace

std::span<const SensorFactoryRow> SensorFactoryTable() { return kRows; }

const SensorFactoryRow* FindSensorFactoryRow(uint32_t productId)
{
    for (const SensorFactoryRow& row : kRows) {
        if (row.productId == productId) {
            return &row;
        }
    }
    return nullptr;
}

std::unique_ptr<CSensorBase> CreateSensorDriver(uint32_t productId, CControllerBase* transport)
{
    const SensorFactoryRow* row = FindSensorFactoryRow(productId);
    if (row == nullptr || row->construct == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CSensorBase> driver;
    try {
        driver = row->construct(transport, row->busAddress);
    } catch (...) {
        return nullptr; // out of memory: no driver, as for an unknown product
    }
    if (row->modelCode != kClassModelCode) {
        driver->SetModelCode(static_cast<uint32_t>(row->modelCode));
    }
    return driver;
}

} // namespace tavix
