// The colour gains and image filters against their references: random
// images in every layout, the ends of every setting, the white balance and
// gray gains on mosaics, Auto Iris on its regions and the order of the chain.

#include <gtest/gtest.h>

#include "FilterReferences.h"
#include "imaging/AutoIris.h"
#include "imaging/HueSaturation.h"
#include "imaging/ProcessFrame.h"
#include "imaging/Sharpness.h"
#include "imaging/ToneFilters.h"
#include "imaging/WhiteBalance.h"

using namespace imaging_test;
using namespace tavix::imaging;

namespace {

constexpr int32_t kAllBits[] = {8, 16, 24, 32, 48, 64};

int Filter(DibImage& image, const LayoutOps& ops, const void* params, const DibImage* source = nullptr)
{
    return RunPixelOp(image, ForLayout(ops, image.BytesPerPixel()), source ? *source : image, nullptr, 0, 0, params,
        nullptr);
}

// Compares all samples, the fourth of a pixel included (it must keep its
// value), and names the first that differs.
void ExpectPlane(const DibImage& image, const Plane& expected)
{
    const Plane got = Read(image);
    const auto diff = std::mismatch(got.v.begin(), got.v.end(), expected.v.begin());
    ASSERT_TRUE(diff.first == got.v.end()) << "sample " << diff.first - got.v.begin() << ": " << *diff.first
                                           << ", expected " << *diff.second;
}

struct Recorder : FrameObserver {
    BayerGains balance{-1, -1, -1};
    GrayGains gray{};
    int32_t iris = 0;
    void WhiteBalanceMeasured(int32_t r, int32_t g, int32_t b) override { balance = {r, g, b}; }
    void GrayGainsMeasured(const GrayGains& g) override { gray = g; }
    void AutoIrisMeasured(int32_t percent) override { iris = percent; }
};

} // namespace

TEST(ImageFilters, ToneFiltersMatchTheirFormulasInEveryLayout)
{
    struct Row {
        const char* name;
        const LayoutOps& ops;
        uint32_t (*reference)(int32_t, uint32_t, uint32_t);
        std::vector<int32_t> values;
    };
    const Row rows[] = {
        {"brightness", kBrightnessOps, Brightness, {-255, -254, -1, 1, 37, 254, 255}},
        {"contrast", kContrastOps, Contrast, {-127, -126, -1, 1, 64, 126, 127}},
        {"gamma", kGammaOps, Gamma, {0, 1, 50, 99, 101, 150, 200}},
    };
    for (const Row& row : rows)
        for (int32_t value : row.values)
            for (int32_t bits : kAllBits) {
                SCOPED_TRACE(testing::Message() << row.name << " " << value << ", " << bits << " bits");
                DibImage image;
                const Plane before = RandomImage(image, bits, 23, 5, static_cast<uint32_t>(bits + value));
                const ToneParams params{value};
                ASSERT_EQ(Filter(image, row.ops, &params), 1);
                ExpectPlane(image, Mapped(before, [&](uint32_t p, uint32_t max) { return row.reference(value, p, max); }));
            }
    // Known points: brightness 255 is a factor of 11, -255 gives 0;
    // contrast 127 splits at 127/128, -127 spans 63..191; gamma 200 is a
    // square root, 0 keeps only full scale.
    const struct {
        const LayoutOps& ops;
        int32_t value;
        uint8_t in, out;
    } points[] = {{kBrightnessOps, 255, 20, 220}, {kBrightnessOps, 255, 24, 255}, {kBrightnessOps, -255, 255, 0},
        {kContrastOps, 127, 126, 0}, {kContrastOps, 127, 129, 255}, {kContrastOps, -127, 0, 63},
        {kContrastOps, -127, 255, 191}, {kGammaOps, 200, 64, 127}, {kGammaOps, 0, 254, 0}, {kGammaOps, 0, 255, 255}};
    for (const auto& p : points) {
        DibImage image;
        ASSERT_EQ(image.Create(1, 1, 8), 1);
        image.Bits()[0] = p.in;
        const ToneParams params{p.value};
        ASSERT_EQ(Filter(image, p.ops, &params), 1);
        EXPECT_EQ(image.Bits()[0], p.out) << p.value << " on " << int(p.in);
    }
}

