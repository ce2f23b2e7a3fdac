#include "emulator/CameraCore.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "emulator/Fpga.h"
#include "emulator/Trace.h"

namespace tavix::emu {

using platform::IoStatus;

namespace {

constexpr uint32_t kMaxTransfer = 0x4000000; // 64 MiB, the driver's limit per request
constexpr uint64_t kMemorySize = 256ull << 20;
constexpr size_t kMemoryCommandSize = 32;
constexpr uint32_t kMemoryCommandVersion = 2;

std::string Text(const char* format, unsigned a = 0, unsigned b = 0)
{
    char text[200];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool KnownEndpoint(uint8_t endpoint)
{
    return endpoint == driver::kEndpointFrames || endpoint == driver::kEndpointAux ||
           endpoint == driver::kEndpointCommands;
}

// The first header field, other than the ones listed as allowed, that is not 0.
const char* NonZeroField(const driver::TransferHeader& h, bool endpointAllowed, bool dataFieldsAllowed)
{
    if (h.requestType != 0)
        return "request type";
    if (h.request != 0)
        return "request code";
    if (h.value != 0)
        return "value";
    if (h.index != 0)
        return "index";
    if (h.length != 0)
        return "length";
    if (h.timeout != 0)
        return "time-out";
    if (h.reserved != 0)
        return "reserved byte";
    if (!endpointAllowed && h.endpoint != 0)
        return "endpoint";
    if (h.ntStatus != 0)
        return "NT status";
    if (h.usbdStatus != 0)
        return "USBD status";
    if (h.isoPacketOffset != 0)
        return "isochronous packet offset";
    if (h.isoPacketLength != 0)
        return "isochronous packet length";
    if (!dataFieldsAllowed && h.dataOffset != 0)
        return "data offset";
    if (!dataFieldsAllowed && h.dataLength != 0)
        return "data length";
    return nullptr;
}

} // namespace

CameraCore::CameraCore(const CameraOptions& opts, int port) : options(opts), firmware(options, frames), port_(port)
{
    frames.SetPaced(options.paced);
    firmware.GetEeprom().SetSerialNumber(options.serialNumber);
    PowerUp();
}

std::string CameraCore::Path() const
{
    std::string instance;
    for (char c : options.serialNumber) {
        const auto u = static_cast<unsigned char>(c);
        instance.push_back(std::isalnum(u) ? static_cast<char>(std::tolower(u)) : '_');
    }
    char path[200];
    std::snprintf(path, sizeof path, "\\\\?\\usb#vid_%04x&pid_%04x#%s&%d#{328184c5-93e6-49b7-94b8-2ada13aabb39}",
                  options.vendorId, options.productId, instance.c_str(), port_);
    return path;
}

void CameraCore::PowerUp()
{
    firmware.PowerUp();
    firmware.SetReadiness(firmware.GetReadiness());
    frames.PowerUp(Clock::now());
    memory.clear();
    writeAddress_ = 0;
    writeRemaining_ = 0;
}

uint64_t CameraCore::OpenHandle(const std::string& path, bool /*overlapped*/, uint64_t& generation)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || !SameIgnoringCase(path, Path()))
        return 0;
    ++openHandles;
    ++handlesOpened;
    generation = generation_;
    return nextHandle_++;
}

void CameraCore::CloseHandle(uint64_t handleId)
{
    std::lock_guard<std::mutex> lock(mutex_);
    --openHandles;
    // Closing a handle cancels the requests still running on it; their
    // owners may have let go of the headers already, so nothing is written.
    for (const auto& transfer : queue_)
        if (transfer->handleId == handleId)
            transfer->header = nullptr;
    CompleteAll(0, handleId, platform::kErrorOperationAborted, driver::kNtStatusCancelled, driver::kUsbdStatusCanceled,
                "the handle was closed");
}

bool CameraCore::Plugged() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return plugged_;
}

