// The fractional-delay kernel: one frame of K channels through their circular
// delay lines, on plain arrays and sizes with no block record in sight.
//
// Each channel owns a circular buffer of L = Dmax + H + 1 entries; writeIndex,
// shared by all channels, is the position of the newest sample. Right after a
// sample is written at w, entry (w - k) mod L holds the input from k samples
// earlier (its age k). A delay d is clamped to [0, Dmax] and split into a whole
// part D and a fraction f.
//
// Linear interpolation reads two taps (ages D and D + 1) and adds no latency,
// but dulls high frequencies. A polyphase FIR interpolator of M taps and N
// phases keeps them: the fraction picks the nearest phase (halves up, a full
// phase carries into D), and the window of ages D - H + 1 ... D - H + M is
// centred on the delay, which is why each buffer holds H extra entries. Below
// D = H - 1 the window would reach into the future, so linear is used there.
//
// Results are bit-exact with this order of operations: the FIR sum starts at
// 0.0 and adds h(t, p) * x for t = 0 ... M - 1; linear is f * x[age D + 1] +
// (1 - f) * x[age D]. Nothing is allocated.
#ifndef QUORBELIN_ENGINE_KERNEL_FRACTIONAL_DELAY_H
#define QUORBELIN_ENGINE_KERNEL_FRACTIONAL_DELAY_H

#include <cstdint>

namespace quorbelin {

// Sizes of the delay lines; the caller guarantees Dmax >= 1, H >= 0,
// L = Dmax + H + 1 and K * L buffer entries.
struct DelayLineSizes {
    int32_t channels = 0;      // K
    int32_t frameSize = 0;     // F samples per channel and call
    int32_t maxDelay = 0;      // Dmax: delays are clamped to [0, Dmax]
    int32_t halfLength = 0;    // H
    int32_t bufferLength = 0;  // L entries per channel
};

// A polyphase FIR interpolator: M x N real taps, column-major, column p the
// taps of phase p (fractions near p / N). A null taps pointer (an empty
// filter) selects linear interpolation throughout. With taps, M / 2 must
// equal the sizes' halfLength.
struct InterpolationFilter {
    const double* taps = nullptr;
    int32_t rows = 0;    // M
    int32_t phases = 0;  // N
};

enum class DelayMode : uint8_t {
    perSample,   // delay element s serves sample s of every channel
    perChannel,  // delay element c serves every sample of channel c
};

// One frame of signals. Elements are reached through references exactly as a
// port hands them over: input element c * F + s is sample s of channel c (one
// double, or a (real, imaginary) pair for complex data); each delay element
// is one double. Output is contiguous, in the input's order.
struct FrameSignals {
    const double* const* input = nullptr;   // K * F element references
    const double* const* delays = nullptr;  // F (per sample) or K (per channel)
    double* output = nullptr;               // K * F values, or pairs
};

// Stores the frame in every channel's buffer, writes the delayed frame, and
// leaves writeIndex on the newest entry: (writeIndex + F) mod L. writeIndex
// must be in [0, L). The buffer holds K * L doubles (real) or K * L pairs.
void delayFrameReal(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                    DelayMode mode, const FrameSignals& signals, double* buffer,
                    int32_t& writeIndex);
void delayFrameComplex(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                       DelayMode mode, const FrameSignals& signals, double* buffer,
                       int32_t& writeIndex);

// One channel at frame size 1, where both delay modes read the one delay:
// stores the input sample (one double, or a pair) in the entry after
// writeIndex, writes the delayed sample to output and leaves writeIndex on
// that entry, exactly as the frame functions do for K = F = 1. A model that
// runs at frame 1 calls the block once per sample, so this path carries no
// loops, tables or references to follow.
void delayOneSampleReal(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                        const double* input, double delay, double* output, double* buffer,
                        int32_t& writeIndex);
void delayOneSampleComplex(const DelayLineSizes& sizes, const InterpolationFilter& filter,
                           const double* input, double delay, double* output, double* buffer,
                           int32_t& writeIndex);

}  // namespace quorbelin

#endif
