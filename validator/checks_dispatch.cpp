// Method dispatch by code, and methods called in an order the host should
// never use.
#include <cmath>
#include <functional>
#include <limits>
#include <map>

#include "validator/checks.h"
#include "validator/harness.h"
#include "validator/interface_texts.h"
#include "validator/isolation.h"
#include "host/simulation.h"

namespace quorbelin::validator {
namespace {

using vostrel::HostBlock;

struct CodeCase {
    double code;
    std::string expected;
};

// A host record registered with the first scenario's parameters.
std::unique_ptr<HostBlock> registeredBlock(const vostrel::BlockLibrary& library, const CheckContext& context) {
    auto block = std::make_unique<HostBlock>(library.blockName());
    block->setParameters(scenariosFor(library, context.parameters).scenarios.front().parameterArrays());
    const vostrel::SizeQueryResult registration = vostrel::registerBlock(library, *block);
    if (registration.abandoned) {
        throw CheckSkipped("registration was refused: " + registration.message);
    }
    if (block->record().errorMessage != nullptr) {
        throw CheckSkipped(std::string("the block refused the validator's parameters: ") +
                           block->record().errorMessage);
    }
    return block;
}

std::string answerOf(const vostrel::BlockLibrary& library, HostBlock& block, double code) {
    vostrel::clearError(block);
    return vostrel::callMethod(library, block, code);
}

Outcome methodCodes(const CheckContext& context) {
    const auto library = loadForCheck(context);
    auto block = registeredBlock(*library, context);
    const MethodTable& installed = block->record().methods;
    // Registration fills the block's slots and leaves the data-type slots to
    // the host.
    if (installed.mdlDeclareSizes == nullptr || installed.mdlSetInputPortWidth == nullptr ||
        installed.mdlSetWorkWidths == nullptr || installed.mdlStart == nullptr ||
        installed.mdlInitializeConditions == nullptr || installed.mdlComputeOutputs == nullptr ||
        installed.mdlRelease == nullptr || installed.mdlCheckParameters == nullptr ||
        installed.mdlSetInputPortComplexSignal == nullptr || installed.mdlSetInputPortSampleTime == nullptr) {
        return Outcome::fail("registration left one of the block's method slots empty");
    }
    if (installed.mdlSetInputPortDataType != nullptr || installed.mdlSetOutputPortDataType != nullptr) {
        return Outcome::fail("registration filled a data-type slot, which is the host's");
    }

    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<CodeCase> cases = {
        {103, texts::nextVariableHit},
        {108, texts::zeroCrossings},
        {113, texts::unexpectedCall("mdlSetInputPortDataType")},
        {114, texts::unexpectedCall("mdlSetOutputPortDataType")},
        {126, texts::unexpectedCall("mdlSetInputPortDimensionInfo")},
        {127, texts::unexpectedCall("mdlSetOutputPortDimensionInfo")},
        {128, texts::unexpectedCall("mdlSetInputPortFrameData")},
        {131, texts::unexpectedCall("mdlSetDefaultPortDimensionInfo")},
        {132, texts::unexpectedCall("mdlSetDefaultPortDataTypes")},
        {133, texts::unexpectedCall("mdlSetDefaultPortComplexSignals")},
        {112, ""},
        {112.75, ""},  // truncated to 112
    };
    for (double code : {105.0, 106.0, 109.0, 110.0, 118.0, 119.0, 124.0, 125.0, 129.0, 130.0, 100.0, 134.0, 0.0,
                        -104.0, 1e12, -1e12, nan, 105.9}) {
        cases.push_back({code, texts::invalidMethodCode});
    }
    for (const CodeCase& c : cases) {
        announceStage("method code " + std::to_string(c.code));
        const std::string answer = answerOf(*library, *block, c.code);
        if (answer != c.expected) {
            return Outcome::fail("method code " + std::to_string(c.code) + " answered \"" + answer +
                                 "\"; expected \"" + c.expected + "\"");
        }
    }

    // Emptied slots: the codes that go through a slot refuse; 101 runs the
    // block's own method whatever the slot holds.
    MethodTable& methods = block->record().methods;
    const std::vector<std::pair<double, std::function<void()>>> emptied = {
        {102, [&] { methods.mdlInitializeConditions = nullptr; }},
        {117, [&] { methods.mdlStart = nullptr; }},
        {111, [&] { methods.mdlSetWorkWidths = nullptr; }},
        {112, [&] { methods.mdlCheckParameters = nullptr; }},
        {120, [&] { methods.mdlSetInputPortComplexSignal = nullptr; }},
        {121, [&] { methods.mdlSetOutputPortComplexSignal = nullptr; }},
        {122, [&] { methods.mdlSetInputPortSampleTime = nullptr; }},
        {123, [&] { methods.mdlSetOutputPortSampleTime = nullptr; }},
    };
    const std::map<double, std::string> slotNames = {
        {102, "mdlInitializeConditions"},      {117, "mdlStart"},
        {111, "mdlSetWorkWidths"},             {112, "mdlCheckParameters"},
        {120, "mdlSetInputPortComplexSignal"}, {121, "mdlSetOutputPortComplexSignal"},
        {122, "mdlSetInputPortSampleTime"},    {123, "mdlSetOutputPortSampleTime"},
    };
    for (const auto& [code, clear] : emptied) {
        clear();
        announceStage("method code " + std::to_string(code) + " with its slot emptied");
        const std::string expected = texts::unexpectedCall(slotNames.at(code));
        const std::string answer = answerOf(*library, *block, code);
        if (answer != expected) {
            return Outcome::fail("method code " + std::to_string(code) + " with its slot emptied answered \"" +
                                 answer + "\"; expected \"" + expected + "\"");
        }
    }
    // While the host keeps dimension-info methods in the width slots, the
    // width codes are refused.
    block->record().sizes[portFlags] |= static_cast<int32_t>(PORT_FLAGS_DIMENSION_INFO);
    for (const auto& [code, method] : {std::pair{115.0, "mdlSetInputPortWidth"}, std::pair{116.0, "mdlSetOutputPortWidth"}}) {
        announceStage("method code " + std::to_string(code) + " with dimension-info ports");
        const std::string answer = answerOf(*library, *block, code);
        if (answer != texts::unexpectedCall(method)) {
            return Outcome::fail("method code " + std::to_string(code) + " with portFlags bit 0 set answered \"" +
                                 answer + "\"");
        }
    }
    return Outcome::pass(std::to_string(cases.size() + emptied.size() + 2) + " codes answered by their rule");
}

// One misuse of the life cycle on a fresh record with settled ports and
// guarded port storage.
struct Misuse {
    const char* name;
    bool workVectors;           // mdlSetWorkWidths and storage before the calls
    std::vector<double> codes;  // the calls, in order
};

Outcome outOfOrderCalls(const CheckContext& context) {
    const auto library = loadForCheck(context);
    const Scenario scenario = scenariosFor(*library, context.parameters).scenarios.front();
    const std::vector<Misuse> misuses = {
        {"outputs before the work widths", false, {104}},
        {"outputs before start", true, {104, 104}},
        {"initial conditions before start", true, {102, 104}},
        {"start twice", true, {117, 117, 102, 104, 107}},
        {"release twice", true, {117, 102, 104, 107, 107}},
        {"release before start", true, {107}},
        {"outputs after release", true, {117, 102, 107, 104}},
        {"initial conditions after release", true, {117, 107, 102, 104}},
        {"work widths after start", true, {117, 102, 111, 104, 107}},
    };
    std::string leaks;
    for (const Misuse& misuse : misuses) {
        announceStage(misuse.name);
        const std::size_t liveBefore = vostrel::liveCallocBlocks();
        {
            HostBlock block(library->blockName());
            block.setParameters(scenario.parameterArrays());
            try {
                vostrel::negotiate(*library, block, scenario.connections);
            } catch (const vostrel::SimulationError& error) {
                throw CheckSkipped(std::string("the validator's configuration does not settle: ") + error.what());
            }
            if (misuse.workVectors) {
                vostrel::callMethod(*library, block, 111);
                block.allocateWorkVectors();
            }
            GuardedPorts ports(block.record());
            for (double code : misuse.codes) {
                ports.loadConstant(0.25);
                vostrel::clearError(block);
                vostrel::callMethod(*library, block, code);
                std::string problem = ports.problems();
                // Outputs may stay unwritten when the block refuses the call.
                if (!problem.empty() && problem.find("unwritten") == std::string::npos) {
                    return Outcome::fail(std::string(misuse.name) + ": code " + std::to_string(static_cast<int>(code)) +
                                         " " + problem);
                }
            }
        }
        const std::size_t liveAfter = vostrel::liveCallocBlocks();
        if (liveAfter > liveBefore) {
            leaks += (leaks.empty() ? "" : "; ") + std::string(misuse.name) + " leaves " +
                     std::to_string(liveAfter - liveBefore) + " block(s) of the block's memory";
        }
    }
    if (!leaks.empty()) {
        return Outcome::warn(leaks);
    }
    return Outcome::pass(std::to_string(misuses.size()) +
                         " misuses survived, nothing written outside the ports, nothing leaked");
}

}  // namespace

std::vector<Check> dispatchChecks() {
    return {
        {"dispatch.method-codes", "every method code answers by its rule", methodCodes},
        {"dispatch.out-of-order", "methods called out of order never crash or write outside the ports",
         outOfOrderCalls},
    };
}

}  // namespace quorbelin::validator
