#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "imaging/DisplayScaler.h"
#include "imaging/ScaleRows.h"

using namespace tavix::imaging;
using tavix::imaging::detail::ScaleRowKernels;

namespace {

// (source index, weight) of every source sample one output sample takes.
using Taps = std::vector<std::pair<int32_t, double>>;

// The resampling of one axis written from its definition: the exact share
// of each source pixel in the span an output pixel covers when shrinking,
// the two nearest pixel centres when growing.
std::vector<Taps> ReferenceAxis(int32_t source, int32_t destination)
{
    std::vector<Taps> axis(static_cast<size_t>(destination));
    const double scale = double(source) / destination;
    for (int32_t o = 0; o < destination; ++o) {
        Taps& taps = axis[static_cast<size_t>(o)];
        if (destination < source) {
            const double begin = o * scale, end = (o + 1) * scale;
            for (int32_t i = int32_t(std::floor(begin)); i < end; ++i)
                taps.emplace_back(i, (std::min(i + 1.0, end) - std::max(double(i), begin)) / scale);
        } else if (destination > source) {
            const double centre = std::clamp((o + 0.5) * scale - 0.5, 0.0, source - 1.0);
            const int32_t i = int32_t(std::floor(centre));
            taps.emplace_back(i, 1 - (centre - i));
            taps.emplace_back(std::min(i + 1, source - 1), centre - i);
        } else {
            taps.emplace_back(o, 1.0);
        }
    }
    return axis;
}

double Reference(const DibImage& in, const std::vector<Taps>& columns, const std::vector<Taps>& rows, int32_t x,
                 int32_t y, int32_t c)
{
    const int32_t channels = in.BytesPerPixel();
    double sum = 0;
    for (const auto& [m, wy] : rows[static_cast<size_t>(y)])
        for (const auto& [i, wx] : columns[static_cast<size_t>(x)])
            sum += wy * wx * in.Row(m)[i * channels + c];
    return sum;
}

std::vector<const ScaleRowKernels*> Builds()
{
    std::vector<const ScaleRowKernels*> builds{&detail::kPortableScaleRows};
    if (detail::Avx2ScaleRows() != nullptr)
        builds.push_back(detail::Avx2ScaleRows());
    return builds;
}

// Memory rows and padding of a destination before scaling.
constexpr uint8_t kMarker = 0xA5;

struct Size {
    int32_t width, height;
};

} // namespace

TEST(DisplayScaler, MatchesTheReferenceAndTheBuildsAgree)
{
    struct Case {
        Size from, to;
    };
    // Consecutive rows share one axis, so the cached tables of the other are
    // rebuilt alone; every row runs at 8 and then 24 bits.
    const Case cases[] = {
        {{1224, 1024}, {320, 256}}, // a full frame's ratios, 3.825 and 4
        {{1224, 1024}, {640, 512}}, // 1.9125 and 2
        {{97, 61}, {50, 32}},        {{97, 61}, {50, 77}}, // shrink; mixed
        {{13, 7}, {40, 29}},         {{50, 20}, {17, 45}}, // enlarge; mixed
        {{33, 21}, {33, 10}},        {{33, 21}, {12, 21}}, {{33, 21}, {70, 21}}, // one axis equal
        {{1, 1}, {7, 5}},            {{1, 9}, {4, 3}},     {{5, 1}, {3, 6}}, // one-pixel sources
        {{37, 23}, {1, 1}},          {{37, 23}, {1, 9}},   {{3, 7}, {5, 1}}, // one-pixel destinations
        {{7, 5}, {3, 2}},            {{301, 10}, {7, 3}},  {{10, 301}, {3, 7}}, // odd widths, many taps
    };
    std::mt19937 rng(12);
    std::uniform_int_distribution<int> any(0, 255);
    const std::vector<const ScaleRowKernels*> builds = Builds();
    std::vector<DisplayScaler> scalers(builds.size());
    for (const Case& c : cases) {
        for (const int32_t bits : {8, 24}) {
            SCOPED_TRACE(testing::Message() << c.from.width << "x" << c.from.height << " -> " << c.to.width << "x"
                                            << c.to.height << " at " << bits);
            DibImage in;
            ASSERT_EQ(in.Create(c.from.width, c.from.height, bits), 1);
            for (int32_t m = 0; m < in.Height(); ++m)
                for (int32_t i = 0; i < in.Width() * in.BytesPerPixel(); ++i)
                    in.Row(m)[i] = static_cast<uint8_t>(any(rng));
            const auto columns = ReferenceAxis(c.from.width, c.to.width);
            const auto rows = ReferenceAxis(c.from.height, c.to.height);
            const int32_t channels = bits / 8, rowValues = c.to.width * channels;
            std::vector<double> expected;
            for (int32_t y = 0; y < c.to.height; ++y)
                for (int32_t i = 0; i < rowValues; ++i)
                    expected.push_back(Reference(in, columns, rows, i / channels, y, i % channels));
            std::vector<uint8_t> first;
            for (size_t b = 0; b < builds.size(); ++b) {
                SCOPED_TRACE(builds[b]->name);
                DibImage out;
                ASSERT_EQ(out.Create(c.to.width, c.to.height, bits), 1);
                std::fill(out.Bits(), out.Bits() + out.SizeBytes(), kMarker);
                ASSERT_TRUE(scalers[b].Scale(in, out, *builds[b]));
                int32_t worse = 0;
                for (int32_t y = 0; y < out.Height(); ++y) {
                    for (int32_t i = 0; i < rowValues; ++i)
                        worse += std::abs(out.Row(y)[i] - expected[static_cast<size_t>(y) * rowValues + i]) > 1.0;
                    for (int32_t i = rowValues; i < out.Stride(); ++i)
                        ASSERT_EQ(out.Row(y)[i], kMarker) << "padding of row " << y;
                }
                EXPECT_EQ(worse, 0) << "samples more than one level from the reference";
                const std::vector<uint8_t> bytes(out.Bits(), out.Bits() + out.SizeBytes());
                if (b == 0)
                    first = bytes;
                else
                    EXPECT_TRUE(bytes == first) << "differs from " << builds[0]->name;
            }
        }
    }
}

