#include "emulator/FrameRenderer.h"

#include <algorithm>
#include <cstring>

#include "emulator/ScenePainter.h"

namespace tavix::emu {

namespace {

// Settings that change the static picture (not the frame number or noise).
bool SameBackground(const FrameSettings& a, const FrameSettings& b)
{
    return a.width == b.width && a.height == b.height && a.sixteenBit == b.sixteenBit && a.cropH == b.cropH &&
           a.cropV == b.cropV && a.startH == b.startH && a.startV == b.startV && a.windowWidth == b.windowWidth &&
           a.windowHeight == b.windowHeight && a.skipH == b.skipH && a.skipV == b.skipV && a.flipV == b.flipV &&
           a.mirrorH == b.mirrorH && a.exposureLines == b.exposureLines && a.gain == b.gain;
}

void Store(uint8_t* destination, uint32_t index, uint16_t value, bool sixteenBit)
{
    if (sixteenBit) {
        destination[2 * index] = static_cast<uint8_t>(value);
        destination[2 * index + 1] = static_cast<uint8_t>(value >> 8);
    } else {
        destination[index] = static_cast<uint8_t>(value);
    }
}

} // namespace

void FrameRenderer::Prepare(const FrameSettings& s)
{
    if (prepared_ && SameBackground(key_, s))
        return;
    key_ = s;
    prepared_ = true;
    columns_ = s.DeliveredColumns();
    const uint32_t rows = s.DeliveredRows();
    columnX_.resize(columns_);
    rowY_.resize(rows);
    for (uint32_t c = 0; c < columns_; ++c)
        columnX_[c] = scene::PayloadColumnSource(s, c);
    for (uint32_t r = 0; r < rows; ++r)
        rowY_[r] = scene::PayloadRowSource(s, r);

    const uint32_t scale = s.Scale();
    const uint16_t* base = scene::BaseMosaic();
    background_.resize(static_cast<size_t>(columns_) * rows * s.BytesPerSample());
    for (uint32_t r = 0; r < rows; ++r) {
        const uint16_t* sourceRow = base + static_cast<size_t>(rowY_[r]) * kArrayWidth;
        uint8_t* row = background_.data() + static_cast<size_t>(r) * columns_ * s.BytesPerSample();
        for (uint32_t c = 0; c < columns_; ++c) {
            const uint16_t level = scene::ScaleLevel(sourceRow[columnX_[c]], scale);
            Store(row, c, s.sixteenBit ? level : static_cast<uint16_t>(level >> 4), s.sixteenBit);
        }
    }
}

void FrameRenderer::RenderRow(const FrameSettings& s, uint32_t row, uint32_t firstColumn, uint32_t columns,
                              uint8_t* destination) const
{
    const uint32_t bytes = s.BytesPerSample();
    std::memcpy(destination, background_.data() + (static_cast<size_t>(row) * columns_ + firstColumn) * bytes,
                static_cast<size_t>(columns) * bytes);
    const int y = rowY_[row];
    if (s.still)
        return;
    const uint32_t scale = s.Scale();
    if (s.noiseAmplitude != 0) {
        const uint16_t* sourceRow = scene::BaseMosaic() + static_cast<size_t>(y) * kArrayWidth;
        for (uint32_t i = 0; i < columns; ++i) {
            const int x = columnX_[firstColumn + i];
            int level = scene::OverlayLevel(x, y, s.frameNumber);
            if (level < 0)
                level = sourceRow[x];
            Store(destination, i, scene::Finish(scene::ScaleLevel(static_cast<uint32_t>(level), scale), s, x, y),
                  s.sixteenBit);
        }
        return;
    }
    int left = 0;
    int right = 0;
    if (!scene::OverlaySpan(y, s.frameNumber, &left, &right))
        return;
    for (uint32_t i = 0; i < columns; ++i) {
        const int x = columnX_[firstColumn + i];
        if (x < left || x >= right)
            continue;
        const int level = scene::OverlayLevel(x, y, s.frameNumber);
        if (level >= 0)
            Store(destination, i, scene::Finish(scene::ScaleLevel(static_cast<uint32_t>(level), scale), s, x, y),
                  s.sixteenBit);
    }
}

void FrameRenderer::Render(const FrameSettings& s, uint64_t offset, uint32_t count, uint8_t* destination)
{
    const uint64_t payload = s.PayloadBytes();
    if (offset >= payload) {
        // Bytes past the payload (a camera sending more than it announced).
        std::memset(destination, 0, count);
        return;
    }
    if (offset + count > payload) {
        const uint32_t inside = static_cast<uint32_t>(payload - offset);
        std::memset(destination + inside, 0, count - inside);
        count = inside;
    }
    Prepare(s);
    const uint32_t bytes = s.BytesPerSample();
    if (offset % bytes != 0 || count % bytes != 0) {
        // A piece that splits a sample: render whole samples and cut.
        const uint64_t first = offset / bytes * bytes;
        const uint64_t last = std::min<uint64_t>((offset + count + bytes - 1) / bytes * bytes, payload);
        std::vector<uint8_t> whole(static_cast<size_t>(last - first));
        Render(s, first, static_cast<uint32_t>(whole.size()), whole.data());
        std::memcpy(destination, whole.data() + (offset - first), count);
        return;
    }
    uint64_t sample = offset / bytes;
    uint64_t remaining = count / bytes;
    while (remaining > 0) {
        const uint32_t row = static_cast<uint32_t>(sample / columns_);
        const uint32_t column = static_cast<uint32_t>(sample % columns_);
        const uint32_t run = static_cast<uint32_t>(std::min<uint64_t>(remaining, columns_ - column));
        RenderRow(s, row, column, run, destination);
        destination += static_cast<size_t>(run) * bytes;
        sample += run;
        remaining -= run;
    }
}

} // namespace tavix::emu
