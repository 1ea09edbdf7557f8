// Host arrays of every class and shape, and doubles of every kind, drawn
// from the fuzzer's bytes.
#ifndef QUORBELIN_FUZZ_FUZZ_ARRAYS_H
#define QUORBELIN_FUZZ_FUZZ_ARRAYS_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <limits>
#include <vector>

#include "host/vostrel_host.h"

namespace quorbelin::fuzzing {

// Mostly small whole numbers and fractions, sometimes the special values
// parameter checks trip over.
inline double awkwardDouble(FuzzedDataProvider& bytes) {
    switch (bytes.ConsumeIntegralInRange<int>(0, 9)) {
        case 0: return std::numeric_limits<double>::quiet_NaN();
        case 1: return std::numeric_limits<double>::infinity();
        case 2: return -std::numeric_limits<double>::infinity();
        case 3: return -0.0;
        case 4: return bytes.ConsumeFloatingPoint<double>();
        case 5: return bytes.ConsumeIntegralInRange<int32_t>(-3, 3) + 0.5;
        case 6: return static_cast<double>(bytes.ConsumeIntegral<int32_t>());
        default: return static_cast<double>(bytes.ConsumeIntegralInRange<int32_t>(-4, 16));
    }
}

inline std::vector<double> awkwardDoubles(FuzzedDataProvider& bytes, std::size_t count) {
    std::vector<double> values(count);
    for (double& value : values) {
        value = awkwardDouble(bytes);
    }
    return values;
}

// An array of any class with two to four small dimensions.
inline vostrel::Array anyArray(FuzzedDataProvider& bytes) {
    const auto arrayClass =
        static_cast<vostrel::ArrayClass>(bytes.ConsumeIntegralInRange<int>(0, static_cast<int>(vostrel::ArrayClass::Cell)));
    std::vector<int32_t> dims(static_cast<std::size_t>(bytes.ConsumeIntegralInRange<int>(2, 4)));
    std::size_t count = 1;
    for (int32_t& dim : dims) {
        dim = bytes.ConsumeIntegralInRange<int32_t>(0, 4);
        count *= static_cast<std::size_t>(dim);
    }
    if (arrayClass == vostrel::ArrayClass::Cell || count == 0) {
        return vostrel::Array::withClass(arrayClass, dims);
    }
    std::vector<double> real = awkwardDoubles(bytes, count);
    std::vector<double> imag;
    if (arrayClass != vostrel::ArrayClass::Text && arrayClass != vostrel::ArrayClass::Logical &&
        bytes.ConsumeBool()) {
        imag = awkwardDoubles(bytes, count);
    }
    return vostrel::Array::withClass(arrayClass, dims, std::move(real), std::move(imag));
}

// A 2 x 1 array whose second element is the record marker carries a record
// address the block will follow; only a real host record may look like one.
inline void neverAMarker(vostrel::Array& array) {
    double* real = kvGetPr(array.get());
    if (real != nullptr && kvGetM(array.get()) == 2 && kvGetNumberOfElements(array.get()) >= 2 &&
        real[1] == static_cast<double>(RECORD_VERSION)) {
        real[1] = 0.0;
    }
}

}  // namespace quorbelin::fuzzing

#endif