TEST(ImageFilters, SharpnessIsTheUnsharpMaskInsideTheTwoPixelBorder)
{
    // 4 rows or 4 columns leave no interior; 5 leave one row or column.
    const int32_t sizes[][2] = {{19, 11}, {4, 9}, {9, 4}, {5, 5}};
    for (int32_t s : {1, 7, 30})
        for (const auto& [width, height] : sizes)
            for (int32_t bits : kAllBits) {
                SCOPED_TRACE(testing::Message() << "sharpness " << s << ", " << width << "x" << height << ", " << bits);
                DibImage image, work;
                const Plane before = RandomImage(work, bits, width, height, static_cast<uint32_t>(s * bits + width));
                // The destination starts different from the source, so
                // that untouched samples show.
                RandomImage(image, bits, width, height, 99);
                Plane expected = Read(image);
                const Plane sharp = Sharpened(before, s);
                for (int32_t m = 2; m <= height - 3; ++m)
                    for (int32_t x = 2; x <= width - 3; ++x)
                        for (int k = 0; k < before.colours(); ++k)
                            expected.at(x, m, k) = sharp.at(x, m, k);
                const SharpnessParams params{s};
                ASSERT_EQ(Filter(image, kSharpnessOps, &params, &work), 1);
                ExpectPlane(image, expected);
            }
}

TEST(ImageFilters, HueAndSaturationFollowTheHexagonModel)
{
    for (const auto& [h, s] : {std::pair{360, 0}, {-360, 0}, {1, 0}, {120, 0}, {-200, 37}, {0, -255}, {0, 255},
             {359, -1}, {-1, 128}}) {
        for (int32_t bits : {24, 32, 48, 64}) {
            SCOPED_TRACE(testing::Message() << "hue " << h << ", saturation " << s << ", " << bits << " bits");
            DibImage image;
            const Plane before = RandomImage(image, bits, 33, 7, static_cast<uint32_t>(h + s + bits));
            const HueSaturationParams params{h, s};
            ASSERT_EQ(Filter(image, kHueSaturationOps, &params), 1);
            ExpectPlane(image, HueSaturated(before, h, s));
        }
    }
    // Pure red turned by 120 degrees is green, two levels from the corner.
    DibImage red;
    ASSERT_EQ(red.Create(1, 1, 24), 1);
    red.Bits()[2] = 255;
    const HueSaturationParams params{120, 0};
    ASSERT_EQ(Filter(red, kHueSaturationOps, &params), 1);
    EXPECT_EQ(PixelColour(red, 0, 0), (Colour{2, 255, 0}));
    EXPECT_EQ(ForLayout(kHueSaturationOps, 1), nullptr);
}

TEST(ImageFilters, AFullTurnOfHueKeepsEveryColourWithinOneLevel)
{
    // All 2^24 colours, one per pixel.
    DibImage image;
    ASSERT_EQ(image.Create(4096, 4096, 24), 1);
    for (uint32_t i = 0; i < (1u << 24); ++i) {
        uint8_t* p = image.Row(static_cast<int32_t>(i >> 12)) + (i & 4095) * 3;
        p[0] = static_cast<uint8_t>(i), p[1] = static_cast<uint8_t>(i >> 8), p[2] = static_cast<uint8_t>(i >> 16);
    }
    for (int32_t h : {360, -360}) {
        DibImage turned;
        ASSERT_EQ(turned.CopyGeometry(image), 1);
        const HueSaturationParams params{h, 0};
        ASSERT_EQ(Filter(turned, kHueSaturationOps, &params, &image), 1);
        int changedByMore = 0;
        for (int32_t m = 0; m < 4096; ++m)
            for (int32_t b = 0; b < 4096 * 3; ++b)
                changedByMore += std::abs(turned.Row(m)[b] - image.Row(m)[b]) > 1;
        EXPECT_EQ(changedByMore, 0) << "hue " << h;
    }
}

