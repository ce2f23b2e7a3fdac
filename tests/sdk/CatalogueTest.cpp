// The catalogue of exports against one emulated camera: the filter values
// with their ranges and named forms, the camera-backed settings reaching
// the sensor's registers, registers, I/O port and serial memory, and every
// export of the library found by name with its answer to an unknown handle.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "SdkFixture.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using namespace tavix;
using namespace tavix::test;

namespace {

using Getter = int32_t(TAVIX_API*)(uint32_t, int32_t*);
using Setter = int32_t(TAVIX_API*)(uint32_t, int32_t);

// Every setting the instance keeps, with the range it accepts and its
// named forms.
struct Kept {
    int32_t number, minimum, maximum;
    Getter get;
    Setter set;
};
const Kept kKept[] = {
    {1, -255, 255, Tavix_GetBrightness, Tavix_SetBrightness},
    {2, -127, 127, Tavix_GetContrast, Tavix_SetContrast},
    {3, -360, 360, Tavix_GetHue, Tavix_SetHue},
    {4, -255, 255, Tavix_GetSaturation, Tavix_SetSaturation},
    {5, 0, 30, Tavix_GetSharpness, Tavix_SetSharpness},
    {7, 0, 400, Tavix_GetBayerGainRed, Tavix_SetBayerGainRed},
    {8, 0, 400, Tavix_GetBayerGainGreen, Tavix_SetBayerGainGreen},
    {9, 0, 400, Tavix_GetBayerGainBlue, Tavix_SetBayerGainBlue},
    {11, 0, 200, Tavix_GetGamma, Tavix_SetGamma},
    {12, 0, 3, Tavix_GetBayerMode, Tavix_SetBayerMode},
    {19, 0, 2, Tavix_GetGrayMode, Tavix_SetGrayMode},
    {20, 0, 255, Tavix_GetGrayGainR, Tavix_SetGrayGainR},
    {21, 0, 255, Tavix_GetGrayGainG1, Tavix_SetGrayGainG1},
    {22, 0, 255, Tavix_GetGrayGainG2, Tavix_SetGrayGainG2},
    {23, 0, 255, Tavix_GetGrayGainB, Tavix_SetGrayGainB},
    {24, -255, 255, Tavix_GetGrayOffsetR, Tavix_SetGrayOffsetR},
    {25, -255, 255, Tavix_GetGrayOffsetG1, Tavix_SetGrayOffsetG1},
    {26, -255, 255, Tavix_GetGrayOffsetG2, Tavix_SetGrayOffsetG2},
    {27, -255, 255, Tavix_GetGrayOffsetB, Tavix_SetGrayOffsetB},
    {102, 0, 1, Tavix_GetDotFilter, Tavix_SetDotFilter},
    {103, 0, 1, Tavix_GetMaskFilter, Tavix_SetMaskFilter},
};

// Posted error messages (not on the stack) since the last call.
std::vector<intptr_t> Posted(MessageTrap& trap)
{
    std::vector<intptr_t> codes;
    for (const auto& m : trap.Take())
        if (m.message == TAVIX_WM_ERROR)
            codes.push_back(m.lParam);
    return codes;
}

} // namespace

TEST_F(Sdk, KeptFilterValuesTakeTheirRangeEndsAndRefuseBeyond)
{
    for (const Kept& k : kKept) {
        SCOPED_TRACE(k.number);
        int32_t ok = -1;
        for (int32_t end : {k.minimum, k.maximum}) {
            EXPECT_EQ(k.set(handle_, end), 1);
            EXPECT_EQ(Tavix_GetFilterValue(handle_, k.number, &ok), end);
            EXPECT_EQ(ok, 1);
            EXPECT_EQ(k.get(handle_, nullptr), end) << "the named getter, with no ok flag";
        }
        EXPECT_EQ(Tavix_SetFilterValue(handle_, k.number, k.minimum - 1), 0);
        EXPECT_EQ(k.set(handle_, k.maximum + 1), 0);
        EXPECT_EQ(k.get(handle_, &ok), k.maximum) << "a refused value changes nothing";
        EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{9, 9}));
    }
}

