#include "imaging/MaskFile.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "imaging/ReferenceWindow.h"
#include "platform/FileReplacement.h"

namespace tavix::imaging {

namespace {

constexpr char kMagic[] = "KELVOR MASK1000";
constexpr size_t kMagicBytes = 16;
constexpr size_t kOffWidth = 16;
constexpr size_t kOffHeight = 20;
constexpr size_t kOffBlockSizes = 24;
static_assert(sizeof kMagic == kMagicBytes);
static_assert(kOffBlockSizes + 4 * kMaskReferences == kMaskHeaderBytes);
constexpr std::array<int32_t, kMaskReferences> kBlockBits{8, 8, 16, 16};

void PutU32(uint8_t* at, uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        at[k] = static_cast<uint8_t>(value >> (8 * k));
}

uint32_t GetU32(const uint8_t* at)
{
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

std::array<uint8_t, kMaskHeaderBytes> MaskHeader()
{
    std::array<uint8_t, kMaskHeaderBytes> header{};
    std::memcpy(header.data(), kMagic, kMagicBytes);
    PutU32(&header[kOffWidth], kReferenceWidth);
    PutU32(&header[kOffHeight], kReferenceHeight);
    for (int k = 0; k < kMaskReferences; ++k)
        PutU32(&header[kOffBlockSizes + 4 * static_cast<size_t>(k)], kMaskBlockBytes[static_cast<size_t>(k)]);
    return header;
}

bool MaskHeaderValid(const uint8_t* header)
{
    if (std::memcmp(header, kMagic, kMagicBytes) != 0)
        return false;
    if (GetU32(header + kOffWidth) != kReferenceWidth || GetU32(header + kOffHeight) != kReferenceHeight)
        return false;
    for (int k = 0; k < kMaskReferences; ++k)
        if (GetU32(header + kOffBlockSizes + 4 * static_cast<size_t>(k)) != kMaskBlockBytes[static_cast<size_t>(k)])
            return false;
    return true;
}

bool WriteMaskFile(const char* path, const std::array<const DibImage*, kMaskReferences>& references)
{
    for (int k = 0; k < kMaskReferences; ++k) {
        const DibImage* image = references[static_cast<size_t>(k)];
        if (image == nullptr || image->Empty() || image->Width() != kReferenceWidth ||
            image->Height() != kReferenceHeight || image->BitCount() != kBlockBits[static_cast<size_t>(k)] ||
            image->SizeBytes() != kMaskBlockBytes[static_cast<size_t>(k)])
            return false;
    }
    platform::FileReplacement file(path);
    std::FILE* out = file.Stream();
    if (out == nullptr)
        return false;
    const auto header = MaskHeader();
    if (std::fwrite(header.data(), 1, header.size(), out) != header.size())
        return false;
    for (const DibImage* image : references)
        if (std::fwrite(image->Bits(), 1, image->SizeBytes(), out) != image->SizeBytes())
            return false;
    return file.Commit();
}

bool ReadMaskFile(const char* path, std::array<std::vector<uint8_t>, kMaskReferences>& blocks)
{
    if (path == nullptr || *path == '\0')
        return false;
    const std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path, "rb"));
    if (!file)
        return false;
    uint8_t header[kMaskHeaderBytes];
    if (std::fread(header, 1, sizeof header, file.get()) != sizeof header || !MaskHeaderValid(header))
        return false;
    for (int k = 0; k < kMaskReferences; ++k) {
        std::vector<uint8_t>& block = blocks[static_cast<size_t>(k)];
        block.resize(kMaskBlockBytes[static_cast<size_t>(k)]);
        if (std::fread(block.data(), 1, block.size(), file.get()) != block.size())
            return false;
    }
    // Anything behind the last block is not a file of this layout.
    return std::fgetc(file.get()) == EOF && !std::ferror(file.get());
}

} // namespace tavix::imaging