bool CameraCore::Trigger()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_ || !firmware.SensorProducing() || !frames.Trigger(firmware.CurrentFrameSettings(), Clock::now()))
        return false;
    firmware.GetFpga().Poke(fpga::kRegFrameCounter, static_cast<uint8_t>(frames.FramesStarted()));
    changed_.notify_all();
    return true;
}

void CameraCore::Unplug()
{
    std::lock_guard<std::mutex> lock(mutex_);
    plugged_ = false;
    ++generation_;
    CompleteAll(0, 0, platform::kErrorDeviceNotConnected, driver::kNtStatusDeviceNotConnected,
                driver::kUsbdStatusDevNotResponding, "the camera was unplugged");
    frames.Flush();
}

void CameraCore::Replug(int port)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (plugged_)
        CompleteAll(0, 0, platform::kErrorDeviceNotConnected, driver::kNtStatusDeviceNotConnected,
                    driver::kUsbdStatusDevNotResponding, "the camera was unplugged");
    ++generation_;
    plugged_ = true;
    port_ = port;
    PowerUp();
}

IoStatus CameraCore::Refuse(LoggedRequest& entry, uint32_t error, const std::string& problem)
{
    entry.refused = true;
    entry.completed = true;
    entry.error = error;
    entry.problem = problem;
    log.Add(entry);
    Trace("refused control code " + Text("0x%06X", entry.controlCode) + ": " + problem);
    return {false, error, 0};
}

IoStatus CameraCore::Accept(LoggedRequest& entry, uint32_t bytes)
{
    entry.completed = true;
    entry.error = 0;
    entry.bytesReturned = bytes;
    log.Add(entry);
    return {true, 0, bytes};
}

IoStatus CameraCore::Control(uint64_t handleId, uint64_t generation, bool overlappedHandle, uint32_t code, void* in,
                             uint32_t inSize, void* out, uint32_t outSize, bool overlapped,
                             std::shared_ptr<Transfer>& pending)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto* input = static_cast<uint8_t*>(in);
    auto* output = static_cast<uint8_t*>(out);
    LoggedRequest entry;
    entry.handleId = handleId;
    entry.controlCode = code;
    entry.overlapped = overlapped;
    entry.inSize = inSize;
    entry.outSize = outSize;
    if (input != nullptr)
        entry.input.assign(input, input + std::min<size_t>(inSize, RequestLog::kLoggedBytes));

    if (!plugged_ || generation != generation_)
        return Refuse(entry, platform::kErrorDeviceNotConnected,
                      plugged_ ? "a handle of an earlier plug of the camera" : "the camera is unplugged");
    if (overlapped && !overlappedHandle)
        return Refuse(entry, platform::kErrorInvalidParameter,
                      "an overlapped request on a handle opened without overlapped I/O");
    if (refuseRequests > 0) {
        --refuseRequests;
        return Refuse(entry, refuseError, "refused by fault injection");
    }
    switch (code) {
    case driver::kSendEp0ControlTransfer:
        return VendorRequest(entry, input, inSize, output, outSize);
    case driver::kSendNonEp0Transfer:
        return BulkTransfer(lock, entry, input, inSize, output, outSize, true, overlapped, pending);
    case driver::kSendNonEp0Direct:
        return BulkTransfer(lock, entry, input, inSize, output, outSize, false, overlapped, pending);
    case driver::kResetPipe:
    case driver::kResetParentPort:
    case driver::kAbortPipe:
    case driver::kGetDeviceSpeed:
        return PipeRequest(entry, input, inSize, output, outSize);
    default:
        break;
    }
    return Refuse(entry, driver::kErrorInvalidFunction, Text("unknown control code 0x%X", code));
}

