// The preview window and the stored capture sizes, through the exports.
// The windows themselves exist only in the Windows build (run under Wine
// with a virtual screen); there every drawn frame is read back from the
// window's device context.

#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../support/ScaleReference.h"
#include "../support/WindowCapture.h"
#include "SdkFixture.h"

namespace tavix::test {
namespace {

void StorePreset(const char* name, std::array<uint32_t, 7> values)
{
    const auto key = platform::SettingsKey::Create(std::string(settings::kProductKey) + "\\" + name);
    ASSERT_NE(key, nullptr);
    const char* names[] = {"TH", "TV", "EH", "EV", "EHS", "EVS", "Buf"};
    for (size_t i = 0; i < values.size(); ++i)
        ASSERT_TRUE(key->WriteDword(names[i], values[i]));
}

std::array<int32_t, 6> CaptureWindow(uint32_t handle)
{
    std::array<int32_t, 6> w{};
    EXPECT_EQ(Tavix_GetCaptureWindowEx(handle, &w[0], &w[1], &w[2], &w[3], &w[4], &w[5]), 1);
    return w;
}

} // namespace

TEST_F(Sdk, CaptureSizesAreLookedUpInTheStoredTableInOrder)
{
    constexpr std::array<int32_t, 6> kWhole{2448, 0, 2448, 2048, 0, 2048};
    EXPECT_EQ(Tavix_SetCaptureWindow(handle_, 640, 480), 0) << "no table yet";
    EXPECT_EQ(Errors(handle_), std::vector<uint32_t>{TAVIX_ERR_WINDOW});
    StorePreset("Size_00", {2448, 2048, 2448, 2048, 0, 0, 4});
    StorePreset("Size_01", {2500, 2100, 640, 480, 96, 200, 3});
    StorePreset("Size_02", {2448, 2048, 640, 480, 0, 0, 2});       // the same size again: never reached
    StorePreset("Size_03", {2448, 2048, 1000, 1000, 2000, 0, 4});  // outside the sensor
    StorePreset("Size_05", {2448, 2048, 320, 240, 0, 0, 4});       // after a gap: not part of the table
    struct Row {
        int32_t width, height, result;
        std::vector<uint32_t> errors;
        std::array<int32_t, 6> window; // hTotal, hStart, width, vTotal, vStart, height
    };
    const Row rows[] = {
        {640, 480, 1, {}, {2500, 96, 640, 2100, 200, 480}},
        {1000, 1000, 1, {TAVIX_ERR_CAPTURE_WINDOW}, kWhole},
        {640, 480, 1, {}, {2500, 96, 640, 2100, 200, 480}},
        {320, 240, 0, {TAVIX_ERR_WINDOW}, {2500, 96, 640, 2100, 200, 480}},
        {2448, 2048, 1, {}, kWhole},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.width) + " x " + std::to_string(row.height));
        EXPECT_EQ(Tavix_SetCaptureWindow(handle_, row.width, row.height), row.result);
        EXPECT_EQ(Errors(handle_), row.errors);
        EXPECT_EQ(CaptureWindow(handle_), row.window);
    }
    EXPECT_EQ(Tavix_SetCaptureWindow(handle_ + 99, 640, 480), 0);

    // The camera delivers the stored size: a frame of 640 x 480 fills a
    // buffer of exactly that size, and a full frame would not fit it.
    ASSERT_EQ(Tavix_SetCaptureWindow(handle_, 640, 480), 1);
    ASSERT_EQ(Tavix_SetColorMode(handle_, 8), 1);
    std::vector<uint8_t> frame(640 * 480);
    EXPECT_EQ(Tavix_SnapShot(handle_, frame.data(), int32_t(frame.size()), 0), 1);
    EXPECT_EQ(Errors(handle_), std::vector<uint32_t>{});
}

#ifndef _WIN32

TEST_F(Sdk, WithoutAWindowSystemOnlyAPreviewWithoutWindowRuns)
{
    int parent = 0;
    struct Row {
        TavixWindow parent;
        std::array<int32_t, 4> rect;
    };
    for (const Row& row : {Row{nullptr, {0, 0, 2448, 2048}}, Row{&parent, {10, 20, 640, 480}}}) {
        ASSERT_EQ(Tavix_SetPreviewWindow(handle_, row.parent, row.rect[0], row.rect[1], row.rect[2], row.rect[3]), 1);
        EXPECT_EQ(Tavix_Preview(handle_), 0);
        EXPECT_EQ(Errors(handle_), std::vector<uint32_t>{TAVIX_ERR_WINDOW});
        EXPECT_EQ(Tavix_Record(handle_, "never.avi", 100, 1), 0);
        EXPECT_EQ(Errors(handle_), std::vector<uint32_t>{TAVIX_ERR_WINDOW});
    }
    SmallWindow(handle_);
    EXPECT_EQ(Tavix_Preview(handle_), 1);
    EXPECT_EQ(Tavix_StopPreview(handle_), 1);
}