TEST(ColourGains, WhiteBalanceLevelsRedAndBlueToGreen)
{
    struct Case {
        const char* name;
        uint32_t red, green, blue; // uniform classes; 0 = random
        BayerGains expected;
    };
    const Case cases[] = {
        {"random", 0, 0, 0, {}},
        {"dim red and blue", 50, 100, 200, {200, 100, 50}},
        {"no blue at all: the limit", 100, 100, 0, {100, 100, 400}},
        {"black: the gains stay", 0, 0, 0, {130, 100, 70}},
    };
    for (const Case& c : cases)
        for (int32_t bits : {8, 16})
            for (int32_t phase = 0; phase < 4; ++phase) {
                SCOPED_TRACE(testing::Message() << c.name << ", " << bits << " bits, phase " << phase);
                const bool random = c.name[0] == 'r', black = c.name[0] == 'b';
                const uint32_t max = bits == 8 ? 255 : 65535;
                Mosaic mosaic = RandomMosaic(17, 9, max, static_cast<uint32_t>(phase + bits));
                if (!random)
                    mosaic = SceneMosaic(17, 9, phase, [&](int32_t, int32_t) { return Colour{c.red, c.green, c.blue}; });
                // Class means, then 100 mG / m in the order of its definition.
                double sum[3] = {}, count[3] = {}; // green, blue, red
                for (int32_t m = 0; m < 9; ++m)
                    for (int32_t x = 0; x < 17; ++x) {
                        const int k = ClassOf(x, m, phase), i = k == 0 || k == 3 ? 0 : k == 1 ? 1 : 2;
                        sum[i] += mosaic.At(x, m), count[i] += 1;
                    }
                const double g = sum[0] / count[0], b = sum[1] / count[1], r = sum[2] / count[2], all = g + b + r;
                const auto gain = [&](double mean, int32_t kept) {
                    const double v = ((all / mean) / 3 * 100) / ((all / g) / 3);
                    return std::isnan(v) ? kept : static_cast<int32_t>(std::min(400.0, v));
                };
                const BayerGains expected{gain(r, 130), 100, gain(b, 70)};
                // Through the frame: the demosaic takes the measured gains.
                FrameImages images;
                ASSERT_EQ(images.SizeForColorMode(17, 9, bits == 8 ? 2 : 4), 1);
                FillImage(*images.RawImage(bits == 8 ? 2 : 4), mosaic);
                FrameSettings s{.colorMode = bits == 8 ? 2 : 4, .bayerMode = phase, .whiteBalance = true};
                if (black)
                    s.gainRed = 130, s.gainBlue = 70;
                Recorder seen;
                ASSERT_EQ(ProcessFrame(images, s, &seen), 1);
                EXPECT_EQ(std::tie(seen.balance.red, seen.balance.green, seen.balance.blue),
                    std::tie(expected.red, expected.green, expected.blue));
                if (!random) { // and as reckoned by hand, to a level
                    EXPECT_NEAR(seen.balance.red, c.expected.red, 1);
                    EXPECT_NEAR(seen.balance.blue, c.expected.blue, 1);
                }
                const auto colours = ReferenceDemosaic(mosaic, phase, seen.balance.red, seen.balance.blue, max);
                for (int32_t m = 0; m < 9; ++m)
                    for (int32_t x = 0; x < 17; ++x)
                        ASSERT_EQ(PixelColour(*images.ResultImage(s.colorMode), x, m), colours[m * 17 + x]);
            }
}