TEST_F(Sdk, SpecialFilterValuesAndTheNumbersThisCameraLacks)
{
    int32_t ok = -1;
    // Packed Bayer gains: a byte each, no range test.
    EXPECT_EQ(Tavix_SetBayerGainRGB(handle_, 0x332211), 1);
    EXPECT_EQ(Tavix_GetBayerGainRGB(handle_, &ok), 0x332211);
    EXPECT_EQ(Tavix_GetBayerGainGreen(handle_, &ok), 0x22);
    EXPECT_EQ(Tavix_SetBayerGainRed(handle_, 300), 1);
    EXPECT_EQ(Tavix_GetBayerGainRGB(handle_, &ok), 0x33222C) << "each taken as its low 8 bits";
    EXPECT_EQ(Tavix_SetBayerGainAuto(handle_, -7), 1);
    EXPECT_EQ(Tavix_GetBayerGainAuto(handle_, &ok), 1);

    const struct {
        int32_t number;
        int32_t getValue, getOk;
        std::vector<uint32_t> getErrors;
        int32_t setValue, setResult;
        std::vector<uint32_t> setErrors;
    } rows[] = {
        {28, 0, 0, {9}, 2, 0, {9}}, // the gray countdown: written only, 0 or 1
        {29, 0, 0, {9}, 1, 0, {9}},  {32, 0, 0, {9}, 1, 0, {9}},  {33, 0, 0, {9}, 1, 0, {9}},
        {36, 0, 0, {9}, 1, 0, {9}},  {100, -1, 1, {11}, 1, 0, {11}}, {101, -1, 0, {11}, 1, 0, {9}},
        {104, 0, 1, {}, 5, 0, {}}, // the camera's black level: its own answer, which is 0 here
        {105, 0, 1, {11}, 1, 0, {11}}, {106, 0, 1, {11}, 1, 0, {11}},
        {0, 0, 0, {9}, 0, 0, {9}},   {37, 0, 0, {9}, 0, 0, {9}},  {99, 0, 0, {9}, 0, 0, {9}},
        {107, 0, 0, {9}, 0, 0, {9}}, {-1, 0, 0, {9}, 0, 0, {9}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.number);
        EXPECT_EQ(Tavix_GetFilterValue(handle_, r.number, &ok), r.getValue);
        EXPECT_EQ(ok, r.getOk);
        EXPECT_EQ(Errors(handle_), r.getErrors);
        EXPECT_EQ(Tavix_SetFilterValue(handle_, r.number, r.setValue), r.setResult);
        EXPECT_EQ(Errors(handle_), r.setErrors);
    }
    EXPECT_EQ(Tavix_SetFilterValue(handle_, 28, 1), 1);
    EXPECT_EQ(Tavix_GetTemperature(handle_, &ok), -1);
    EXPECT_EQ(Tavix_GetPeltier(handle_, nullptr), -1);
    // Channels 1 to 4 reach numbers 29 to 36; others answer 0 and record nothing.
    EXPECT_EQ(Tavix_SetChannelGain(handle_, 5, 10), 0);
    EXPECT_EQ(Tavix_GetChannelOffset(handle_, 0, &ok), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{11, 11}));
    EXPECT_EQ(Tavix_SetChannelGain(handle_, 1, 10), 0);
    EXPECT_EQ(Tavix_GetChannelOffset(handle_, 4, nullptr), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{9, 9}));
}

