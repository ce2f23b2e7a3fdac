#include "imaging/PixelOp.h"

#include <algorithm>

namespace tavix::imaging {

int RunPixelOp(DibImage& dst, PixelOp op, const DibImage& src, const PixelRect* rect, int32_t dstX, int32_t dstY,
    const void* param1, void* param2)
{
    if (op == nullptr || dst.Empty() || src.Empty())
        return 0;

    // 64-bit so that extreme rectangles cannot overflow while clipping.
    int64_t left = 0, top = 0, right = src.Width(), bottom = src.Height();
    if (rect != nullptr) {
        left = rect->left;
        top = rect->top;
        right = rect->right;
        bottom = rect->bottom;
    }
    int64_t x = dstX, y = dstY;
    // Clipping an edge moves the destination with it, so every remaining
    // source pixel still lands where it would have.
    if (left < 0) {
        x -= left;
        left = 0;
    }
    if (top < 0) {
        y -= top;
        top = 0;
    }
    if (x < 0) {
        left -= x;
        x = 0;
    }
    if (y < 0) {
        top -= y;
        y = 0;
    }
    right = std::min({right, int64_t{src.Width()}, left + (dst.Width() - x)});
    bottom = std::min({bottom, int64_t{src.Height()}, top + (dst.Height() - y)});
    if (right <= left || bottom <= top)
        return 0;

    // Top-down rows [top, bottom) are memory rows [height-bottom, height-top);
    // the first memory row of the rectangle is its bottom picture row.
    const int64_t rows = bottom - top;
    const PixelRect memoryRect{static_cast<int32_t>(left), static_cast<int32_t>(src.Height() - bottom),
        static_cast<int32_t>(right), static_cast<int32_t>(src.Height() - top)};
    const auto memoryDstY = static_cast<int32_t>(dst.Height() - y - rows);
    return op(dst.Bits(), src.Bits(), memoryRect, static_cast<int32_t>(x), memoryDstY, dst.BytesPerPixel(),
        src.BytesPerPixel(), dst.Stride(), src.Stride(), param1, param2);
}

} // namespace tavix::imaging
