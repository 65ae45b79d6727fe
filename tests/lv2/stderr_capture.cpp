#include "tests/lv2/stderr_capture.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace corvex::testing
{

StderrCapture::StderrCapture()
{
    char path[] = "/tmp/corvex-stderr-XXXXXX";
    captureDescriptor_ = mkstemp(path);
    if (captureDescriptor_ < 0)
        throw std::runtime_error("cannot create a file for stderr");
    unlink(path);
    std::fflush(stderr);
    savedDescriptor_ = dup(STDERR_FILENO);
    dup2(captureDescriptor_, STDERR_FILENO);
}

StderrCapture::~StderrCapture()
{
    std::fflush(stderr);
    dup2(savedDescriptor_, STDERR_FILENO);
    close(savedDescriptor_);
    close(captureDescriptor_);
}

std::string StderrCapture::text() const
{
    std::fflush(stderr);
    std::string text;
    char buffer[4096];
    for (off_t offset = 0;;)
    {
        const ssize_t count = pread(captureDescriptor_, buffer, sizeof buffer, offset);
        if (count <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(count));
        offset += count;
    }
}

} // namespace corvex::testing
