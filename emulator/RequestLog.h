#pragma once
// The emulated driver's record of every control request it was given, in
// submission order: what came in, how the driver decoded it, and what it
// answered. Tests assert on it; a request the driver refused carries the
// reason in plain words.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/DriverInterface.h"

namespace tavix::emu {

struct LoggedRequest {
    uint64_t sequence = 0;       // 0, 1, 2, … over the camera's life
    uint64_t handleId = 0;       // which open handle sent it (1, 2, … in opening order)
    uint32_t controlCode = 0;
    bool overlapped = false;     // submitted with ControlOverlapped
    uint32_t inSize = 0;
    uint32_t outSize = 0;
    // The input buffer as submitted (the first kLoggedBytes bytes of it).
    std::vector<uint8_t> input;
    // The decoded request header, for the codes that carry one.
    bool hasHeader = false;
    driver::TransferHeader header;
    // Data the host sent: a vendor request's 64-byte data area; the bytes of
    // a bulk OUT transfer (the first kLoggedBytes).
    std::vector<uint8_t> payload;
    // Data the device answered to a vendor IN request (the data count).
    std::vector<uint8_t> reply;

    // Outcome at submission: accepted at once, pending, or refused.
    bool refused = false;
    bool pending = false;
    std::string problem;         // why it was refused or failed; empty when fine
    // Final outcome; updated when a pending request completes.
    bool completed = false;
    uint32_t error = 0;          // system error code of the outcome (0 success)
    uint32_t bytesReturned = 0;
    uint32_t ntStatus = 0;       // statuses written into a transfer header
    uint32_t usbdStatus = 0;
};

class RequestLog {
public:
    static constexpr size_t kLoggedBytes = 4096;
    // The log keeps the latest entries; older ones are dropped past this.
    static constexpr size_t kCapacity = 32768;

    // Appends an entry and gives it the next sequence number.
    uint64_t Add(LoggedRequest entry);
    // Applies the final outcome of a pending request, if still kept.
    void Complete(uint64_t sequence, uint32_t error, uint32_t bytesReturned, uint32_t ntStatus, uint32_t usbdStatus,
                  const std::string& problem);
    std::vector<LoggedRequest> Entries() const;
    void Clear();
    uint64_t TotalCount() const;
    uint64_t RefusedCount() const;

private:
    mutable std::mutex mutex_;
    std::deque<LoggedRequest> entries_;
    uint64_t next_ = 0;
    uint64_t refused_ = 0;
};

} // namespace tavix::emu
