// Per-sample delay mode with the channels side by side in vector lanes.
//
// Channels are independent, and in this mode every channel reads the same
// buffer positions for a sample, only in its own buffer: lane l of a vector
// holds part l % Parts of channel l / Parts, and one gather at constant lane
// offsets (the buffer stride) fetches an entry for all of them. The taps and
// weights are the same in every lane, so each lane computes exactly the sum a
// single channel would, in the same order: the results are bit-identical to
// one channel at a time. Only independent outputs run side by side.
//
// Included by one source file per instruction set, after it has included
// the headers below and then selected its target; Isa names the vector type and its operations:
//   Vec, Index, width (doubles per Vec), zero(), broadcast(v), add(a, b),
//   mul(a, b), gather(base, index), load(p) and store(p, v) (p aligned),
//   loadu(p) and storeu(p, v), loadIndex(p), and transpose<Parts>(v), which
//   transposes width / Parts vectors seen as square matrices of Parts-double
//   units (its own inverse), gatherAt(base, indices), which gathers at width
//   32-bit indices, and gatherThrough<Parts>(refs), which gathers width / Parts
//   samples through their references.
#ifndef QUORBELIN_ENGINE_KERNEL_LANES_H
#define QUORBELIN_ENGINE_KERNEL_LANES_H

#include <cstddef>
#include <cstdint>

#include "engine/kernel_fractional_delay.h"
#include "engine/kernel_sample_decode.h"

