#pragma once

#include "corvex_engine.h"

#include <cstdint>
#include <memory>

#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace corvex::host
{

// The engine sets flush-to-zero and denormals-are-zero on the thread that
// creates it or processes with it, on purpose, and leaves them set. A plug-in
// runs on the host's threads and the Python module on the caller's, whose mode
// is theirs: this keeps the mode on entry and gives it back on return (one
// register read, and a write only when the engine changed it).
class ScopedHostFloatingPointMode
{
public:
    ScopedHostFloatingPointMode() : hostMode_(read()) {}
    ~ScopedHostFloatingPointMode()
    {
        if (read() != hostMode_)
            write(hostMode_);
    }
    ScopedHostFloatingPointMode(const ScopedHostFloatingPointMode&) = delete;
    ScopedHostFloatingPointMode& operator=(const ScopedHostFloatingPointMode&) = delete;

private:
#if defined(__SSE__) || defined(_M_X64)
    static std::uint64_t read() { return _mm_getcsr(); }
    static void write(std::uint64_t mode) { _mm_setcsr(static_cast<unsigned int>(mode)); }
#elif defined(__aarch64__)
    static std::uint64_t read()
    {
        std::uint64_t fpcr;
        asm volatile("mrs %0, fpcr" : "=r"(fpcr));
        return fpcr;
    }
    static void write(std::uint64_t mode) { asm volatile("msr fpcr, %0" : : "r"(mode)); }
#else
    static std::uint64_t read() { return 0; }
    static void write(std::uint64_t) {}
#endif

    const std::uint64_t hostMode_;
};

// An engine made on a host's thread, which keeps its floating-point mode.
inline std::unique_ptr<CorvexEngine> createEngineOnHostThread()
{
    const ScopedHostFloatingPointMode hostMode;
    return std::unique_ptr<CorvexEngine>(createCorvexEngine());
}

} // namespace corvex::host
