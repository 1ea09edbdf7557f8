#include "cli/delay_plan.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "cli/errors.h"

namespace quorbelin::cli {

namespace {

constexpr int64_t int32Limit = std::numeric_limits<int32_t>::max();
// The automatic frame: the host's work per hit spread over this many port
// elements, bounded so that the port stays small.
constexpr int64_t automaticPortElements = 8192;
constexpr int64_t automaticFrameLimit = 4096;

std::string text(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

bool isPositiveInt32(double value) {
    return value >= 1.0 && value <= static_cast<double>(int32Limit) && value == std::floor(value);
}

int64_t resolveLookahead(const DelayRunSettings& settings, int32_t halfLength, int32_t frame) {
    if (!settings.lookahead) {
        const int64_t needed = std::max(0, halfLength - 1);
        // Per-channel delays change at frame boundaries, which the shift
        // must keep: whole frames only.
        return settings.perChannel ? (needed + frame - 1) / frame * frame : needed;
    }
    const int64_t lookahead = *settings.lookahead;
    if (lookahead < 0) {
        throw UsageError("--lookahead must be a whole number of samples >= 0, or auto");
    }
    if (lookahead > int32Limit) {
        throw UsageError("--lookahead " + std::to_string(lookahead) + " is too large: at most " +
                         std::to_string(int32Limit) + " samples");
    }
    if (settings.perChannel && lookahead % frame != 0) {
        throw UsageError("--lookahead " + std::to_string(lookahead) + " with --per-channel must be a multiple of "
                         "--frame " + std::to_string(frame) + ", so that each delay still serves one whole frame");
    }
    return lookahead;
}

double resolveMaxDelay(const DelayRunSettings& settings, const DelaySource& delays, int64_t lookahead) {
    const double limit = static_cast<double>(int32Limit - lookahead);
    if (settings.maxDelay) {
        if (*settings.maxDelay > limit) {
            throw UsageError("--max-delay " + text(*settings.maxDelay) + " is too large: the block takes at most " +
                             std::to_string(int32Limit) + " samples" +
                             (lookahead > 0 ? ", " + std::to_string(int32Limit - lookahead) + " with --lookahead " +
                                                  std::to_string(lookahead)
                                            : std::string()));
        }
        return *settings.maxDelay;
    }
    const double largest = delays.largest();
    const double samples = std::max(1.0, std::ceil(largest));
    if (!(samples <= limit)) {
        throw UsageError("the delay reaches " + text(largest) + " samples, which gives no maximum delay; give "
                         "--max-delay (at most " + text(limit) + ")");
    }
    return samples;
}

// With a lookahead the block's delay lines are N entries longer at the old
// end. Initial conditions by channel and delay position gain N columns
// there, which no kept output reads; the other forms keep their meaning as
// they are.
Matrix shiftInitialConditions(const Matrix& ic, int32_t channels, double maxDelay, int64_t lookahead) {
    const int64_t elements = int64_t{ic.rows} * ic.columns;
    if (lookahead == 0 || elements <= 1 || elements == channels) {
        return ic;
    }
    if (ic.rows != channels || ic.columns != maxDelay) {
        throw UsageError("with --lookahead, --ic must be one value, one per channel, or " + std::to_string(channels) +
                         " rows (channels) x " + text(maxDelay) + " columns (the maximum delay); it has " +
                         std::to_string(ic.rows) + " x " + std::to_string(ic.columns));
    }
    const int64_t columns = ic.columns + lookahead;
    if (int64_t{channels} * columns > int32Limit) {
        throw UsageError("--ic with --lookahead " + std::to_string(lookahead) + " is too large for one matrix");
    }
    Matrix shifted{ic.rows, static_cast<int32_t>(columns), {}};
    shifted.columnMajor.assign(static_cast<std::size_t>(lookahead) * static_cast<std::size_t>(ic.rows), 0.0);
    shifted.columnMajor.insert(shifted.columnMajor.end(), ic.columnMajor.begin(), ic.columnMajor.end());
    return shifted;
}

}  // namespace

uint64_t defaultMemoryLimit() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return std::numeric_limits<uint64_t>::max();
    }
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 2;
}

