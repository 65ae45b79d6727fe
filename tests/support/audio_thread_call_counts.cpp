// The C library's allocation and lock functions, defined by the test executable
// so that every shared object's calls reach them first, and counted.
#include "tests/support/audio_thread_call_counts.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cerrno>
#include <cstddef>

using corvex::testing::CallCounts;
using corvex::testing::countCall;

namespace
{

// The C library's own function of that name.
template <typename Function>
Function real(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

// clang-format off
void* malloc(std::size_t size) { countCall(&CallCounts::allocations); return __libc_malloc(size); }
void* calloc(std::size_t n, std::size_t size) { countCall(&CallCounts::allocations); return __libc_calloc(n, size); }
void* realloc(void* p, std::size_t size) { countCall(&CallCounts::allocations); return __libc_realloc(p, size); }
void* aligned_alloc(std::size_t alignment, std::size_t size) { countCall(&CallCounts::allocations); return __libc_memalign(alignment, size); }
int posix_memalign(void** p, std::size_t alignment, std::size_t size)
{
    countCall(&CallCounts::allocations);
    *p = __libc_memalign(alignment, size);
    return *p != nullptr ? 0 : ENOMEM;
}
void free(void* p) { if (p != nullptr) countCall(&CallCounts::deallocations); __libc_free(p); }
int pthread_mutex_lock(pthread_mutex_t* mutex)
{
    static const auto lock = real<int (*)(pthread_mutex_t*)>("pthread_mutex_lock");
    countCall(&CallCounts::locks);
    return lock(mutex);
}
int pthread_mutex_trylock(pthread_mutex_t* mutex)
{
    static const auto tryLock = real<int (*)(pthread_mutex_t*)>("pthread_mutex_trylock");
    countCall(&CallCounts::locks);
    return tryLock(mutex);
}
// clang-format on
}
