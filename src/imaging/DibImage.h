#pragma once
// The bitmap every image routine works on: a BITMAPINFOHEADER followed by a
// 256-entry palette (together one BITMAPINFO, so Win32 drawing can take the
// pixels straight from this memory) and plain pixel memory whose rows are
// padded to 4 bytes. Memory row 0 comes first; GDI shows it as the bottom
// row because the header's height is positive.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace tavix::imaging {

// Byte-for-byte the Win32 BITMAPINFOHEADER.
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(offsetof(BitmapInfoHeader, biWidth) == 4);
static_assert(offsetof(BitmapInfoHeader, biHeight) == 8);
static_assert(offsetof(BitmapInfoHeader, biPlanes) == 12);
static_assert(offsetof(BitmapInfoHeader, biBitCount) == 14);
static_assert(offsetof(BitmapInfoHeader, biCompression) == 16);
static_assert(offsetof(BitmapInfoHeader, biSizeImage) == 20);
static_assert(offsetof(BitmapInfoHeader, biClrImportant) == 36);

// Byte-for-byte the Win32 RGBQUAD.
struct RgbQuad {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t reserved;
};
static_assert(sizeof(RgbQuad) == 4);

constexpr int kPaletteEntries = 256;

// Header and palette as one BITMAPINFO with a full colour table.
struct BitmapInfo {
    BitmapInfoHeader header;
    RgbQuad palette[kPaletteEntries];
};
static_assert(sizeof(BitmapInfo) == 40 + 4 * kPaletteEntries);
static_assert(offsetof(BitmapInfo, palette) == 40);

class DibImage {
public:
    static constexpr uint32_t kHeaderSize = 40;
    static constexpr uint32_t kBiRgb = 0;
    // Set palette modes.
    static constexpr int kPaletteGray = 0;
    static constexpr int kPaletteUser = 2;

    DibImage();
    DibImage(const DibImage&) = delete;
    DibImage& operator=(const DibImage&) = delete;

    // 1 on success. Refuses non-positive sizes, bit counts other than
    // 8, 16, 24, 32, 48, 64 and images above 2 GiB; a refused or failed
    // creation leaves the object empty. Pixels start zeroed; 8-bit images
    // get the gray ramp.
    int Create(int32_t width, int32_t height, int32_t bitCount);
    // Same as Create with the other image's geometry; pixels are not copied.
    int CopyGeometry(const DibImage& other);
    void Release();
    // kPaletteGray: the ramp (i, i, i, 0) on all entries. kPaletteUser: count
    // entries from the caller into the table starting at first. 1/0.
    int SetPalette(int mode, int first = 0, int count = 0, const RgbQuad* entries = nullptr);

    bool Empty() const { return !bits_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t Stride() const { return stride_; }
    int32_t BitCount() const { return bitCount_; }
    int32_t BytesPerPixel() const { return bitCount_ / 8; }
    size_t SizeBytes() const { return static_cast<size_t>(stride_) * static_cast<size_t>(height_); }
    bool SameGeometry(const DibImage& other) const
    {
        return width_ == other.width_ && height_ == other.height_ && bitCount_ == other.bitCount_;
    }

    uint8_t* Bits() { return bits_.get(); }
    const uint8_t* Bits() const { return bits_.get(); }
    uint8_t* Row(int32_t memoryRow) { return bits_.get() + static_cast<ptrdiff_t>(memoryRow) * stride_; }
    const uint8_t* Row(int32_t memoryRow) const
    {
        return bits_.get() + static_cast<ptrdiff_t>(memoryRow) * stride_;
    }

    const BitmapInfoHeader& Header() const { return info_.header; }
    const BitmapInfo& Info() const { return info_; }
    const RgbQuad* Palette() const { return info_.palette; }

    // Bytes per row for a width and bit count: rows padded to 4 bytes.
    static int64_t StrideFor(int32_t width, int32_t bitCount)
    {
        return (static_cast<int64_t>(bitCount / 8) * width + 3) & ~int64_t{3};
    }

private:
    void InstallGrayRamp();

    // Pixels come from calloc: large zeroed blocks are then the system's
    // untouched zero pages, so sizing an image costs nothing until it is
    // written (an instance sizes ten mask planes it may never use).
    struct Free {
        void operator()(uint8_t* bits) const { std::free(bits); }
    };

    BitmapInfo info_;
    std::unique_ptr<uint8_t[], Free> bits_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t stride_ = 0;
    int32_t bitCount_ = 0;
};

} // namespace tavix::imaging