namespace quorbelin::kernel {

// FIR samples computed together, each its own chain of additions, so the
// adder's latency is hidden when there are few channels.
inline constexpr int32_t laneSampleGroup = 4;

template <class Isa, int Parts>
typename Isa::Index laneOffsets(int32_t length) {
    alignas(64) int64_t offsets[Isa::width];
    for (int lane = 0; lane < Isa::width; ++lane) {
        offsets[lane] = static_cast<int64_t>(lane / Parts) * length * Parts + lane % Parts;
    }
    return Isa::loadIndex(offsets);
}

// Entry e in every lane's buffer.
template <class Isa, int Parts>
typename Isa::Vec gatherEntry(const double* lines, int32_t e, typename Isa::Index offsets) {
    return Isa::gather(lines + static_cast<std::ptrdiff_t>(e) * Parts, offsets);
}

template <class Isa, int Parts>
typename Isa::Vec interpolateLanes(const double* lines, int32_t length, int32_t rows,
                                   const DecodedSample& decoded,
                                   typename Isa::Index offsets) {
    using Vec = typename Isa::Vec;
    if (decoded.taps == nullptr) {
        const Vec older = gatherEntry<Isa, Parts>(lines, decoded.older, offsets);
        const Vec younger = gatherEntry<Isa, Parts>(lines, decoded.start, offsets);
        return Isa::add(Isa::mul(Isa::broadcast(decoded.fraction), older),
                        Isa::mul(Isa::broadcast(decoded.complement), younger));
    }
    const double* taps = decoded.taps;
    const int32_t i = decoded.start;
    Vec sum = Isa::zero();
    for (int32_t t = 0; t < decoded.firstRun; ++t) {
        sum = Isa::add(sum, Isa::mul(Isa::broadcast(taps[t]),
                                     gatherEntry<Isa, Parts>(lines, i - t, offsets)));
    }
    for (int32_t t = decoded.firstRun; t < rows; ++t) {
        sum = Isa::add(sum, Isa::mul(Isa::broadcast(taps[t]),
                                     gatherEntry<Isa, Parts>(lines, length - (t - i), offsets)));
    }
    return sum;
}

// True when the next laneSampleGroup samples may be stored first and then
// summed together: all FIR windows clear of the seam, and none reaching back
// to an entry that a later sample of the group overwrites (ages L - G + 1 ...
// L - 1). Otherwise the samples go one at a time. (A template like all of
// this file, so that no function compiled for one instruction set is shared
// with the others.)
template <class Isa>
bool groupable(const DecodedSample* decoded, int32_t available, int32_t length,
                      int32_t rows) {
    if (available < laneSampleGroup) {
        return false;
    }
    for (int32_t g = 0; g < laneSampleGroup; ++g) {
        if (decoded[g].taps == nullptr || decoded[g].firstRun != rows ||
            decoded[g].oldestAge > length - laneSampleGroup) {
            return false;
        }
    }
    return true;
}

// Rows is the tap count when known at compile time (0: taken from rows).
template <class Isa, int Parts, int Rows>
void sumGroup(const double* lines, int32_t rows, const DecodedSample* decoded,
              typename Isa::Index offsets, double (*out)[Isa::width]) {
    using Vec = typename Isa::Vec;
    const int32_t taps = Rows > 0 ? Rows : rows;
    Vec sum[laneSampleGroup];
    for (int32_t g = 0; g < laneSampleGroup; ++g) {
        sum[g] = Isa::zero();
    }
    for (int32_t t = 0; t < taps; ++t) {
        for (int32_t g = 0; g < laneSampleGroup; ++g) {
            const Vec x = gatherEntry<Isa, Parts>(lines, decoded[g].start - t, offsets);
            sum[g] = Isa::add(sum[g], Isa::mul(Isa::broadcast(decoded[g].taps[t]), x));
        }
    }
    for (int32_t g = 0; g < laneSampleGroup; ++g) {
        Isa::store(out[g], sum[g]);
    }
}

// The samples a tile of decoded samples reads, in time order: row r holds, in
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

template <class Isa>
TimeWindow timeWindow(const DecodedSample* decoded, int32_t samples, int32_t length) {
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

// Fills the window's rows for the tile's channels and stores the tile's
// samples in their buffers, channel by channel: first the times before the
// tile from the buffer (an entry is overwritten only L samples after it was
// written, and every read is younger than that), then the tile's samples from
// the input, into the window where they are read and into the buffer.
template <class Isa, int Parts>
void fillTimeWindow(const TimeWindow& window, const DecodedSample* decoded, int32_t samples,
                    double* lines, std::size_t stride, int32_t length,
                    const double* const* input, std::size_t frame,
                    double (*rows)[Isa::width]) {
    constexpr int tileChannels = Isa::width / Parts;
    const int32_t end = window.first + window.rows;  // at most samples, first at most 0
    const int32_t history = (end < 0 ? end : 0) - window.first;
    int32_t start = decoded[0].newest + window.first;
    if (start < 0) {
        start += length;
    }
    // The history runs up to the seam, then on from entry 0.
    const int32_t firstRun = history < length - start ? history : length - start;
    for (int cc = 0; cc < tileChannels; ++cc) {
        double* line = lines + cc * stride;
        const double* from = line + static_cast<std::size_t>(start) * Parts;
        double (*row)[Isa::width] = rows;
        const int lane = cc * Parts;
        for (int32_t r = 0; r < firstRun; ++r) {
            for (int part = 0; part < Parts; ++part) {
                row[r][lane + part] = from[r * Parts + part];
            }
        }
        row += firstRun;
        for (int32_t r = 0; r < history - firstRun; ++r) {
            for (int part = 0; part < Parts; ++part) {
                row[r][lane + part] = line[r * Parts + part];
            }
        }
        row += history - firstRun;

        const double* const* in = input + cc * frame;
        for (int32_t k = 0; k < samples; ++k) {
            const double* sample = in[k];
            double* slot = line + static_cast<std::size_t>(decoded[k].newest) * Parts;
            for (int part = 0; part < Parts; ++part) {
                slot[part] = sample[part];
            }
            if (k < end) {
                for (int part = 0; part < Parts; ++part) {
                    row[k][lane + part] = sample[part];
                }
            }
        }
    }
}

// Copies count window rows from the buffers, row r from entry position + r
// (mod L) of every channel: blocks of width / Parts rows as vector loads
// transposed into rows, the rest (and blocks across the seam) one by one.
template <class Isa, int Parts>
void rowsFromBuffers(const double* lines, std::size_t stride, int32_t length,
                     int32_t position, int32_t count, double (*rows)[Isa::width]) {
    using Vec = typename Isa::Vec;
    constexpr int block = Isa::width / Parts;
    int32_t r = 0;
    while (r < count) {
        if (r + block <= count && position + block <= length) {
            Vec v[block];
            for (int cc = 0; cc < block; ++cc) {
                v[cc] = Isa::loadu(lines + cc * stride + static_cast<std::size_t>(position) * Parts);
            }
            Isa::template transpose<Parts>(v);
            for (int i = 0; i < block; ++i) {
                Isa::store(rows[r + i], v[i]);
            }
            r += block;
            position += block;
            if (position == length) {
                position = 0;
            }
        } else {
            for (int cc = 0; cc < block; ++cc) {
                for (int part = 0; part < Parts; ++part) {
                    rows[r][cc * Parts + part] =
                        lines[cc * stride + static_cast<std::size_t>(position) * Parts + part];
                }
            }
            r += 1;
            position = nextEntry(position, length);
        }
    }
}

// Writes the tile's outputs (sample-major) to the port, channel after
// channel: blocks of width / Parts samples transposed into each channel's
// run, the rest one by one.
template <class Isa, int Parts>
void writeOutputs(const double (*out)[Isa::width], int32_t samples, double* output,
                  std::size_t frame) {
    using Vec = typename Isa::Vec;
    constexpr int block = Isa::width / Parts;
    int32_t k = 0;
    for (; k + block <= samples; k += block) {
        Vec v[block];
        for (int i = 0; i < block; ++i) {
            v[i] = Isa::load(out[k + i]);
        }
        Isa::template transpose<Parts>(v);
        for (int cc = 0; cc < block; ++cc) {
            Isa::storeu(output + (cc * frame + static_cast<std::size_t>(k)) * Parts, v[cc]);
        }
    }
    for (; k < samples; ++k) {
        for (int cc = 0; cc < block; ++cc) {
            for (int part = 0; part < Parts; ++part) {
                output[(cc * frame + static_cast<std::size_t>(k)) * Parts + part] =
                    out[k][cc * Parts + part];
            }
        }
    }
}

// The outputs of samples k ... k + Group - 1 from the window. Rows is the tap
// count when known at compile time (0: taken from rows).
template <class Isa, int Rows, int Group>
void sumFromWindow(const TimeWindow& window, const double (*rowsOfTime)[Isa::width],
                   int32_t rows, const DecodedSample* decoded, int32_t k,
                   double (*out)[Isa::width]) {
    using Vec = typename Isa::Vec;
    Vec sum[Group];
    const double* newestRead[Group];
    for (int g = 0; g < Group; ++g) {
        sum[g] = Isa::zero();
        // Tap t reads the row t places before tap 0's.
        newestRead[g] = rowsOfTime[k + g - decoded[k + g].youngestAge - window.first];
    }
    const int32_t taps = Rows > 0 ? Rows : rows;
    for (int32_t t = 0; t < taps; ++t) {
        for (int g = 0; g < Group; ++g) {
            const Vec x = Isa::load(newestRead[g] - static_cast<std::ptrdiff_t>(t) * Isa::width);
            sum[g] = Isa::add(sum[g], Isa::mul(Isa::broadcast(decoded[k + g].taps[t]), x));
        }
    }
    for (int g = 0; g < Group; ++g) {
        Isa::store(out[k + g], sum[g]);
    }
}

template <class Isa, int Rows>
void interpolateFromWindow(const TimeWindow& window, const double (*rowsOfTime)[Isa::width],
                           int32_t rows, const DecodedSample* decoded, int32_t samples,
                           double (*out)[Isa::width]) {
    using Vec = typename Isa::Vec;
    constexpr int group = 8;
    int32_t k = 0;
    while (k < samples) {
        const DecodedSample& sample = decoded[k];
        if (sample.taps == nullptr) {
            const int32_t younger = k - sample.youngestAge - window.first;
            const Vec y = Isa::add(Isa::mul(Isa::broadcast(sample.fraction),
                                            Isa::load(rowsOfTime[younger - 1])),
                                   Isa::mul(Isa::broadcast(sample.complement),
                                            Isa::load(rowsOfTime[younger])));
            Isa::store(out[k], y);
            k += 1;
            continue;
        }
        bool allFir = k + group <= samples;
        for (int32_t g = 1; allFir && g < group; ++g) {
            allFir = decoded[k + g].taps != nullptr;
        }
        if (allFir) {
            sumFromWindow<Isa, Rows, group>(window, rowsOfTime, rows, decoded, k, out);
            k += group;
        } else {
            sumFromWindow<Isa, Rows, 1>(window, rowsOfTime, rows, decoded, k, out);
            k += 1;
        }
    }
}

// Delays channels [0, channels) of the frame (a multiple of width / Parts)
// for the decoded samples firstSample ... firstSample + samples - 1.
template <class Isa, int Parts, int Rows>
void delayLaneTiles(const DecodedSample* decoded, int32_t firstSample, int32_t samples,
                    int32_t channels, const DelayLineSizes& sizes, int32_t rows,
                    const FrameSignals& signals, double* buffer) {
    constexpr int width = Isa::width;
    constexpr int tileChannels = width / Parts;
    const int32_t length = sizes.bufferLength;
    const std::size_t frame = static_cast<std::size_t>(sizes.frameSize);
    const std::size_t stride = static_cast<std::size_t>(length) * Parts;
    const typename Isa::Index offsets = laneOffsets<Isa, Parts>(length);
    // The outputs of a tile, sample-major; written to the port channel by
    // channel afterwards, so the port's stride of F (often a power of two)
    // never meets a vector store.
    alignas(64) double out[decodeTileSamples][width];

    const TimeWindow window = timeWindow<Isa>(decoded, samples, length);
    alignas(64) double rowsOfTime[windowRows][width];

    for (int32_t c0 = 0; c0 < channels; c0 += tileChannels) {
        double* lines = buffer + static_cast<std::size_t>(c0) * stride;
        const double* const* input =
            signals.input + static_cast<std::size_t>(c0) * frame + firstSample;
        auto store = [&](int32_t k) {
            const std::size_t slot = static_cast<std::size_t>(decoded[k].newest) * Parts;
            for (int cc = 0; cc < tileChannels; ++cc) {
                const double* sample = input[cc * frame + k];
                for (int part = 0; part < Parts; ++part) {
                    lines[cc * stride + slot + part] = sample[part];
                }
            }
        };
        if (window.rows > 0 && length >= samples - window.first) {
            // With a buffer this long, no sample of the tile overwrites an
            // entry the window holds: store the tile first, then copy the
            // whole window from the buffers.
            for (int cc = 0; cc < tileChannels; ++cc) {
                double* line = lines + cc * stride;
                const double* const* in = input + cc * frame;
                for (int32_t k = 0; k < samples; ++k) {
                    double* slot = line + static_cast<std::size_t>(decoded[k].newest) * Parts;
                    for (int part = 0; part < Parts; ++part) {
                        slot[part] = in[k][part];
                    }
                }
            }
            int32_t position = decoded[0].newest + window.first;
            if (position < 0) {
                position += length;
            }
            rowsFromBuffers<Isa, Parts>(lines, stride, length, position, window.rows,
                                        rowsOfTime);
            interpolateFromWindow<Isa, Rows>(window, rowsOfTime, rows, decoded, samples, out);
        } else if (window.rows > 0) {
            fillTimeWindow<Isa, Parts>(window, decoded, samples, lines, stride, length, input,
                                       frame, rowsOfTime);
            interpolateFromWindow<Isa, Rows>(window, rowsOfTime, rows, decoded, samples, out);
        } else {
            int32_t k = 0;
            while (k < samples) {
                if (groupable<Isa>(decoded + k, samples - k, length, rows)) {
                    for (int32_t g = 0; g < laneSampleGroup; ++g) {
                        store(k + g);
                    }
                    sumGroup<Isa, Parts, Rows>(lines, rows, decoded + k, offsets, out + k);
                    k += laneSampleGroup;
                } else {
                    // Stored before anything is read, so a delay of 0 is the input.
                    store(k);
                    Isa::store(out[k], interpolateLanes<Isa, Parts>(lines, length, rows,
                                                                    decoded[k], offsets));
                    k += 1;
                }
            }
        }
        writeOutputs<Isa, Parts>(
            out, samples,
            signals.output + (static_cast<std::size_t>(c0) * frame + firstSample) * Parts, frame);
    }
}

// The tap counts compiled with their loops unrolled; others run the same
// code with the count read at run time.
template <class Isa, int Parts>
void delayLaneTilesAnyRows(const DecodedSample* decoded, int32_t firstSample, int32_t samples,
                           int32_t channels, const DelayLineSizes& sizes, int32_t rows,
                           const FrameSignals& signals, double* buffer) {
    switch (rows) {
    case 4:
        delayLaneTiles<Isa, Parts, 4>(decoded, firstSample, samples, channels, sizes, rows,
                                      signals, buffer);
        return;
    case 8:
        delayLaneTiles<Isa, Parts, 8>(decoded, firstSample, samples, channels, sizes, rows,
                                      signals, buffer);
        return;
    case 16:
        delayLaneTiles<Isa, Parts, 16>(decoded, firstSample, samples, channels, sizes, rows,
                                       signals, buffer);
        return;
    case 32:
        delayLaneTiles<Isa, Parts, 32>(decoded, firstSample, samples, channels, sizes, rows,
                                       signals, buffer);
        return;
    default:
        delayLaneTiles<Isa, Parts, 0>(decoded, firstSample, samples, channels, sizes, rows,
                                      signals, buffer);
        return;
    }
}

// Copies samples referenced one by one to consecutive entries: whole vectors
// gathered through the references, the rest one at a time.
template <class Isa, int Parts>
void storeSamples(const double* const* in, int32_t samples, double* to) {
    constexpr int32_t perVector = Isa::width / Parts;
    int32_t k = 0;
    for (; k + perVector <= samples; k += perVector) {
        Isa::storeu(to + k * Parts, Isa::template gatherThrough<Parts>(in + k));
    }
    for (; k < samples; ++k) {
        for (int part = 0; part < Parts; ++part) {
            to[k * Parts + part] = in[k][part];
        }
    }
}

// Linear interpolation (an empty filter) with consecutive samples of one
// channel side by side. The tile's delays are split once, straight into lane
// tables: the times of the two samples each output reads and their weights
// (a lane is one part of one sample). Every channel then copies its history
// and the tile's samples into a seamless time-ordered window, gathers from
// it, and stores the tile into its buffer. Each lane computes f * older +
// (1 - f) * younger exactly as one sample at a time does. Serves tiles whose
// reads span at most linearWindow samples and stop short of age L (the sample
// just stored); returns false, having changed nothing, for others.
inline constexpr int32_t linearWindow = 1024;

template <class Isa, int Parts>
bool delayLinearTileLanes(int32_t newest, int32_t firstSample, int32_t samples,
                          const DelayLineSizes& sizes, const FrameSignals& signals,
                          double* buffer) {
    using Vec = typename Isa::Vec;
    constexpr int width = Isa::width;
    constexpr int32_t maxLanes = decodeTileSamples * Parts;
    const int32_t length = sizes.bufferLength;
    // Lane tables, padded to whole vectors: the entry of age D as a time
    // relative to the tile's first sample, scaled to doubles (age D + 1 is
    // one entry before it), and the two weights.
    alignas(64) int32_t youngerAt[maxLanes + width];
    alignas(64) double fraction[maxLanes + width];
    alignas(64) double complement[maxLanes + width];
    int32_t first = 0;        // oldest time read (every sample reads one before it)
    int32_t last = -length;   // newest time read
    int32_t longest = 0;      // the largest whole delay
    for (int32_t k = 0; k < samples; ++k) {
        const SplitDelay split = splitDelay(*signals.delays[firstSample + k], sizes.maxDelay);
        const int32_t younger = k - split.whole;
        first = younger - 1 < first ? younger - 1 : first;
        last = younger > last ? younger : last;
        longest = split.whole > longest ? split.whole : longest;
        const double weight = 1.0 - split.fraction;
        for (int part = 0; part < Parts; ++part) {
            youngerAt[k * Parts + part] = younger * Parts + part;
            fraction[k * Parts + part] = split.fraction;
            complement[k * Parts + part] = weight;
        }
    }
    if (longest + 1 >= length || last - first + 1 > linearWindow) {
        return false;
    }
    const int32_t lanes = samples * Parts;
    const int32_t paddedLanes = (lanes + width - 1) / width * width;
    for (int32_t lane = lanes; lane < paddedLanes; ++lane) {
        youngerAt[lane] = 0;
        fraction[lane] = 0.0;
        complement[lane] = 0.0;
    }

    const std::size_t stride = static_cast<std::size_t>(length) * Parts;
    const std::size_t frame = static_cast<std::size_t>(sizes.frameSize);
    const int32_t history = (last < 0 ? last + 1 : 0) - first;  // times first ... read
    int32_t start = newest + first;
    if (start < 0) {
        start += length;
    }
    const int32_t historyRun = history < length - start ? history : length - start;
    // The tile's entries from newest up to the seam; the rest wrap around
    // (more than once when the tile is longer than the buffer).
    const int32_t tileRun = samples < length - newest ? samples : length - newest;
    alignas(64) double window[(linearWindow + decodeTileSamples) * Parts];
    alignas(64) double out[width];
    // When the entries read and written lie between the buffer's ends, the
    // buffer itself is seamless: the tile is stored and read in place.
    const bool inPlace = start <= newest && newest + samples <= length;
    for (int32_t c = 0; c < sizes.channels; ++c) {
        double* line = buffer + c * stride;
        const double* const* in = signals.input + c * frame + firstSample;
        double* now = line + static_cast<std::size_t>(newest) * Parts;  // time 0
        if (inPlace) {
            storeSamples<Isa, Parts>(in, samples, now);
        } else {
            // The history first: the tile's samples may overwrite it. Each
            // pass stores to consecutive addresses.
            const double* from = line + static_cast<std::size_t>(start) * Parts;
            for (int32_t e = 0; e < historyRun * Parts; ++e) {
                window[e] = from[e];
            }
            for (int32_t e = historyRun * Parts; e < history * Parts; ++e) {
                window[e] = line[e - historyRun * Parts];
            }
            now = window + static_cast<std::size_t>(-first) * Parts;
            storeSamples<Isa, Parts>(in, samples, now);
            double* to = line + static_cast<std::size_t>(newest) * Parts;
            for (int32_t e = 0; e < tileRun * Parts; ++e) {
                to[e] = now[e];
            }
            for (int32_t run = tileRun; run < samples; run += length) {
                const int32_t count = samples - run < length ? samples - run : length;
                for (int32_t e = 0; e < count * Parts; ++e) {
                    line[e] = now[run * Parts + e];
                }
            }
        }
        double* output = signals.output + (c * frame + firstSample) * Parts;
        for (int32_t lane = 0; lane < lanes; lane += width) {
            const Vec older = Isa::gatherAt(now - Parts, youngerAt + lane);
            const Vec younger = Isa::gatherAt(now, youngerAt + lane);
            const Vec y = Isa::add(Isa::mul(Isa::load(fraction + lane), older),
                                   Isa::mul(Isa::load(complement + lane), younger));
            if (lane + width <= lanes) {
                Isa::storeu(output + lane, y);
            } else {
                Isa::store(out, y);
                for (int32_t e = 0; lane + e < lanes; ++e) {
                    output[lane + e] = out[e];
                }
            }
        }
    }
    return true;
}

}  // namespace quorbelin::kernel

#endif
