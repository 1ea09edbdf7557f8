// A block record owned by the host, with the operations a host record
// offers the block and the storage the host provides once sizes are known.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>

#include "host/vostrel_host.h"

namespace vostrel {
namespace {

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};
using Storage = std::unique_ptr<void, FreeDeleter>;

uint64_t physicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return std::numeric_limits<uint64_t>::max();
    }
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

}  // namespace

std::optional<WorkVectorType> workVectorType(int32_t dataType) {
    switch (dataType) {
        case 0: return WorkVectorType{"double", 8};
        case 1: return WorkVectorType{"single", 4};
        case 2: return WorkVectorType{"int8", 1};
        case 3: return WorkVectorType{"uint8", 1};
        case 4: return WorkVectorType{"int16", 2};
        case 5: return WorkVectorType{"uint16", 2};
        case WORK_TYPE_INT32: return WorkVectorType{"int32", 4};
        case 7: return WorkVectorType{"uint32", 4};
        case 8: return WorkVectorType{"boolean", 1};
        default: return std::nullopt;
    }
}

struct HostBlock::State {
    std::string blockName;
    BlockRecord record{};
    CallArgs callArgs{};
    PortMethods portMethods{};
    std::vector<Array> parameters;
    std::vector<const kvArray*> parameterRefs;
    std::vector<uint32_t> parameterAttributes;
    std::vector<InputPortRecord> inputPorts;
    std::vector<OutputPortRecord> outputPorts;
    std::vector<WorkVectorRecord> workVectors;
    std::vector<Storage> workStorage;
    bool workVectorsSucceed = true;
    double sampleTimes[2] = {-1.0, 0.0};
    std::vector<std::vector<double>> inputStorage;
    std::vector<std::vector<const double*>> inputElements;
    std::vector<std::vector<double>> outputStorage;

    static int32_t setNumInputPorts(void* context, int32_t count);
    static int32_t setNumOutputPorts(void* context, int32_t count);
    static int32_t setNumWorkVectors(BlockRecord* record, int32_t count);
};

