// Replaces the C allocator for the whole process, as the C library allows, so
// that allocations made inside the plug-in and the engine are counted too. Every
// call forwards to the C library's own allocator.
#include "tests/lv2/allocation_counter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

extern "C"
{
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}

namespace
{

std::atomic<std::size_t> allocations{0};

void countAllocation()
{
    allocations.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

namespace corvex::testing
{

std::size_t allocationCount()
{
    return allocations.load(std::memory_order_relaxed);
}

} // namespace corvex::testing

extern "C"
{

void* malloc(std::size_t size) noexcept
{
    countAllocation();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    countAllocation();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) noexcept
{
    countAllocation();
    return __libc_realloc(pointer, size);
}

void free(void* pointer) noexcept
{
    __libc_free(pointer);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept
{
    countAllocation();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept
{
    countAllocation();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size) noexcept
{
    countAllocation();
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void* const pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr)
        return ENOMEM;
    *result = pointer;
    return 0;
}

} // extern "C"
