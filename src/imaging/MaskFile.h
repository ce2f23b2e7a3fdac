#pragma once
// The mask file: the four flat-field references of the full sensor.
//
//   offset  size      field
//        0  16        "KELVOR MASK1000" and a 0 byte
//       16  4         width 2448         (all numbers little-endian)
//       20  4         height 2048
//       24  4 x 4     bytes of dark8, white8, dark16, white16
//       40  ...       the four images' pixel memory in that order, memory
//                     row 0 first, 16-bit samples little-endian
//
// 30081064 bytes in all.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/DibImage.h"

namespace tavix::imaging {

constexpr size_t kMaskHeaderBytes = 40;
constexpr int kMaskReferences = 4; // dark8, white8, dark16, white16
constexpr std::array<uint32_t, kMaskReferences> kMaskBlockBytes{5013504, 5013504, 10027008, 10027008};
constexpr uint64_t kMaskFileBytes = kMaskHeaderBytes + 2 * 5013504ull + 2 * 10027008ull;

// The header for references of the sensor's geometry.
std::array<uint8_t, kMaskHeaderBytes> MaskHeader();
// Whether a header read from a file is that one (the magic compared as a
// text up to its 0 byte).
bool MaskHeaderValid(const uint8_t* header);

// Writes the four references (dark8, white8, dark16, white16) under a
// temporary name beside path and renames it over path once it is complete,
// so an existing file survives a failed save. False when a reference does
// not have the sensor's geometry or any write failed.
bool WriteMaskFile(const char* path, const std::array<const DibImage*, kMaskReferences>& references);

// Reads a mask file whole into blocks (dark8, white8, dark16, white16, each
// of kMaskBlockBytes). False, with blocks of no use, when the file cannot
// be opened, its header is not the one above, or it is shorter or longer
// than the header and the four blocks.
bool ReadMaskFile(const char* path, std::array<std::vector<uint8_t>, kMaskReferences>& blocks);

} // namespace tavix::imaging
