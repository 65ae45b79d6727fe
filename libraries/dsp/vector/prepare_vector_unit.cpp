#include "libraries/dsp/vector/vector_primitives.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#if defined(__SSE__) || defined(_M_X64)
#  include <immintrin.h>
#  define CORVEX_HAVE_SSE 1
#endif

namespace vec
{

namespace
{

constexpr std::uint32_t kFlushToZero = 0x8000;
constexpr std::uint32_t kUnderflowMask = 0x0800;
constexpr std::uint32_t kDenormalsAreZero = 0x0040;

// One portable variant today; the index selects a row of per-operation tables
// once processor-specific variants exist.
std::atomic<int> selectedVariant{0};
std::atomic<bool> libraryPrepared{false};
std::atomic<bool> denormalsAreZeroSupported{false};

#if defined(CORVEX_HAVE_SSE)
// The processor reports which MXCSR bits it supports through FXSAVE; a zero
// mask means the default 0xFFBF, which lacks denormals-are-zero.
__attribute__((target("fxsr"))) bool supportsDenormalsAreZero()
{
    alignas(16) unsigned char area[512];
    std::memset(area, 0, sizeof area);
    _fxsave(area);
    std::uint32_t mask;
    std::memcpy(&mask, area + 28, sizeof mask);
    if (mask == 0)
        mask = 0xFFBF;
    return (mask & kDenormalsAreZero) != 0;
}
#endif

} // namespace

void prepareVectorUnit()
{
    if (!libraryPrepared.load(std::memory_order_relaxed))
    {
        selectedVariant.store(0, std::memory_order_relaxed);
#if defined(CORVEX_HAVE_SSE)
        denormalsAreZeroSupported.store(supportsDenormalsAreZero(), std::memory_order_relaxed);
#endif
        libraryPrepared.store(true, std::memory_order_relaxed);
    }
#if defined(CORVEX_HAVE_SSE)
    const std::uint32_t csr = _mm_getcsr();
    std::uint32_t prepared = csr | kFlushToZero | kUnderflowMask;
    if (denormalsAreZeroSupported.load(std::memory_order_relaxed))
        prepared |= kDenormalsAreZero;
    // Writing MXCSR costs far more than reading it; a thread prepared by the
    // previous call keeps its bits.
    if (prepared != csr)
        _mm_setcsr(prepared);
#elif defined(__aarch64__)
    // FPCR.FZ flushes denormal inputs and results to zero, as flush-to-zero
    // with denormals-are-zero do on x86-64, so that both give the same output.
    std::uint64_t fpcr;
    asm volatile("mrs %0, fpcr" : "=r"(fpcr));
    const std::uint64_t prepared = fpcr | std::uint64_t{1} << 24;
    if (prepared != fpcr)
        asm volatile("msr fpcr, %0" : : "r"(prepared));
#endif
}

} // namespace vec
