#pragma once
// The transport of one camera: the only object that talks to the camera's
// driver. The camera core uses its own operations (stream, bulk transfers,
// frame reads) and the further operations below; sensor drivers see it only
// as CControllerBase. Every operation yields 1 for success and 0 for failure
// (a few a count, said where they do) and leaves its outputs untouched on
// failure.
//
// Threads: control requests run on their own short-lived handles and may
// overlap. Bulk transfers on the stream handle come from one thread at a
// time; AbortStream may come from any thread to end a pending read. Only the
// FPGA register accesses are serialised (ioLock), so that the register
// number written and the read that follows stay together.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/DeviceIo.h"
#include "transport/CControllerBase.h"
#include "transport/CFx3Api.h"
#include "transport/TransferRecord.h"
#include "transport/TransferRequest.h"

namespace tavix {

class CKelCy3Cam : public CFx3Api, public CControllerBase {
public:
    using DeviceHandle = platform::DeviceHandle;

    // The buffered transfers' staging buffer: the largest transfer and its header.
    static constexpr uint32_t kTransferBufferBytes = kMaxBulkTransferBytes + kTransferRecordSize;

    explicit CKelCy3Cam(const platform::Guid& interfaceGuid = kCameraInterfaceGuid);
    ~CKelCy3Cam() override;

    // --- Stream and bulk operations of the camera core ---------------------
    // 1 when the stream handle is open, else opens it (overlapped) on the
    // selected position.
    virtual int OpenStream();
    // Reads the 64-byte frame information block into the request; a stalled
    // frame is restarted (FPGA register 0x6C) up to 15 attempts in all.
    virtual int ReadFrameInfo(TransferRequest* request);
    // Reads the payload the information block announces into the request's
    // buffer, in pieces of 512 KiB.
    virtual int ReadFrameData(TransferRequest* request, uint32_t timeoutMs);
    // Reads expectedSize bytes from the auxiliary endpoint after a start request.
    virtual int ReadFrameDataAux(TransferRequest* request);
    // Asks the camera for a frame with an "AU3R" command and reads it in
    // pieces of 4 MiB; *size is the frame size in, the bytes read out. The
    // buffer must hold the size rounded up past the next 16 KiB.
    virtual int ReadFrameByCommand(TransferRequest* request, uint32_t* size, uint32_t timeoutMs);
    virtual int CloseStream();
    // Camera memory transfers move whole 4 KiB blocks: the length's 4 KiB
    // floor plus one block. Only length bytes of the caller's data are
    // read or written; a partial block is padded with zeros.
    virtual int WriteMemory(uint64_t address, const uint8_t* data, uint32_t length);
    virtual int ReadMemory(uint64_t address, uint8_t* data, uint32_t length);
    virtual int SendCommandByte(uint8_t value);
    virtual int ReadStatusByte(uint8_t* value);
    // A bulk transfer staged through the transfer buffer (at most 64 MiB).
    virtual int TransferBuffered(DeviceHandle* handle, uint8_t* destination, uint32_t length, uint8_t endpoint,
                                 uint32_t* count);
    // Start request 0xC2 on the handle, then a direct transfer of at most 5 s.
    virtual int ReadBulkAfterStart(DeviceHandle* handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                                   uint32_t* count);
    // A bulk transfer straight into (or out of) the caller's buffer. Refused
    // before PrepareTransfers. A transfer that does not finish in time is
    // aborted; *count receives the bytes moved (0 when none).
    virtual int TransferDirect(DeviceHandle* handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                               uint32_t* count, uint32_t timeoutMs);
    virtual int TransferDirectFixed(DeviceHandle* handle, uint8_t* data, uint32_t length, uint8_t endpoint,
                                    uint32_t* count);

    // --- CControllerBase ---------------------------------------------------
    int Close() override;
    int SelectDevice(int32_t position) override;
    int ReadFpgaWord(uint16_t* value) override;
    int ReadGpio25Flag(uint8_t* flag) override;
    int SendEndpointRequestCC() override;
    int I2cWrite(uint8_t address, const uint8_t* data, uint8_t count) override;
    int I2cRead(uint8_t address, uint8_t* data, uint8_t count) override;
    int WriteRegister32(uint16_t address, uint32_t value) override;
    int ReadRegister16(uint16_t address, uint32_t* value) override;
    int WriteSensorWord(uint16_t address, uint16_t value) override;
    int ReadSensorWord(uint16_t address, uint32_t* value) override;
    int WriteFpgaRegister(uint8_t reg, uint8_t value) override;
    int ReadFpgaRegister(uint8_t reg, uint8_t* value) override;
    int WriteAuxRegister(uint8_t reg, uint8_t value) override;
    int ReadAuxRegister(uint8_t reg, uint8_t* value) override;
    int WriteSromByte(uint16_t address, uint8_t value) override;
    int ReadSromByte(uint16_t address, uint8_t* value) override;
    // Aborts every pending transfer of pipe 0x81 on the stream handle; 1
    // always. A frame read in progress gives up rather than restart the
    // frame, until the stream is opened again.
    int AbortStream() override;