TEST(ColourGains, GrayModeOneScalesEachParityClass)
{
    struct Case {
        const char* name;
        GrayGains gains;
        bool automatic;
    };
    const Case cases[] = {
        {"defaults are skipped", {}, false},
        {"offset B alone is not looked at", {.offsetB = 0}, false},
        {"every class its own", {.gainR = 0, .gainG1 = 255, .gainG2 = 100, .gainB = 128, .offsetR = -255,
                                    .offsetG1 = 255, .offsetG2 = 0, .offsetB = -3}, false},
        {"automatic", {.offsetR = 5, .offsetG1 = -7}, true},
    };
    for (const Case& c : cases)
        for (int32_t mode : {0, 1})
            for (int32_t phase = 0; phase < 4; ++phase) {
                SCOPED_TRACE(testing::Message() << c.name << ", colour mode " << mode << ", Bayer mode " << phase);
                const uint32_t max = mode == 0 ? 255 : 65535;
                const Mosaic mosaic = RandomMosaic(15, 6, max, static_cast<uint32_t>(phase * 2 + mode));
                FrameImages images;
                ASSERT_EQ(images.SizeForColorMode(15, 6, mode), 1);
                FillImage(*images.RawImage(mode), mosaic);
                GrayGains g = c.gains;
                if (c.automatic) {
                    // Means of the samples strictly inside the range, class (0,0) over each.
                    float sum[4] = {}, count[4] = {};
                    for (int32_t m = 0; m < 6; ++m)
                        for (int32_t x = 0; x < 15; ++x)
                            if (mosaic.At(x, m) != 0 && mosaic.At(x, m) != max)
                                sum[ClassOf(x, m, phase)] += static_cast<float>(mosaic.At(x, m)),
                                    count[ClassOf(x, m, phase)] += 1;
                    const auto ratio = [&](int k) { return static_cast<int32_t>(sum[0] / count[0] / (sum[k] / count[k]) * 128); };
                    g.gainR = ratio(1), g.gainB = ratio(2), g.gainG2 = ratio(3);
                }
                const FrameSettings s{.colorMode = mode, .grayMode = 1, .bayerMode = phase, .gray = c.gains,
                    .grayAutoGains = c.automatic};
                Recorder seen;
                ASSERT_EQ(ProcessFrame(images, s, &seen), 1);
                if (c.automatic) {
                    EXPECT_EQ(std::tie(seen.gray.gainR, seen.gray.gainG1, seen.gray.gainG2, seen.gray.gainB),
                        std::tie(g.gainR, g.gainG1, g.gainG2, g.gainB));
                }
                const bool skipped = c.name[0] == 'd' || c.name[0] == 'o';
                // Class (0,1) is R, (0,0) G1, (1,1) G2, (1,0) B.
                const int32_t gain[4] = {g.gainG1, g.gainR, g.gainB, g.gainG2};
                const int32_t offset[4] = {g.offsetG1, g.offsetR, g.offsetB, g.offsetG2};
                for (int32_t m = 0; m < 6; ++m)
                    for (int32_t x = 0; x < 15; ++x) {
                        const int k = ClassOf(x, m, phase);
                        const int64_t p = mosaic.At(x, m);
                        const auto expected = skipped ? p : std::clamp<int64_t>(p * gain[k] / 128 + offset[k], 0, max);
                        ASSERT_EQ(SampleAt(*images.RawImage(mode), x, m), expected) << x << "," << m;
                    }
            }
}

