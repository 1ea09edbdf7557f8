// quorbelin.delay(): a whole signal in memory through the tool's own run
// code (the same frame choice, plan and streaming loop as `quorbelin run`),
// so the result is bit for bit the tool's on the same data.
#ifndef QUORBELIN_PYTHON_PYTHON_RUN_H
#define QUORBELIN_PYTHON_PYTHON_RUN_H

#include <pybind11/pybind11.h>

#include <span>
#include <vector>

#include "cli/delay_plan.h"
#include "cli/signal_io.h"
#include "host/vostrel_host.h"

namespace quorbelin::python {

struct MemoryRun {
    std::span<const double> signal;  // rows x format.valuesPerRow()
    cli::SignalFormat format;
    std::span<const double> delays;  // rows x width, or one row that holds throughout
    bool delaysRepeated = false;
    cli::DelayRunSettings settings;
};

// The output rows: the signal's length, plus the tail when asked for.
// UsageError for settings or delays that do not fit, BlockError for the
// block's message, MemoryLimitError beyond the memory limit.
std::vector<double> runInMemory(const vostrel::BlockLibrary& library, const MemoryRun& run);

// Binds _run_delay on the module.
void bindRun(pybind11::module_& m);

}  // namespace quorbelin::python

#endif
