#pragma once

#include "model/parameter_snapshot.h"

#include <cstdint>
#include <cstring>
#include <mutex>

namespace corvex
{

// The hand-over of parameter snapshots from the control side to the audio
// side: three buffers and one lock. The control side edits the edit buffer
// under the lock and publishes it: the published and edit buffers swap, and
// the new state is copied back into the edit buffer, so both hold it again.
// The audio side copies the published buffer into its working copy once per
// block, under the lock, unless nothing was published since its last copy.
class SnapshotExchange
{
public:
    // Throws std::bad_alloc.
    SnapshotExchange();
    ~SnapshotExchange();
    SnapshotExchange(const SnapshotExchange&) = delete;
    SnapshotExchange& operator=(const SnapshotExchange&) = delete;

    // Control side: edit(editBuffer) under the lock, then the publication.
    template <typename Edit>
    void publish(Edit&& edit)
    {
        std::lock_guard lock(mutex_);
        edit(*edit_);
        swapAndCopyBack();
    }

    // Audio side, once per block: the working copy, up to date with the
    // published buffer. The lock is taken spinning briefly before it blocks.
    // (Inline: it runs on the audio thread every block.)
    const ParameterSnapshot& refreshWorking()
    {
        lockForAudio();
        // Only the audio side writes the working copy, so it still holds the
        // published bytes when nothing was published since its last copy.
        if (workingCount_ != publishCount_)
        {
            std::memcpy(static_cast<void*>(working_), published_, sizeof(ParameterSnapshot));
            workingCount_ = publishCount_;
        }
        mutex_.unlock();
        return *working_;
    }

    // The published buffer copied as the audio side copies it.
    void copyPublished(ParameterSnapshot& destination);
    // Whether the published and edit buffers hold identical bytes (under the lock).
    bool buffersAgree();

private:
    void swapAndCopyBack();
    void lockForAudio()
    {
        if (!mutex_.try_lock())
            spinThenLock();
    }
    // The remaining attempts, with a pause between them, then a blocking lock.
    void spinThenLock();

    ParameterSnapshot* first_ = nullptr;
    ParameterSnapshot* second_ = nullptr;
    ParameterSnapshot* working_ = nullptr;
    ParameterSnapshot* published_ = nullptr;
    ParameterSnapshot* edit_ = nullptr;
    std::mutex mutex_;
    // Publications so far, and the one the working copy holds; both guarded
    // by mutex_. An unchanged count spares the audio side the copy.
    std::uint64_t publishCount_ = 1;
    std::uint64_t workingCount_ = 0;
};

} // namespace corvex