TEST_F(Sdk, CameraSettingsReachTheSensorAndComeBackFromIt)
{
    emu::EmulatedCamera& camera = port_.Camera(0);
    int32_t ok = 0;
    // Gain: 0..480, bit 8 in the second register.
    EXPECT_EQ(Tavix_SetGlobalGain(handle_, 300), 1);
    EXPECT_EQ(camera.SensorRegister(0x0404), 300 & 0xFF);
    EXPECT_EQ(camera.SensorRegister(0x0405), 1);
    EXPECT_EQ(Tavix_GetGlobalGain(handle_, &ok), 300);
    EXPECT_EQ(Tavix_SetGlobalGain(handle_, 480), 1);
    EXPECT_EQ(Tavix_SetGlobalGain(handle_, 481), 0);
    EXPECT_EQ(Tavix_SetGlobalGain(handle_, -1), 0);
    // This sensor has no colour gains: its range is 0 alone.
    EXPECT_EQ(Tavix_SetColorGainRed(handle_, 0), 1);
    EXPECT_EQ(Tavix_SetColorGainBlue(handle_, 1), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{9, 9, 9}));

    // Exposure in steps of 100 µs, 1..20000: 100 ms is what the sensor
    // then exposes, line by line (13.2359 µs each).
    EXPECT_EQ(Tavix_SetExposureTime(handle_, 1000), 1);
    EXPECT_EQ(Tavix_GetExposureTime(handle_, &ok), 1000);
    EXPECT_NEAR(camera.CurrentFrameSettings().ExposureMicroseconds(), 100000.0, 1000.0);
    EXPECT_EQ(Tavix_GetRealExposureTime(handle_, &ok), 100000);
    EXPECT_EQ(Tavix_SetRealExposureTime(handle_, 2000050), 1) << "200 ms and a half step, cut";
    EXPECT_EQ(Tavix_GetExposureTime(handle_, nullptr), 20000);
    EXPECT_EQ(Tavix_SetExposureTime(handle_, 0), 0);
    EXPECT_EQ(Tavix_SetExposureTime(handle_, 20001), 0);
    EXPECT_EQ(Tavix_SetRealExposureTime(handle_, 99), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{9, 9, 9}));
    EXPECT_EQ(Tavix_SetExposureTimeEx(handle_, 0.5), 0);
    EXPECT_EQ(Tavix_GetExposureTimeEx(handle_, &ok), -1.0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Tavix_GetTemperatureEx(handle_, nullptr), 0.0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{11, 11, 11}));

    // Mirrors are the camera's: bit 0 flips rows, bit 1 mirrors columns.
    EXPECT_EQ(Tavix_SetMirrorH(handle_, 5), 1);
    EXPECT_EQ(camera.SensorRegister(0x020E), 2);
    EXPECT_EQ(Tavix_SetMirrorV(handle_, 1), 1);
    EXPECT_EQ(camera.SensorRegister(0x020E), 3);
    EXPECT_EQ(Tavix_GetMirrorH(handle_), 1);
    // 30 frames/s lengthen the full-size frame to 2518 lines (with an
    // exposure that fits in it).
    ASSERT_EQ(Tavix_SetExposureTime(handle_, 100), 1);
    EXPECT_EQ(Tavix_SetSamplingRate(handle_, 300), 1);
    EXPECT_EQ(camera.CurrentFrameSettings().frameLength, 2518u);

    // Switches this sensor lacks, and the ones that only post their error.
    trap_.Take();
    EXPECT_EQ(Tavix_SetAutoIris(handle_, 3), 0);
    EXPECT_EQ(Tavix_SetAutoIris(handle_, 2), 1);
    EXPECT_EQ(Tavix_GetAutoIris(handle_, &ok), 2);
    EXPECT_EQ(Tavix_GetInternalCorrection(handle_, &ok), 0);
    EXPECT_EQ(Tavix_SetInternalCorrection(handle_, 1), 0);
    EXPECT_EQ(Tavix_Fps(handle_), 0);
    EXPECT_EQ(Tavix_Trigger(handle_), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{}));
    EXPECT_EQ(Posted(trap_), (std::vector<intptr_t>{9, 11, 11, 11, 11}));
    EXPECT_EQ(Tavix_GetConfigFilter(handle_), -1);
    EXPECT_EQ(Tavix_SendText(handle_, "x"), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{11, 11}));
    int32_t format = 7;
    EXPECT_EQ(Tavix_GetVideoFormat(handle_, &format), 0);
    EXPECT_EQ(format, 0);
    EXPECT_EQ(Tavix_GetStatus(handle_, &format), 0);
}

