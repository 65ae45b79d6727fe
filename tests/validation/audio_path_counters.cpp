#include "tests/validation/audio_path_counters.h"

#include <pthread.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace corvex::validation
{
namespace
{

// Plain thread-local data, initialised at compile time: reading it can never
// allocate, which matters inside malloc.
constinit thread_local bool counting = false;
constinit thread_local AudioPathCounts counted{};

void countAllocation()
{
    if (counting)
        ++counted.allocations;
}

void countDeallocation(const void* memory)
{
    if (counting && memory != nullptr)
        ++counted.deallocations;
}

void countLock()
{
    if (counting)
        ++counted.locks;
}

} // namespace

CountingScope::CountingScope()
{
    counted = AudioPathCounts{};
    counting = true;
}

CountingScope::~CountingScope()
{
    counting = false;
}

AudioPathCounts CountingScope::counts() const
{
    return counted;
}

} // namespace corvex::validation

using corvex::validation::countAllocation;
using corvex::validation::countDeallocation;
using corvex::validation::countLock;

// The linker's --wrap=NAME sends every call to NAME from the statically linked
// objects to __wrap_NAME, and __real_NAME to the original.
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* memory, std::size_t size);
void* __real_aligned_alloc(std::size_t alignment, std::size_t size);
int __real_posix_memalign(void** memory, std::size_t alignment, std::size_t size);
void __real_free(void* memory);
int __real_pthread_mutex_lock(pthread_mutex_t* mutex);
int __real_pthread_mutex_trylock(pthread_mutex_t* mutex);

void* __wrap_malloc(std::size_t size)
{
    countAllocation();
    return __real_malloc(size);
}

void* __wrap_calloc(std::size_t count, std::size_t size)
{
    countAllocation();
    return __real_calloc(count, size);
}

void* __wrap_realloc(void* memory, std::size_t size)
{
    countAllocation();
    countDeallocation(memory);
    return __real_realloc(memory, size);
}

void* __wrap_aligned_alloc(std::size_t alignment, std::size_t size)
{
    countAllocation();
    return __real_aligned_alloc(alignment, size);
}

int __wrap_posix_memalign(void** memory, std::size_t alignment, std::size_t size)
{
    countAllocation();
    return __real_posix_memalign(memory, alignment, size);
}

void __wrap_free(void* memory)
{
    countDeallocation(memory);
    __real_free(memory);
}

int __wrap_pthread_mutex_lock(pthread_mutex_t* mutex)
{
    countLock();
    return __real_pthread_mutex_lock(mutex);
}

int __wrap_pthread_mutex_trylock(pthread_mutex_t* mutex)
{
    countLock();
    return __real_pthread_mutex_trylock(mutex);
}
}

// Global operator new and delete, replaced for the whole executable, so that
// allocations through the standard library's own code are counted as well.
namespace
{

void* allocate(std::size_t size, std::align_val_t alignment, bool throwing)
{
    countAllocation();
    std::size_t bytes = size == 0 ? 1 : size;
    void* memory = nullptr;
    const auto align = static_cast<std::size_t>(alignment);
    if (align <= alignof(std::max_align_t))
        memory = __real_malloc(bytes);
    else if (__real_posix_memalign(&memory, align, bytes) != 0)
        memory = nullptr;
    if (memory == nullptr && throwing)
        throw std::bad_alloc();
    return memory;
}

void release(void* memory) noexcept
{
    countDeallocation(memory);
    __real_free(memory);
}

constexpr auto kDefaultAlignment = static_cast<std::align_val_t>(alignof(std::max_align_t));

} // namespace

void* operator new(std::size_t size)
{
    return allocate(size, kDefaultAlignment, true);
}
void* operator new[](std::size_t size)
{
    return allocate(size, kDefaultAlignment, true);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size, kDefaultAlignment, false);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size, kDefaultAlignment, false);
}
void* operator new(std::size_t size, std::align_val_t alignment)
{
    return allocate(size, alignment, true);
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return allocate(size, alignment, true);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocate(size, alignment, false);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocate(size, alignment, false);
}

void operator delete(void* memory) noexcept
{
    release(memory);
}
void operator delete[](void* memory) noexcept
{
    release(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    release(memory);
}
void operator delete[](void* memory, std::size_t) noexcept
{
    release(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept
{
    release(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept
{
    release(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept
{
    release(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept
{
    release(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept
{
    release(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept
{
    release(memory);
}
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept
{
    release(memory);
}
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept
{
    release(memory);
}