TEST(DisplayScaler, UniformStaysUniformAndACheckerboardAveragesToMidGray)
{
    const std::vector<const ScaleRowKernels*> builds = Builds();
    const Size sizes[][2] = {{{1224, 1024}, {320, 256}}, {{1224, 1024}, {640, 512}}, {{31, 17}, {300, 200}},
                             {{301, 7}, {2, 90}},        {{640, 480}, {1, 1}},          {{5, 3}, {5, 7}}};
    for (const ScaleRowKernels* build : builds) {
        DisplayScaler scaler;
        for (const auto& [from, to] : sizes) {
            for (const int32_t bits : {8, 24}) {
                for (const uint8_t level : {uint8_t{0}, uint8_t{1}, uint8_t{137}, uint8_t{255}}) {
                    SCOPED_TRACE(testing::Message() << build->name << " " << from.width << "x" << from.height
                                                    << " -> " << to.width << "x" << to.height << " at " << bits
                                                    << ", level " << int(level));
                    DibImage in, out;
                    ASSERT_EQ(in.Create(from.width, from.height, bits), 1);
                    ASSERT_EQ(out.Create(to.width, to.height, bits), 1);
                    std::fill(in.Bits(), in.Bits() + in.SizeBytes(), level);
                    ASSERT_TRUE(scaler.Scale(in, out, *build));
                    int32_t other = 0;
                    for (int32_t y = 0; y < out.Height(); ++y)
                        other += int32_t(out.Width() * out.BytesPerPixel() -
                                         std::count(out.Row(y), out.Row(y) + out.Width() * out.BytesPerPixel(), level));
                    EXPECT_EQ(other, 0);
                }
            }
        }
        // One-pixel squares shrunk 4:1: every output covers eight of each.
        for (const int32_t bits : {8, 24}) {
            SCOPED_TRACE(testing::Message() << build->name << " checkerboard at " << bits);
            DibImage in, out;
            ASSERT_EQ(in.Create(256, 128, bits), 1);
            ASSERT_EQ(out.Create(64, 32, bits), 1);
            for (int32_t m = 0; m < in.Height(); ++m)
                for (int32_t x = 0; x < in.Width(); ++x)
                    std::fill_n(in.Row(m) + x * (bits / 8), bits / 8, (x + m) % 2 != 0 ? 255 : 0);
            ASSERT_TRUE(scaler.Scale(in, out, *build));
            for (int32_t y = 0; y < out.Height(); ++y)
                for (int32_t i = 0; i < out.Width() * (bits / 8); ++i)
                    ASSERT_TRUE(out.Row(y)[i] == 127 || out.Row(y)[i] == 128) << i << ", " << y;
        }
    }
}

TEST(DisplayScaler, EqualSizesCopyAndRefusalsLeaveTheDestinationAlone)
{
    DisplayScaler scaler;
    DibImage in, out;
    ASSERT_EQ(in.Create(5, 3, 24), 1);
    for (size_t i = 0; i < in.SizeBytes(); ++i)
        in.Bits()[i] = static_cast<uint8_t>(i * 37);
    ASSERT_EQ(out.Create(5, 3, 24), 1);
    ASSERT_TRUE(scaler.Scale(in, out));
    for (int32_t y = 0; y < 3; ++y)
        EXPECT_TRUE(std::equal(in.Row(y), in.Row(y) + 15, out.Row(y))) << y;

    struct Case {
        int32_t fromBits, toBits; // 0: an empty image
    };
    const Case refused[] = {{0, 8}, {8, 0}, {16, 16}, {32, 32}, {48, 48}, {8, 24}, {24, 8}};
    for (const Case& c : refused) {
        SCOPED_TRACE(testing::Message() << c.fromBits << " -> " << c.toBits);
        DibImage from, to;
        if (c.fromBits != 0) {
            ASSERT_EQ(from.Create(6, 4, c.fromBits), 1);
        }
        if (c.toBits != 0) {
            ASSERT_EQ(to.Create(3, 2, c.toBits), 1);
            std::fill(to.Bits(), to.Bits() + to.SizeBytes(), kMarker);
        }
        EXPECT_FALSE(scaler.Scale(from, to));
        EXPECT_EQ(std::count(to.Bits(), to.Bits() + to.SizeBytes(), kMarker), ptrdiff_t(to.SizeBytes()));
    }
    EXPECT_FALSE(scaler.Scale(in, in));
}