TEST_F(Sdk, RegistersThePortTheSerialMemoryAndTheCameraInformation)
{
    emu::EmulatedCamera& camera = port_.Camera(0);
    trap_.Take();
    int32_t ok = -1;
    EXPECT_EQ(Tavix_Fpga_WriteRegister(handle_, 0x20, 0x1234), 1);
    EXPECT_EQ(camera.FpgaRegister(0x20), 0x34);
    EXPECT_EQ(Tavix_Fpga_ReadRegister(handle_, 0x20, &ok), 0x34u);
    EXPECT_EQ(Tavix_WriteRegisterEx(handle_, 0x3004, 0x5A), 1);
    EXPECT_EQ(Tavix_ReadRegisterEx(handle_, 0x3004, &ok), 0x5Au);
    EXPECT_EQ(Tavix_WriteRegister(handle_, 0x04, 0x1277), 1);
    EXPECT_EQ(camera.SensorRegister(0x0004), 0x77);
    EXPECT_EQ(Tavix_SetIOPort(handle_, 0xA5), 1);
    uint8_t port = 0;
    EXPECT_EQ(Tavix_GetIOPort(handle_, &port), 1);
    EXPECT_EQ(port, 0xA5);
    EXPECT_EQ(Tavix_GetIOPort(handle_, nullptr), 0);
    EXPECT_EQ(Posted(trap_), (std::vector<intptr_t>{9}));
    camera.SetI2cDeviceAbsent(0x48, true);
    EXPECT_EQ(Tavix_ReadRegister(handle_, 0x04, &ok), 0u);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Tavix_WriteRegister(handle_, 0x04, 1), 0);
    camera.SetI2cDeviceAbsent(0x48, false);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{6, 6}));

    // Serial memory: 12-bit addresses, writes verified ten times.
    camera.SetEepromByte(0x040, 0x5A);
    EXPECT_EQ(Tavix_ReadSromID(handle_, 0x1040, &ok), 0x5Au);
    camera.SetEepromCellStuck(0x200, true);
    camera.ClearLog();
    EXPECT_EQ(Tavix_WriteSromID(handle_, 0x200, 0x11), 1);
    size_t writes = 0;
    for (const auto& entry : camera.Log())
        writes += entry.hasHeader && entry.header.request == 0x30 && entry.header.index == 0xA2 &&
                          entry.header.value == 3
                      ? 1
                      : 0;
    EXPECT_EQ(writes, 11u);

    char serial[40];
    std::memset(serial, 'x', sizeof serial);
    EXPECT_EQ(Tavix_ReadSerialNumberA(handle_, serial, 32), 1);
    EXPECT_STREQ(serial, "TVX00001");
    camera.ClearLog();
    EXPECT_EQ(Tavix_ReadSerialNumberA(handle_, serial, 31), 0);
    EXPECT_TRUE(camera.Log().empty()) << "refused before any bus traffic";
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{9}));
    camera.SetSerialNumber(std::string(32, 'S'));
    EXPECT_EQ(Tavix_ReadSerialNumberA(handle_, serial, 32), 1);
    EXPECT_EQ(std::string(serial), std::string(31, 'S')) << "no end mark: 31 characters and the terminator";
    TavixWideChar wide[40] = {};
    EXPECT_EQ(Tavix_ReadSerialNumberW(handle_, wide, 32), 1);
    EXPECT_EQ(wide[30], u'S');
    EXPECT_EQ(wide[31], 0);
    EXPECT_EQ(Tavix_ReadSerialNumberW(handle_, wide, 31), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{12}));
    camera.SetSerialNumber("");
    std::strcpy(serial, "kept");
    EXPECT_EQ(Tavix_ReadSerialNumberA(handle_, serial, 32), 1);
    EXPECT_STREQ(serial, "kept") << "a blank memory leaves the buffer alone";

    // The camera-information record: its size decides how much is filled.
    std::vector<uint8_t> record(64, 0xEE);
    const uint32_t size36 = 36;
    std::memcpy(record.data(), &size36, 4);
    ASSERT_EQ(Tavix_GetCameraInfo(handle_, record.data()), 1);
    TavixCameraInfo info;
    std::memcpy(&info, record.data(), sizeof info);
    EXPECT_EQ(std::vector<uint32_t>({info.sensorWidth, info.sensorHeight, info.gainMin, info.gainMax,
                                     info.colorGainMin, info.colorGainMax, info.exposureMin, info.exposureMax}),
              (std::vector<uint32_t>{2448, 2048, 0, 480, 0, 0, 1, 20000}));
    EXPECT_EQ(record[40], 0xEE) << "the seconds range only for records of 56 bytes";
    info.size = 56;
    ASSERT_EQ(Tavix_GetCameraInfo(handle_, &info), 1);
    EXPECT_EQ(info.exposureSecondsMax, 0.0);
    info.size = 35;
    EXPECT_EQ(Tavix_GetCameraInfo(handle_, &info), 0);
    EXPECT_EQ(Tavix_GetCameraInfo(handle_, nullptr), 0);
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{9, 5}));
}

