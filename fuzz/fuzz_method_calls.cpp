// Method calls with any code, port index and call arguments on a registered
// record, in every state of its life: while it negotiates, and once the host
// has given it storage (when the host no longer proposes port values). The
// block answers or stores a message; it never touches memory it was not
// given, which the sanitizers would report.
#include <cstdlib>

#include "fuzz/fuzz_block_parameters.h"

namespace {

const vostrel::BlockLibrary& block() {
    static const vostrel::BlockLibrary library(QUORBELIN_BLOCK_PATH);
    return library;
}

constexpr int32_t largestWidth = 1 << 12;

// The code as the block reads it (truncated), 0 outside the codes' range.
int32_t wholeCode(double code) { return code >= 100.0 && code < 135.0 ? static_cast<int32_t>(code) : 0; }

bool isProposal(int32_t code) {
    return code == 115 || code == 116 || (code >= 120 && code <= 123) || code == 126 || code == 127;
}

double methodCode(FuzzedDataProvider& bytes) {
    switch (bytes.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: return quorbelin::fuzzing::awkwardDouble(bytes);
        case 1: return bytes.ConsumeIntegralInRange<int32_t>(101, 133) + 0.5;
        default: return bytes.ConsumeIntegralInRange<int32_t>(100, 134);
    }
}

vostrel::MethodArgs methodArgs(FuzzedDataProvider& bytes) {
    vostrel::MethodArgs args;
    args.port = bytes.ConsumeBool() ? bytes.ConsumeIntegralInRange<int32_t>(-2, 2) : bytes.ConsumeIntegral<int32_t>();
    args.value = bytes.ConsumeBool() ? bytes.ConsumeIntegralInRange<int32_t>(-2, 12) : bytes.ConsumeIntegral<int32_t>();
    args.period = quorbelin::fuzzing::awkwardDouble(bytes);
    args.offset = quorbelin::fuzzing::awkwardDouble(bytes);
    return args;
}

// The host gives storage only to ports and work vectors of sizes it accepts.
bool giveStorage(vostrel::HostBlock& host) {
    const BlockRecord& record = host.record();
    if (record.inputPorts == nullptr || record.outputPorts == nullptr || record.workVectors == nullptr) {
        return false;
    }
    for (int32_t p = 0; p < record.sizes[numInputPorts]; ++p) {
        if (record.inputPorts[p].width < 0 || record.inputPorts[p].width > largestWidth) {
            return false;
        }
    }
    for (int32_t p = 0; p < record.sizes[numOutputPorts]; ++p) {
        if (record.outputPorts[p].width < 0 || record.outputPorts[p].width > largestWidth) {
            return false;
        }
    }
    for (int32_t w = 0; w < record.numWorkVectors; ++w) {
        if (record.workVectors[w].width > largestWidth * 64) {
            return false;
        }
    }
    try {
        host.allocateWorkVectors();
        host.allocateSignals();
    } catch (const vostrel::HostError&) {
        return false;
    }
    host.setSampleTime(record.inputPorts[0].samplePeriod, record.inputPorts[0].sampleOffset);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider bytes(data, size);
    const std::size_t liveBefore = vostrel::liveCallocBlocks();
    vostrel::HostBlock host(block().blockName());
    host.setParameters(quorbelin::fuzzing::blockParameters(bytes, bytes.ConsumeIntegralInRange<int>(0, 7) == 0));
    if (vostrel::registerBlock(block(), host).abandoned) {
        return 0;
    }
    bool stored = false;
    // The host starts a simulation once and releases it before the next.
    bool started = false;
    while (bytes.remaining_bytes() > 0) {
        if (!stored && bytes.ConsumeIntegralInRange<int>(0, 7) == 0) {
            vostrel::callMethod(block(), host, 111);
            stored = giveStorage(host);
            continue;
        }
        const double code = methodCode(bytes);
        const int32_t whole = wholeCode(code);
        if ((stored && isProposal(whole)) || (started && whole == 117)) {
            continue;
        }
        started = (started || whole == 117) && whole != 107;
        vostrel::clearError(host);
        vostrel::callMethod(block(), host, code, methodArgs(bytes));
    }
    // The host always ends with release: whatever start allocated goes.
    vostrel::callMethod(block(), host, 107);
    if (vostrel::liveCallocBlocks() != liveBefore) {
        std::abort();
    }
    return 0;
}
