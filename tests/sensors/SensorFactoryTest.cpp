// The factory: one row per product identifier of the family, each builds
// its driver; an unknown product gets none.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "sensors/SensorFactory.h"
#include "transport/CControllerBase.h"

namespace tavix {
namespace {

TEST(SensorFactory, ListsEveryProductOnce)
{
    const uint16_t expected[] = {
        0x3020, 0x3030, 0x3040, 0x3042, 0x3050, 0x3090, 0x30B0, 0x30C0, 0x30F0, 0x3100, 0x3110, 0x3120, 0x3130,
        0x3140, 0x3150, 0x3170, 0x3180, 0x3190, 0x31A0, 0x31B0, 0x31B4, 0x31C0, 0x31C4, 0x31D0, 0x31E0, 0x31F0,
        0x3200, 0x3210, 0x3220, 0x3260, 0x3270, 0x3280, 0x3290, 0x32A0, 0x32B0, 0x32C0, 0x33B0, 0x32D0, 0x32E0,
        0x32F0, 0x3300, 0x3310, 0x3320, 0x3330, 0x3340, 0x3360, 0x3370, 0x3380, 0x33A0, 0x33C0, 0x33D0};
    const auto table = SensorFactoryTable();
    ASSERT_EQ(table.size(), std::size(expected));
    std::set<uint16_t> seen;
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].productId, expected[i]) << "row " << i;
        EXPECT_TRUE(seen.insert(table[i].productId).second) << std::hex << table[i].productId;
        EXPECT_EQ(FindSensorFactoryRow(expected[i]), &table[i]);
        EXPECT_EQ(std::string(table[i].className).rfind("CSensor", 0), 0u);
    }
}

TEST(SensorFactory, RowsCarryBusAddressAndModelCode)
{
    struct Expected {
        uint16_t productId;
        const char* className;
        uint8_t busAddress;
        int32_t modelCode;
    };
    const Expected rows[] = {
        {0x31B4, "CSensorIMX264", 0x48, kClassModelCode}, {0x31B0, "CSensorIMX250", 0x48, 59},
        {0x32A0, "CSensorIMX250", 0x48, 113},             {0x3030, "CSensorMT9P001", 0x90, kClassModelCode},
        {0x3050, "CSensorICX274", 0x00, kClassModelCode}, {0x3130, "CSensorOska", 0x42, kClassModelCode},
        {0x3220, "CSensorG1467x", 0x6C, 105},             {0x3270, "CSensorIMX990", 0x48, 110},
        {0x33B0, "CSensorGLUX9701", 0x48, 114},           {0x3340, "CSensorLI5030", 0x40, 119},
        {0x33D0, "CSensorIMX993", 0x48, 132},             {0x3180, "CSensorElvo", 0x48, kClassModelCode},
    };
    for (const Expected& expected : rows) {
        const SensorFactoryRow* row = FindSensorFactoryRow(expected.productId);
        ASSERT_NE(row, nullptr) << std::hex << expected.productId;
        EXPECT_STREQ(row->className, expected.className);
        EXPECT_EQ(row->busAddress, expected.busAddress) << row->className;
        EXPECT_EQ(row->modelCode, expected.modelCode) << row->className;
    }
}

TEST(SensorFactory, EveryRowBuildsItsDriverUnknownProductsNone)
{
    CControllerBase controller; // answers nothing: 0x3020 cannot read its chip version
    for (const SensorFactoryRow& row : SensorFactoryTable()) {
        const std::unique_ptr<CSensorBase> driver = CreateSensorDriver(row.productId, &controller);
        if (row.productId == 0x3020) {
            EXPECT_EQ(driver, nullptr);
            continue;
        }
        ASSERT_NE(driver, nullptr) << row.className;
        EXPECT_EQ(driver->Transport(), &controller);
        EXPECT_EQ(driver->BusAddress(), row.busAddress);
    }
    // The constructor only fills memory: the driver exists without a device.
    EXPECT_NE(CreateSensorDriver(0x31B4, nullptr), nullptr);
    EXPECT_EQ(CreateSensorDriver(0x3020, nullptr), nullptr);
    for (uint32_t productId : {0u, 0x1234u, 0x31B5u, 0x131B4u, 0xFFFFFFFFu}) {
        EXPECT_EQ(FindSensorFactoryRow(productId), nullptr) << std::hex << productId;
        EXPECT_EQ(CreateSensorDriver(productId, &controller), nullptr) << std::hex << productId;
    }
}

} // namespace
} // namespace tavix
