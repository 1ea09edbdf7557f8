// The straightforward delay kernel the fast one is measured against: the
// algorithm as described, one channel and one sample at a time.
#ifndef QUORBELIN_BENCH_REFERENCE_KERNEL_H
#define QUORBELIN_BENCH_REFERENCE_KERNEL_H

#include <cstdint>

#include "engine/kernel/fractional_delay.h"

namespace quorbelin::bench::reference {

void delayFrameReal(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                    DelayMode mode, const FrameSignals& signals, double* buffer,
                    int32_t& writeIndex);
void delayFrameComplex(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                       DelayMode mode, const FrameSignals& signals, double* buffer,
                       int32_t& writeIndex);

}  // namespace quorbelin::bench::reference

#endif
