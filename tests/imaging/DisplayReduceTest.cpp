#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "imaging/DisplayReduce.h"
#include "imaging/ReduceRowKernels.h"

using namespace tavix::imaging;

namespace {
using Bytes = std::vector<uint8_t>;

// Two pixels in each of two memory rows; the rows are bytes without padding.
void Fill(DibImage& image, int32_t bits, const Bytes& row0, const Bytes& row1)
{
    ASSERT_EQ(image.Create(2, 2, bits), 1);
    std::memcpy(image.Row(0), row0.data(), row0.size());
    std::memcpy(image.Row(1), row1.data(), row1.size());
}

Bytes RowOf(const DibImage& image, int32_t m)
{
    return Bytes(image.Row(m), image.Row(m) + image.Width() * image.BytesPerPixel());
}
} // namespace

TEST(DisplayReduce, SamplesNarrowedToTheDisplayFormats)
{
    struct Case {
        int32_t bits, depth;
        Bytes in0, in1, out0, out1;
    };
    const Case cases[] = {
        // 12 significant bits: 0x0010 -> 1, 0x0FFF -> 255, 0x0AB5 -> 0xAB, 0x1000 beyond them -> 255.
        {16, 12, {0x10, 0x00, 0xFF, 0x0F}, {0xB5, 0x0A, 0x00, 0x10}, {0x01, 0xFF}, {0xAB, 0xFF}},
        {16, 16, {0x12, 0xAB, 0xFF, 0x00}, {0x00, 0x01, 0xFF, 0xFF}, {0xAB, 0x00}, {0x01, 0xFF}},
        {16, 8, {0x7F, 0x00, 0x00, 0x01}, {0xFF, 0x00, 0x34, 0x12}, {0x7F, 0xFF}, {0xFF, 0xFF}},
        {32, 12, {1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11, 12, 13, 14, 15, 16}, {1, 2, 3, 5, 6, 7},
         {9, 10, 11, 13, 14, 15}},
        {48, 12, {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06},
         {0xFF, 0x00, 0x00, 0xFF, 0x80, 0x80, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, {0x12, 0x56, 0x9A, 0x02, 0x04, 0x06},
         {0x00, 0xFF, 0x80, 0x22, 0x44, 0x66}},
        {64, 12, {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xF0, 0xDE, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08},
         {0, 0xA1, 0, 0xB2, 0, 0xC3, 0, 0xD4, 0, 0xE5, 0, 0xF6, 0, 0x07, 0, 0x18}, {0x12, 0x56, 0x9A, 0x02, 0x04, 0x06},
         {0xA1, 0xB2, 0xC3, 0xE5, 0xF6, 0x07}},
    };
    DibImage out; // kept across the cases: recreated whenever the format changes
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, depth " << c.depth);
        DibImage in;
        Fill(in, c.bits, c.in0, c.in1);
        ASSERT_TRUE(ReduceForDisplay(in, out, c.depth));
        EXPECT_EQ(out.BitCount(), c.bits == 16 ? 8 : 24);
        EXPECT_EQ(RowOf(out, 0), c.out0);
        EXPECT_EQ(RowOf(out, 1), c.out1);
        if (c.bits == 16) {
            EXPECT_EQ(out.Palette()[200].green, 200);
        }
        // A destination of the right geometry is written in place.
        const uint8_t* bits = out.Bits();
        ASSERT_TRUE(ReduceForDisplay(in, out, c.depth));
        EXPECT_EQ(out.Bits(), bits);
    }
}

TEST(DisplayReduce, RefusalsLeaveTheDestinationAlone)
{
    struct Case {
        int32_t bits, depth; // bits 0: an empty source
    };
    const Case cases[] = {{0, 12}, {8, 12}, {24, 12}, {16, 7}, {16, 17}, {16, -4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, depth " << c.depth);
        DibImage in, out;
        if (c.bits != 0) {
            ASSERT_EQ(in.Create(3, 2, c.bits), 1);
        }
        ASSERT_EQ(out.Create(5, 1, 24), 1);
        out.Row(0)[0] = 0x5A;
        EXPECT_FALSE(ReduceForDisplay(in, out, c.depth));
        EXPECT_EQ(out.Width(), 5);
        EXPECT_EQ(out.Row(0)[0], 0x5A);
    }
    DibImage self;
    ASSERT_EQ(self.Create(2, 2, 32), 1);
    EXPECT_FALSE(ReduceForDisplay(self, self, 12));
    EXPECT_EQ(self.BitCount(), 32);
}

TEST(DisplayReduce, Avx2RowsGiveThePortableBytes)
{
    const tavix::imaging::detail::ReduceRowKernels* avx2 = tavix::imaging::detail::Avx2ReduceRows();
    if (avx2 == nullptr)
        GTEST_SKIP() << "no AVX2 here";
    const tavix::imaging::detail::ReduceRowKernels& portable = tavix::imaging::detail::kPortableReduceRows;
    std::mt19937 rng(16);
    std::uniform_int_distribution<int> any(0, 255);
    for (const int32_t width : {1, 3, 31, 2448}) {
        SCOPED_TRACE(width);
        Bytes in(static_cast<size_t>(width) * 8);
        for (auto& b : in)
            b = static_cast<uint8_t>(any(rng));
        const auto same = [&](auto run, size_t outBytes) {
            Bytes a(outBytes + 1, 0x5A), b = a;
            run(portable, a.data());
            run(*avx2, b.data());
            EXPECT_EQ(a, b);
        };
        for (const int32_t shift : {0, 4, 8}) {
            same([&](const auto& k, uint8_t* out) { k.gray16ToGray8(out, in.data(), width, shift); }, width);
            same([&](const auto& k, uint8_t* out) { k.gray16ToBgr(out, in.data(), width, shift); }, 3 * width);
        }
        same([&](const auto& k, uint8_t* out) { k.pick32(out, in.data(), width); }, 3 * width);
        same([&](const auto& k, uint8_t* out) { k.pick48(out, in.data(), width); }, 3 * width);
        same([&](const auto& k, uint8_t* out) { k.pick64(out, in.data(), width); }, 3 * width);
    }
}