IoStatus CameraCore::VendorRequest(LoggedRequest& entry, uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize)
{
    if (in == nullptr || inSize != driver::kVendorRecordSize)
        return Refuse(entry, platform::kErrorInvalidParameter, Text("a vendor record of %u bytes (must be 102)", inSize));
    if (out == nullptr || outSize != driver::kVendorRecordSize)
        return Refuse(entry, platform::kErrorInvalidParameter,
                      Text("a vendor request with %u bytes of output (must be the 102-byte record)", outSize));
    const driver::TransferHeader h = driver::DecodeHeader(in);
    entry.hasHeader = true;
    entry.header = h;
    entry.payload.assign(in + driver::kHeaderSize, in + driver::kVendorRecordSize);

    std::string problem;
    if (h.requestType != driver::kTypeVendorOut && h.requestType != driver::kTypeVendorIn &&
        h.requestType != driver::kTypeVendorOutEndpoint)
        problem = Text("request type 0x%02X (0x40, 0xC0 or 0x42)", h.requestType);
    else if (h.length != driver::kVendorRecordSize)
        problem = Text("length field %u (must be 102, the whole record)", h.length);
    else if (h.timeout != driver::kVendorTimeoutSeconds)
        problem = Text("time-out %u (must be 3 seconds)", h.timeout);
    else if (h.reserved != 0)
        problem = "reserved byte not 0";
    else if (h.endpoint != 0)
        problem = Text("endpoint 0x%02X on a vendor request (must be 0)", h.endpoint);
    else if (h.ntStatus != 0 || h.usbdStatus != 0)
        problem = "status words not 0 on submission";
    else if (h.isoPacketOffset != 0 || h.isoPacketLength != 0)
        problem = "isochronous fields not 0";
    else if (h.dataOffset != driver::kHeaderSize)
        problem = Text("data offset %u (must be 38)", h.dataOffset);
    else if (h.dataLength != driver::kVendorDataSize)
        problem = Text("data length %u (must be 64)", h.dataLength);
    if (!problem.empty())
        return Refuse(entry, platform::kErrorInvalidParameter, problem);

    uint8_t data[driver::kVendorDataSize];
    std::memcpy(data, in + driver::kHeaderSize, sizeof data);
    uint8_t reply[driver::kVendorDataSize] = {};
    const VendorOutcome outcome = firmware.Handle(h, data, reply, Clock::now());
    changed_.notify_all();
    if (out != in)
        std::memmove(out, in, driver::kVendorRecordSize);
    if (!outcome.accepted) {
        // The firmware stalls endpoint 0; the driver fails the request.
        driver::WriteStatus(out, driver::kNtStatusUnsuccessful, driver::kUsbdStatusStallPid);
        entry.ntStatus = driver::kNtStatusUnsuccessful;
        entry.usbdStatus = driver::kUsbdStatusStallPid;
        return Refuse(entry, platform::kErrorGenFailure, outcome.problem);
    }
    const bool isIn = h.requestType == driver::kTypeVendorIn;
    if (isIn) {
        std::memcpy(out + driver::kHeaderSize, reply, outcome.replyBytes);
        entry.reply.assign(reply, reply + outcome.replyBytes);
    }
    return Accept(entry, static_cast<uint32_t>(driver::kHeaderSize + (isIn ? outcome.replyBytes : driver::kVendorDataSize)));
}

bool CameraCore::CheckBulkHeader(const driver::TransferHeader& h, bool buffered, uint32_t inSize, uint32_t /*outSize*/,
                                 std::string& problem) const
{
    if (const char* field = NonZeroField(h, true, buffered)) {
        problem = std::string(buffered ? "buffered" : "direct") + " transfer header with a non-zero " + field;
        return false;
    }
    if (!KnownEndpoint(h.endpoint)) {
        problem = Text("transfer on endpoint 0x%02X (0x81, 0x83 or 0x01)", h.endpoint);
        return false;
    }
    if (buffered && h.dataOffset != driver::kHeaderSize) {
        problem = Text("buffered transfer with data offset %u (must be 38)", h.dataOffset);
        return false;
    }
    if (buffered && h.dataLength != inSize - driver::kHeaderSize) {
        problem = Text("buffered transfer with data length %u in a record of %u bytes", h.dataLength, inSize);
        return false;
    }
    return true;
}