TEST_F(Sdk, WideNamesBeyondAsciiOpenTheirFiles)
{
    const std::u16string name = u"tavix-\u00C4\u00DF.bin";
    const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / name;
    std::ofstream(path, std::ios::binary) << std::string(16, '\2');
    std::u16string full = path.u16string();
    EXPECT_EQ(Tavix_LoadConfigFileW(handle_, reinterpret_cast<const TavixWideChar*>(full.c_str())), 1);
    std::filesystem::remove(path);
    EXPECT_EQ(Tavix_LoadConfigFileW(handle_, reinterpret_cast<const TavixWideChar*>(full.c_str())), 0);
    EXPECT_TRUE(Errors(handle_).empty());
    // A character the code page cannot hold is refused, never replaced by
    // a look-alike that names another file (UTF-8 holds them all).
    const std::u16string cjk = u"tavix-\u4E00.bin";
    EXPECT_EQ(Tavix_LoadConfigFileW(handle_, reinterpret_cast<const TavixWideChar*>(cjk.c_str())), 0);
#ifdef _WIN32
    EXPECT_EQ(Errors(handle_), (std::vector<uint32_t>{12}));
#else
    EXPECT_TRUE(Errors(handle_).empty());
#endif
}

// The exports of the library so far, by family: lifecycle, device
// selection, acquisition, image size and format, exposure and camera
// options, filter values and their named forms, registers and serial
// memory, files, the defect mask, the dialogs, not supported.
const char* const kExports =
    "Tavix_CallBackPreview Tavix_Capture Tavix_Close Tavix_EnumDevice Tavix_EnumDeviceW "
    "Tavix_Fpga_ReadRegister Tavix_Fpga_WriteRegister Tavix_Fps Tavix_GetAutoIris Tavix_GetBayerGainAuto "
    "Tavix_GetBayerGainBlue Tavix_GetBayerGainGreen Tavix_GetBayerGainRGB Tavix_GetBayerGainRed "
    "Tavix_GetBayerMode Tavix_GetBrightness Tavix_GetCameraInfo Tavix_GetCaptureWindowEx "
    "Tavix_GetChannelGain Tavix_GetChannelOffset Tavix_GetColorGainBlue Tavix_GetColorGainGreen1 "
    "Tavix_GetColorGainGreen2 Tavix_GetColorGainRed Tavix_GetColorMode Tavix_GetConfigFilter "
    "Tavix_GetContrast Tavix_GetDeviceName Tavix_GetDeviceNameW Tavix_GetDllVersion Tavix_GetDotFilter "
    "Tavix_GetExposureTime Tavix_GetExposureTimeEx Tavix_GetFilterValue Tavix_GetGamma "
    "Tavix_GetGlobalGain Tavix_GetGrayGainB Tavix_GetGrayGainG1 Tavix_GetGrayGainG2 Tavix_GetGrayGainR "
    "Tavix_GetGrayMode Tavix_GetGrayOffsetB Tavix_GetGrayOffsetG1 Tavix_GetGrayOffsetG2 "
    "Tavix_GetGrayOffsetR Tavix_GetHalfClock Tavix_GetHue Tavix_GetIOPort Tavix_GetImage "
    "Tavix_GetInternalCorrection Tavix_GetLastError Tavix_GetMaskFilter Tavix_GetMirrorH "
    "Tavix_GetMirrorV Tavix_GetPeltier Tavix_GetRealExposureTime Tavix_GetSamplingRate "
    "Tavix_GetSaturation Tavix_GetSharpness Tavix_GetStatus Tavix_GetSubSample Tavix_GetTemperature "
    "Tavix_GetTemperatureEx Tavix_GetVideoFormat Tavix_GetWaitTime Tavix_Height Tavix_Initialize "
    "Tavix_LoadConfigFileA Tavix_LoadConfigFileW Tavix_LoadMaskFile Tavix_LoadMaskFileW Tavix_Preview "
    "Tavix_ReadRegister Tavix_ReadRegisterEx Tavix_ReadSerialNumberA Tavix_ReadSerialNumberW Tavix_ReadSromID "
    "Tavix_ReceiveText Tavix_Record Tavix_RecordW Tavix_Release Tavix_SaveImage Tavix_SaveImageW "
    "Tavix_SaveMaskFile Tavix_SaveMaskFileW Tavix_SendText Tavix_SetAnalogDlg Tavix_SetAutoIris Tavix_SetBayerGainAuto "
    "Tavix_SetBayerGainBlue "
    "Tavix_SetBayerGainGreen Tavix_SetBayerGainRGB Tavix_SetBayerGainRed Tavix_SetBayerMode "
    "Tavix_SetBrightness Tavix_SetCameraDlg Tavix_SetCaptureWindow Tavix_SetCaptureWindowEx Tavix_SetChannelGain "
    "Tavix_SetChannelOffset "
    "Tavix_SetColorGainBlue Tavix_SetColorGainGreen1 Tavix_SetColorGainGreen2 Tavix_SetColorGainRed "
    "Tavix_SetColorMode Tavix_SetConfigFilter Tavix_SetContrast Tavix_SetCrossbar Tavix_SetDeviceNumber "
    "Tavix_SetDotFilter Tavix_SetExposureTime Tavix_SetExposureTimeEx Tavix_SetFilterValue "
    "Tavix_SetGamma Tavix_SetGlobalGain Tavix_SetGrayGainB Tavix_SetGrayGainG1 Tavix_SetGrayGainG2 "
    "Tavix_SetGrayGainR Tavix_SetGrayMode Tavix_SetGrayOffsetB Tavix_SetGrayOffsetG1 "
    "Tavix_SetGrayOffsetG2 Tavix_SetGrayOffsetR Tavix_SetHalfClock Tavix_SetHue Tavix_SetIOPort Tavix_SetImageDlg "
    "Tavix_SetInternalCorrection Tavix_SetMaskFilter Tavix_SetMirrorH Tavix_SetMirrorV Tavix_SetPeltier "
    "Tavix_SetPreviewWindow Tavix_SetRealExposureTime Tavix_SetSamplingRate Tavix_SetSaturation "
    "Tavix_SetSharpness Tavix_SetSubSample Tavix_SetWaitTime Tavix_SnapShot Tavix_StartPreview "
    "Tavix_StopPreview Tavix_Trigger Tavix_UpdateMaskData Tavix_Width Tavix_WriteRegister Tavix_WriteRegisterEx "
    "Tavix_WriteSromID ";

