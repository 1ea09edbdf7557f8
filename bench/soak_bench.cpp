// Soak: 10^8 samples through the stand-in host, whole-sample delays that
// keep changing, every output compared with the input it must repeat, and
// the memory the host and the process hold watched from start to end. Not a
// test (it runs for seconds); `make soak` runs it.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "host/simulation.h"

namespace {

constexpr int32_t channels = 2;
constexpr int32_t frameSize = 1000;
constexpr int64_t totalSamples = 100'000'000;
constexpr double maxDelay = 64.0;

// Resident set size in kB, from the kernel's account of this process.
int64_t residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stoll(line.substr(6));
        }
    }
    return -1;
}

double inputAt(int32_t channel, int64_t n) {
    return n < 0 ? 0.0 : static_cast<double>((n * 7919 + channel * 104729) % 1000003) / 1000003.0 - 0.5;
}

void soakWholeSampleDelays(benchmark::State& state) {
    const vostrel::BlockLibrary library(QUORBELIN_BLOCK_PATH);
    std::vector<vostrel::Array> parameters;
    parameters.push_back(vostrel::Array::scalar(maxDelay));
    parameters.push_back(vostrel::Array::empty());
    parameters.push_back(vostrel::Array::scalar(0.0));
    parameters.push_back(vostrel::Array::scalar(channels));
    parameters.push_back(vostrel::Array::scalar(1.0));  // one delay per channel
    vostrel::Connections connections;
    connections.inputs = {{channels * frameSize, 0, 1.0, 0.0}, {channels, 0, 1.0, 0.0}};

    int64_t mismatches = 0;
    int64_t liveBlockGrowth = 0;
    int64_t heapGrowth = 0;
    int64_t residentGrowth = 0;
    for (auto _ : state) {
        vostrel::Simulation simulation(library, std::move(parameters), connections);
        std::vector<double> data(channels * frameSize);
        std::vector<double> delays(channels);
        std::vector<double> out(channels * frameSize);
        const int64_t samplesPerChannel = totalSamples / channels;
        std::size_t liveAtStart = 0;
        std::size_t heapAtStart = 0;
        int64_t residentAtStart = 0;
        for (int64_t start = 0; start < samplesPerChannel; start += frameSize) {
            const int64_t frame = start / frameSize;
            for (int32_t c = 0; c < channels; ++c) {
                delays[static_cast<std::size_t>(c)] = static_cast<double>((frame * (2 * c + 3)) % 65);
                for (int32_t s = 0; s < frameSize; ++s) {
                    data[static_cast<std::size_t>(c * frameSize + s)] = inputAt(c, start + s);
                }
            }
            simulation.step({data, delays}, {out});
            for (int32_t c = 0; c < channels; ++c) {
                const auto delay = static_cast<int64_t>(delays[static_cast<std::size_t>(c)]);
                for (int32_t s = 0; s < frameSize; ++s) {
                    mismatches += out[static_cast<std::size_t>(c * frameSize + s)] != inputAt(c, start + s - delay);
                }
            }
            // Measured once the first frames have warmed every cache and pool.
            if (frame == 100) {
                liveAtStart = vostrel::liveCallocBlocks();
                heapAtStart = mallinfo2().uordblks;
                residentAtStart = residentKilobytes();
            }
        }
        liveBlockGrowth = static_cast<int64_t>(vostrel::liveCallocBlocks()) - static_cast<int64_t>(liveAtStart);
        heapGrowth = static_cast<int64_t>(mallinfo2().uordblks) - static_cast<int64_t>(heapAtStart);
        residentGrowth = residentKilobytes() - residentAtStart;
    }
    state.SetItemsProcessed(totalSamples);
    state.counters["mismatches"] = static_cast<double>(mismatches);
    state.counters["live_block_growth"] = static_cast<double>(liveBlockGrowth);
    state.counters["heap_growth_bytes"] = static_cast<double>(heapGrowth);
    state.counters["rss_growth_kB"] = static_cast<double>(residentGrowth);
    if (mismatches != 0) {
        state.SkipWithError("outputs differ from the delayed input");
    } else if (liveBlockGrowth != 0 || heapGrowth > 64 * 1024) {
        state.SkipWithError("memory grew during the run");
    }
}

BENCHMARK(soakWholeSampleDelays)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
