#include "transport/DeviceEnumeration.h"

#include <algorithm>
#include <cstring>

#include "platform/Text.h"

namespace tavix {

namespace {
constexpr size_t kVendorIdOffset = 12;  // after "\\?\usb#vid_"
constexpr size_t kProductIdOffset = 21; // after "&pid_"
constexpr size_t kIdDigits = 4;

// Shift-JIS for "this entry should never be in use": the trace sent when an
// entry beyond the count is found filled (a table another process wrote
// inconsistently).
constexpr char kEntryInUseTrace[] =
    "\x82\xb1\x82\xb1\x82\xc9\x82\xcd\x93\xfc\x82\xc1\x82\xc4\x82\xb1\x82\xc8\x82\xa2\x82\xcd\x82\xb8\r\n";

// "%04x" of up to four hexadecimal digits at the offset.
bool ParseHexField(const std::string& path, size_t offset, uint16_t* value)
{
    unsigned parsed = 0;
    size_t digits = 0;
    for (; digits < kIdDigits && offset + digits < path.size(); ++digits) {
        const char c = path[offset + digits];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        parsed = parsed * 16 + digit;
    }
    if (digits == 0)
        return false;
    *value = static_cast<uint16_t>(parsed);
    return true;
}

bool SamePath(const DeviceEntry& entry, const std::string& path)
{
    return strnlen(entry.path, kDevicePathBytes) == path.size() && std::memcmp(entry.path, path.data(), path.size()) == 0;
}
} // namespace

bool ParseInterfaceIds(const std::string& path, uint16_t* vendorId, uint16_t* productId)
{
    return ParseHexField(path, kVendorIdOffset, vendorId) && ParseHexField(path, kProductIdOffset, productId);
}

uint32_t EnumerateInto(DeviceTable& table, platform::DevicePort& port, const platform::Guid& interfaceClass)
{
    const std::vector<std::string> paths = port.ListInterfaces(interfaceClass);
    const size_t tried = std::min(paths.size(), kInterfaceMembersTried);
    for (size_t member = 0; member < tried; ++member) {
        const std::string& path = paths[member];
        if (kInterfaceDetailPathOffset + path.size() + 1 > kInterfaceDetailBytes)
            continue;
        // An entry holds 259 characters; a cut path would name another
        // device or none, so a longer one is not listed.
        if (path.size() >= kDevicePathBytes)
            continue;
        // Each path is probed on its own: a camera that is listed but does
        // not open (going away, held elsewhere) is not added.
        if (port.Open(path, true) == nullptr)
            continue;
        uint16_t vendorId = 0;
        uint16_t productId = 0;
        // Product identifier 0 marks an empty entry and cannot be listed.
        if (!ParseInterfaceIds(path, &vendorId, &productId) || productId == 0)
            continue;

        int32_t sameModel = 0;
        bool listed = false;
        for (const DeviceEntry& entry : table.entries) {
            if (entry.vendorId != vendorId || entry.productId != productId)
                continue;
            ++sameModel;
            listed = listed || SamePath(entry, path);
        }
        if (listed || table.count >= static_cast<uint32_t>(kMaxDevices))
            continue;

        DeviceEntry& entry = table.entries[table.count];
        if (entry.productId != 0)
            platform::Trace(kEntryInUseTrace);
        entry = EmptyDeviceEntry();
        entry.vendorId = vendorId;
        entry.productId = productId;
        entry.deviceNumber = sameModel;
        std::memcpy(entry.path, path.data(), path.size());
        ++table.count;
    }
    return table.count;
}

} // namespace tavix
