// Complexity propagation through codes 120 and 121: input port 0 and output
// port 0 end up both real or both complex; a stored value stays when the
// pair disagrees.
#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

constexpr char mustBeReal[] = "Output must be real if input is real.";
constexpr char mustBeComplex[] = "Output must be complex if input is complex.";

struct Proposal {
    bool output;
    int32_t port;
    int32_t complexity;
};

struct Complexities {
    int32_t data;
    int32_t delay;
    int32_t output;
    bool operator==(const Complexities&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Complexities& c) {
    return out << "{data " << c.data << ", delay " << c.delay << ", output " << c.output << "}";
}

struct Case {
    const char* name;
    std::vector<Proposal> proposals;
    Complexities expected;
    const char* message;
};

const Case cases[] = {
    {"data complex fills the output", {{false, 0, 1}}, {1, 0, 1}, ""},
    {"output real fills the data", {{true, 0, 0}}, {0, 0, 0}, ""},
    {"data complex, then output real", {{false, 0, 1}, {true, 0, 0}}, {1, 0, 0}, mustBeComplex},
    {"output complex, then data real", {{true, 0, 1}, {false, 0, 0}}, {0, 0, 1}, mustBeReal},
    {"5 is stored as complex", {{false, 0, 5}}, {1, 0, 1}, ""},
    {"-1 is stored as complex", {{true, 0, -1}}, {1, 0, 1}, ""},
    {"delay port complex leaves the pair inherited", {{false, 1, 1}}, {-1, 1, -1}, ""},
    {"delay port real", {{false, 1, 0}}, {-1, 0, -1}, ""},
    {"same value again changes nothing", {{false, 0, 1}, {false, 0, 1}, {true, 0, 1}}, {1, 0, 1}, ""},
    {"input index 2", {{false, 2, 1}}, {-1, 0, -1}, ""},
    {"input index -1", {{false, -1, 1}}, {-1, 0, -1}, ""},
    {"output index 1", {{true, 1, 1}}, {-1, 0, -1}, ""},
};

Complexities complexitiesOf(const BlockRecord& record) {
    return {record.inputPorts[0].complexity, record.inputPorts[1].complexity, record.outputPorts[0].complexity};
}

TEST(Complexity, ProposalsKeepTheDataInputAndOutputAlike) {
    for (const Case& c : cases) {
        auto block = registeredBlock();
        std::string message;
        for (const Proposal& p : c.proposals) {
            message = call(*block, p.output ? outputComplexSignalCode : inputComplexSignalCode,
                           {.port = p.port, .value = p.complexity});
        }
        EXPECT_EQ(complexitiesOf(block->record()), c.expected) << c.name;
        EXPECT_EQ(message, c.message) << c.name;
    }
}

TEST(Complexity, ABlockWithoutPortsIsRefusedOutputsFirst) {
    // Four parameter values: registered, but no port declared.
    vostrel::HostBlock block("quorbelin");
    std::vector<vostrel::Array> values = parameterValues({});
    values.pop_back();
    block.setParameters(std::move(values));
    ASSERT_FALSE(vostrel::registerBlock(blockLibrary(), block).abandoned);
    EXPECT_EQ(call(block, inputComplexSignalCode, {.port = 0, .value = 1}),
              "There must be at least one output port when including dsp_cplxhs11.");

    clearError(block);
    BlockRecord& record = block.record();
    ASSERT_NE(record.setNumOutputPorts(record.setNumOutputPortsContext, 1), 0);
    record.outputPorts[0].complexity = -1;
    EXPECT_EQ(call(block, outputComplexSignalCode, {.port = 0, .value = 1}),
              "There must be at least one input port when including dsp_cplxhs11.");
    EXPECT_EQ(record.outputPorts[0].complexity, -1);
}

// The module serves any number of ports; the pair is always input 0 and
// output 0.
TEST(Complexity, MorePortsStillPairInputZeroWithOutputZero) {
    auto block = registeredBlock();
    BlockRecord& record = block->record();
    ASSERT_NE(record.setNumInputPorts(record.setNumInputPortsContext, 3), 0);
    ASSERT_NE(record.setNumOutputPorts(record.setNumOutputPortsContext, 2), 0);
    for (int i = 0; i < 3; ++i) {
        record.inputPorts[i].complexity = -1;
    }
    record.outputPorts[0].complexity = -1;
    record.outputPorts[1].complexity = -1;

    EXPECT_EQ(call(*block, inputComplexSignalCode, {.port = 2, .value = 1}), "");
    EXPECT_EQ(record.inputPorts[2].complexity, 1);
    EXPECT_EQ(record.inputPorts[0].complexity, -1);
    EXPECT_EQ(call(*block, outputComplexSignalCode, {.port = 1, .value = 0}), "");
    EXPECT_EQ(record.outputPorts[1].complexity, 0);
    EXPECT_EQ(record.outputPorts[0].complexity, -1);
    EXPECT_EQ(call(*block, outputComplexSignalCode, {.port = 0, .value = 1}), "");
    EXPECT_EQ(record.inputPorts[0].complexity, 1);
}

}  // namespace
}  // namespace quorbelin::testing
