#include "tools/corvex/meter_csv_recorder.h"

#include "libraries/host/decibels.h"
#include "tools/corvex/number_format.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace corvex::tool
{

namespace
{

constexpr int kWindowsPerSecond = 100;

bool isGainReduction(int meter)
{
    return meter == kMeterGainReduction0 || meter == kMeterGainReduction1;
}

// Meters of channel 1 are left out of mono rows.
bool isShown(int meter, int channels)
{
    return channels == 2 || meter == kMeterGainReduction0 || meter == kMeterInput0 || meter == kMeterOutput0;
}

} // namespace

MeterCsvRecorder::MeterCsvRecorder(TextFileWriter& csv, int sampleRate, int channels)
    : csv_(csv), sampleRate_(sampleRate), channels_(channels)
{
    const char* columns[kNumMeters] = {"gain_reduction_0_db", "gain_reduction_1_db", "input_0_dbfs",
                                       "input_1_dbfs",        "output_0_dbfs",       "output_1_dbfs"};
    std::string header = "time_s";
    for (int meter = 0; meter < kNumMeters; ++meter)
    {
        if (isShown(meter, channels_))
            header += std::string(",") + columns[meter];
    }
    csv_.writeLine(header);
    resetWindow();
}

void MeterCsvRecorder::resetWindow()
{
    for (int meter = 0; meter < kNumMeters; ++meter)
        window_[meter] = isGainReduction(meter) ? 1.0f : 0.0f;
}

void MeterCsvRecorder::addBlock(const float* meters, int frames)
{
    for (int meter = 0; meter < kNumMeters; ++meter)
        window_[meter] = isGainReduction(meter) ? std::min(window_[meter], meters[meter])
                                                : std::max(window_[meter], meters[meter]);
    windowHasBlocks_ = true;
    position_ += frames;
    // Window k ends at the sample k·rate/100, so rates that are not multiples of 100 keep exact time.
    while (position_ * kWindowsPerSecond >= windowIndex_ * sampleRate_)
    {
        writeRow(windowIndex_++);
        windowHasBlocks_ = false;
    }
}

void MeterCsvRecorder::writeRow(std::int64_t windowIndex)
{
    if (windowHasBlocks_)
    {
        std::copy(std::begin(window_), std::end(window_), std::begin(lastRow_));
        resetWindow();
    }
    std::string row = formatFixed(static_cast<double>(windowIndex) / kWindowsPerSecond, 2);
    for (int meter = 0; meter < kNumMeters; ++meter)
    {
        if (isShown(meter, channels_))
            row += "," + formatFixed(host::levelDb(lastRow_[meter]), 2);
    }
    csv_.writeLine(row);
}

} // namespace corvex::tool
