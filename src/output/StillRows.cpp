#include "output/StillRows.h"

#include <cstring>

namespace tavix::output {
namespace {

uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The loops are instantiated per layout so that the channel mapping is
// known at compile time and the pixel loop carries no branches.
template <int InCh, int InBytes, int OutCh, int OutBytes>
void Convert(const RowLayout& layout, uint8_t* out, const uint8_t* in, int32_t width)
{
    const int narrow = layout.depth - 8;
    const int widen = 16 - layout.depth;
    const bool big = layout.bigEndian;
    const uint32_t maximum = OutBytes == 1 ? 0xFF : 0xFFFF;
    const AlphaRule alpha = layout.alpha;
    for (int32_t x = 0; x < width; ++x, in += InCh * InBytes, out += OutCh * OutBytes) {
        for (int c = 0; c < OutCh; ++c) {
            // Gray reads its one channel; colour reads blue-green-red backwards.
            const int source = InCh == 1 ? 0 : (c < 3 ? 2 - c : 3);
            uint32_t v = InBytes == 1 ? in[source] : Load16(in + 2 * source);
            if (c == 3) {
                v = alpha == AlphaRule::kZero ? 0 : alpha == AlphaRule::kOpaque ? maximum : maximum - v;
            } else if (InBytes == 2 && OutBytes == 1) {
                v = (v >> narrow) & 0xFF;
            } else if (InBytes == 2 && OutBytes == 2) {
                v = (v << widen) & 0xFFFF;
            }
            if (OutBytes == 1) {
                out[c] = static_cast<uint8_t>(v);
            } else {
                out[2 * c] = static_cast<uint8_t>(big ? v >> 8 : v);
                out[2 * c + 1] = static_cast<uint8_t>(big ? v : v >> 8);
            }
        }
    }
}

using Converter = void (*)(const RowLayout&, uint8_t*, const uint8_t*, int32_t);

Converter Find(const RowLayout& l)
{
    struct Entry {
        int32_t inCh, inBytes, outCh, outBytes;
        Converter convert;
    };
    static constexpr Entry kConverters[] = {
        {1, 2, 1, 1, Convert<1, 2, 1, 1>}, {1, 2, 1, 2, Convert<1, 2, 1, 2>}, {3, 1, 3, 1, Convert<3, 1, 3, 1>},
        {4, 1, 3, 1, Convert<4, 1, 3, 1>}, {4, 1, 4, 1, Convert<4, 1, 4, 1>}, {3, 2, 3, 1, Convert<3, 2, 3, 1>},
        {4, 2, 3, 1, Convert<4, 2, 3, 1>}, {3, 2, 3, 2, Convert<3, 2, 3, 2>}, {4, 2, 4, 2, Convert<4, 2, 4, 2>},
    };
    for (const Entry& e : kConverters)
        if (e.inCh == l.inChannels && e.inBytes == l.inSampleBytes && e.outCh == l.outChannels &&
            e.outBytes == l.outSampleBytes)
            return e.convert;
    return nullptr;
}

} // namespace

int64_t RowBytes(const RowLayout& layout, int32_t width)
{
    return int64_t{width} * layout.outChannels * layout.outSampleBytes;
}

bool ConvertRow(const RowLayout& layout, uint8_t* out, const uint8_t* in, int32_t width)
{
    // Samples already in the file's form need no conversion (8-bit gray,
    // and layouts that only copy).
    if (layout.inChannels == 1 && layout.outChannels == 1 && layout.inSampleBytes == 1 &&
        layout.outSampleBytes == 1) {
        std::memcpy(out, in, static_cast<size_t>(width));
        return true;
    }
    Converter convert = Find(layout);
    if (convert == nullptr)
        return false;
    convert(layout, out, in, width);
    return true;
}

} // namespace tavix::output
