#include "emulator/Scene.h"

#include <cmath>
#include <mutex>
#include <vector>

#include "emulator/ScenePainter.h"

namespace tavix::emu {

namespace {

struct Rgb {
    uint16_t r, g, b;
};

constexpr uint16_t kDark = 300;
constexpr Rgb kSquareColour = {3500, 3000, 500};

// Bands of the static scene (upright rows).
constexpr int kBarsEnd = 512;
constexpr int kGrayRampEnd = 768;
constexpr int kColourRampsEnd = 1024;
constexpr int kLaneEnd = 1536;
constexpr int kBarWidth = kArrayWidth / 8;
constexpr int kDetailColumn = kArrayWidth / 3;

// The frame number: 5 × 7 glyphs drawn 6 times larger, left-aligned from
// (40, 40) on a black box.
constexpr int kDigitScale = 6;
constexpr int kDigitAdvance = 6 * kDigitScale;
constexpr int kTextLeft = 40;
constexpr int kTextTop = 40;
constexpr int kBoxLeft = 32;
constexpr int kBoxTop = 32;
constexpr int kBoxRight = kTextLeft + 10 * kDigitAdvance + 8;
constexpr int kBoxBottom = kTextTop + 7 * kDigitScale + 8;
constexpr uint8_t kGlyphs[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

uint16_t Ramp(int x) { return static_cast<uint16_t>(x * kSceneWhite / (kArrayWidth - 1)); }

Rgb StaticColour(int x, int y)
{
    if (y < kBarsEnd) {
        // White, yellow, cyan, green, magenta, red, blue, black.
        static constexpr uint8_t kBars[8] = {7, 6, 3, 2, 5, 4, 1, 0}; // bit 2 red, 1 green, 0 blue
        const uint8_t bar = kBars[x / kBarWidth];
        return {static_cast<uint16_t>((bar & 4) ? kSceneWhite : 0), static_cast<uint16_t>((bar & 2) ? kSceneWhite : 0),
                static_cast<uint16_t>((bar & 1) ? kSceneWhite : 0)};
    }
    if (y < kGrayRampEnd) {
        const uint16_t v = Ramp(x);
        return {v, v, v};
    }
    if (y < kColourRampsEnd) {
        const int third = (y - kGrayRampEnd) * 3 / (kColourRampsEnd - kGrayRampEnd);
        const uint16_t v = Ramp(x);
        return {static_cast<uint16_t>(third == 0 ? v : 0), static_cast<uint16_t>(third == 1 ? v : 0),
                static_cast<uint16_t>(third == 2 ? v : 0)};
    }
    if (y < kLaneEnd) {
        const uint16_t v =
            static_cast<uint16_t>(200 + (x + (y - kColourRampsEnd)) * 800 / (kArrayWidth + kLaneEnd - kColourRampsEnd));
        return {v, v, static_cast<uint16_t>(v + 150)};
    }
    bool bright;
    if (x < kDetailColumn) {
        // Vertical line pairs of period 2, 4, 8 and 16 px, a band of each.
        const int half = 1 << ((y - kLaneEnd) / 128); // 1, 2, 4, 8
        bright = ((x / half) & 1) != 0;
    } else if (x < 2 * kDetailColumn) {
        bright = y < kLaneEnd + 256 ? ((x ^ y) & 1) != 0 : (((x >> 1) ^ (y >> 1)) & 1) != 0;
    } else {
        const int dx = x - (2 * kDetailColumn + kDetailColumn / 2);
        const int dy = y - (kLaneEnd + 256);
        bright = (((dx * dx + dy * dy) >> 9) & 1) != 0;
    }
    const uint16_t v = bright ? kSceneWhite : kDark;
    return {v, v, v};
}

uint16_t Pick(const Rgb& c, BayerColour site)
{
    switch (site) {
    case BayerColour::kRed:
        return c.r;
    case BayerColour::kGreen:
        return c.g;
    case BayerColour::kBlue:
        break;
    }
    return c.b;
}

int SquareLeft(uint32_t frameNumber)
{
    return static_cast<int>((static_cast<uint64_t>(frameNumber) * kMovingSquareStep) % (kArrayWidth - kMovingSquareSize));
}

} // namespace

BayerColour SiteColour(int x, int y)
{
    if (((x ^ y) & 1) != 0)
        return BayerColour::kGreen;
    return (x & 1) != 0 ? BayerColour::kRed : BayerColour::kBlue;
}

double FrameSettings::LineMicroseconds() const
{
    return (skipH || skipV) ? kSubsampledLineMicroseconds : kLineMicroseconds;
}

double FrameSettings::FramePeriodMicroseconds() const { return frameLength * LineMicroseconds(); }

uint32_t FrameSettings::SensorColumns() const
{
    return scene::AxisCount(cropH, startH, windowWidth, skipH, kArrayWidth);
}

uint32_t FrameSettings::SensorRows() const
{
    return scene::AxisCount(cropV, startV, windowHeight, skipV, kArrayHeight);
}

uint32_t FrameSettings::Scale() const
{
    const double scale =
        65536.0 * exposureLines / kReferenceExposureLines * std::pow(10.0, static_cast<double>(gain) / 200.0);
    return scale >= 1073741824.0 ? 1073741824u : static_cast<uint32_t>(std::lround(scale));
}

namespace scene {

const uint16_t* BaseMosaic()
{
    static std::vector<uint16_t> mosaic;
    static std::once_flag once;
    std::call_once(once, [] {
        mosaic.resize(static_cast<size_t>(kArrayWidth) * kArrayHeight);
        for (int y = 0; y < kArrayHeight; ++y)
            for (int x = 0; x < kArrayWidth; ++x)
                mosaic[static_cast<size_t>(y) * kArrayWidth + x] = Pick(StaticColour(x, y), SiteColour(x, y));
    });
    return mosaic.data();
}

bool OverlaySpan(int y, uint32_t frameNumber, int* left, int* right)
{
    if (y >= kBoxTop && y < kBoxBottom) {
        *left = kBoxLeft;
        *right = kBoxRight;
        return true;
    }
    if (y >= kMovingSquareTop && y < kMovingSquareTop + kMovingSquareSize) {
        *left = SquareLeft(frameNumber);
        *right = *left + kMovingSquareSize;
        return true;
    }
    return false;
}

int OverlayLevel(int x, int y, uint32_t frameNumber)
{
    if (y >= kMovingSquareTop && y < kMovingSquareTop + kMovingSquareSize) {
        const int left = SquareLeft(frameNumber);
        if (x >= left && x < left + kMovingSquareSize)
            return Pick(kSquareColour, SiteColour(x, y));
        return -1;
    }
    if (y < kBoxTop || y >= kBoxBottom || x < kBoxLeft || x >= kBoxRight)
        return -1;
    const int tx = x - kTextLeft;
    const int ty = y - kTextTop;
    if (tx < 0 || ty < 0 || ty >= 7 * kDigitScale || tx % kDigitAdvance >= 5 * kDigitScale)
        return 0;
    char digits[12];
    int count = 0;
    uint32_t n = frameNumber;
    do {
        digits[count++] = static_cast<char>(n % 10);
        n /= 10;
    } while (n != 0);
    const int position = tx / kDigitAdvance;
    if (position >= count)
        return 0;
    const int digit = digits[count - 1 - position];
    const int column = (tx % kDigitAdvance) / kDigitScale;
    const int row = ty / kDigitScale;
    return (kGlyphs[digit][row] >> (4 - column)) & 1 ? kSceneWhite : 0;
}

int Noise(int x, int y, uint32_t frameNumber, uint32_t seed, uint32_t amplitude)
{
    uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u ^
                 frameNumber * 0xC2B2AE3Du ^ seed * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<int>(h % (2 * amplitude + 1)) - static_cast<int>(amplitude);
}

uint32_t AxisCount(bool crop, uint32_t start, uint32_t size, bool skip, int arraySize)
{
    const uint32_t array = static_cast<uint32_t>(arraySize);
    const uint32_t first = crop ? start : 0;
    if (first >= array)
        return 0;
    const uint32_t requested = crop ? size : (skip ? array / 2 : array);
    // The sensor delivers only the positions that lie on the array; with
    // sub-sampling it keeps two of every four.
    const uint32_t room = array - first;
    const uint32_t available = skip ? (room / 4) * 2 + (room % 4 < 2 ? room % 4 : 2) : room;
    return requested < available ? requested : available;
}

int AxisSource(uint32_t i, bool crop, uint32_t start, uint32_t size, bool skip, bool reverse, int arraySize)
{
    const uint32_t count = AxisCount(crop, start, size, skip, arraySize);
    if (i >= count)
        return -1;
    const uint32_t k = reverse ? count - 1 - i : i;
    const uint32_t native = (crop ? start : 0) + (skip ? 4 * (k >> 1) + (k & 1) : k);
    // The sensor reads the upright array from its far edge.
    return arraySize - 1 - static_cast<int>(native);
}

int PayloadColumnSource(const FrameSettings& s, uint32_t column)
{
    return AxisSource(column, s.cropH, s.startH, s.windowWidth, s.skipH, s.mirrorH, kArrayWidth);
}

int PayloadRowSource(const FrameSettings& s, uint32_t row)
{
    return AxisSource(row, s.cropV, s.startV, s.windowHeight, s.skipV, s.flipV, kArrayHeight);
}

} // namespace scene

uint16_t SceneSample(const FrameSettings& s, int x, int y)
{
    if (x < 0 || y < 0 || x >= kArrayWidth || y >= kArrayHeight)
        return 0;
    int level = s.still ? -1 : scene::OverlayLevel(x, y, s.frameNumber);
    if (level < 0)
        level = scene::BaseMosaic()[static_cast<size_t>(y) * kArrayWidth + x];
    return scene::Finish(scene::ScaleLevel(static_cast<uint32_t>(level), s.Scale()), s, x, y);
}

bool UprightSource(const FrameSettings& s, int column, int row, int* x, int* y)
{
    if (!s.Whole() || column < 0 || row < 0 || static_cast<uint32_t>(column) >= s.width ||
        static_cast<uint32_t>(row) >= s.height)
        return false;
    *x = scene::PayloadColumnSource(s, s.width - 1 - static_cast<uint32_t>(column));
    *y = scene::PayloadRowSource(s, s.height - 1 - static_cast<uint32_t>(row));
    return true;
}

uint16_t ExpectedUprightSample(const FrameSettings& s, int column, int row)
{
    int x = 0;
    int y = 0;
    return UprightSource(s, column, row, &x, &y) ? SceneSample(s, x, y) : 0;
}

uint16_t ExpectedPayloadSample(const FrameSettings& s, int column, int row)
{
    if (column < 0 || row < 0 || static_cast<uint32_t>(column) >= s.DeliveredColumns() ||
        static_cast<uint32_t>(row) >= s.DeliveredRows())
        return 0;
    return SceneSample(s, scene::PayloadColumnSource(s, static_cast<uint32_t>(column)),
                       scene::PayloadRowSource(s, static_cast<uint32_t>(row)));
}

} // namespace tavix::emu