IoStatus CameraCore::BulkTransfer(std::unique_lock<std::mutex>& lock, LoggedRequest& entry, uint8_t* in,
                                  uint32_t inSize, uint8_t* out, uint32_t outSize, bool buffered, bool overlapped,
                                  std::shared_ptr<Transfer>& pending)
{
    if (buffered) {
        if (in == nullptr || out == nullptr || inSize < driver::kHeaderSize || outSize != inSize)
            return Refuse(entry, platform::kErrorInvalidParameter,
                          Text("a buffered transfer of %u bytes in, %u out (one record, both the same size)", inSize,
                               outSize));
    } else if (in == nullptr || inSize != driver::kHeaderSize) {
        return Refuse(entry, platform::kErrorInvalidParameter,
                      Text("a direct transfer header of %u bytes (must be 38)", inSize));
    }
    const driver::TransferHeader h = driver::DecodeHeader(in);
    entry.hasHeader = true;
    entry.header = h;
    std::string problem;
    if (!CheckBulkHeader(h, buffered, inSize, outSize, problem))
        return Refuse(entry, platform::kErrorInvalidParameter, problem);
    const uint32_t length = buffered ? h.dataLength : outSize;
    if (!buffered && (out == nullptr || outSize == 0))
        return Refuse(entry, platform::kErrorInvalidParameter, "a direct transfer without a data buffer");
    if (length > kMaxTransfer)
        return Refuse(entry, platform::kErrorInvalidParameter, Text("a transfer of %u bytes (at most 64 MiB)", length));

    // The driver writes the statuses into the header it was given: the
    // caller's header of a direct transfer, the returned record otherwise.
    if (buffered && out != in)
        std::memmove(out, in, driver::kHeaderSize);
    uint8_t* statusRecord = buffered ? out : in;
    uint8_t* data = buffered ? out + driver::kHeaderSize : out;
    const uint32_t overhead = buffered ? static_cast<uint32_t>(driver::kHeaderSize) : 0u;

    if (failTransfers > 0) {
        --failTransfers;
        driver::WriteStatus(statusRecord, failNtStatus, failUsbdStatus);
        entry.ntStatus = failNtStatus;
        entry.usbdStatus = failUsbdStatus;
        entry.problem = "failed by fault injection";
        return Accept(entry, overhead);
    }

    if (h.endpoint == driver::kEndpointCommands) {
        const uint8_t* sent = buffered ? in + driver::kHeaderSize : out;
        entry.payload.assign(sent, sent + std::min<size_t>(length, RequestLog::kLoggedBytes));
        if (!BulkOut(h.endpoint, sent, length, problem)) {
            driver::WriteStatus(statusRecord, driver::kNtStatusUnsuccessful, driver::kUsbdStatusStallPid);
            entry.ntStatus = driver::kNtStatusUnsuccessful;
            entry.usbdStatus = driver::kUsbdStatusStallPid;
            entry.problem = problem;
            Trace("stalled endpoint 0x01: " + problem);
            return Accept(entry, overhead);
        }
        return Accept(entry, overhead + length);
    }

    auto transfer = std::make_shared<Transfer>();
    transfer->handleId = entry.handleId;
    transfer->endpoint = h.endpoint;
    transfer->buffered = buffered;
    transfer->header = statusRecord;
    transfer->data = data;
    transfer->length = length;
    queue_.push_back(transfer);
    Progress();
    if (!transfer->done && overlapped) {
        entry.pending = true;
        entry.error = platform::kErrorIoPending;
        transfer->logSequence = log.Add(entry);
        transfer->logged = true;
        pending = transfer;
        return {false, platform::kErrorIoPending, 0};
    }
    // A synchronous request waits for its data without limit, as the driver does.
    while (!transfer->done) {
        const auto due = Progress();
        if (transfer->done)
            break;
        if (due)
            changed_.wait_until(lock, *due);
        else
            changed_.wait(lock);
    }
    entry.ntStatus = driver::LoadU32(statusRecord + driver::kOffNtStatus);
    entry.usbdStatus = driver::LoadU32(statusRecord + driver::kOffUsbdStatus);
    if (transfer->error != 0)
        return Refuse(entry, transfer->error, transfer->problem);
    return Accept(entry, transfer->bytes);
}

