// The machine's two limits for the delay, measured in the same binary as
// the kernels. The linear path is bound by the bytes it touches per sample,
// so its floor is those bytes at the copy bandwidth (memcpy, counting bytes
// read and written). The FIR path is bound by multiplies and adds; its floor
// is M of them at the throughput of the widest vector unit with several
// independent chains (a separate multiply and add, as the kernel does).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/bench_registry.h"
#include "bench/limits.h"

namespace quorbelin::bench {
namespace {

// Copies of 32 KiB: source and destination stay in the first cache levels,
// as the delay lines of a frame mostly do.
constexpr std::size_t copyBytes = 32 * 1024;

void copyBandwidth(benchmark::State& state) {
    std::vector<char> source(copyBytes, 1);
    std::vector<char> target(copyBytes);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), copyBytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    // Bytes read and written per second.
    state.counters[bytesPerSecondCounter] = benchmark::Counter(
        2.0 * copyBytes, benchmark::Counter::kIsIterationInvariantRate);
}

constexpr int chains = 8;
constexpr int rounds = 512;

typedef double Vector8 __attribute__((vector_size(64)));
typedef double Vector4 __attribute__((vector_size(32)));
typedef double Vector2 __attribute__((vector_size(16)));

// chains independent accumulators, each a multiply and an add per round;
// inlined, so that it is compiled for the caller's instruction set.
template <class Vector>
__attribute__((always_inline)) inline void multiplyAddRounds(double* result) {
    Vector sum[chains];
    // In memory, and the compiler must assume it changes every round: the
    // multiply stays in the loop (with its operand loaded, as the kernel's
    // taps are).
    Vector factor[chains];
    for (int c = 0; c < chains; ++c) {
        sum[c] = Vector{};
        factor[c] = Vector{} + (1.0 + 1e-9 * c);
    }
    benchmark::DoNotOptimize(factor);
    const Vector scale = factor[0] * 0.5;
    for (int r = 0; r < rounds; ++r) {
        for (int c = 0; c < chains; ++c) {
            sum[c] = sum[c] + factor[c] * scale;
        }
        benchmark::ClobberMemory();
    }
    for (int c = 0; c < chains; ++c) {
        result[c] = sum[c][0];
    }
}

__attribute__((target("avx512f"))) void multiplyAdd512(double* result) {
    multiplyAddRounds<Vector8>(result);
}
__attribute__((target("avx2"))) void multiplyAdd256(double* result) {
    multiplyAddRounds<Vector4>(result);
}
void multiplyAdd128(double* result) { multiplyAddRounds<Vector2>(result); }

void multiplyAddThroughput(benchmark::State& state) {
    __builtin_cpu_init();
    const bool wide = __builtin_cpu_supports("avx512f");
    const bool middle = __builtin_cpu_supports("avx2");
    const int width = wide ? 8 : middle ? 4 : 2;
    double result[chains];
    for (auto _ : state) {
        if (wide) {
            multiplyAdd512(result);
        } else if (middle) {
            multiplyAdd256(result);
        } else {
            multiplyAdd128(result);
        }
        benchmark::DoNotOptimize(result);
    }
    state.counters[multiplyAddsPerSecondCounter] = benchmark::Counter(
        static_cast<double>(chains) * rounds * width, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

void registerLimitBenchmarks() {
    benchmark::RegisterBenchmark(copyBandwidthBenchmark, copyBandwidth);
    benchmark::RegisterBenchmark(multiplyAddBenchmark, multiplyAddThroughput);
}

}  // namespace quorbelin::bench