// Every export, looked up by name in the shipped library, answers an
// unknown handle with its failure value and records nothing.
TEST(Exports, EveryOneIsThereAndRefusesAnUnknownHandle)
{
#ifdef _WIN32
    HMODULE library = LoadLibraryA("TavixSdk_264ROR_USB3_Q5.dll");
    const auto find = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(library, name)); };
#else
    void* library = dlopen(TAVIX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    const auto find = [&](const char* name) { return dlsym(library, name); };
#endif
    ASSERT_NE(library, nullptr);
    // Six integer arguments cover every export: extra ones are ignored on x64.
    using AnyCall = int64_t(TAVIX_API*)(uint32_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t);
    using DoubleCall = double(TAVIX_API*)(uint32_t, uintptr_t);
    const uint32_t unknown = 0xFFFFFFF0u;
    std::istringstream names(kExports);
    std::string name;
    int checked = 0;
    while (names >> name) {
        SCOPED_TRACE(name);
        void* function = find(name.c_str());
        ASSERT_NE(function, nullptr);
        ++checked;
        if (name == "Tavix_GetDllVersion" || name == "Tavix_Initialize")
            continue;
        if (name == "Tavix_GetExposureTimeEx" || name == "Tavix_GetTemperatureEx") {
            EXPECT_EQ(reinterpret_cast<DoubleCall>(function)(unknown, 0), 0.0);
            continue;
        }
        const bool minusOne = name == "Tavix_GetColorMode" || name == "Tavix_GetSubSample" ||
                              name == "Tavix_GetWaitTime";
        const auto result = static_cast<int32_t>(reinterpret_cast<AnyCall>(function)(unknown, 0, 0, 0, 0, 0, 0));
        EXPECT_EQ(result, minusOne ? -1 : 0);
    }
    EXPECT_EQ(checked, 149);
}
