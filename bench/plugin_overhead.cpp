// What the plug-ins add around the engine: the same stereo stream at 48 kHz in
// host blocks of 256 frames (or the given size), through the engine alone (in
// calls of 32 frames, as the plug-in makes them) and through the CLAP, VST3 and
// LV2 plug-ins in our test hosts, interleaved round by round in one process.
// Every one gets a silent side chain, as CLAP and VST3 hosts hand a plug-in
// buffers for every bus it declares, connected or not.
//
//   corvex_plugin_overhead [rounds] [host block frames]
//
// Prints each one's median ns per frame (one sample on both channels) and the
// median over the rounds of each plug-in's difference to the engine alone in
// the same round, which drifts of the machine's speed affect least.
#include "corvex_engine.h"
#include "tests/plugin_hosts/hosted_plugin.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr double kSampleRate = 48000.0;
constexpr int kChannels = 2;
constexpr int kRoundFrames = 48000;

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    return values[values.size() / 2];
}

struct Contender
{
    std::string label;
    std::function<void(std::vector<float*>& in, std::vector<float*>& out, int frames)> processBlock;
    std::vector<double> nsPerFrame;
};

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
    const int blockFrames = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 4096) : 256;
    using namespace corvex::plugin_hosts;

    std::vector<std::vector<float>> input(kChannels, std::vector<float>(kRoundFrames));
    std::vector<std::vector<float>> output(kChannels, std::vector<float>(kRoundFrames));
    std::vector<float> silence(static_cast<std::size_t>(blockFrames));
    std::vector<float*> sideChain(kChannels, silence.data());
    for (int c = 0; c < kChannels; ++c)
        for (int i = 0; i < kRoundFrames; ++i)
            input[c][i] = static_cast<float>(0.6 * std::sin(0.0131 * i + c) * std::sin(0.00021 * i));

    // The engine as the plug-in drives it, with the input gain that makes it compress.
    std::unique_ptr<CorvexEngine> engine(createCorvexEngine());
    engine->setSampleRate(static_cast<int>(kSampleRate));
    std::vector<Contender> contenders;
    contenders.push_back({"engine alone", [&](std::vector<float*>& in, std::vector<float*>& out, int frames) {
                              for (int call = 0; call < frames; call += kCorvexMaxBufferSize)
                              {
                                  const float* callIn[kChannels] = {in[0] + call, in[1] + call};
                                  const float* callSide[kChannels] = {sideChain[0] + call, sideChain[1] + call};
                                  float* callOut[kChannels] = {out[0] + call, out[1] + call};
                                  engine->process(callIn, callOut, callSide, kChannels,
                                                  std::min(kCorvexMaxBufferSize, frames - call));
                              }
                          },
                          {}});
    std::vector<std::unique_ptr<HostedPlugin>> plugins;
    const std::pair<const char*, std::function<std::unique_ptr<HostedPlugin>()>> formats[] = {
        {"CLAP", [&] { return loadClapPlugin(CORVEX_CLAP_STEREO, "org.corvex.stereo", kSampleRate, blockFrames); }},
        {"VST3", [&] { return loadVst3Plugin(CORVEX_VST3_STEREO, kSampleRate, blockFrames); }},
#if defined(CORVEX_LV2_STEREO)
        {"LV2", [&] { return loadLv2Plugin(CORVEX_LV2_STEREO, "urn:corvex:lv2:stereo", kSampleRate, blockFrames); }},
#endif
    };
    for (const auto& [name, load] : formats)
    {
        HostedPlugin& plugin = *plugins.emplace_back(load());
        contenders.push_back({std::string(name) + " plug-in", [&plugin, &sideChain](auto& in, auto& out, int frames) {
                                  plugin.process(in, sideChain, out, frames);
                              },
                              {}});
    }
    const float defaultInputGain = engine->getNormalizedValue(kParamInputGain);
    engine->setNormalizedValue(kParamInputGain, std::min(1.0f, defaultInputGain + 0.2f));
    for (auto& plugin : plugins)
        plugin->queueParameterChange(kParamInputGain, engine->getCurrentDisplayValue(kParamInputGain));

    std::vector<float*> in = {input[0].data(), input[1].data()}, out = {output[0].data(), output[1].data()};
    for (int round = 0; round < rounds; ++round)
        for (std::size_t k = 0; k < contenders.size(); ++k)
        {
            Contender& contender = contenders[(k + static_cast<std::size_t>(round)) % contenders.size()];
            const auto start = std::chrono::steady_clock::now();
            for (int done = 0; done < kRoundFrames; done += blockFrames)
            {
                const int frames = std::min(blockFrames, kRoundFrames - done);
                std::vector<float*> blockIn = {in[0] + done, in[1] + done}, blockOut = {out[0] + done, out[1] + done};
                contender.processBlock(blockIn, blockOut, frames);
            }
            const auto stop = std::chrono::steady_clock::now();
            contender.nsPerFrame.push_back(std::chrono::duration<double>(stop - start).count() * 1e9 / kRoundFrames);
        }

    const std::vector<double>& alone = contenders.front().nsPerFrame;
    std::printf("stereo, 48 kHz, host blocks of %d frames, median of %d rounds\n", blockFrames, rounds);
    for (const Contender& contender : contenders)
    {
        std::vector<double> differences;
        for (int round = 0; round < rounds; ++round)
            differences.push_back(contender.nsPerFrame[round] - alone[round]);
        std::printf("%-14s %7.2f ns/frame  %+6.2f ns/frame against the engine alone\n", contender.label.c_str(),
                    median(contender.nsPerFrame), median(differences));
    }
    return 0;
}
