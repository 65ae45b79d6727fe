#pragma once

#include <cstring>
#include <new>

namespace corvex
{

// A record in raw, zero-filled, 16-byte aligned storage; throws std::bad_alloc.
// The signal-path state and the snapshots are plain records that their reset
// or rebuild fills in; zero-filled storage makes their padding deterministic,
// so that buffers can be compared byte for byte.
template <typename Record>
Record* allocateRecord()
{
    static_assert(alignof(Record) <= 16);
    void* memory = ::operator new(sizeof(Record), std::align_val_t{16});
    std::memset(memory, 0, sizeof(Record));
    return ::new (memory) Record;
}

// Releases what allocateRecord() gave; nothing for a null pointer.
template <typename Record>
void releaseRecord(Record* record)
{
    if (record == nullptr)
        return;
    record->~Record();
    ::operator delete(record, std::align_val_t{16});
}

} // namespace corvex
