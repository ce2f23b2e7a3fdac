#include "sensors/CSensorFarn.h"

#include <algorithm>
#include <system_error>

#include "sensors/CatalogueRegisters.h"
#include "sensors/CooledImxSensors.h"
#include "transport/CControllerBase.h"

namespace tavix {

namespace {
constexpr int32_t kMaxExposureLines = 0xFFFFFF;
constexpr double kLineClocksScale = 0.0625;
constexpr double kLineOverheadClocks = 26.0;
constexpr double k100usPerMs = 10.0;
} // namespace

CSensorFarn::CSensorFarn(CControllerBase* transport, uint8_t busAddress)
    : CImxSensor(transport, busAddress, SensorModel::kFarn)
{
    info_.exposureLines = SensorRange{1, kMaxExposureLines, 1, 1, 1};
}

CSensorFarn::~CSensorFarn() { StopWorker(1); }

uint32_t CSensorFarn::LinesToTime(int32_t lines) const
{
    if (info_.sensorClock == 0) {
        return 1;
    }
    const double perLine =
        (info_.lineLength * kLineClocksScale + kLineOverheadClocks) * k100usPerMs / info_.sensorClock;
    return std::max<uint32_t>(1, static_cast<uint32_t>(perLine * lines));
}

int CSensorFarn::GetExposureTimeMin(uint32_t* value) { return Deliver(value, LinesToTime(info_.exposureLines.minimum)); }
int CSensorFarn::GetExposureTimeMax(uint32_t* value) { return Deliver(value, LinesToTime(info_.exposureLines.maximum)); }

int CSensorFarn::ReadFpga(uint8_t reg, uint32_t* value)
{
    uint8_t byte = 0;
    if (transport_ == nullptr || value == nullptr || transport_->ReadFpgaRegister(reg, &byte) == 0) {
        return 0;
    }
    *value = byte;
    return 1;
}

int CSensorFarn::WriteFpga(uint8_t reg, uint32_t value)
{
    return transport_ != nullptr && value <= 0xFF && transport_->WriteFpgaRegister(reg, static_cast<uint8_t>(value)) != 0
               ? 1
               : 0;
}

int CSensorFarn::GetCoolingState(uint32_t* on)
{
    uint32_t value = 0;
    if (on == nullptr || ReadFpga(catalogue::kFpgaCooling, &value) == 0) {
        return 0;
    }
    *on = value & 1u;
    return 1;
}

int CSensorFarn::SetCoolingState(uint32_t on) { return WriteFpga(catalogue::kFpgaCooling, on != 0 ? 1 : 0); }
int CSensorFarn::ReadTemperature(double* celsius) { return ReadCooledHeadTemperature(transport_, celsius); }
int CSensorFarn::GetAuxOutput(uint32_t* value) { return ReadFpga(catalogue::kFpgaAuxOutput, value); }
int CSensorFarn::SetAuxOutput(uint32_t value) { return WriteFpga(catalogue::kFpgaAuxOutput, value); }

int CSensorFarn::SetParameter(uint32_t index, uint32_t* value)
{
    if (index != 0 || value == nullptr) {
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        if (!running_ || stopping_ || queue_.size() >= kQueueLimit) {
            return 0;
        }
        queue_.push_back(static_cast<uint16_t>(*value));
    }
    queueChanged_.notify_one();
    return 1;
}

size_t CSensorFarn::QueuedCommands()
{
    std::lock_guard<std::mutex> lock(queueLock_);
    return queue_.size();
}

void CSensorFarn::StartWorker()
{
    std::lock_guard<std::mutex> guard(workerLock_);
    if (worker_.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        queue_.clear();
        stopping_ = false;
        running_ = true;
    }
    finished_.Reset();
    try {
        worker_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(queueLock_);
        running_ = false; // no thread to be had: the driver runs without its worker
    }
}

void CSensorFarn::StopWorker(int /*abort*/)
{
    std::lock_guard<std::mutex> guard(workerLock_);
    if (!worker_.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(queueLock_);
        stopping_ = true;
        queue_.clear();
    }
    queueChanged_.notify_all();
    // The worker ends after the command in hand, which the transport's own
    // time-outs bound; it is joined whatever the wait gave, because it
    // works on this driver.
    finished_.Wait(kStopTimeoutMs);
    worker_.join();
}

int CSensorFarn::IsWorkerRunning()
{
    std::lock_guard<std::mutex> lock(queueLock_);
    return running_ ? 1 : 0;
}

void CSensorFarn::Work()
{
    std::unique_lock<std::mutex> lock(queueLock_);
    for (;;) {
        queueChanged_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) {
            break;
        }
        const uint16_t command = queue_.front();
        queue_.pop_front();
        lock.unlock();
        WriteRegisterWhenIdle(command >> 8, command & 0xFF);
        lock.lock();
    }
    running_ = false;
    lock.unlock();
    finished_.Set();
}

} // namespace tavix
