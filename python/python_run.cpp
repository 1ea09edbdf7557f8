#include "python/python_run.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <string>

#include "cli/delay_stream.h"
#include "cli/errors.h"
#include "python/delay_block_library.h"
#include "python/memory_signal.h"
#include "python/numpy_matrix.h"

namespace py = pybind11;

namespace quorbelin::python {

std::vector<double> runInMemory(const vostrel::BlockLibrary& library, const MemoryRun& run) {
    const std::size_t samples = run.signal.size() / std::max<std::size_t>(1, run.format.valuesPerRow());
    const int32_t frame = cli::chooseFrame(run.settings, run.format);
    const std::size_t width = run.settings.perChannel ? static_cast<std::size_t>(run.format.channels) : 1;
    MemoryDelaySource delays(run.delays, width, run.delaysRepeated);
    if (!run.delaysRepeated) {
        // One delay per time sample, or per sample hit and channel.
        const std::size_t needed = run.settings.perChannel ? (samples + frame - 1) / frame : samples;
        if (delays.rows() != needed) {
            throw cli::UsageError("delay has " + std::to_string(delays.rows()) + " rows; the signal needs " +
                                  std::to_string(needed) +
                                  (run.settings.perChannel ? " (one per frame of " + std::to_string(frame) + ")"
                                                           : std::string(" (one per sample)")));
        }
    }
    const cli::DelayRunPlan plan = cli::planDelayRun(run.settings, run.format, frame, delays);
    cli::DelayStream stream(library, plan, run.format, run.settings.memoryLimit);
    MemorySignalReader reader(run.signal, run.format);
    std::vector<double> output;
    output.reserve((samples + static_cast<std::size_t>(plan.tail)) * run.format.valuesPerRow());
    MemorySignalWriter writer(output, run.format.valuesPerRow());
    stream.run(reader, delays, writer, nullptr);
    writer.finish();
    return output;
}

namespace {

using RowArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

std::span<const double> valuesOf(const RowArray& array) {
    return {array.data(), static_cast<std::size_t>(array.size())};
}

}  // namespace

void bindRun(py::module_& m) {
    m.def(
        "_run_delay",
        [](const RowArray& signal, int32_t channels, bool complex, const RowArray& delays, bool delaysRepeated,
           std::optional<double> maxDelay, const py::object& filter, const ColumnMajorArray& ic,
           std::optional<double> blockChannels, bool perChannel, std::optional<int64_t> frame,
           std::optional<int64_t> lookahead, bool tail, std::optional<uint64_t> memoryLimit) {
            MemoryRun run;
            run.signal = valuesOf(signal);
            run.format = cli::SignalFormat{channels, complex, std::nullopt};
            run.delays = valuesOf(delays);
            run.delaysRepeated = delaysRepeated;
            cli::DelayRunSettings& settings = run.settings;
            settings.maxDelay = maxDelay;
            settings.filter = filterFrom(filter);
            settings.initialConditions = toMatrix(ic);
            settings.channels = blockChannels;
            settings.perChannel = perChannel;
            settings.frame = frame;
            settings.lookahead = lookahead;
            settings.tail = tail;
            settings.memoryLimit = memoryLimit.value_or(cli::defaultMemoryLimit());
            const vostrel::BlockLibrary& library = delayBlockLibrary();
            std::vector<double> output;
            {
                py::gil_scoped_release release;
                output = runInMemory(library, run);
            }
            const std::size_t width = run.format.valuesPerRow();
            RowArray result({static_cast<py::ssize_t>(output.size() / width), static_cast<py::ssize_t>(width)});
            std::copy(output.begin(), output.end(), result.mutable_data());
            return result;
        },
        py::arg("signal"), py::arg("channels"), py::arg("complex"), py::arg("delays"), py::arg("delays_repeated"),
        py::arg("max_delay"), py::arg("filter"), py::arg("ic"), py::arg("block_channels"), py::arg("per_channel"),
        py::arg("frame"), py::arg("lookahead"), py::arg("tail"), py::arg("memory_limit"));
}

}  // namespace quorbelin::python
