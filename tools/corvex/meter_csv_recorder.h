#pragma once

#include "tools/corvex/text_file_writer.h"

#include "engine/corvex_engine.h"

#include <cstdint>

namespace corvex::tool
{

// Writes the engine's meters as CSV rows every 10 ms of processed audio: the time
// at the end of each window, then per channel the gain reduction (dB of the
// smallest gain, 0 or below), the input peak and the output peak (dBFS), each
// taken over the blocks that ended in the window; levels below -120 dB read
// -120. A window in which no block ended repeats the last row.
class MeterCsvRecorder
{
public:
    MeterCsvRecorder(TextFileWriter& csv, int sampleRate, int channels);

    void addBlock(const float* meters, int frames);

private:
    void resetWindow();
    void writeRow(std::int64_t windowIndex);

    TextFileWriter& csv_;
    int sampleRate_;
    int channels_;
    std::int64_t position_ = 0;
    std::int64_t windowIndex_ = 1;
    bool windowHasBlocks_ = false;
    float window_[kNumMeters] = {};  // aggregate of the blocks in the current window
    float lastRow_[kNumMeters] = {}; // values of the row written last
};

} // namespace corvex::tool