bool CameraCore::BulkOut(uint8_t /*endpoint*/, const uint8_t* data, uint32_t length, std::string& problem)
{
    if (writeRemaining_ > 0) {
        // Data of an announced memory write.
        const uint64_t n = std::min<uint64_t>(length, writeRemaining_);
        if (memory.size() < writeAddress_ + n)
            memory.resize(writeAddress_ + n, 0);
        std::memcpy(memory.data() + writeAddress_, data, n);
        writeAddress_ += n;
        writeRemaining_ -= n;
        if (n < length) {
            problem = Text("%u bytes more than the memory write announced", static_cast<unsigned>(length - n));
            return false;
        }
        return true;
    }
    if (length != kMemoryCommandSize) {
        problem = Text("a %u-byte transfer where a 32-byte memory command was due", length);
        return false;
    }
    const bool read = std::memcmp(data, "AU3R", 4) == 0;
    const bool write = std::memcmp(data, "AU3W", 4) == 0;
    if (!read && !write) {
        problem = "a memory command without \"AU3R\" or \"AU3W\"";
        return false;
    }
    if (driver::LoadU32(data + 4) != kMemoryCommandVersion) {
        problem = Text("a memory command with %u at offset 4 (must be 2)", driver::LoadU32(data + 4));
        return false;
    }
    for (size_t i = 20; i < kMemoryCommandSize; ++i)
        if (data[i] != 0) {
            problem = "a memory command with non-zero bytes after its count";
            return false;
        }
    const uint64_t address = driver::LoadU32(data + 8) | (static_cast<uint64_t>(driver::LoadU32(data + 12)) << 32);
    const uint32_t count = driver::LoadU32(data + 16);
    if (count == 0 || address + count > kMemorySize) {
        problem = Text("a memory command for %u bytes at an address beyond the camera's 256 MiB", count);
        return false;
    }
    if (write) {
        writeAddress_ = address;
        writeRemaining_ = count;
        return true;
    }
    std::vector<uint8_t> bytes(count, 0);
    if (address < memory.size())
        std::memcpy(bytes.data(), memory.data() + address, std::min<uint64_t>(count, memory.size() - address));
    frames.Push(std::move(bytes), Clock::now());
    changed_.notify_all();
    return true;
}

IoStatus CameraCore::PipeRequest(LoggedRequest& entry, const uint8_t* in, uint32_t inSize, uint8_t* out,
                                 uint32_t outSize)
{
    switch (entry.controlCode) {
    case driver::kResetPipe:
    case driver::kAbortPipe: {
        if (in == nullptr || inSize != 1 || outSize != 0)
            return Refuse(entry, platform::kErrorInvalidParameter,
                          Text("a pipe request with %u bytes in, %u out (must be 1 and 0)", inSize, outSize));
        const uint8_t endpoint = in[0];
        if (!KnownEndpoint(endpoint))
            return Refuse(entry, platform::kErrorInvalidParameter, Text("a pipe request for endpoint 0x%02X", endpoint));
        if (entry.controlCode == driver::kAbortPipe) {
            CompleteAll(endpoint, 0, platform::kErrorOperationAborted, driver::kNtStatusCancelled,
                        driver::kUsbdStatusCanceled, "aborted");
        } else if (endpoint == driver::kEndpointFrames) {
            // Resetting the pipe drops what is in flight on it.
            frames.Flush();
        } else if (endpoint == driver::kEndpointCommands) {
            writeRemaining_ = 0;
        }
        return Accept(entry, 0);
    }
    case driver::kResetParentPort:
        if (inSize != 0 || outSize != 0)
            return Refuse(entry, platform::kErrorInvalidParameter,
                          Text("a port reset with %u bytes in, %u out (takes none)", inSize, outSize));
        CompleteAll(0, 0, platform::kErrorOperationAborted, driver::kNtStatusCancelled, driver::kUsbdStatusCanceled,
                    "the port was reset");
        frames.Flush();
        writeRemaining_ = 0;
        return Accept(entry, 0);
    default:
        break;
    }
    // GET_DEVICE_SPEED: a u32 in, the speed out.
    if (in == nullptr || out == nullptr || inSize != 4 || outSize != 4)
        return Refuse(entry, platform::kErrorInvalidParameter,
                      Text("a speed query with %u bytes in, %u out (must be 4 and 4)", inSize, outSize));
    driver::StoreU32(out, linkSpeed);
    entry.reply.assign(out, out + 4);
    return Accept(entry, 4);
}

