#include "model/snapshot_exchange.h"

#include "model/aligned_record.h"

#include <cstring>
#include <utility>

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
#  include <immintrin.h>
#endif

namespace corvex
{

namespace
{

// Attempts of the audio side to take the lock without blocking. The control
// side holds it only while it recomputes a few derived values (microseconds),
// so a short spin nearly always wins it without a trip into the kernel.
constexpr int kAudioLockSpins = 4096;

void pauseProcessor()
{
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
    _mm_pause();
#endif
}

} // namespace

SnapshotExchange::SnapshotExchange()
{
    try
    {
        first_ = allocateRecord<ParameterSnapshot>();
        second_ = allocateRecord<ParameterSnapshot>();
        working_ = allocateRecord<ParameterSnapshot>();
    }
    catch (...)
    {
        releaseRecord(working_);
        releaseRecord(second_);
        releaseRecord(first_);
        throw;
    }
    published_ = first_;
    edit_ = second_;
}

SnapshotExchange::~SnapshotExchange()
{
    std::lock_guard lock(mutex_);
    releaseRecord(first_);
    releaseRecord(second_);
    releaseRecord(working_);
}

// Runs with mutex_ held.
void SnapshotExchange::swapAndCopyBack()
{
    std::swap(published_, edit_);
    std::memcpy(static_cast<void*>(edit_), published_, sizeof(ParameterSnapshot));
    ++publishCount_;
}

void SnapshotExchange::spinThenLock()
{
    for (int attempt = 1; attempt < kAudioLockSpins; ++attempt)
    {
        pauseProcessor();
        if (mutex_.try_lock())
            return;
    }
    pauseProcessor();
    mutex_.lock();
}

void SnapshotExchange::copyPublished(ParameterSnapshot& destination)
{
    lockForAudio();
    std::memcpy(static_cast<void*>(&destination), published_, sizeof(ParameterSnapshot));
    mutex_.unlock();
}

bool SnapshotExchange::buffersAgree()
{
    std::lock_guard lock(mutex_);
    return std::memcmp(published_, edit_, sizeof(ParameterSnapshot)) == 0;
}

} // namespace corvex
