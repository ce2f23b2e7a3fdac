// The capture path: a thread per camera object pulls frames from the
// transport into a ring of frame slots and signals the frame event after
// each (the consumer's side is in FrameRing.cpp).

#include <cstring>

#include "camera/CTavixU3Q5Base.h"
#include "camera/FpgaRegisters.h"
#include "camera/FrameRateMeter.h"
#include "platform/Clock.h"
#include "transport/CKelCy3Cam.h"

namespace tavix {

namespace {
constexpr uint32_t kAcquireContinuous = 0;
constexpr uint32_t kAcquireOneFrame = 1;
constexpr uint32_t kAcquireCountedFrame = 2;
constexpr uint32_t kAcquireInfoOnly = 3;

// Consecutive transfer errors after which the thread gives up.
constexpr int kErrorLimit = 5;
// CaptureOneFrame gives up after this many failures or this long.
constexpr int kOneFrameErrorLimit = 10;
constexpr uint32_t kOneFrameGiveUpMs = 10000;
constexpr uint32_t kOneFrameReadTimeoutMs = 3000;

constexpr uint32_t kStopWaitMs = 3000;
constexpr uint32_t kAbortGraceMs = 100;
constexpr uint32_t kAbortRepeatMs = 200;
constexpr uint32_t kFrameRateWindowMs = 1000;

// The frame information block words kept per slot.
constexpr size_t kFrameWordOffsets[4] = {28, 32, 40, 44};

constexpr uint32_t kCameraModeCounted = 1;

uint32_t RoundUp(uint64_t value, uint64_t multiple)
{
    return static_cast<uint32_t>((value + multiple - 1) / multiple * multiple);
}
} // namespace

// --- buffers ---------------------------------------------------------------

int CTavixU3Q5Base::AllocateFrameBuffers()
{
    FreeFrameBuffers();
    if (!sensor_)
        return 0;
    const uint64_t bytesPerPixel = bitMode_ == 1 || bitMode_ == 2 ? 2 : 1;
    uint64_t width = sensor_->Info().windowWidth;
    const uint64_t height = sensor_->Info().windowHeight;
    if (sensor_->ModelSpecificB() == 2)
        width *= 2;
    // Room for a frame with a margin of 128 rows and columns, in 8 KiB units.
    const uint32_t size = RoundUp((height + 128) * (width + 128) * bytesPerPixel, 8192);
    receiveBuffer_.reset(new (std::nothrow) uint8_t[size]);
    bool allocated = receiveBuffer_ != nullptr;
    for (int i = 0; i < ringSize_ && allocated; ++i) {
        FrameSlot& slot = slots_[static_cast<size_t>(i)];
        std::lock_guard lock(slot.lock);
        slot.data.reset(new (std::nothrow) uint8_t[size]);
        allocated = slot.data != nullptr;
    }
    if (!allocated) {
        // Half a ring is no ring: nothing may capture into it.
        FreeFrameBuffers();
        needsConfigure_ = 1;
        return 0;
    }
    receiveBufferSize_ = size;
    frameSize_ = static_cast<uint32_t>(height * width * bytesPerPixel);
    // The slots keep the geometry they were made for; a window or depth
    // changed since does not apply to them until they are made again.
    slotLayout_ = FrameLayout{static_cast<size_t>(width * bytesPerPixel), static_cast<size_t>(height),
                              static_cast<size_t>(bytesPerPixel)};
    return 1;
}

void CTavixU3Q5Base::FreeFrameBuffers()
{
    receiveBuffer_.reset();
    receiveBufferSize_ = 0;
    for (FrameSlot& slot : slots_) {
        std::lock_guard lock(slot.lock);
        slot.data.reset();
        slot.frameNumber = 0xFFFFFFFFu;
        slot.words = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    }
    frameSize_ = 0;
    slotLayout_ = FrameLayout{0, 0, 1};
}

// --- events ----------------------------------------------------------------

void CTavixU3Q5Base::EnsureFrameEvent()
{
    std::lock_guard lock(eventLock_);
    if (!frameEvent_)
        frameEvent_ = std::make_shared<platform::Event>(platform::Event::Reset::kAuto);
}

std::shared_ptr<platform::Event> CTavixU3Q5Base::CurrentFrameEvent()
{
    std::lock_guard lock(eventLock_);
    return frameEvent_;
}

void CTavixU3Q5Base::SignalFrameEvent()
{
    std::lock_guard lock(eventLock_);
    if (frameEvent_)
        frameEvent_->Set();
}

// --- start and stop ----------------------------------------------------------

int CTavixU3Q5Base::SetAcquisitionMode(uint32_t mode)
{
    if (!transport_)
        return 0;
    if (mode != acquisitionMode_) {
        StopTransfer(0);
        EnsureFrameEvent();
        if (mode == kAcquireCountedFrame)
            readIndex_ = writeIndex_.load();
    }
    acquisitionMode_ = mode;
    return 1;
}

int CTavixU3Q5Base::StartTransfer(uint32_t mode)
{
    if (running_ && threadEndEvent_) {
        platform::TimerResolutionScope resolution;
        if (!threadEndEvent_->Wait(5))
            StopTransfer(1);
    }
    EnsureFrameEvent();
    if (!SetAcquisitionMode(mode))
        return 0;
    if (needsConfigure_ && !ApplyCaptureFormat(mode))
        return 0;
    if (thread_.joinable())
        thread_.join(); // a thread that ended on its own (one frame, error limit)
    threadEndEvent_ = std::make_unique<platform::Event>(platform::Event::Reset::kManual);
    captureFailed_ = false; // a failure of the previous run is no news to this one
    running_ = true;
    try {
        thread_ = std::thread([this] { CaptureThreadMain(); });
    } catch (...) {
        running_ = false;
        return 0;
    }
    if (sensor_ && !sensor_->IsWorkerRunning())
        sensor_->StartWorker();
    return 1;
}

void CTavixU3Q5Base::StopCaptureThread()
{
    if (running_ || thread_.joinable())
        StopTransfer(1);
}

int CTavixU3Q5Base::StopTransfer(int abort)
{
    if (sensor_)
        sensor_->StopWorker(abort);
    if (running_.exchange(false) && abort) {
        platform::Sleep(kAbortGraceMs);
        // An abort that falls between two reads finds nothing to end; the
        // next read would wait out its time-out. Abort until the thread is out.
        if (transport_)
            transport_->AbortStream();
        while (threadEndEvent_ && !threadEndEvent_->Wait(kAbortRepeatMs) && transport_)
            transport_->AbortStream();
    }
    if (thread_.joinable()) {
        // A read in flight ends at its time-out; one that would outlast the
        // wait is aborted, so that no thread outlives its camera object.
        if (threadEndEvent_ && !threadEndEvent_->Wait(kStopWaitMs) && transport_)
            transport_->AbortStream();
        thread_.join();
    }
    platform::Sleep(1);
    threadEndEvent_.reset();
    {
        std::lock_guard lock(eventLock_);
        if (frameEvent_)
            frameEvent_->Set();
        frameEvent_.reset();
    }
    ResetStream();
    platform::Sleep(5);
    acquisitionMode_ = 0;
    frameCount_ = 0;
    frameRate_ = 0.0f;
    return 1;
}

// --- the thread --------------------------------------------------------------

void CTavixU3Q5Base::CaptureThreadMain()
{
    platform::SetCurrentThreadTimeCritical();
    try {
        CaptureLoop();
    } catch (...) {
        captureFailed_ = true;
        running_ = false;
        SignalFrameEvent();
        if (threadEndEvent_)
            threadEndEvent_->Set();
    }
}

int CTavixU3Q5Base::RestartSensor()
{
    if (!sensor_)
        return 0;
    if (!sensor_->ResetEnabled())
        return 1;
    CControllerBase* controller = sensor_->Transport();
    if (controller == nullptr)
        return 0;
    platform::TimerResolutionScope resolution;
    controller->WriteFpgaRegister(fpga::kSensorRestart, 1);
    platform::Sleep(1);
    controller->WriteFpgaRegister(fpga::kSensorRestart, 0);
    platform::Sleep(1);
    return 1;
}

void CTavixU3Q5Base::Recover()
{
    transport_->ResetPipe(kEndpointFrameIn);
    RestartSensor();
    transport_->OpenStream();
}

void CTavixU3Q5Base::StoreFrame()
{
    const int32_t index = writeIndex_.load(std::memory_order_relaxed);
    FrameSlot& slot = slots_[static_cast<size_t>(index)];
    {
        std::lock_guard lock(slot.lock);
        // The slot takes the receive buffer's memory and gives its own for
        // the next frame: every buffer has the same size, and a frame is
        // never copied on its way into the ring.
        std::swap(slot.data, receiveBuffer_);
        request_.buffer = receiveBuffer_.get();
        slot.frameNumber = lastFrameNumber_.load(std::memory_order_relaxed);
        for (size_t i = 0; i < 4; ++i)
            slot.words[i] = FrameInfoWord(request_.frameInfo, kFrameWordOffsets[i]);
    }
    writeIndex_.store((index + 1) % ringSize_, std::memory_order_release);
    SignalFrameEvent();
}

bool CTavixU3Q5Base::RingReady() const
{
    if (!receiveBuffer_ || frameSize_ == 0)
        return false;
    for (int i = 0; i < ringSize_; ++i)
        if (!slots_[static_cast<size_t>(i)].data)
            return false;
    return true;
}

int CTavixU3Q5Base::CaptureLoop()
{
    if (!transport_ || !RingReady()) {
        running_ = false;
        if (threadEndEvent_)
            threadEndEvent_->Set();
        return 0;
    }
    request_ = TransferRequest{};
    request_.buffer = receiveBuffer_.get();
    request_.capacity = receiveBufferSize_;
    captureFailed_ = false;
    int errors = 0;
    bool failed = false;
    const bool streamOpen = transport_->OpenStream() != 0;
    while (streamOpen && running_) {
        const uint32_t timeout = transferTimeout_;
        const uint32_t mode = acquisitionMode_;
        if (cameraMode_ == static_cast<int32_t>(kCameraModeCounted)) {
            // Triggered frames: only read once the FPGA has counted one. Its
            // counter is 8 bits wide, so it is compared with the counter's
            // last value, not with the frame numbers of the frames. A counter
            // that cannot be read counts as a failed frame.
            uint8_t counter = 0;
            if (!transport_->ReadFpgaRegister(fpga::kFrameCounter, &counter)) {
                if (++errors >= kErrorLimit) {
                    failed = true;
                    break;
                }
                platform::Sleep(1);
                continue;
            }
            if (counter == lastCounter_) {
                platform::Sleep(1);
                continue;
            }
            lastCounter_ = counter;
        }
        if (transport_->ReadFrameInfo(&request_)) {
            if (mode == kAcquireInfoOnly) {
                lastFrameNumber_ = request_.frameNumber;
                break;
            }
            if (mode != kAcquireCountedFrame)
                lastFrameNumber_ = request_.frameNumber;
            const uint32_t started = platform::TickCount();
            if (transport_->ReadFrameData(&request_, timeout)) {
                errors = 0;
                captureFailed_ = false;
                const uint32_t elapsed = platform::TickCount() - started;
                if (elapsed > 0)
                    transferRate_ = static_cast<double>(frameSize_ / 1024) / 128.0 / (elapsed / 1000.0);
                if (auto rate = FrameRateMeter::Feed(0, kFrameRateWindowMs))
                    frameRate_ = *rate;
                StoreFrame();
                if (mode == kAcquireOneFrame)
                    break;
                if (mode == kAcquireCountedFrame) {
                    ++frameCount_;
                    break;
                }
                continue;
            }
        }
        // The information block or the data failed: close, count, recover.
        // A failure because the transfer is being stopped is no error.
        transport_->CloseStream();
        if (!running_)
            break;
        if (++errors >= kErrorLimit) {
            failed = true;
            break;
        }
        Recover(); // a stream that does not reopen fails the next read
    }
    // A stream that never opened ends the thread as failed too, so that a
    // waiting consumer learns of it at once.
    if (!streamOpen)
        failed = true;
    if (failed) {
        captureFailed_ = true;
        SignalFrameEvent();
    }
    transport_->CloseStream();
    running_ = false;
    if (threadEndEvent_)
        threadEndEvent_->Set();
    if (failed)
        SignalFrameEvent();
    return 1;
}

int CTavixU3Q5Base::CaptureOneFrame()
{
    if (!transport_)
        return 2;
    StopCaptureThread(); // the stream and the buffers are the thread's while it runs
    if (needsConfigure_)
        ApplyCaptureFormat(0);
    if (!RingReady())
        return 2;
    request_ = TransferRequest{};
    request_.buffer = receiveBuffer_.get();
    request_.capacity = receiveBufferSize_;
    captureFailed_ = false;
    if (transport_->OpenStream()) {
        const uint32_t start = platform::TickCount();
        int failures = 0;
        for (;;) {
            if (transport_->ReadFrameInfo(&request_) &&
                transport_->ReadFrameData(&request_, kOneFrameReadTimeoutMs)) {
                FrameSlot& slot = slots_[0];
                std::lock_guard lock(slot.lock);
                std::memcpy(slot.data.get(), receiveBuffer_.get(), frameSize_);
                slot.frameNumber = request_.frameNumber;
                break;
            }
            if (failures++ >= kOneFrameErrorLimit || platform::TickCount() - start >= kOneFrameGiveUpMs) {
                captureFailed_ = true;
                break;
            }
        }
    } else {
        captureFailed_ = true;
    }
    transport_->CloseStream();
    running_ = false;
    return 0;
}

} // namespace tavix
