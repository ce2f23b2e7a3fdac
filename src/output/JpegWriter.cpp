// JPEG through libjpeg: progressive, with baseline-compatible quantisation
// tables, 8-bit gray or 24-bit colour.

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>

#include <jpeglib.h>

#include "output/StillRows.h"
#include "output/StillWriters.h"

namespace tavix::output {
namespace {

// libjpeg's own error exit ends the process; ours jumps back into the
// writer, which gives the save up.
struct JpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr codec)
{
    std::longjmp(reinterpret_cast<JpegFailure*>(codec->err)->jump, 1);
}
void Quiet(j_common_ptr) {}

// Gray frames stay gray; every colour layout becomes three 8-bit samples,
// 16-bit words giving their high byte.
RowLayout JpegLayout(int32_t bytesPerPixel, int32_t depth)
{
    switch (bytesPerPixel) {
    case 1: return {1, 1, 1, 1, depth, false, AlphaRule::kZero};
    case 2: return {1, 2, 1, 1, depth, false, AlphaRule::kZero};
    case 3: return {3, 1, 3, 1, depth, false, AlphaRule::kZero};
    case 4: return {4, 1, 3, 1, depth, false, AlphaRule::kZero};
    case 6: return {3, 2, 3, 1, 16, false, AlphaRule::kZero};
    default: return {4, 2, 3, 1, 16, false, AlphaRule::kZero};
    }
}

} // namespace

int WriteJpeg(std::FILE* file, const imaging::DibImage& image, int32_t quality, int32_t depth)
{
    const RowLayout layout = JpegLayout(image.BytesPerPixel(), depth);
    const std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[RowBytes(layout, image.Width())]);
    if (!row)
        return 0;

    // Nothing below the jump target owns memory of its own: the jump may
    // come from inside any libjpeg call.
    jpeg_compress_struct codec{};
    JpegFailure failure{};
    codec.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = JumpBack;
    failure.manager.output_message = Quiet;
    if (setjmp(failure.jump)) {
        jpeg_destroy_compress(&codec);
        return 0;
    }
    jpeg_create_compress(&codec);
    jpeg_stdio_dest(&codec, file);
    codec.image_width = static_cast<JDIMENSION>(image.Width());
    codec.image_height = static_cast<JDIMENSION>(image.Height());
    codec.input_components = layout.outChannels;
    codec.in_color_space = layout.outChannels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, quality, TRUE);
    jpeg_simple_progression(&codec);
    jpeg_start_compress(&codec, TRUE);
    JSAMPROW rows[1] = {row.get()};
    for (int32_t y = 0; y < image.Height(); ++y) {
        ConvertRow(layout, row.get(), image.Row(y), image.Width());
        jpeg_write_scanlines(&codec, rows, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    return 1;
}

} // namespace tavix::output
