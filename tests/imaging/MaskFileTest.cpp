#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "../support/ScratchFolder.h"
#include "MaskHelpers.h"
#include "imaging/MaskFile.h"

using namespace mask_test;
using namespace tavix::imaging;

namespace {
std::vector<uint8_t> Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Store(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}
} // namespace

TEST(MaskFile, WrittenAndReadBackByteExactAndDamagedFilesRefused)
{
    tavix::test::ScratchFolder folder;
    const std::string path = folder.File("mask.msk");
    DibImage planes[4];
    std::mt19937 rng(1000);
    const int32_t bits[4] = {8, 8, 16, 16};
    for (int k = 0; k < 4; ++k) {
        ASSERT_EQ(planes[k].Create(kSensorW, kSensorH, bits[k]), 1);
        FillRandom(planes[k], rng, 0, bits[k] == 8 ? 255 : 65535);
    }
    ASSERT_TRUE(WriteMaskFile(path.c_str(), {&planes[0], &planes[1], &planes[2], &planes[3]}));
    const std::vector<uint8_t> file = Bytes(path);
    ASSERT_EQ(file.size(), 30081064u);
    // The header as laid out: magic, 2448, 2048, the four block sizes.
    const uint8_t header[40] = {'K', 'E', 'L', 'V', 'O', 'R', ' ', 'M', 'A', 'S', 'K', '1', '0', '0', '0', 0,
                                0x90, 0x09, 0, 0, 0x00, 0x08, 0, 0, 0x00, 0x80, 0x4C, 0, 0x00, 0x80, 0x4C, 0,
                                0x00, 0x00, 0x99, 0, 0x00, 0x00, 0x99, 0};
    EXPECT_TRUE(std::equal(header, header + 40, file.begin()));
    // Little-endian words: white16's last sample is the file's last two bytes.
    EXPECT_EQ(file[file.size() - 2] | file[file.size() - 1] << 8, Get(planes[3], kSensorW - 1, kSensorH - 1));
    std::array<std::vector<uint8_t>, 4> blocks;
    ASSERT_TRUE(ReadMaskFile(path.c_str(), blocks));
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(std::equal(blocks[k].begin(), blocks[k].end(), planes[k].Bits())) << "block " << k;

    // Each damage, one file: a width of 2447, another magic, a block size,
    // a byte short, a byte more, the header alone.
    struct Damage {
        const char* what;
        size_t offset;
        int value; // -1: the file cut to size; -2: a byte added
        size_t size;
    };
    const Damage damages[] = {{"width 2447", 16, 0x8F, 0}, {"magic", 3, 'X', 0}, {"dark16 size", 34, 0x98, 0},
                              {"short", 0, -1, file.size() - 1}, {"longer", 0, -2, 0}, {"header only", 0, -1, 40}};
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        std::vector<uint8_t> bad = file;
        if (d.value >= 0)
            bad[d.offset] = static_cast<uint8_t>(d.value);
        else if (d.value == -1)
            bad.resize(d.size);
        else
            bad.push_back(0);
        Store(path, bad);
        EXPECT_FALSE(ReadMaskFile(path.c_str(), blocks));
    }
    EXPECT_FALSE(ReadMaskFile(folder.File("missing.msk").c_str(), blocks));

    // A save that cannot complete leaves the file there as it was; a plane
    // of another geometry is refused before anything is written.
    Store(path, file);
    DibImage small;
    ASSERT_EQ(small.Create(16, 16, 8), 1);
    EXPECT_FALSE(WriteMaskFile(path.c_str(), {&small, &planes[1], &planes[2], &planes[3]}));
    EXPECT_EQ(Bytes(path), file);
    // A target that cannot be replaced (a folder) fails after writing and
    // leaves no temporary file behind.
    std::filesystem::create_directory(folder.File("taken"));
    EXPECT_FALSE(WriteMaskFile(folder.File("taken").c_str(), {&planes[0], &planes[1], &planes[2], &planes[3]}));
    EXPECT_FALSE(WriteMaskFile(folder.File("no/such/folder.msk").c_str(), {&planes[0], &planes[1], &planes[2], &planes[3]}));
    EXPECT_EQ(folder.Names().size(), 2u);
}
