#include <gtest/gtest.h>

#include "../support/PrivateSettings.h"
#include "instance/Settings.h"
#include "platform/SettingsStore.h"

using namespace tavix;
using namespace tavix::settings;
using platform::SettingsKey;

namespace {

uint32_t Stored(const std::string& key, const char* name)
{
    const auto opened = SettingsKey::Open(key);
    uint32_t word = 0xDEADBEEF;
    if (opened != nullptr)
        opened->ReadDword(name, &word);
    return word;
}

} // namespace

TEST(Settings, AFirstRunWritesTheDefaultsAndReadsThemBack)
{
    test::PrivateSettings store;
    Geometry geometry;
    geometry.width = 1000; // what the instance holds stays
    CameraValues values;
    LoadGeometryAndCameraValues(3, Capabilities{}, geometry, values);
    EXPECT_EQ(CameraKey(3), "Software\\Kelvor\\Tavix264ROR3Q5Sdk\\Camera_03");
    const std::string preset = GroupKey(3, "Size_00");
    const struct {
        const std::string& key;
        const char* name;
        uint32_t value;
    } written[] = {
        {CameraKey(3), "Size", 0},  {CameraKey(3), "Color", 2}, {CameraKey(3), "SubSample", 0},
        {CameraKey(3), "WaitTime", 1}, {CameraKey(3), "Clock", 0}, {preset, "TH", 2448},
        {preset, "TV", 2048},       {preset, "EH", 2448},       {preset, "EV", 2048},
        {preset, "EHS", 0},         {preset, "EVS", 0},         {preset, "Buf", 4},
    };
    for (const auto& w : written)
        EXPECT_EQ(Stored(w.key, w.name), w.value) << w.key << " " << w.name;
    EXPECT_EQ(geometry.width, 1000);
    EXPECT_EQ(values.colorMode, 2);
    EXPECT_EQ(values.waitTime, 1);

    // The next load reads the preset in use and corrects the colour mode.
    auto key = SettingsKey::Create(CameraKey(3));
    ASSERT_TRUE(key->WriteDword("Size", 1) && key->WriteDword("Color", 3) && key->WriteDword("WaitTime", 25));
    auto second = SettingsKey::Create(GroupKey(3, "Size_01"));
    ASSERT_TRUE(second->WriteDword("EH", 640) && second->WriteDword("EHS", 16));
    LoadGeometryAndCameraValues(3, Capabilities{false, true, false}, geometry, values);
    EXPECT_EQ(geometry.width, 640);
    EXPECT_EQ(geometry.hStart, 16);
    EXPECT_EQ(geometry.height, 2048) << "a value the preset lacks stays";
    EXPECT_EQ(values.colorMode, 1) << "mode 3 on a camera without 8 bits";
    EXPECT_EQ(values.waitTime, 25);

    // A preset index out of the hundred is not looked up at all.
    ASSERT_TRUE(key->WriteDword("Size", 0xFFFFFFFF));
    geometry.width = 77;
    LoadGeometryAndCameraValues(3, Capabilities{}, geometry, values);
    EXPECT_EQ(geometry.width, 77);
}

TEST(Settings, ColourModesFollowWhatTheCameraCanDeliver)
{
    const struct {
        Capabilities camera;
        int32_t defaultMode;
        int32_t corrected[6]; // of stored modes 0..5
    } cases[] = {
        {{true, true, false}, 2, {0, 1, 2, 3, 4, 5}},
        {{false, true, false}, 2, {1, 1, 2, 1, 4, 5}},
        {{true, false, false}, 2, {0, 2, 2, 3, 4, 5}},
        {{false, false, false}, 2, {2, 2, 2, 2, 4, 5}},
        {{true, true, true}, 1, {0, 1, 1, 3, 4, 5}},
        {{true, false, true}, 0, {0, 0, 0, 3, 4, 5}},
        {{false, true, true}, 1, {1, 1, 1, 1, 4, 5}},
        {{false, false, true}, 2, {0, 0, 0, 0, 4, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "8 bits " << c.camera.eightBit << ", 16 bits " << c.camera.sixteenBit
                                        << ", mono " << c.camera.monochrome);
        EXPECT_EQ(DefaultColorMode(c.camera), c.defaultMode);
        for (int32_t mode = 0; mode < 6; ++mode)
            EXPECT_EQ(CorrectColorMode(mode, c.camera), c.corrected[mode]) << "stored " << mode;
    }
}

TEST(Settings, GroupsKeepWhatIsMissingAndStoreNegativesAndTheExposureDouble)
{
    test::PrivateSettings store;
    Setting gamma{150}, hue{-360}, contrast{5};
    const Entry filter[] = {{"Gamma", &gamma}, {"Hue", &hue}, {"Contrast", &contrast}};
    EXPECT_FALSE(ReadGroup(GroupKey(0, "Filter"), filter));
    EXPECT_EQ(gamma, 150);
    ASSERT_TRUE(WriteGroup(GroupKey(0, "Filter"), std::span(filter).subspan(1))); // no "Gamma"
    EXPECT_EQ(Stored(GroupKey(0, "Filter"), "Hue"), 0xFFFFFE98u);
    hue = 0;
    contrast = 0;
    EXPECT_TRUE(ReadGroup(GroupKey(0, "Filter"), filter));
    EXPECT_EQ(gamma, 150) << "a key without Gamma keeps the gamma held";
    EXPECT_EQ(hue, -360);
    EXPECT_EQ(contrast, 5);

    double seconds = 0;
    EXPECT_FALSE(ReadExposureSeconds(0, &seconds));
    ASSERT_TRUE(WriteExposureSeconds(0, 12.5));
    ASSERT_TRUE(ReadExposureSeconds(0, &seconds));
    EXPECT_EQ(seconds, 12.5);
    uint8_t bytes[8] = {};
    ASSERT_TRUE(SettingsKey::Open(GroupKey(0, "Gain"))->ReadBinary("ExposureEx", bytes, 8));
    EXPECT_EQ(bytes[7], 0x40);
    EXPECT_EQ(bytes[6], 0x29);
}
