#pragma once
// The Farn head: a worker thread of the driver's own sends queued 16-bit
// command words to the head (register in the high byte, value in the low)
// off the caller's thread; a cooler with its temperature, an auxiliary
// output, and exposure time limits that follow the head's line timing.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/Event.h"
#include "sensors/CImxSensor.h"

namespace tavix {

class CSensorFarn final : public CImxSensor {
public:
    static constexpr uint32_t kStopTimeoutMs = 3000;
    // Commands waiting beyond this are refused rather than kept.
    static constexpr size_t kQueueLimit = 256;

    CSensorFarn(CControllerBase* transport, uint8_t busAddress);
    ~CSensorFarn() override;

    // Index 0 queues the low 16 bits of the value for the worker; refused
    // while the worker does not run or the queue is full.
    int SetParameter(uint32_t index, uint32_t* value) override;
    // (lineLength / 16 + 26) * 10 / sensorClock per line, times the line
    // range's end, at least 1.
    int GetExposureTimeMin(uint32_t* value) override;
    int GetExposureTimeMax(uint32_t* value) override;
    int IsCoolingAvailable() override { return 1; }
    int GetCoolingState(uint32_t* on) override;
    int SetCoolingState(uint32_t on) override;
    // The cooled heads' temperature status, decoded as theirs.
    int IsTemperatureAvailable() override { return 1; }
    int ReadTemperature(double* celsius) override;
    int IsAuxOutputAvailable() override { return 1; }
    int GetAuxOutput(uint32_t* value) override;
    int SetAuxOutput(uint32_t value) override;
    // Start and stop clear the queue; stop waits up to 3000 ms for the
    // worker to finish the command in hand.
    void StartWorker() override;
    void StopWorker(int abort) override;
    int IsWorkerRunning() override;

    size_t QueuedCommands();

private:
    void Work();
    uint32_t LinesToTime(int32_t lines) const;
    int ReadFpga(uint8_t reg, uint32_t* value);
    int WriteFpga(uint8_t reg, uint32_t value);

    std::mutex workerLock_; // start and stop, one at a time
    std::thread worker_;
    std::mutex queueLock_;
    std::condition_variable queueChanged_;
    std::deque<uint16_t> queue_;
    bool stopping_ = false;
    bool running_ = false;
    platform::Event finished_{platform::Event::Reset::kManual};
};

} // namespace tavix