int32_t chooseFrame(const DelayRunSettings& settings, const SignalFormat& format) {
    if (settings.channels && isPositiveInt32(*settings.channels) && *settings.channels != format.channels) {
        // A valid count that is not the signal's would regroup the port's
        // elements into other channels.
        throw UsageError("--channels " + text(*settings.channels) + ": the signal has " +
                         std::to_string(format.channels) + " channel(s)");
    }
    const bool elementChannels = settings.channels && *settings.channels == -1.0;
    const int64_t channels = std::max<int64_t>(1, format.channels);
    if (settings.frame) {
        const int64_t frame = *settings.frame;
        if (frame < 1) {
            throw UsageError("--frame must be a whole number of at least 1");
        }
        if (elementChannels && frame != 1) {
            throw UsageError("--channels -1 makes every element of the data port a channel of its own with "
                             "frame size 1; it cannot be combined with --frame " + std::to_string(frame));
        }
        if (frame > int32Limit / channels) {
            throw UsageError("--frame " + std::to_string(frame) + " is too large: with " +
                             std::to_string(channels) + " channel(s) the data port holds at most " +
                             std::to_string(int32Limit / channels) + " samples per channel");
        }
        return static_cast<int32_t>(frame);
    }
    if (settings.perChannel || elementChannels) {
        return 1;
    }
    return static_cast<int32_t>(std::clamp(automaticPortElements / channels, int64_t{1}, automaticFrameLimit));
}

DelayRunPlan planDelayRun(const DelayRunSettings& settings, const SignalFormat& format, int32_t frame,
                          const DelaySource& delays) {
    for (const double value : settings.initialConditions.columnMajor) {
        if (!std::isfinite(value)) {
            throw UsageError("--ic holds " + text(value) + ", not a finite number");
        }
    }
    DelayRunPlan plan;
    plan.frame = frame;
    plan.halfLength = settings.filter ? settings.filter->rows / 2 : 0;
    plan.lookahead = resolveLookahead(settings, plan.halfLength, frame);
    plan.maxDelay = resolveMaxDelay(settings, delays, plan.lookahead);

    BlockParameters& block = plan.block;
    block.channels = settings.channels ? *settings.channels : format.channels;
    block.perChannel = settings.perChannel;
    block.filter = settings.filter;
    // A maximum delay the block refuses goes through unchanged, so that the
    // block's own message reaches the user.
    const bool validMaximum = isPositiveInt32(plan.maxDelay);
    block.maxDelay = validMaximum ? plan.maxDelay + static_cast<double>(plan.lookahead) : plan.maxDelay;
    block.initialConditions = validMaximum ? shiftInitialConditions(settings.initialConditions, format.channels,
                                                                    plan.maxDelay, plan.lookahead)
                                           : settings.initialConditions;

    if (settings.tail) {
        // The last input sample leaves the filter's window H samples after
        // the largest delay.
        const double largest = std::min(delays.largest(), plan.maxDelay);
        plan.tail = static_cast<int64_t>(std::max(0.0, std::ceil(largest))) + plan.halfLength;
    }

    // The tool's own frame buffers and the host's port storage, a few
    // copies of the data port each.
    const uint64_t portBytes = static_cast<uint64_t>(format.channels) * static_cast<uint64_t>(frame) *
                               (format.complex ? 16u : 8u) * 6u;
    if (portBytes > settings.memoryLimit) {
        throw UsageError("--frame " + std::to_string(frame) + " needs about " + std::to_string(portBytes) +
                         " bytes of port buffers, more than the memory limit of " +
                         std::to_string(settings.memoryLimit) + " bytes (--memory-limit)");
    }
    return plan;
}

}  // namespace quorbelin::cli
