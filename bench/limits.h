// Names and figures of the machine-limit benchmarks, shared with the table.
#ifndef QUORBELIN_BENCH_LIMITS_H
#define QUORBELIN_BENCH_LIMITS_H

namespace quorbelin::bench {

inline constexpr const char* copyBandwidthBenchmark = "limit/copy_bandwidth";
inline constexpr const char* multiplyAddBenchmark = "limit/multiply_add";
inline constexpr const char* bytesPerSecondCounter = "bytes_per_second";
inline constexpr const char* multiplyAddsPerSecondCounter = "multiply_adds_per_second";

// Bytes the linear path touches per output sample of one part (real data):
// the input's reference and value, its store into the delay line, the two
// entries read and the output written. Complex data touch the value bytes
// twice.
inline constexpr double linearBytesPerReal = 8 + 8 + 8 + 16 + 8;
inline constexpr double linearBytesPerComplex = 8 + 16 + 16 + 32 + 16;

}  // namespace quorbelin::bench

#endif
