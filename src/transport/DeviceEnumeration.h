#pragma once
// One enumeration pass: lists the present interfaces of the camera class,
// adds the cameras not yet in the table and gives each a per-model device
// number. Entries of cameras that have gone stay where they are.

#include <cstdint>
#include <string>

#include "platform/DeviceIo.h"
#include "transport/DeviceTable.h"

namespace tavix {

// The installation interface hands out interface details in a buffer of
// this size (a 4-byte size field, then the path and its NUL); longer paths
// are passed over.
constexpr size_t kInterfaceDetailBytes = 1000;
constexpr size_t kInterfaceDetailPathOffset = 4;
// Member indexes tried per pass; a missing member is passed over, not an end.
constexpr size_t kInterfaceMembersTried = 32;

// Parses the identifiers of a path of the form \\?\usb#vid_XXXX&pid_YYYY#...
// False when either field holds no hexadecimal digits.
bool ParseInterfaceIds(const std::string& path, uint16_t* vendorId, uint16_t* productId);

// Runs the pass over the table; yields the table's count.
uint32_t EnumerateInto(DeviceTable& table, platform::DevicePort& port, const platform::Guid& interfaceClass);

} // namespace tavix
