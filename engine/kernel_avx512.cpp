// The lane path with 8 doubles per vector (AVX-512F). Only this file is
// compiled for the instruction set; the block chooses it at run time.
#include <immintrin.h>

#include <cstdint>

#include "engine/kernel_fractional_delay.h"
#include "engine/kernel_lane_paths.h"
#include "engine/kernel_sample_decode.h"

// Everything below is compiled for AVX-512F. The headers above are not: their
// inline functions may be shared with other files, which must run anywhere.
#pragma GCC push_options
#pragma GCC target("avx512f")

#include "engine/kernel_lanes.h"

namespace quorbelin::kernel {
namespace {

struct Avx512 {
    using Vec = __m512d;
    using Index = __m512i;
    static constexpr int width = 8;
    static Vec zero() { return _mm512_setzero_pd(); }
    static Vec broadcast(double v) { return _mm512_set1_pd(v); }
    static Vec add(Vec a, Vec b) { return _mm512_add_pd(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm512_mul_pd(a, b); }
    static Vec gather(const double* base, Index offsets) {
        // The masked form with a zero source: the plain one leaves its source
        // undefined, which the compiler warns about.
        return _mm512_mask_i64gather_pd(_mm512_setzero_pd(), 0xff, offsets, base, 8);
    }
    static Vec load(const double* p) { return _mm512_load_pd(p); }
    static void store(double* p, Vec v) { _mm512_store_pd(p, v); }
    static Index loadIndex(const int64_t* p) { return _mm512_load_si512(p); }
};

template <int Parts>
void runTiles(const DecodedSample* decoded, int32_t firstSample, int32_t samples,
              int32_t channels, const DelayLineSizes& sizes, int32_t rows,
              const FrameSignals& signals, double* buffer) {
    delayLaneTilesAnyRows<Avx512, Parts>(decoded, firstSample, samples, channels, sizes, rows,
                                         signals, buffer);
}

}  // namespace
}  // namespace quorbelin::kernel

#pragma GCC pop_options

namespace quorbelin::kernel {

LanePath avx512LanePath(int parts) {
    if (parts == 2) {
        return {Avx512::width / 2, &runTiles<2>};
    }
    return {Avx512::width, &runTiles<1>};
}

}  // namespace quorbelin::kernel
