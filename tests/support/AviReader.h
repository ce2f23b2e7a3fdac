#pragma once
// An AVI file walked chunk by chunk, as a reader would: the RIFF and its
// lists, the main and stream headers, the format, the frame chunks of the
// "movi" list and the "idx1" entries, every size checked against the file.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tavix::test {

struct AviIndexEntry {
    std::string id;
    uint32_t flags = 0, offset = 0, size = 0;
};

struct AviFile {
    std::string problem;  // empty when the file walked cleanly
    uint32_t riffSize = 0, moviSize = 0;
    // avih
    uint32_t microsPerFrame = 0, maxBytesPerSec = 0, flags = 0, totalFrames = 0, streams = 0;
    uint32_t suggestedBuffer = 0, width = 0, height = 0;
    // strh
    std::string type, handler;
    uint32_t scale = 0, rate = 0, length = 0, streamBuffer = 0;
    // strf
    int32_t formatWidth = 0, formatHeight = 0;
    uint32_t planes = 0, bitCount = 0;
    size_t moviTag = 0;                 // file position of the "movi" tag
    std::vector<size_t> frames;         // file positions of the frame chunks' data
    std::vector<uint32_t> frameSizes;
    std::vector<AviIndexEntry> index;
    bool hasIndex = false;
};

namespace avi_detail {
inline uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}
inline std::string Id(const std::vector<uint8_t>& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }
} // namespace avi_detail

inline AviFile ReadAvi(const std::vector<uint8_t>& b)
{
    using avi_detail::Id;
    using avi_detail::U32;
    AviFile avi;
    if (b.size() < 12 || Id(b, 0) != "RIFF" || Id(b, 8) != "AVI ") {
        avi.problem = "no AVI RIFF";
        return avi;
    }
    avi.riffSize = U32(b, 4);
    if (uint64_t{avi.riffSize} + 8 != b.size()) {
        avi.problem = "RIFF size " + std::to_string(avi.riffSize) + " for a file of " + std::to_string(b.size());
        return avi;
    }
    // Chunks of [begin, end); lists are entered.
    std::vector<std::pair<size_t, size_t>> spans{{12, b.size()}};
    std::string list;
    while (!spans.empty() && avi.problem.empty()) {
        auto& [at, end] = spans.back();
        if (at + 8 > end) {
            spans.pop_back();
            continue;
        }
        const std::string id = Id(b, at);
        const uint32_t size = U32(b, at + 4);
        const size_t data = at + 8;
        if (data + size > end) {
            avi.problem = id + " chunk at " + std::to_string(at) + " runs past its list";
            break;
        }
        at = data + size + (size & 1);
        if (id == "LIST") {
            if (size < 4) {
                avi.problem = "short LIST";
                break;
            }
            if (Id(b, data) == "movi") {
                avi.moviTag = data;
                avi.moviSize = size;
            }
            spans.emplace_back(data + 4, data + size);
        } else if (id == "avih" && size >= 56) {
            avi.microsPerFrame = U32(b, data);
            avi.maxBytesPerSec = U32(b, data + 4);
            avi.flags = U32(b, data + 12);
            avi.totalFrames = U32(b, data + 16);
            avi.streams = U32(b, data + 24);
            avi.suggestedBuffer = U32(b, data + 28);
            avi.width = U32(b, data + 32);
            avi.height = U32(b, data + 36);
        } else if (id == "strh" && size >= 56) {
            avi.type = Id(b, data);
            avi.handler = Id(b, data + 4);
            avi.scale = U32(b, data + 20);
            avi.rate = U32(b, data + 24);
            avi.length = U32(b, data + 32);
            avi.streamBuffer = U32(b, data + 36);
        } else if (id == "strf" && size >= 40) {
            avi.formatWidth = static_cast<int32_t>(U32(b, data + 4));
            avi.formatHeight = static_cast<int32_t>(U32(b, data + 8));
            avi.planes = U32(b, data + 12) & 0xFFFF;
            avi.bitCount = U32(b, data + 12) >> 16;
        } else if (id == "00db") {
            avi.frames.push_back(data);
            avi.frameSizes.push_back(size);
        } else if (id == "idx1") {
            avi.hasIndex = true;
            for (size_t e = data; e + 16 <= data + size; e += 16)
                avi.index.push_back({Id(b, e), U32(b, e + 4), U32(b, e + 8), U32(b, e + 12)});
        }
    }
    return avi;
}

} // namespace tavix::test
