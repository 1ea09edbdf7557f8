// Block parameter values drawn from the fuzzer's bytes: usually of the right
// kind and small enough that a simulation's storage stays small, sometimes
// anything at all.
#ifndef QUORBELIN_FUZZ_FUZZ_BLOCK_PARAMETERS_H
#define QUORBELIN_FUZZ_FUZZ_BLOCK_PARAMETERS_H

#include "fuzz/fuzz_arrays.h"

namespace quorbelin::fuzzing {

inline vostrel::Array smallFilter(FuzzedDataProvider& bytes) {
    const int32_t rows = bytes.ConsumeIntegralInRange<int32_t>(0, 8);
    const int32_t phases = bytes.ConsumeIntegralInRange<int32_t>(rows == 0 ? 0 : 1, 8);
    std::vector<double> taps(static_cast<std::size_t>(rows) * static_cast<std::size_t>(phases));
    for (double& tap : taps) {
        tap = bytes.ConsumeFloatingPointInRange<double>(-2.0, 2.0);
    }
    return vostrel::Array::matrix(rows, phases, std::move(taps));
}

inline vostrel::Array smallInitialConditions(FuzzedDataProvider& bytes) {
    std::vector<int32_t> dims(static_cast<std::size_t>(bytes.ConsumeIntegralInRange<int>(2, 3)));
    std::size_t count = 1;
    for (int32_t& dim : dims) {
        dim = bytes.ConsumeIntegralInRange<int32_t>(0, 6);
        count *= static_cast<std::size_t>(dim);
    }
    std::vector<double> real(count);
    for (double& value : real) {
        value = bytes.ConsumeFloatingPointInRange<double>(-10.0, 10.0);
    }
    std::vector<double> imag;
    if (count > 0 && bytes.ConsumeBool()) {
        imag = real;
    }
    return vostrel::Array::withClass(vostrel::ArrayClass::Double, dims, std::move(real), std::move(imag));
}

// The five parameters: maxDelay, interpFilter, initialConditions,
// numChannels, perChannelDelay. `wild` lets any array take any place.
inline std::vector<vostrel::Array> blockParameters(FuzzedDataProvider& bytes, bool wild) {
    std::vector<vostrel::Array> parameters;
    if (wild) {
        const int count = bytes.ConsumeIntegralInRange<int>(0, 7);
        for (int i = 0; i < count; ++i) {
            parameters.push_back(anyArray(bytes));
        }
        return parameters;
    }
    parameters.push_back(vostrel::Array::scalar(bytes.ConsumeBool() ? awkwardDouble(bytes)
                                                                    : bytes.ConsumeIntegralInRange<int32_t>(-1, 40)));
    parameters.push_back(smallFilter(bytes));
    parameters.push_back(smallInitialConditions(bytes));
    parameters.push_back(vostrel::Array::scalar(bytes.ConsumeIntegralInRange<int32_t>(-2, 4)));
    parameters.push_back(vostrel::Array::scalar(bytes.ConsumeBool() ? awkwardDouble(bytes) : 0.0));
    return parameters;
}

}  // namespace quorbelin::fuzzing

#endif