#else

namespace {

constexpr LONG kTopLevelStyle = 0x16CF0000;
constexpr LONG kChildStyle = 0x52000000;

std::string ClassName(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool ClassRegistered(const std::string& name)
{
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    return GetClassInfoExA(GetModuleHandleA(nullptr), name.c_str(), &info) != 0;
}

std::string WindowText(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Top-level preview windows of this thread.
int PreviewWindows()
{
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM counter) {
            *reinterpret_cast<int*>(counter) += WindowText(window) == "Active Window";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// A plain window of the test's own for the preview's child to live in.
struct ParentWindow {
    HWND window = CreateWindowExA(0, "STATIC", "tavix-parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1200, 900,
                                  nullptr, nullptr, nullptr, nullptr);
    ~ParentWindow() { DestroyWindow(window); }
};

// The delivered frame (top row first) as the display shows it: gray or
// blue-green-red bytes, 16-bit samples by their top eight of twelve bits,
// wider colour by the high byte of each of the first three words.
std::vector<uint8_t> AsDisplayed(const std::vector<uint8_t>& frame, int32_t width, int32_t height, int32_t bits,
                                 int32_t* channels)
{
    const int32_t bytes = bits / 8;
    const size_t stride = (size_t(width) * size_t(bytes) + 3) & ~size_t{3};
    *channels = bits == 8 || bits == 16 ? 1 : 3;
    std::vector<uint8_t> shown;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = frame.data() + size_t(y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + size_t(x) * size_t(bytes);
            switch (bits) {
            case 8: shown.push_back(p[0]); break;
            case 16: shown.push_back(uint8_t(std::min((p[0] | p[1] << 8) >> 4, 255))); break;
            case 24: case 32: shown.insert(shown.end(), p, p + 3); break;
            default: for (int c = 0; c < 3; ++c) shown.push_back(p[2 * c + 1]);
            }
        }
    }
    return shown;
}

} // namespace

TEST_F(Sdk, TheTopLevelPreviewWindowHasTheImageSizeIsCentredAndGoesWithClose)
{
    for (const int32_t subSample : {0, 1}) {
        SCOPED_TRACE("sub-sampling " + std::to_string(subSample));
        ASSERT_EQ(Tavix_SetSubSample(handle_, subSample), 1);
        ASSERT_EQ(Tavix_Preview(handle_), 1);
        HWND window = FindWindowA(nullptr, "Active Window");
        ASSERT_NE(window, nullptr);
        const std::string name = ClassName(window);
        EXPECT_EQ(name.rfind("VideoRenderer_", 0), 0u) << name;
        EXPECT_EQ(name.size(), 31u) << name;
        EXPECT_EQ(GetWindowLongA(window, GWL_STYLE), kTopLevelStyle);
        EXPECT_EQ(GetParent(window), nullptr);
        RECT client{}, outer{};
        GetClientRect(window, &client);
        GetWindowRect(window, &outer);
        const int32_t divisor = subSample == 1 ? 2 : 1;
        EXPECT_EQ(client.right, 2448 / divisor);
        EXPECT_EQ(client.bottom, 2048 / divisor);
        const LONG width = outer.right - outer.left, height = outer.bottom - outer.top;
        EXPECT_EQ(outer.left, std::max((GetSystemMetrics(SM_CXSCREEN) - width) / 2, 0L));
        EXPECT_EQ(outer.top, std::max((GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0L));
        if (subSample == 1) {
            // What a person would see: the live preview on the screen, once
            // the window's own message loop has run for a moment.
            const auto end = GetTickCount() + 500;
            for (MSG msg; GetTickCount() < end; Sleep(10))
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageA(&msg);
            std::filesystem::create_directories(TAVIX_ARTIFACT_DIR);
            EXPECT_TRUE(WritePng(TAVIX_ARTIFACT_DIR "/preview-live.png", CaptureOnScreen(window)));
        }
        EXPECT_EQ(Tavix_Close(handle_), 1);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_FALSE(ClassRegistered(name));
        EXPECT_EQ(Errors(handle_), std::vector<uint32_t>{});
    }
    // All zeros and no parent: a preview with no window at all.
    SmallWindow(handle_);
    ASSERT_EQ(Tavix_Preview(handle_), 1);
    EXPECT_EQ(FindWindowA(nullptr, "Active Window"), nullptr);
    EXPECT_EQ(Tavix_Close(handle_), 1);
}

TEST_F(Sdk, AChildPreviewWindowShowsEachFrameAtItsOwnSize)
{
    ParentWindow parent;
    ASSERT_NE(parent.window, nullptr);
    struct Row {
        int32_t bits, width, height, clientWidth, clientHeight;
    };
    const Row rows[] = {
        {8, 512, 256, 512, 256},  {24, 512, 256, 512, 256},  {16, 512, 256, 512, 256}, {48, 512, 256, 512, 256},
        {8, 512, 256, 200, 100},  {24, 512, 256, 640, 480},  {24, 512, 256, 300, 100}, {8, 2448, 2048, 640, 512},
        {24, 2448, 2048, 640, 512},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.bits) + " bits, " + std::to_string(row.width) + " x " +
                     std::to_string(row.height) + " in " + std::to_string(row.clientWidth) + " x " +
                     std::to_string(row.clientHeight));
        // Small windows span the lower edge of the scene's colour bars, so
        // that a picture upside down shows.
        const int32_t hStart = (2448 - row.width) / 2, vStart = (2048 - row.height) / 5;
        ASSERT_EQ(Tavix_SetCaptureWindowEx(handle_, 2448, hStart, row.width, 2048, vStart, row.height), 1);
        ASSERT_EQ(Tavix_SetColorMode(handle_, row.bits), 1);
        ASSERT_EQ(Tavix_SetPreviewWindow(handle_, parent.window, 10, 20, row.clientWidth, row.clientHeight), 1);
        const size_t stride = (size_t(row.width) * size_t(row.bits / 8) + 3) & ~size_t{3};
        std::vector<uint8_t> frame(stride * size_t(row.height));
        ASSERT_EQ(Tavix_CallBackPreview(handle_, trap_.Window(), frame.data(), int32_t(frame.size()), 1), 1);
        ASSERT_GE(MessageTrap::Frames(trap_.TakeUntil([](const auto& all) { return MessageTrap::Frames(all) >= 1; })),
                  1u);
        ASSERT_EQ(Tavix_StopPreview(handle_), 1);
        // The frame drawn last, in stored row order: the top row first.
        ASSERT_EQ(Tavix_GetImage(handle_, frame.data(), int32_t(frame.size()), 1), 1);

        HWND child = GetDlgItem(parent.window, 6540);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(WindowText(child), "ActiveMovie Window");
        EXPECT_EQ(ClassName(child).rfind("VideoRenderer_", 0), 0u);
        EXPECT_EQ(GetWindowLongA(child, GWL_STYLE), kChildStyle);
        POINT origin{0, 0};
        MapWindowPoints(child, parent.window, &origin, 1);
        EXPECT_EQ(origin.x, 10);
        EXPECT_EQ(origin.y, 20);

        int32_t channels = 0;
        std::vector<uint8_t> expected = AsDisplayed(frame, row.width, row.height, row.bits, &channels);
        const bool scaled = row.clientWidth != row.width || row.clientHeight != row.height;
        if (scaled)
            expected = ReferenceScale(expected, row.width, row.height, channels, row.clientWidth, row.clientHeight);
        const Capture shown = CaptureClient(child);
        ASSERT_EQ(shown.width, row.clientWidth);
        ASSERT_EQ(shown.height, row.clientHeight);
        int32_t wrong = 0;
        for (int32_t y = 0; y < shown.height; ++y)
            for (int32_t x = 0; x < shown.width; ++x)
                for (int32_t c = 0; c < 3; ++c) {
                    const int want = expected[(size_t(y) * size_t(shown.width) + size_t(x)) * size_t(channels) +
                                              size_t(channels == 3 ? c : 0)];
                    wrong += std::abs(shown.At(x, y)[c] - want) > (scaled ? 1 : 0);
                }
        EXPECT_EQ(wrong, 0);
        EXPECT_EQ(Tavix_Close(handle_), 1);
        EXPECT_EQ(GetDlgItem(parent.window, 6540), nullptr);
        EXPECT_EQ(Errors(handle_), std::vector<uint32_t>{});
    }
}

TEST_F(Sdk, PreviewCyclesLeaveNoWindowOrClassBehind)
{
    ASSERT_EQ(Tavix_SetCaptureWindowEx(handle_, 2448, 0, 256, 2048, 0, 128), 1);
    ASSERT_EQ(Tavix_SetPreviewWindow(handle_, nullptr, 0, 0, 256, 128), 1);
    const DWORD objectsBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    std::vector<std::string> classes;
    for (int cycle = 0; cycle < 50; ++cycle) {
        ASSERT_EQ(Tavix_Preview(handle_), 1);
        if (cycle % 10 == 0) { // a second start while the window exists
            ASSERT_EQ(Tavix_StopPreview(handle_), 1);
            ASSERT_EQ(Tavix_Preview(handle_), 1);
        }
        ASSERT_EQ(PreviewWindows(), 1);
        HWND window = FindWindowA(nullptr, "Active Window");
        classes.push_back(ClassName(window));
        ASSERT_EQ(Tavix_Close(handle_), 1);
    }
    EXPECT_EQ(PreviewWindows(), 0);
    for (const std::string& name : classes)
        EXPECT_FALSE(ClassRegistered(name)) << name;
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), objectsBefore);
    EXPECT_EQ(Errors(handle_), std::vector<uint32_t>{});
}

#endif // _WIN32

} // namespace tavix::test
