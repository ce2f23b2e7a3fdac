#pragma once
// The emulated camera's picture: a synthetic scene on the sensor's 2448 ×
// 2048 Bayer array, and how one frame's settings cut it into a payload.
//
// Coordinates. "Upright" is the scene as a person looks at it: (0, 0) the
// top-left pixel, x to the right, y downwards. The IMX264 sits rotated by
// 180° in the camera, so it reads the array from the upright bottom-right
// corner: payload sample (c, r) — row r, column c, in the order the bytes
// travel — is normally the upright pixel (width-1-c, height-1-r) of the
// frame. The SDK's copy-out (every row mirrored, rows in reverse order)
// therefore gives the upright picture, whose memory row 0 is the top.
//
// Colours. The colour filter is laid out so that the upright picture, with
// memory row 0 at the top, has blue at (even x, even y), red at (odd x, odd
// y) and green elsewhere: rows 0/1 start "B G / G R", the SDK's default
// Bayer mode 2. Window starts are multiples of 4 and the 1/2 sub-sampling
// keeps pairs, so every window of the SDK keeps that phase; a hardware flip
// moves it, which the SDK compensates for by its mirror flags.
//
// Content (upright, 12-bit levels before exposure and gain, brightest 3500):
//   rows    0..511   eight colour bars: white, yellow, cyan, green, magenta,
//                    red, blue, black;
//   rows  512..767   a gray ramp from 0 at the left to 3500 at the right;
//   rows  768..1023  red, green and blue ramps, one third of the band each;
//   rows 1024..1535  a dim diagonal gradient, the lane of the moving square;
//   rows 1536..2047  fine detail: vertical line pairs of period 2, 4, 8 and
//                    16 px, 1- and 2-px checkerboards, concentric rings.
// Unless the frame is still, a white 160 × 160 square crosses the lane (24 px
// further right every frame) and the frame number is drawn in white digits
// on a black box near the top-left corner; both move with the frame number,
// so consecutive frames differ. Optional noise is a deterministic function
// of the position, the frame number and a seed.
//
// Brightness. level = min(4095, (scene × scale + 32768) >> 16) with scale =
// round(65536 × exposureLines / 1582 × 10^(gain / 200)) (gain in 0.1 dB
// steps), then ± noise, limited to 0..4095. 16-bit payloads carry the 12-bit
// level in little-endian 16-bit containers; 8-bit payloads carry level >> 4.

#include <cstdint>

namespace tavix::emu {

constexpr int kArrayWidth = 2448;
constexpr int kArrayHeight = 2048;
constexpr uint32_t kReferenceExposureLines = 1582; // the sensor's default exposure: scale 1
constexpr uint16_t kSceneWhite = 3500;             // brightest level of the static scene
constexpr uint16_t kMaxLevel = 4095;               // 12-bit samples
constexpr int kMovingSquareSize = 160;
constexpr int kMovingSquareTop = 1200;
constexpr int kMovingSquareStep = 24; // px per frame

// Line times of the sensor: all-pixel read-out and 1/2 sub-sampling.
constexpr double kLineMicroseconds = 13.2358803987;
constexpr double kSubsampledLineMicroseconds = 29.1827242525;

// Everything that decides the picture of one frame; the camera latches it
// when the frame starts (request 0xC2 arms, the sensor's frame clock starts).
struct FrameSettings {
    // Payload geometry from the FPGA format registers (0x44/0x45 width,
    // 0x40/0x41 height, 0x3C depth: 2 = 16 bits, anything else 8 bits).
    uint32_t width = kArrayWidth;
    uint32_t height = kArrayHeight;
    bool sixteenBit = false;

