#include "sensors/SensorFactory.h"

#include "sensors/CSensorIMX264.h"

namespace tavix {

namespace {
template <class Driver>
std::unique_ptr<CSensorBase> Construct(CControllerBase* transport, uint8_t busAddress)
{
    return std::make_unique<Driver>(transport, busAddress);
}

constexpr int32_t kClass = kClassModelCode;
constexpr SensorConstructor kNotBuilt = nullptr;

// 0x3020 carries an MT9F001 or an MT9F002; the driver that builds it will
// tell them apart by the chip version register.
constexpr SensorFactoryRow kRows[] = {
    {0x3020, "CSensorMT9F001/CSensorMT9F002", 0x20, kClass, kNotBuilt},
    {0x3030, "CSensorMT9P001", 0x90, kClass, kNotBuilt},
    {0x3040, "CSensorMT9J001", 0x20, kClass, kNotBuilt},
    {0x3042, "CSensorMT9J001", 0x20, kClass, kNotBuilt},
    {0x3050, "CSensorICX274", 0x00, kClass, kNotBuilt},
    {0x3090, "CSensorArvo", 0x00, kClass, kNotBuilt},
    {0x30B0, "CSensorBelin", 0x00, kClass, kNotBuilt},
    {0x30C0, "CSensorCorra", 0x00, kClass, kNotBuilt},
    {0x30F0, "CSensorIMX178", 0x48, kClass, kNotBuilt},
    {0x3100, "CSensorIMX174", 0x48, kClass, kNotBuilt},
    {0x3110, "CSensorIMX183", 0x48, kClass, kNotBuilt},
    {0x3120, "CSensorIMX159", 0x48, kClass, kNotBuilt},
    {0x3130, "CSensorOska", 0x42, kClass, kNotBuilt},
    {0x3140, "CSensorDask", 0x6C, kClass, kNotBuilt},
    {0x3150, "CSensorGosk", 0x6C, kClass, kNotBuilt},
    {0x3170, "CSensorHebb", 0x6C, kClass, kNotBuilt},
    {0x3180, "CSensorElvo", 0x48, kClass, kNotBuilt},
    {0x3190, "CSensorLumb", 0x20, kClass, kNotBuilt},
    {0x31A0, "CSensorKesk", 0x20, kClass, kNotBuilt},
    {0x31B0, "CSensorIMX250", 0x48, 59, kNotBuilt},
    {0x31B4, "CSensorIMX264", 0x48, kClass, &Construct<CSensorIMX264>},
    {0x31C0, "CSensorIMX252", 0x48, kClass, kNotBuilt},
    {0x31C4, "CSensorIMX265", 0x48, kClass, kNotBuilt},
    {0x31D0, "CSensorMorv", 0x20, kClass, kNotBuilt},
    {0x31E0, "CSensorIlva", 0x6C, kClass, kNotBuilt},
    {0x31F0, "CSensorIMX226", 0x48, kClass, kNotBuilt},
    {0x3200, "CSensorFarn", 0x48, kClass, kNotBuilt},
    {0x3210, "CSensorNald", 0x20, kClass, kNotBuilt},
    {0x3220, "CSensorG1467x", 0x6C, 105, kNotBuilt},
    {0x3260, "CSensorIMX990", 0x48, 109, kNotBuilt},
    {0x3270, "CSensorIMX990", 0x48, 110, kNotBuilt},
    {0x3280, "CSensorIMX991", 0x48, 111, kNotBuilt},
    {0x3290, "CSensorIMX991", 0x48, 112, kNotBuilt},
    {0x32A0, "CSensorIMX250", 0x48, 113, kNotBuilt},
    {0x32B0, "CSensorLI7050", 0x48, 61, kNotBuilt},
    {0x32C0, "CSensorGLUX9701", 0x48, 114, kNotBuilt},
    {0x33B0, "CSensorGLUX9701", 0x48, 114, kNotBuilt},
    {0x32D0, "CSensorJorn", 0x6C, kClass, kNotBuilt},
    {0x32E0, "CSensorIMX536", 0x48, kClass, kNotBuilt},
    {0x32F0, "CSensorIMX487", 0x48, kClass, kNotBuilt},
    {0x3300, "CSensorIMX273", 0x48, kClass, kNotBuilt},
    {0x3310, "CSensorLI8020", 0x40, 116, kNotBuilt},
    {0x3320, "CSensorLI5040", 0x40, 117, kNotBuilt},
    {0x3330, "CSensorLI3030", 0x40, 118, kNotBuilt},
    {0x3340, "CSensorLI5030", 0x40, 119, kNotBuilt},
    {0x3360, "CSensorIMX675", 0x48, kClass, kNotBuilt},
    {0x3370, "CSensorIMX992", 0x48, 129, kNotBuilt},
    {0x3380, "CSensorIMX992", 0x48, 130, kNotBuilt},
    {0x33A0, "CSensorICE640", 0x48, kClass, kNotBuilt},
    {0x33C0, "CSensorIMX993", 0x48, 131, kNotBuilt},
    {0x33D0, "CSensorIMX993", 0x48, 132, kNotBuilt},
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
