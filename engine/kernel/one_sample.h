// One channel at frame size 1: what delayOneSampleReal and
// delayOneSampleComplex do, in a header so that the block's output call,
// which runs it at every sample hit of a scalar signal, has it inline.
#ifndef QUORBELIN_ENGINE_KERNEL_ONE_SAMPLE_H
#define QUORBELIN_ENGINE_KERNEL_ONE_SAMPLE_H

#include <cstddef>
#include <cstdint>

#include "engine/kernel/fractional_delay.h"
#include "engine/kernel/sample_decode.h"

namespace quorbelin::kernel {

template <int Parts>
inline void delayOneSample(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                           const double* input, double delay, double* output, double* buffer,
                           int32_t& writeIndex) {
    const int32_t newest = nextEntry(writeIndex, sizes.bufferLength);
    const DecodedSample sample = decodeSample(newest, delay, sizes, filter);
    // Stored before anything is read, so a delay of 0 is the input.
    copyEntry<Parts>(input, buffer + static_cast<std::size_t>(newest) * Parts);
    interpolateDecoded<Parts>(buffer, sizes.bufferLength, filter.rows, sample, output);
    writeIndex = newest;
}

}  // namespace quorbelin::kernel

#endif