std::optional<CameraCore::Clock::time_point> CameraCore::Progress()
{
    for (;;) {
        auto head = std::find_if(queue_.begin(), queue_.end(),
                                 [](const std::shared_ptr<Transfer>& t) { return t->endpoint == driver::kEndpointFrames; });
        if (head == queue_.end())
            return std::nullopt;
        const auto now = Clock::now();
        const auto due = frames.Advance(now, firmware.SensorProducing());
        firmware.GetFpga().Poke(fpga::kRegFrameCounter, static_cast<uint8_t>(frames.FramesStarted()));
        Transfer& transfer = **head;
        std::optional<Clock::time_point> arrives;
        const uint32_t n = frames.Take(transfer.data, transfer.length, now, &arrives);
        if (n == 0)
            return due && (!arrives || *due < *arrives) ? due : arrives;
        Finish(transfer, 0, n + (transfer.buffered ? static_cast<uint32_t>(driver::kHeaderSize) : 0u),
               driver::kNtStatusSuccess, driver::kUsbdStatusSuccess, "");
    }
}

void CameraCore::Finish(Transfer& transfer, uint32_t error, uint32_t bytes, uint32_t ntStatus, uint32_t usbdStatus,
                        const std::string& problem)
{
    transfer.done = true;
    transfer.error = error;
    transfer.bytes = bytes;
    transfer.problem = problem;
    if (transfer.header != nullptr)
        driver::WriteStatus(transfer.header, ntStatus, usbdStatus);
    if (transfer.logged)
        log.Complete(transfer.logSequence, error, bytes, ntStatus, usbdStatus, problem);
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                                [&](const std::shared_ptr<Transfer>& t) { return t.get() == &transfer; }),
                 queue_.end());
    changed_.notify_all();
}

void CameraCore::CompleteAll(uint8_t endpoint, uint64_t handleId, uint32_t error, uint32_t ntStatus,
                             uint32_t usbdStatus, const std::string& problem)
{
    std::vector<std::shared_ptr<Transfer>> matching;
    for (const auto& t : queue_)
        if ((endpoint == 0 || t->endpoint == endpoint) && (handleId == 0 || t->handleId == handleId))
            matching.push_back(t);
    for (const auto& t : matching)
        Finish(*t, error, 0, ntStatus, usbdStatus, problem);
}

bool CameraCore::Wait(const std::shared_ptr<Transfer>& transfer, uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    std::optional<Clock::time_point> deadline;
    if (timeoutMs != platform::PendingIo::kInfinite)
        deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto due = Progress();
        if (transfer->done)
            return true;
        if (deadline && Clock::now() >= *deadline)
            return false;
        std::optional<Clock::time_point> wake = deadline;
        if (due && (!wake || *due < *wake))
            wake = due;
        if (wake)
            changed_.wait_until(lock, *wake);
        else
            changed_.wait(lock);
    }
}

IoStatus CameraCore::Result(const std::shared_ptr<Transfer>& transfer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!transfer->done)
        Progress();
    if (!transfer->done)
        return {false, platform::kErrorIoPending, 0};
    if (transfer->error != 0)
        return {false, transfer->error, 0};
    return {true, 0, transfer->bytes};
}

void CameraCore::Cancel(const std::shared_ptr<Transfer>& transfer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (transfer->done)
        return;
    // The caller may already have released the header: nothing is written.
    transfer->header = nullptr;
    Finish(*transfer, platform::kErrorOperationAborted, 0, driver::kNtStatusCancelled, driver::kUsbdStatusCanceled,
           "cancelled by its owner");
}

} // namespace tavix::emu
