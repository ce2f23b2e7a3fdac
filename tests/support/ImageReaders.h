#pragma once
// Still image files read back by the libraries' own decoders, into one
// plain form: every sample of the picture, top row first, channels in the
// file's order (red first), 16-bit samples as numbers.

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace tavix::test {

struct Picture {
    bool read = false;
    uint32_t width = 0, height = 0, channels = 0, bitsPerSample = 0;
    bool progressive = false;      // JPEG
    uint32_t strips = 0;           // TIFF
    uint16_t compression = 0;      // TIFF
    uint16_t photometric = 0;      // TIFF
    int colourType = -1;           // PNG
    std::vector<uint32_t> samples; // (row * width + x) * channels + c

    uint32_t At(uint32_t x, uint32_t y, uint32_t c) const { return samples[(size_t{y} * width + x) * channels + c]; }
};

// A path object, so that wide names open as they are on Windows.
inline std::vector<uint8_t> FileBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline Picture ReadPng(const std::string& path)
{
    Picture picture;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return picture;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> row;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return Picture{};
    }
    png_init_io(png, file);
    png_read_info(png, info);
    picture.width = png_get_image_width(png, info);
    picture.height = png_get_image_height(png, info);
    picture.channels = png_get_channels(png, info);
    picture.bitsPerSample = png_get_bit_depth(png, info);
    picture.colourType = png_get_color_type(png, info);
    row.resize(png_get_rowbytes(png, info));
    for (uint32_t y = 0; y < picture.height; ++y) {
        png_read_row(png, row.data(), nullptr);
        for (uint32_t k = 0; k < picture.width * picture.channels; ++k)
            picture.samples.push_back(picture.bitsPerSample == 16 ? uint32_t(row[2 * k] << 8 | row[2 * k + 1])
                                                                  : row[k]);
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    picture.read = true;
    return picture;
}

inline Picture ReadTiff(const std::string& path)
{
    Picture picture;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr)
        return picture;
    uint16_t bits = 0, channels = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &picture.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &picture.height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &channels);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &picture.compression);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &picture.photometric);
    picture.bitsPerSample = bits;
    picture.channels = channels;
    picture.strips = TIFFNumberOfStrips(tiff);
    std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tiff)));
    bool whole = true;
    for (uint32_t y = 0; y < picture.height && whole; ++y) {
        whole = TIFFReadScanline(tiff, row.data(), y, 0) == 1;
        for (uint32_t k = 0; k < picture.width * picture.channels; ++k)
            picture.samples.push_back(bits == 16 ? uint32_t(row[2 * k] | row[2 * k + 1] << 8) : row[k]);
    }
    TIFFClose(tiff);
    picture.read = whole;
    return picture;
}

struct JpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

inline Picture ReadJpeg(const std::string& path)
{
    Picture picture;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return picture;
    jpeg_decompress_struct codec{};
    JpegFailure failure{};
    codec.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegFailure*>(c->err)->jump, 1); };
    std::vector<uint8_t> row;
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&codec);
        std::fclose(file);
        return Picture{};
    }
    jpeg_create_decompress(&codec);
    jpeg_stdio_src(&codec, file);
    jpeg_read_header(&codec, TRUE);
    picture.progressive = codec.progressive_mode;
    jpeg_start_decompress(&codec);
    picture.width = codec.output_width;
    picture.height = codec.output_height;
    picture.channels = static_cast<uint32_t>(codec.output_components);
    picture.bitsPerSample = 8;
    row.resize(size_t{picture.width} * picture.channels);
    JSAMPROW rows[1] = {row.data()};
    while (codec.output_scanline < codec.output_height) {
        jpeg_read_scanlines(&codec, rows, 1);
        picture.samples.insert(picture.samples.end(), row.begin(), row.end());
    }
    jpeg_finish_decompress(&codec);
    jpeg_destroy_decompress(&codec);
    std::fclose(file);
    picture.read = true;
    return picture;
}

} // namespace tavix::test