    // --- Further operations of the camera core -----------------------------
    int ReadInfoBlock(uint8_t* block);   // 64 bytes, request 0xB0
    int ReadInfoBlockB1(uint8_t* block); // 64 bytes, request 0xB1
    int SendRequestC0();
    // Request 0xC2 over the handle, or over the stream handle when it is
    // null; 0 when there is neither.
    int SendStartRequest(DeviceHandle* handle);
    int ResetPipe(uint8_t endpoint);
    int ResetPort();
    // 1 when the control handle opened, even if the driver refused the
    // query (the speed is then left as it was); 4 means SuperSpeed.
    int GetDeviceSpeed(uint32_t* speed);
    // Allocates the transfer buffer once and resets the port.
    int PrepareTransfers();
    bool IsPrepared() const { return transferBuffer_ != nullptr; }
    DeviceHandle* GetStreamHandle() const { return streamHandle_.get(); }

    // --- Device table ------------------------------------------------------
    // Runs an enumeration pass and writes the table to the shared mapping;
    // yields the count of entries in use.
    uint32_t EnumerateDevices();
    // 1 when the position is in the table and its path opens.
    int CanOpenDevice(int32_t position);
    // Model name of another model of the family ("<model>_%02d" with the
    // device number); 0 and no text for this product, whose names the
    // camera instance builds itself.
    int FormatDeviceName(int32_t position, char* name, size_t nameBytes);
    // Enumerates, then counts: with product identifier 0 every entry in
    // use (stale ones too), else the entries of that model that open.
    uint32_t CountCameras(uint16_t productId);
    // 1 when an entry of that model holds the device number and opens.
    int CheckDeviceNumber(int32_t deviceNumber, uint16_t productId);

private:
    struct VendorReply {
        uint32_t dataCount = 0;
        uint8_t data[kVendorDataSize] = {};
    };

    std::unique_ptr<DeviceHandle> OpenDeviceAt(int32_t position, bool overlapped) const;
    std::unique_ptr<DeviceHandle> OpenControlHandle() const { return OpenDeviceAt(GetSelectedPosition(), false); }
    // A control request (no record) on a fresh control handle: 1 when the
    // handle opened and *accepted tells what the driver said.
    int DriverControl(uint32_t code, void* in, uint32_t inBytes, void* out, uint32_t outBytes, bool* accepted);
    // One vendor request on a fresh control handle; 1 when the driver accepted it.
    int SendVendorRequest(uint8_t type, uint8_t code, uint16_t value, uint16_t index, const uint8_t* payload,
                          uint32_t payloadBytes, VendorReply* reply);
    static int SendVendorRequestOn(DeviceHandle& handle, uint8_t type, uint8_t code, uint16_t value,
                                   uint16_t index, const uint8_t* payload, uint32_t payloadBytes,
                                   VendorReply* reply);
    // I2cRead that also fails when the device sent fewer bytes than asked.
    int I2cReadWhole(uint8_t address, uint8_t* data, uint8_t count);
    int I2cReadCounted(uint8_t address, uint8_t* data, uint8_t count, bool* whole);
    // Opens the stream when it is closed; *opened tells whether this call did.
    int EnsureStream(bool* opened);
    void CloseStreamIf(bool opened);
    // Abort of pipe 0x81 on a handle, waited for without limit.
    static void AbortPipe(DeviceHandle& handle);
    // The same on the stream handle, for a transfer that missed its time-out.
    void AbortStreamPipe();
    // Ends a transfer that missed its time-out: abort, a short grace, and
    // when that is not enough a second abort and cancellation.
    void EndStalledTransfer(std::unique_ptr<platform::PendingIo>& pending, DeviceHandle* handle, bool onStream);
    int TransferMemory(bool write, uint64_t address, uint8_t* data, uint32_t length);

    std::unique_ptr<DeviceHandle> streamHandle_;
    std::unique_ptr<uint8_t[]> transferBuffer_;
    std::mutex ioLock_;
    std::mutex sromLock_; // keeps an EEPROM address write and its read or settle together
    // Guards the stream handle's opening and closing against an abort from
    // another thread; transfers themselves run without it.
    std::mutex streamLock_;
    // Set by AbortStream, cleared when the stream opens.
    std::atomic<bool> streamAborted_{false};
};

} // namespace tavix