    // Sensor read-out from the IMX264 register file. Window starts count
    // from the right and bottom edges of the upright array (the sensor's
    // read-out start). An axis whose cropping is off (0x0500 bit 0 for
    // horizontal, bit 1 for vertical) reads the whole array from its start.
    bool cropH = false;           // 0x0500 bit 0
    bool cropV = false;           // 0x0500 bit 1
    uint32_t startH = 0;          // 0x0510/0x0511
    uint32_t startV = 0;          // 0x0512/0x0513
    uint32_t windowWidth = kArrayWidth;   // 0x0514/0x0515 (samples per line)
    uint32_t windowHeight = kArrayHeight; // 0x0516/0x0517 (lines)
    bool skipH = false;           // 0x020D bit 0: 1/2 sub-sampling, columns kept in pairs (0,1, 4,5, …)
    bool skipV = false;           // 0x020D bit 4: the same for rows
    bool flipV = false;           // 0x020E bit 0: lines read in reverse order
    bool mirrorH = false;         // 0x020E bit 1: samples of a line read in reverse order
    uint32_t frameLength = 2094;  // 0x0210..0x0212 lines per frame
    uint32_t exposureLines = kReferenceExposureLines; // frame length − shutter (0x028D/0x028E), at least 0
    uint32_t gain = 0;            // 0x0404/0x0405, 0.1 dB steps

    // Picture.
    uint32_t frameNumber = 0;
    bool still = false;           // no moving square, no frame number, no noise
    uint32_t noiseAmplitude = 0;  // ± 12-bit levels; 0 = none
    uint32_t noiseSeed = 0;

    uint32_t BytesPerSample() const { return sixteenBit ? 2u : 1u; }
    // What the sensor reads out with these registers: samples per line and
    // lines (the window, or the whole array when cropping is off, halved by
    // sub-sampling, never past the array's edge).
    uint32_t SensorColumns() const;
    uint32_t SensorRows() const;
    // What the FPGA sends: of each sensor line the first `width` samples, of
    // the lines the first `height`. A sensor line shorter than the format
    // gives a shorter payload row, fewer sensor lines fewer rows; such a
    // frame is short (a torn or cut-off picture), never padded.
    uint32_t DeliveredColumns() const { return SensorColumns() < width ? SensorColumns() : width; }
    uint32_t DeliveredRows() const { return SensorRows() < height ? SensorRows() : height; }
    // The byte count the information block announces (the format registers)
    // and the bytes that actually follow it.
    uint32_t AnnouncedBytes() const { return width * height * BytesPerSample(); }
    uint32_t PayloadBytes() const { return DeliveredColumns() * DeliveredRows() * BytesPerSample(); }
    bool Whole() const { return PayloadBytes() == AnnouncedBytes(); }
    // Frame period in microseconds: frameLength × the line time of the mode.
    double FramePeriodMicroseconds() const;
    double LineMicroseconds() const;
    double ExposureMicroseconds() const { return exposureLines * LineMicroseconds(); }
    // The time the sensor takes to read the delivered lines out.
    double ReadoutMicroseconds() const { return DeliveredRows() * LineMicroseconds(); }
    // The brightness factor in 1/65536 (see above).
    uint32_t Scale() const;
};

enum class BayerColour { kRed, kGreen, kBlue };
// Colour filter of the upright array position (x, y).
BayerColour SiteColour(int x, int y);

// The delivered sample of upright array position (x, y) in a frame of these
// settings (8-bit or 12-bit, as the payload carries it). x, y within the array.
uint16_t SceneSample(const FrameSettings& settings, int x, int y);

// The upright array position that supplies the sample at (column, row) of
// the upright frame — the frame as the SDK's copy-out shows it (rows
// mirrored, row order reversed), width × height of the settings. False
// outside the frame or when the frame is not whole (see DeliveredColumns).
bool UprightSource(const FrameSettings& settings, int column, int row, int* x, int* y);

// The sample at (column, row) of the upright frame; 0 where UprightSource
// gives none.
uint16_t ExpectedUprightSample(const FrameSettings& settings, int column, int row);

// The sample at (column, row) in payload order, as the bytes travel, for
// column < DeliveredColumns() and row < DeliveredRows().
uint16_t ExpectedPayloadSample(const FrameSettings& settings, int column, int row);

} // namespace tavix::emu