int32_t HostBlock::State::setNumInputPorts(void* context, int32_t count) {
    auto* state = static_cast<State*>(context);
    if (state == nullptr || count < 0) {
        return 0;
    }
    try {
        state->inputPorts.assign(static_cast<std::size_t>(count), InputPortRecord{});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    state->inputStorage.clear();
    state->inputElements.clear();
    state->record.inputPorts = count > 0 ? state->inputPorts.data() : nullptr;
    state->record.sizes[numInputPorts] = count;
    return 1;
}

int32_t HostBlock::State::setNumOutputPorts(void* context, int32_t count) {
    auto* state = static_cast<State*>(context);
    if (state == nullptr || count < 0) {
        return 0;
    }
    try {
        state->outputPorts.assign(static_cast<std::size_t>(count), OutputPortRecord{});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    state->outputStorage.clear();
    state->record.outputPorts = count > 0 ? state->outputPorts.data() : nullptr;
    state->record.sizes[numOutputPorts] = count;
    return 1;
}

// -1 leaves the number open for later; another negative count is refused.
int32_t HostBlock::State::setNumWorkVectors(BlockRecord* record, int32_t count) {
    auto* state = record ? static_cast<State*>(record->hostWorkState) : nullptr;
    if (state == nullptr || !state->workVectorsSucceed || count < -1) {
        return 0;
    }
    if (count == -1) {
        record->numWorkVectors = -1;
        return 1;
    }
    try {
        state->workVectors.assign(static_cast<std::size_t>(count), WorkVectorRecord{});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    state->workStorage.clear();
    record->workVectors = count > 0 ? state->workVectors.data() : nullptr;
    record->numWorkVectors = count;
    return 1;
}

HostBlock::HostBlock(std::string blockName) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.blockName = std::move(blockName);
    BlockRecord& r = s.record;
    r.blockName = s.blockName.c_str();
    r.blockPath = s.blockName.c_str();
    r.root = &r;
    r.setNumInputPorts = &State::setNumInputPorts;
    r.setNumInputPortsContext = &s;
    r.setNumOutputPorts = &State::setNumOutputPorts;
    r.setNumOutputPortsContext = &s;
    r.portMethods = &s.portMethods;
    r.callArgs = &s.callArgs;
    r.setNumWorkVectors = &State::setNumWorkVectors;
    r.hostWorkState = &s;
    r.sampleTimes = s.sampleTimes;
    r.hostSampleTimeCount = 1;
}

HostBlock::~HostBlock() = default;

BlockRecord& HostBlock::record() { return state_->record; }
const BlockRecord& HostBlock::record() const { return state_->record; }

void HostBlock::setParameters(std::vector<Array> parameters) {
    State& s = *state_;
    s.parameters = std::move(parameters);
    s.parameterRefs.clear();
    for (const Array& parameter : s.parameters) {
        s.parameterRefs.push_back(parameter.get());
    }
    s.parameterAttributes.assign(s.parameters.size(), 0u);
    s.record.numParamsGiven = static_cast<int32_t>(s.parameters.size());
    s.record.params = s.parameterRefs.empty() ? nullptr : s.parameterRefs.data();
    s.record.paramAttributes = s.parameterAttributes.empty() ? nullptr : s.parameterAttributes.data();
}

const std::vector<Array>& HostBlock::parameters() const { return state_->parameters; }

void HostBlock::offerWorkVectors(bool offered, bool succeeds) {
    state_->record.setNumWorkVectors = offered ? &State::setNumWorkVectors : nullptr;
    state_->workVectorsSucceed = succeeds;
}

int32_t HostBlock::workVectorCount() const { return state_->record.numWorkVectors; }

Array HostBlock::marker() const {
    const auto address = reinterpret_cast<std::uintptr_t>(&state_->record);
    // The address travels as a double: it must be a whole number below 2^53.
    if (address >= (std::uintptr_t{1} << 53)) {
        throw HostError("the record's address cannot be written exactly as a double");
    }
    return Array::matrix(2, 1, {static_cast<double>(address), static_cast<double>(RECORD_VERSION)});
}

void HostBlock::setSampleTime(double period, double offset) {
    state_->sampleTimes[0] = period;
    state_->sampleTimes[1] = offset;
}

uint64_t HostBlock::workVectorBytes() const {
    const State& s = *state_;
    uint64_t total = 0;
    for (int32_t i = 0; i < s.record.numWorkVectors; ++i) {
        const WorkVectorRecord& vector = s.workVectors[static_cast<std::size_t>(i)];
        const std::optional<WorkVectorType> type = workVectorType(vector.dataType);
        // What allocateWorkVectors refuses takes no storage.
        if (vector.width > 0 && type) {
            total += static_cast<uint64_t>(vector.width) * static_cast<uint64_t>(type->bytes) *
                     (vector.complexity == 1 ? 2u : 1u);
        }
    }
    return total;
}

void HostBlock::allocateWorkVectors() {
    State& s = *state_;
    const int32_t count = s.record.numWorkVectors;
    // Never leave a record pointing at storage that is gone.
    for (WorkVectorRecord& vector : s.workVectors) {
        vector.data = nullptr;
    }
    s.workStorage.clear();
    if (count <= 0) {
        return;
    }
    const uint64_t available = physicalMemoryBytes();
    uint64_t total = 0;
    std::vector<Storage> storage;
    for (int32_t i = 0; i < count; ++i) {
        WorkVectorRecord& vector = s.workVectors[static_cast<std::size_t>(i)];
        const std::string which = "work vector " + std::to_string(i) + " of block \"" + s.blockName + "\"";
        if (vector.width < 0) {
            throw HostError(which + " has a negative width (" + std::to_string(vector.width) + ")");
        }
        const std::optional<WorkVectorType> type = workVectorType(vector.dataType);
        if (!type) {
            throw HostError(which + " has an unknown data type (" + std::to_string(vector.dataType) + ")");
        }
        // At most (2^31 - 1) * 8 * 2 bytes: no overflow in 64 bits.
        const uint64_t bytes = static_cast<uint64_t>(vector.width) * static_cast<uint64_t>(type->bytes) *
                               (vector.complexity == 1 ? 2u : 1u);
        total += bytes;
        if (total > available || bytes > std::numeric_limits<std::size_t>::max()) {
            throw HostError("cannot allocate " + which + ": " + std::to_string(vector.width) +
                            " elements need " + std::to_string(bytes) + " bytes, more than this machine's memory");
        }
        // Zero-filled: entries the block leaves alone read as 0.
        Storage block(std::calloc(1, bytes == 0 ? 1 : static_cast<std::size_t>(bytes)));
        if (!block) {
            throw HostError("cannot allocate " + which + ": out of memory for " + std::to_string(bytes) + " bytes");
        }
        storage.push_back(std::move(block));
    }
    s.workStorage = std::move(storage);
    for (int32_t i = 0; i < count; ++i) {
        s.workVectors[static_cast<std::size_t>(i)].data = s.workStorage[static_cast<std::size_t>(i)].get();
    }
}

void HostBlock::allocateSignals() {
    State& s = *state_;
    const auto inputCount = s.inputPorts.size();
    const auto outputCount = s.outputPorts.size();
    std::vector<std::vector<double>> inputStorage(inputCount);
    std::vector<std::vector<const double*>> inputElements(inputCount);
    std::vector<std::vector<double>> outputStorage(outputCount);
    try {
        for (std::size_t p = 0; p < inputCount; ++p) {
            const InputPortRecord& port = s.inputPorts[p];
            if (port.width < 0) {
                throw HostError("input port " + std::to_string(p) + " has no width yet");
            }
            const std::size_t stride = port.complexity == COMPLEXITY_COMPLEX ? 2 : 1;
            inputStorage[p].assign(static_cast<std::size_t>(port.width) * stride, 0.0);
            inputElements[p].resize(static_cast<std::size_t>(port.width));
            for (std::size_t e = 0; e < inputElements[p].size(); ++e) {
                inputElements[p][e] = inputStorage[p].data() + e * stride;
            }
        }
        for (std::size_t p = 0; p < outputCount; ++p) {
            const OutputPortRecord& port = s.outputPorts[p];
            if (port.width < 0) {
                throw HostError("output port " + std::to_string(p) + " has no width yet");
            }
            const std::size_t stride = port.complexity == COMPLEXITY_COMPLEX ? 2 : 1;
            outputStorage[p].assign(static_cast<std::size_t>(port.width) * stride, 0.0);
        }
    } catch (const std::bad_alloc&) {
        throw HostError("cannot allocate the port signals of block \"" + s.blockName + "\": out of memory");
    }
    s.inputStorage = std::move(inputStorage);
    s.inputElements = std::move(inputElements);
    s.outputStorage = std::move(outputStorage);
    for (std::size_t p = 0; p < inputCount; ++p) {
        s.inputPorts[p].signal = s.inputElements[p].data();
    }
    for (std::size_t p = 0; p < outputCount; ++p) {
        s.outputPorts[p].signal = s.outputStorage[p].data();
    }
}

double* HostBlock::inputData(int32_t port) {
    State& s = *state_;
    if (port < 0 || static_cast<std::size_t>(port) >= s.inputStorage.size()) {
        throw HostError("input port " + std::to_string(port) + " has no signal storage");
    }
    return s.inputStorage[static_cast<std::size_t>(port)].data();
}

const double* HostBlock::outputData(int32_t port) const {
    const State& s = *state_;
    if (port < 0 || static_cast<std::size_t>(port) >= s.outputStorage.size()) {
        throw HostError("output port " + std::to_string(port) + " has no signal storage");
    }
    return s.outputStorage[static_cast<std::size_t>(port)].data();
}

}  // namespace vostrel
