#include "emulator/RequestLog.h"

namespace tavix::emu {

uint64_t RequestLog::Add(LoggedRequest entry)
{
    std::lock_guard<std::mutex> lock(mutex_);
    entry.sequence = next_++;
    if (entry.refused)
        ++refused_;
    if (entries_.size() == kCapacity)
        entries_.pop_front();
    entries_.push_back(std::move(entry));
    return entries_.back().sequence;
}

void RequestLog::Complete(uint64_t sequence, uint32_t error, uint32_t bytesReturned, uint32_t ntStatus,
                          uint32_t usbdStatus, const std::string& problem)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (entries_.empty() || sequence < entries_.front().sequence)
        return;
    const uint64_t at = sequence - entries_.front().sequence;
    if (at >= entries_.size())
        return;
    LoggedRequest& entry = entries_[at];
    entry.completed = true;
    entry.error = error;
    entry.bytesReturned = bytesReturned;
    entry.ntStatus = ntStatus;
    entry.usbdStatus = usbdStatus;
    if (!problem.empty())
        entry.problem = problem;
}

std::vector<LoggedRequest> RequestLog::Entries() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return {entries_.begin(), entries_.end()};
}

void RequestLog::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

uint64_t RequestLog::TotalCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return next_;
}

uint64_t RequestLog::RefusedCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return refused_;
}

} // namespace tavix::emu
