#pragma once

#include <string>

namespace corvex::testing
{

// Sends everything written to the standard error stream (file descriptor 2)
// into a temporary file while it lives; text() returns what was written so far.
// The engine's reports reach stderr when no window can be shown, so an empty
// text proves that no report was made.
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string text() const;

private:
    int savedDescriptor_;
    int captureDescriptor_;
};

} // namespace corvex::testing
