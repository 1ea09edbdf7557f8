// The whole output call on a started block in the stand-in host, three ways:
// kivFunction with method code 104 called as the host calls it ("kiv104"),
// the block's mdlComputeOutputs taken from the method table ("method104"),
// and the stand-in host's call wrapper around kivFunction ("host104"). Against
// the kernel called directly they split the cost of a call: dispatch in the
// entry point (kiv104 - method104), the parameter reads and checks
// (method104 - kernel), and the host's own book-keeping (host104 - kiv104).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_registry.h"
#include "bench/bench_setups.h"
#include "host/simulation.h"
#include "host/vostrel_host.h"

namespace quorbelin::bench {
namespace {

const vostrel::BlockLibrary& blockLibrary() {
    static const vostrel::BlockLibrary library(QUORBELIN_BLOCK_PATH);
    return library;
}

// Runs the life cycle up to the first output call; the message of the step
// that failed, or "". Release is the caller's, also after a failure.
std::string startBlock(vostrel::HostBlock& block, const vostrel::Connections& connections) {
    const vostrel::BlockLibrary& library = blockLibrary();
    try {
        vostrel::negotiate(library, block, connections);
    } catch (const vostrel::SimulationError& error) {
        return error.what();
    }
    if (std::string message = vostrel::callMethod(library, block, setWorkWidthsCode);
        !message.empty()) {
        return message;
    }
    try {
        block.allocateWorkVectors();
        block.allocateSignals();
    } catch (const vostrel::HostError& error) {
        return error.what();
    }
    for (double code : {startCode, initializeConditionsCode}) {
        if (std::string message = vostrel::callMethod(library, block, code); !message.empty()) {
            return message;
        }
    }
    return "";
}

enum class Caller { kivFunction, methodTable, hostWrapper };

void entryPointPerSample(benchmark::State& state, Caller caller, const Work& work) {
    using vostrel::Array;
    const std::size_t parts = work.complex ? 2 : 1;
    const FilterShape shape = filterShape(work.interpolation);

    std::vector<Array> parameters;
    parameters.push_back(Array::scalar(benchMaxDelay));
    parameters.push_back(shape.rows > 0 ? Array::matrix(shape.rows, shape.phases, filterTaps(shape))
                                        : Array::empty());
    parameters.push_back(Array::scalar(0.0));
    parameters.push_back(Array::scalar(work.channels));
    parameters.push_back(Array::scalar(0.0));
    vostrel::HostBlock block("quorbelin");
    block.setParameters(std::move(parameters));
    vostrel::Connections connections;
    connections.inputs = {{work.channels * work.frame, work.complex ? 1 : 0, 1.0, 0.0}, {work.frame, 0, 1.0, 0.0}};
    if (const std::string message = startBlock(block, connections); !message.empty()) {
        vostrel::callMethod(blockLibrary(), block, releaseCode);
        state.SkipWithError(message.c_str());
        return;
    }

    const std::size_t elements = static_cast<std::size_t>(work.channels) * work.frame;
    const std::vector<double> input = signalValues(elements * parts);
    std::copy(input.begin(), input.end(), block.inputData(0));
    const DelayTable table = delaysFor(work.pattern, work.frame);
    const std::vector<double>& delays = table.delays;
    double* delayPort = block.inputData(1);
    BlockRecord& record = block.record();
    // The arguments of a method call as the host passes them.
    const Array unused = Array::empty();
    const Array code = Array::scalar(computeOutputsCode);
    kvArray* left[2] = {nullptr, reinterpret_cast<kvArray*>(&record)};
    const kvArray* right[4] = {unused.get(), unused.get(), unused.get(), code.get()};
    const vostrel::KivFunction entry = blockLibrary().entry();
    int32_t row = 0;

    const double* output = block.outputData(0);
    for (auto _ : state) {
        // The frame's delays into the port, as the host hands them over.
        const double* frameDelays = delays.data() + static_cast<std::size_t>(row) * work.frame;
        for (int32_t s = 0; s < work.frame; ++s) {
            delayPort[s] = frameDelays[s];
        }
        switch (caller) {
        case Caller::kivFunction: entry(-1, left, 4, right); break;
        case Caller::methodTable: record.methods.mdlComputeOutputs(&record, 0); break;
        case Caller::hostWrapper:
            if (!vostrel::callMethod(blockLibrary(), block, computeOutputsCode).empty()) {
                state.SkipWithError("the output call failed");
            }
            break;
        }
        if (record.errorMessage != nullptr) {
            state.SkipWithError(record.errorMessage);
            break;
        }
        benchmark::DoNotOptimize(output);
        benchmark::ClobberMemory();
        row = row + 1 == table.frames ? 0 : row + 1;
    }
    vostrel::callMethod(blockLibrary(), block, releaseCode);
    reportPerSample(state, static_cast<int64_t>(elements));
}

}  // namespace

void registerEntryPointBenchmarks() {
    const std::pair<const char*, Caller> callers[] = {{"kiv104", Caller::kivFunction},
                                                      {"method104", Caller::methodTable},
                                                      {"host104", Caller::hostWrapper}};
    for (Interpolation interpolation :
         {Interpolation::linear, Interpolation::fir8x32, Interpolation::fir32x64}) {
        for (auto [channels, frame] : {std::pair{1, 1}, std::pair{8, 64}}) {
            for (DelayPattern pattern : {DelayPattern::jumping, DelayPattern::sweep}) {
                const Work work{interpolation, false, channels, frame, pattern, false};
                for (const auto& [name, caller] : callers) {
                    // The split of a call's cost needs the jumping delays only.
                    if (pattern == DelayPattern::sweep && caller != Caller::kivFunction) {
                        continue;
                    }
                    benchmark::RegisterBenchmark((workName(work) + "/" + name).c_str(),
                                                 [caller = caller, work](benchmark::State& state) {
                                                     entryPointPerSample(state, caller, work);
                                                 });
                }
            }
        }
    }
}

}  // namespace quorbelin::bench
