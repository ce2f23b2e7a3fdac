#include <gtest/gtest.h>

#include <vector>

#include "imaging/PixelOp.h"

using tavix::imaging::DibImage;
using tavix::imaging::PixelRect;
using tavix::imaging::RunPixelOp;

namespace {
struct Call {
    int count = 0;
    uint8_t* dst = nullptr;
    const uint8_t* src = nullptr;
    PixelRect rect{};
    int32_t dstX = 0, dstY = 0, dstBpp = 0, srcBpp = 0, dstStride = 0, srcStride = 0;
    const void* param1 = nullptr;
};

// Records its arguments (param2 is the record) and answers 7.
int Record(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY, int32_t dstBpp,
    int32_t srcBpp, int32_t dstStride, int32_t srcStride, const void* param1, void* param2)
{
    auto& c = *static_cast<Call*>(param2);
    c = Call{c.count + 1, dst, src, rect, dstX, dstY, dstBpp, srcBpp, dstStride, srcStride, param1};
    return 7;
}

// Copies 8-bit pixels as the runner addresses them.
int Copy8(uint8_t* dst, const uint8_t* src, const PixelRect& rect, int32_t dstX, int32_t dstY, int32_t, int32_t,
    int32_t dstStride, int32_t srcStride, const void*, void*)
{
    for (int32_t y = rect.top; y < rect.bottom; ++y)
        for (int32_t x = rect.left; x < rect.right; ++x)
            dst[(dstY + y - rect.top) * dstStride + dstX + x - rect.left] = src[y * srcStride + x];
    return 1;
}

bool Same(const PixelRect& a, const PixelRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
} // namespace

TEST(RunPixelOp, WholeImagePassesEverythingThrough)
{
    DibImage dst, src;
    ASSERT_EQ(dst.Create(10, 6, 24), 1);
    ASSERT_EQ(src.Create(10, 6, 8), 1);
    Call call;
    const int param = 0;
    EXPECT_EQ(RunPixelOp(dst, Record, src, nullptr, 0, 0, &param, &call), 7);
    ASSERT_EQ(call.count, 1);
    EXPECT_EQ(call.dst, dst.Bits());
    EXPECT_EQ(call.src, src.Bits());
    EXPECT_TRUE(Same(call.rect, PixelRect{0, 0, 10, 6}));
    EXPECT_EQ(call.dstX, 0);
    EXPECT_EQ(call.dstY, 0);
    EXPECT_EQ(call.dstBpp, 3);
    EXPECT_EQ(call.srcBpp, 1);
    EXPECT_EQ(call.dstStride, 32);
    EXPECT_EQ(call.srcStride, 12);
    EXPECT_EQ(call.param1, &param);
}

TEST(RunPixelOp, RectanglesAreTopDownAndClippedToBothImages)
{
    DibImage dst, src;
    ASSERT_EQ(dst.Create(8, 6, 8), 1);
    ASSERT_EQ(src.Create(10, 10, 8), 1);
    struct Case {
        PixelRect rect;
        int32_t dstX, dstY;
        PixelRect memoryRect;
        int32_t memoryDstX, memoryDstY;
    };
    const Case cases[] = {
        // The picture's top row is the last memory row.
        {{0, 0, 4, 1}, 0, 0, {0, 9, 4, 10}, 0, 5},
        {{2, 3, 5, 5}, 1, 1, {2, 5, 5, 7}, 1, 3},
        // Left and top beyond the source: the destination moves along.
        {{-2, -1, 3, 2}, 0, 0, {0, 8, 3, 10}, 2, 3},
        // Right and bottom beyond the destination.
        {{0, 0, 10, 10}, 5, 2, {0, 6, 3, 10}, 5, 0},
        // A negative destination cuts the rectangle's start.
        {{1, 1, 6, 4}, -2, -1, {3, 6, 6, 8}, 0, 4},
    };
    for (const Case& c : cases) {
        Call call;
        EXPECT_EQ(RunPixelOp(dst, Record, src, &c.rect, c.dstX, c.dstY, nullptr, &call), 7);
        ASSERT_EQ(call.count, 1);
        EXPECT_TRUE(Same(call.rect, c.memoryRect)) << call.rect.left << "," << call.rect.top << ","
                                                   << call.rect.right << "," << call.rect.bottom;
        EXPECT_EQ(call.dstX, c.memoryDstX);
        EXPECT_EQ(call.dstY, c.memoryDstY);
    }
}

TEST(RunPixelOp, NothingLeftMeansZeroWithoutACall)
{
    DibImage dst, src, empty;
    ASSERT_EQ(dst.Create(8, 6, 8), 1);
    ASSERT_EQ(src.Create(10, 10, 8), 1);
    const PixelRect none[] = {{3, 3, 3, 7}, {3, 3, 7, 3}, {5, 5, 2, 8}, {10, 0, 12, 4}, {0, -5, 4, 0},
        {-2147483647 - 1, -2147483647 - 1, -2147483647, 2147483647}};
    for (const PixelRect& rect : none) {
        Call call;
        EXPECT_EQ(RunPixelOp(dst, Record, src, &rect, 0, 0, nullptr, &call), 0);
        EXPECT_EQ(call.count, 0);
    }
    Call call;
    EXPECT_EQ(RunPixelOp(dst, Record, src, nullptr, 8, 0, nullptr, &call), 0);
    EXPECT_EQ(RunPixelOp(dst, Record, src, nullptr, 0, 6, nullptr, &call), 0);
    EXPECT_EQ(RunPixelOp(dst, Record, src, nullptr, -10, 0, nullptr, &call), 0);
    EXPECT_EQ(RunPixelOp(dst, Record, empty, nullptr, 0, 0, nullptr, &call), 0);
    EXPECT_EQ(RunPixelOp(empty, Record, src, nullptr, 0, 0, nullptr, &call), 0);
    EXPECT_EQ(call.count, 0);
    EXPECT_EQ(RunPixelOp(dst, nullptr, src, nullptr, 0, 0, nullptr, nullptr), 0);
}

TEST(RunPixelOp, ClippedCopyLandsWhereTheUnclippedOneWould)
{
    // Picture coordinates (top-down): source pixel (x, y) holds 10 y + x.
    DibImage src, dst;
    ASSERT_EQ(src.Create(6, 5, 8), 1);
    ASSERT_EQ(dst.Create(4, 4, 8), 1);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 6; ++x)
            src.Row(4 - y)[x] = static_cast<uint8_t>(10 * y + x);
    const PixelRect rect{-1, 1, 4, 9};
    ASSERT_EQ(RunPixelOp(dst, Copy8, src, &rect, 0, -1, nullptr, nullptr), 1);
    // Picture pixel (x, y) of the source goes to (x + 1, y - 2); what falls
    // outside either image is dropped, the rest of dst stays 0.
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            const int32_t sx = x - 1, sy = y + 2;
            const bool copied = sx >= 0 && sx < 4 && sy >= 1 && sy < 5;
            EXPECT_EQ(dst.Row(3 - y)[x], copied ? 10 * sy + sx : 0) << x << "," << y;
        }
    }
}
