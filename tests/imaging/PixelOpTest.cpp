#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "imaging/PixelOp.h"

using namespace tavix::imaging;

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

std::tuple<int32_t, int32_t, int32_t, int32_t> Corners(const PixelRect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}
} // namespace

TEST(RunPixelOp, RectanglesAreTopDownAndClippedToBothImages)
{
    // 8 x 6 pixels of 3 bytes (rows of 24) from 10 x 10 of one (rows of 12).
    DibImage dst, src;
    ASSERT_EQ(dst.Create(8, 6, 24), 1);
    ASSERT_EQ(src.Create(10, 10, 8), 1);
    struct Case {
        const char* name;
        bool whole;
        PixelRect rect;
        int32_t dstX, dstY;
        PixelRect memoryRect;
        int32_t memoryDstX, memoryDstY;
    };
    // The picture's top row is the last memory row. Clipping an edge moves
    // the destination along, so what is left lands where it would have.
    const Case cases[] = {
        {"no rectangle: the whole source, clipped", true, {}, 0, 0, {0, 4, 8, 10}, 0, 0},
        {"the top row", false, {0, 0, 4, 1}, 0, 0, {0, 9, 4, 10}, 0, 5},
        {"inside both", false, {2, 3, 5, 5}, 1, 1, {2, 5, 5, 7}, 1, 3},
        {"left and top beyond the source", false, {-2, -1, 3, 2}, 0, 0, {0, 8, 3, 10}, 2, 3},
        {"right and bottom beyond the destination", false, {0, 0, 10, 10}, 5, 2, {0, 6, 3, 10}, 5, 0},
        {"right beyond the source", false, {6, 0, 14, 2}, 0, 0, {6, 8, 10, 10}, 0, 4},
        {"a negative destination cuts the start", false, {1, 1, 6, 4}, -2, -1, {3, 6, 6, 8}, 0, 4},
        {"left by the source, top by the destination, right by the destination, bottom by the source", false,
            {-1, 7, 12, 12}, 0, -1, {0, 0, 7, 2}, 1, 4},
    };
    const int param = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Call call;
        EXPECT_EQ(RunPixelOp(dst, Record, src, c.whole ? nullptr : &c.rect, c.dstX, c.dstY, &param, &call), 7);
        ASSERT_EQ(call.count, 1);
        EXPECT_EQ(Corners(call.rect), Corners(c.memoryRect));
        EXPECT_EQ(call.dstX, c.memoryDstX);
        EXPECT_EQ(call.dstY, c.memoryDstY);
        EXPECT_EQ(call.dst, dst.Bits());
        EXPECT_EQ(call.src, src.Bits());
        EXPECT_EQ(call.dstBpp, 3);
        EXPECT_EQ(call.srcBpp, 1);
        EXPECT_EQ(call.dstStride, 24);
        EXPECT_EQ(call.srcStride, 12);
        EXPECT_EQ(call.param1, &param);
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
    for (const auto& [x, y] : {std::pair{8, 0}, std::pair{0, 6}, std::pair{-10, 0}})
        EXPECT_EQ(RunPixelOp(dst, Record, src, nullptr, x, y, nullptr, &call), 0) << x << "," << y;
    EXPECT_EQ(RunPixelOp(dst, Record, empty, nullptr, 0, 0, nullptr, &call), 0);
    EXPECT_EQ(RunPixelOp(empty, Record, src, nullptr, 0, 0, nullptr, &call), 0);
    EXPECT_EQ(call.count, 0);
    EXPECT_EQ(RunPixelOp(dst, nullptr, src, nullptr, 0, 0, nullptr, nullptr), 0);
}
