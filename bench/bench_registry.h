// Every benchmark program registers its benchmarks under
// "<work>/<contender>" (see workName) or "limit/<what>", so that the table
// can set them side by side.
#ifndef QUORBELIN_BENCH_BENCH_REGISTRY_H
#define QUORBELIN_BENCH_BENCH_REGISTRY_H

namespace quorbelin::bench {

void registerKernelBenchmarks();      // fast, reference
void registerEntryPointBenchmarks();  // kiv104, method104, host104
void registerPeerBenchmarks();        // stk, liquid
void registerLimitBenchmarks();       // limit/copy_bandwidth, limit/multiply_add

}  // namespace quorbelin::bench

#endif
