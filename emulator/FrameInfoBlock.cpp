#include "emulator/FrameInfoBlock.h"

#include "emulator/DriverInterface.h"
#include "emulator/Scene.h"

namespace tavix::emu {

std::array<uint8_t, frameinfo::kSize> EncodeFrameInfo(const FrameSettings& s, uint32_t payloadBytes,
                                                      uint64_t timestampUs)
{
    using driver::StoreU16;
    using driver::StoreU32;
    std::array<uint8_t, frameinfo::kSize> block{};
    block[frameinfo::kOffMagic + 0] = 'T';
    block[frameinfo::kOffMagic + 1] = 'F';
    block[frameinfo::kOffMagic + 2] = 'I';
    block[frameinfo::kOffMagic + 3] = 'B';
    StoreU16(block.data() + frameinfo::kOffWidth, static_cast<uint16_t>(s.width));
    StoreU16(block.data() + frameinfo::kOffHeight, static_cast<uint16_t>(s.height));
    block[frameinfo::kOffBytesPerSample] = static_cast<uint8_t>(s.BytesPerSample());
    block[frameinfo::kOffFlags] =
        static_cast<uint8_t>((s.flipV ? 1 : 0) | (s.mirrorH ? 2 : 0) | ((s.skipH || s.skipV) ? 4 : 0));
    StoreU32(block.data() + frameinfo::kOffPayloadBytes, payloadBytes);
    StoreU32(block.data() + frameinfo::kOffTimestampUs, static_cast<uint32_t>(timestampUs));
    StoreU32(block.data() + frameinfo::kOffTimestampUs + 4, static_cast<uint32_t>(timestampUs >> 32));
    StoreU32(block.data() + frameinfo::kOffExposureLines, s.exposureLines);
    StoreU32(block.data() + frameinfo::kOffFrameNumber, s.frameNumber);
    StoreU32(block.data() + frameinfo::kOffFrameLength, s.frameLength);
    StoreU32(block.data() + frameinfo::kOffGain, s.gain);
    StoreU32(block.data() + frameinfo::kOffLineTimeNs, static_cast<uint32_t>(s.LineMicroseconds() * 1000.0 + 0.5));
    return block;
}

} // namespace tavix::emu