TEST(AutoIris, FiveRegionsSetTheFactor)
{
    // A uniform frame puts every region at its level: five adjustments.
    const struct {
        uint32_t level;
        int32_t percent;
    } levels[] = {{0, 150}, {40, 150}, {49, 150}, {50, 125}, {99, 125}, {100, 100}, {160, 100}, {161, 50},
        {200, 50}, {201, 25}, {255, 25}};
    for (int32_t bits : {8, 16})
        for (const auto& l : levels) {
            DibImage raw;
            ASSERT_EQ(raw.Create(40, 20, bits), 1);
            FillImage(raw, SceneMosaic(40, 20, 0, [&](int32_t, int32_t) { return Colour{l.level, l.level, l.level}; }));
            EXPECT_EQ(AutoIrisPercent(raw), l.percent) << l.level << ", " << bits << " bits";
        }
    // One dark region at a time: top-down (4..7, 2..3) is memory rows
    // 16..17 of 20.
    const int32_t regions[][4] = {{4, 2, 8, 4}, {4, 16, 8, 18}, {18, 9, 22, 11}, {32, 2, 36, 4}, {32, 16, 36, 18}};
    for (const auto& r : regions) {
        DibImage raw;
        ASSERT_EQ(raw.Create(40, 20, 8), 1);
        for (int32_t m = 0; m < 20; ++m)
            for (int32_t x = 0; x < 40; ++x)
                raw.Row(m)[x] = x >= r[0] && x < r[2] && 19 - m >= r[1] && 19 - m < r[3] ? 10 : 120;
        EXPECT_EQ(AutoIrisPercent(raw), 110) << r[0] << "," << r[1];
    }
    // A 2 x 2 frame holds only the middle region, 1 x 1 none.
    for (const auto& [size, percent] : {std::pair{2, 110}, {1, 100}}) {
        DibImage tiny;
        ASSERT_EQ(tiny.Create(size, size, 8), 1);
        EXPECT_EQ(AutoIrisPercent(tiny), percent) << size;
    }
    EXPECT_FALSE(AutoIrisActs(61) || AutoIrisActs(119));
    EXPECT_TRUE(AutoIrisActs(60) && AutoIrisActs(120));
    // Through the frame: only a factor that acts is reported, and only
    // when Auto Iris is on.
    for (const auto& [mode, level, reported] : {std::tuple{1, 40u, 150}, {2, 255u, 25}, {0, 40u, 0}, {1, 120u, 0}}) {
        FrameImages images;
        ASSERT_EQ(images.SizeForColorMode(40, 20, 0), 1);
        FillImage(images.rawImage8, SceneMosaic(40, 20, 0, [&](int32_t, int32_t) { return Colour{level, level, level}; }));
        Recorder seen;
        ASSERT_EQ(ProcessFrame(images, FrameSettings{.autoIris = mode}, &seen), 1);
        EXPECT_EQ(seen.iris, reported) << mode << ", " << level;
    }
}

TEST(ImageFilters, TheChainRunsHueGammaContrastSharpnessBrightnessInThisOrder)
{
    const FilterSettings filters{.brightness = 30, .contrast = 20, .hue = 100, .saturation = 50, .sharpness = 10,
        .gamma = 150};
    for (int32_t mode = 0; mode < 6; ++mode) {
        SCOPED_TRACE(testing::Message() << "colour mode " << mode);
        const uint32_t max = mode == 0 || mode == 2 || mode == 3 ? 255 : 65535;
        const Mosaic mosaic = RandomMosaic(14, 9, max, static_cast<uint32_t>(mode));
        FrameImages images;
        ASSERT_EQ(images.SizeForColorMode(14, 9, mode), 1);
        FillImage(*images.RawImage(mode), mosaic);
        ASSERT_EQ(ProcessFrame(images, FrameSettings{.colorMode = mode, .filters = filters}), 1);

        Plane p{14, 9, ColorModeBits(mode) / (max == 255 ? 8 : 16), max, mosaic.samples};
        if (mode >= 2) {
            p.v.clear();
            for (const Colour& c : ReferenceDemosaic(mosaic, 2, 100, 100, max)) {
                p.v.insert(p.v.end(), {c.blue, c.green, c.red});
                if (p.spp == 4)
                    p.v.push_back(0);
            }
            p = HueSaturated(p, filters.hue, filters.saturation);
        }
        p = Mapped(p, [&](uint32_t s, uint32_t m) { return Gamma(filters.gamma, s, m); });
        p = Mapped(p, [&](uint32_t s, uint32_t m) { return Contrast(filters.contrast, s, m); });
        p = Sharpened(p, filters.sharpness);
        p = Mapped(p, [&](uint32_t s, uint32_t m) { return Brightness(filters.brightness, s, m); });
        ExpectPlane(*images.ResultImage(mode), p);
    }
}
