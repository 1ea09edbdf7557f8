// One delay value turned into what every channel needs to compute its output
// for that sample: the entries to read, the weights or the phase's taps. In
// per-sample delay mode all channels share writeIndex and the delay of a
// sample, so this is done once per sample for the whole frame, not once per
// channel and sample.
#ifndef QUORBELIN_ENGINE_KERNEL_SAMPLE_DECODE_H
#define QUORBELIN_ENGINE_KERNEL_SAMPLE_DECODE_H

#include <cstddef>
#include <cstdint>

#include "bridge/int32_conversion.h"
#include "engine/kernel/fractional_delay.h"

namespace quorbelin::kernel {

// Samples decoded ahead at a time: the tables live on the stack (nothing is
// allocated per call) and stay in L1 while every channel uses them.
inline constexpr int32_t decodeTileSamples = 64;

// No member initialisers: a tile of these is declared at every call and
// would otherwise be cleared each time; decodeSample sets every field.
struct DecodedSample {
    int32_t newest;       // entry the sample is stored in
    int32_t start;        // linear: entry of age D; FIR: entry met by tap 0
    int32_t older;        // linear: entry of age D + 1
    int32_t firstRun;     // FIR: taps before the window crosses the seam
    int32_t youngestAge;  // the youngest age read: D, or tap 0's on the FIR path
    int32_t oldestAge;    // the oldest age read (at most L, the entry just stored)
    double fraction;      // linear: weight of age D + 1
    double complement;    // linear: 1 - fraction, the weight of age D
    const double* taps;   // FIR: the phase's column; null on the linear path
};

// The next entry after position, wrapping at the buffer's end.
inline int32_t nextEntry(int32_t position, int32_t length) {
    return position + 1 == length ? 0 : position + 1;
}

// A delay clamped to [0, Dmax] and split into whole samples and a fraction.
// NaN passes both comparisons: its whole part converts to 0 and the fraction
// stays NaN, which the linear weights pass on and the FIR phase (0) ignores.
struct SplitDelay {
    int32_t whole;
    double fraction;
};

inline SplitDelay splitDelay(double delay, int32_t maxDelay) {
    const double upper = static_cast<double>(maxDelay);
    if (delay < 0.0) {
        delay = 0.0;
    } else if (delay > upper) {
        delay = upper;
    }
    const int32_t whole = truncateToInt32(delay);
    return {whole, delay - static_cast<double>(whole)};
}

// Splits the delay and chooses the interpolation.
inline DecodedSample decodeSample(int32_t newest, double delay, const DelayLineSizes& sizes,
                                  const InterpolationFilter& filter) {
    const int32_t length = sizes.bufferLength;
    const SplitDelay split = splitDelay(delay, sizes.maxDelay);
    int32_t whole = split.whole;
    const double fraction = split.fraction;

    // Each branch sets every field itself: clearing the whole struct first
    // costs stores the frame-1 call pays on every sample.
    DecodedSample decoded;
    decoded.newest = newest;
    // Below D = H - 1 the FIR window would reach past the newest sample.
    if (filter.taps == nullptr || whole < sizes.halfLength - 1) {
        int32_t i = newest - whole;
        if (i < 0) {
            i += length;
        }
        decoded.start = i;
        decoded.older = i > 0 ? i - 1 : length - 1;
        decoded.firstRun = 0;
        decoded.youngestAge = whole;
        decoded.oldestAge = whole + 1;
        decoded.fraction = fraction;
        decoded.complement = 1.0 - fraction;
        decoded.taps = nullptr;
        return decoded;
    }

    const int32_t phases = filter.phases;
    int32_t phase = truncateToInt32(fraction * static_cast<double>(phases) + 0.5);
    if (phase == phases) {
        // The fraction rounds up to a whole sample; D stays <= Dmax because a
        // nonzero fraction means the delay was below Dmax.
        whole += 1;
        phase = 0;
    }
    const int32_t rows = filter.rows;
    int32_t i = newest - whole + sizes.halfLength - 1;
    if (i < 0) {
        i += length;
    }
    decoded.start = i;
    decoded.older = 0;
    // The oldest age is at most L, so the window crosses the seam at most
    // once: taps 0 ... i run down from entry i, the rest from entry L - 1.
    decoded.firstRun = i + 1 >= rows ? rows : i + 1;
    decoded.youngestAge = whole - sizes.halfLength + 1;
    decoded.oldestAge = whole - sizes.halfLength + rows;
    decoded.fraction = 0.0;
    decoded.complement = 0.0;
    decoded.taps = filter.taps + static_cast<std::size_t>(phase) * static_cast<std::size_t>(rows);
    return decoded;
}

// The FIR lanes read a tile's samples from a time window, in time order: row r holds, in
// its lanes, every channel's sample of time first + r (time 0 is the tile's
// first sample, negative times come before it). Copied once per tile from
// the buffers and the input, it has no seam, and no later sample overwrites
// a row that an earlier one reads, so every read is an aligned vector load
// and the samples may be summed in any grouping. It serves tiles whose reads
// span at most windowRows samples and stop short of age L (which is the
// sample just stored, not one L samples back).
inline constexpr int32_t windowRows = 320;

struct TimeWindow {
    int32_t first = 0;  // time of row 0
    int32_t rows = 0;   // 0: the tile does not fit
};

inline TimeWindow timeWindow(const DecodedSample* decoded, int32_t samples, int32_t length) {
    int32_t oldest = 0;
    int32_t newest = 0;
    for (int32_t k = 0; k < samples; ++k) {
        if (decoded[k].oldestAge >= length) {
            return {};
        }
        const int32_t from = k - decoded[k].oldestAge;
        const int32_t to = k - decoded[k].youngestAge;
        oldest = k == 0 || from < oldest ? from : oldest;
        newest = k == 0 || to > newest ? to : newest;
    }
    const int32_t rows = newest - oldest + 1;
    if (rows > windowRows) {
        return {};
    }
    return {oldest, rows};
}

// Copies one entry of Parts doubles. Every part is read before any is
// stored: a store to the first part could otherwise alias the source's
// second, and the compiler would have to move a complex pair as two scalars
// instead of one 16-byte unit.
template <int Parts>
inline void copyEntry(const double* from, double* to) {
    double entry[Parts];
    for (int part = 0; part < Parts; ++part) {
        entry[part] = from[part];
    }
    for (int part = 0; part < Parts; ++part) {
        to[part] = entry[part];
    }
}

// Entry of a channel's buffer (Parts doubles per entry).
template <int Parts>
inline const double* entryAt(const double* line, int32_t e) {
    return line + static_cast<std::size_t>(e) * Parts;
}

// Adds count taps to sum, tap t meeting the entry t places before newest: one
// descending run of the window. Two taps a step, each added in turn, so the
// sum keeps its order while the loop's own work halves beside the chain of
// additions that bounds it.
template <int Parts>
inline void addTapsDescending(const double* newest, const double* taps, int32_t count,
                              double* sum) {
    int32_t t = 0;
    for (; t + 1 < count; t += 2) {
        const double* x = newest - static_cast<std::ptrdiff_t>(t) * Parts;
        for (int part = 0; part < Parts; ++part) {
            sum[part] = sum[part] + taps[t] * x[part];
            sum[part] = sum[part] + taps[t + 1] * x[part - Parts];
        }
    }
    if (t < count) {
        const double* x = newest - static_cast<std::ptrdiff_t>(t) * Parts;
        for (int part = 0; part < Parts; ++part) {
            sum[part] = sum[part] + taps[t] * x[part];
        }
    }
}

// The output of one channel for a decoded sample, in the stated order: f times
// age D + 1 plus (1 - f) times age D; or the FIR sum from 0.0 over taps
// 0 ... M - 1, tap t meeting the entry t places before the window start.
template <int Parts>
inline void interpolateDecoded(const double* line, int32_t length, int32_t rows,
                               const DecodedSample& decoded, double* out) {
    if (decoded.taps == nullptr) {
        const double* older = entryAt<Parts>(line, decoded.older);
        const double* younger = entryAt<Parts>(line, decoded.start);
        for (int part = 0; part < Parts; ++part) {
            out[part] = decoded.fraction * older[part] + decoded.complement * younger[part];
        }
        return;
    }
    double sum[Parts];
    for (int part = 0; part < Parts; ++part) {
        sum[part] = 0.0;
    }
    // Taps 0 ... firstRun - 1 run down from entry i, the rest from entry L - 1.
    const int32_t firstRun = decoded.firstRun;
    addTapsDescending<Parts>(entryAt<Parts>(line, decoded.start), decoded.taps, firstRun, sum);
    addTapsDescending<Parts>(entryAt<Parts>(line, length - 1), decoded.taps + firstRun,
                             rows - firstRun, sum);
    for (int part = 0; part < Parts; ++part) {
        out[part] = sum[part];
    }
}

}  // namespace quorbelin::kernel

#endif
