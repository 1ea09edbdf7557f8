// Sample-time propagation through codes 122 and 123 and the check of code
// 101: the output runs at the rate of the first input that is not constant;
// outputs already set are never overwritten by a proposal for an input.
#include <limits>

#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

constexpr char notPortBased[] =
    "S-Function must use PORT_BASED_SAMPLE_TIMES in order to be able to include dsp_ctrl_ts.";
constexpr char noInputs[] = "Must have at least 1 input port to use 'dsp_ctrl_ts'.";
constexpr char noOutputs[] = "Must have at least 1 output port to use 'dsp_ctrl_ts'.";
constexpr char outputsVsFirst[] = "Sample time of first input port and all output ports must be identical.";
constexpr char outputsVsReference[] =
    "Sample time of first input port with non-constant sample time and all output ports must be identical.";
constexpr char inputsDiffer[] = "Sample times of all input ports which are not constant should be identical.";

const double inf = std::numeric_limits<double>::infinity();

struct Time {
    double period;
    double offset;
    bool operator==(const Time&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Time& t) {
    return out << "(" << t.period << ", " << t.offset << ")";
}

enum class Step { DataIn, DelayIn, Out, Check };

struct Proposal {
    Step step;
    Time time{};
};

struct Case {
    const char* name;
    std::vector<Proposal> proposals;
    Time data;
    Time delay;
    Time output;
    const char* message;  // of the last step
};

// Offsets of the declared ports stay as the host made them: 0.
const Time unset{-1.0, 0.0};

const Case cases[] = {
    {"data first sets the output", {{Step::DataIn, {0.1, 0}}}, {0.1, 0}, unset, {0.1, 0}, ""},
    {"a later delay time leaves the output",
     {{Step::DataIn, {0.1, 0}}, {Step::DelayIn, {0.2, 0}}},
     {0.1, 0},
     {0.2, 0},
     {0.1, 0},
     ""},
    {"differing discrete inputs fail the check",
     {{Step::DataIn, {0.1, 0}}, {Step::DelayIn, {0.2, 0}}, {Step::Check}},
     {0.1, 0},
     {0.2, 0},
     {0.1, 0},
     inputsDiffer},
    {"a constant delay input is left out of the check",
     {{Step::DataIn, {0.1, 0}}, {Step::DelayIn, {inf, 0}}, {Step::Check}},
     {0.1, 0},
     {inf, 0},
     {0.1, 0},
     ""},
    {"constant data waits for the delay input", {{Step::DataIn, {inf, 0}}}, {inf, 0}, unset, unset, ""},
    {"constant data: output takes the delay time",
     {{Step::DataIn, {inf, 0}}, {Step::DelayIn, {0.5, 0}}, {Step::Check}},
     {inf, 0},
     {0.5, 0},
     {0.5, 0},
     ""},
    {"constant data, output elsewhere",
     {{Step::Out, {0.25, 0}}, {Step::DataIn, {inf, 0}}, {Step::DelayIn, {0.5, 0}}, {Step::Check}},
     {inf, 0},
     {0.5, 0},
     {0.25, 0},
     outputsVsReference},
    {"output first sets the data input only", {{Step::Out, {0.3, 0.1}}}, {0.3, 0.1}, unset, {0.3, 0.1}, ""},
    {"output proposal leaves a set data input",
     {{Step::DataIn, {0.1, 0}}, {Step::Out, {0.3, 0}}},
     {0.1, 0},
     unset,
     {0.3, 0},
     ""},
    {"(-1, -1) marks only the offsets of unset ports",
     {{Step::DataIn, {0.1, 0}}, {Step::DelayIn, {-1, -1}}},
     {0.1, 0},
     {-1, -1},
     {0.1, 0},
     ""},
    {"(-1, -1) for the output", {{Step::Out, {-1, -1}}}, {-1, -1}, {-1, -1}, {-1, -1}, ""},
    {"a set output is not overwritten by inputs",
     {{Step::Out, {0.3, 0}}, {Step::DelayIn, {0.1, 0}}, {Step::DataIn, {0.1, 0}}},
     {0.1, 0},
     {0.1, 0},
     {0.3, 0},
     ""},
    {"every input constant: output takes input 0",
     {{Step::DataIn, {inf, 0}}, {Step::DelayIn, {inf, 0}}, {Step::Check}},
     {inf, 0},
     {inf, 0},
     {inf, 0},
     ""},
    {"every input constant, output elsewhere",
     {{Step::Out, {0.2, 0}}, {Step::DataIn, {inf, 0}}, {Step::DelayIn, {inf, 0}}, {Step::Check}},
     {inf, 0},
     {inf, 0},
     {0.2, 0},
     outputsVsFirst},
    {"an offset alone differs",
     {{Step::Out, {0.1, 0.05}}, {Step::DataIn, {0.1, 0}}, {Step::DelayIn, {0.1, 0}}, {Step::Check}},
     {0.1, 0},
     {0.1, 0},
     {0.1, 0.05},
     outputsVsFirst},
    {"a continuous input skips the input check",
     {{Step::DataIn, {0.0, 0}}, {Step::DelayIn, {0.2, 0}}, {Step::Check}},
     {0.0, 0},
     {0.2, 0},
     {0.0, 0},
     ""},
    {"an unset input skips the input check",
     {{Step::DataIn, {0.1, 0}}, {Step::Check}},
     {0.1, 0},
     unset,
     {0.1, 0},
     ""},
    {"a NaN period equals nothing",
     {{Step::DataIn, {std::numeric_limits<double>::quiet_NaN(), 0}}, {Step::Check}},
     {std::numeric_limits<double>::quiet_NaN(), 0},
     unset,
     {std::numeric_limits<double>::quiet_NaN(), 0},
     outputsVsFirst},
};

Time timeOf(double period, double offset) { return {period, offset}; }

bool sameTime(const Time& a, const Time& b) {
    auto same = [](double x, double y) { return x == y || (x != x && y != y); };
    return same(a.period, b.period) && same(a.offset, b.offset);
}

TEST(SampleTimes, ProposalsAndTheCheck) {
    for (const Case& c : cases) {
        auto block = registeredBlock();
        std::string message;
        for (const Proposal& p : c.proposals) {
            switch (p.step) {
            case Step::DataIn:
            case Step::DelayIn:
                message = call(*block, inputSampleTimeCode,
                               {.port = p.step == Step::DelayIn ? 1 : 0, .period = p.time.period, .offset = p.time.offset});
                break;
            case Step::Out:
                message = call(*block, outputSampleTimeCode, {.port = 0, .period = p.time.period, .offset = p.time.offset});
                break;
            case Step::Check:
                message = call(*block, checkSampleTimesCode);
                break;
            }
        }
        const BlockRecord& record = block->record();
        const Time data = timeOf(record.inputPorts[0].samplePeriod, record.inputPorts[0].sampleOffset);
        const Time delay = timeOf(record.inputPorts[1].samplePeriod, record.inputPorts[1].sampleOffset);
        const Time output = timeOf(record.outputPorts[0].samplePeriod, record.outputPorts[0].sampleOffset);
        EXPECT_TRUE(sameTime(data, c.data)) << c.name << ": data " << data;
        EXPECT_TRUE(sameTime(delay, c.delay)) << c.name << ": delay " << delay;
        EXPECT_TRUE(sameTime(output, c.output)) << c.name << ": output " << output;
        EXPECT_EQ(message, c.message) << c.name;
    }
}

TEST(SampleTimes, OutOfRangePortsAreIgnored) {
    for (int code : {inputSampleTimeCode, outputSampleTimeCode}) {
        for (int32_t port : {-1, 2, 7, INT32_MIN}) {
            if (code == outputSampleTimeCode && port == 2) {
                port = 1;
            }
            auto block = registeredBlock();
            EXPECT_EQ(call(*block, code, {.port = port, .period = 0.1, .offset = 0.0}), "") << port;
            const BlockRecord& record = block->record();
            EXPECT_EQ(record.inputPorts[0].samplePeriod, -1.0);
            EXPECT_EQ(record.inputPorts[1].samplePeriod, -1.0);
            EXPECT_EQ(record.outputPorts[0].samplePeriod, -1.0);
        }
    }
}

TEST(SampleTimes, SettersRefuseBeforeWritingAnything) {
    auto block = registeredBlock();
    BlockRecord& record = block->record();
    record.sizes[numSampleTimes] = 1;
    EXPECT_EQ(call(*block, inputSampleTimeCode, {.port = 0, .period = 0.1}), notPortBased);
    EXPECT_EQ(record.inputPorts[0].samplePeriod, -1.0);
    EXPECT_EQ(record.outputPorts[0].samplePeriod, -1.0);

    record.sizes[numSampleTimes] = -1;
    clearError(*block);
    ASSERT_NE(record.setNumInputPorts(record.setNumInputPortsContext, 0), 0);
    EXPECT_EQ(call(*block, outputSampleTimeCode, {.port = 0, .period = 0.1}), noInputs);
    EXPECT_EQ(record.outputPorts[0].samplePeriod, -1.0);

    clearError(*block);
    ASSERT_NE(record.setNumInputPorts(record.setNumInputPortsContext, 1), 0);
    ASSERT_NE(record.setNumOutputPorts(record.setNumOutputPortsContext, 0), 0);
    record.inputPorts[0].samplePeriod = -1.0;
    EXPECT_EQ(call(*block, inputSampleTimeCode, {.port = 0, .period = 0.1}), noOutputs);
    EXPECT_EQ(record.inputPorts[0].samplePeriod, -1.0);
}

TEST(SampleTimes, TheCheckWithoutInputsChecksNothing) {
    auto block = registeredBlock();
    BlockRecord& record = block->record();
    record.outputPorts[0].samplePeriod = 0.5;
    ASSERT_NE(record.setNumInputPorts(record.setNumInputPortsContext, 0), 0);
    EXPECT_EQ(call(*block, checkSampleTimesCode), "");
}

// A block of three inputs and two outputs: the module serves any number.
struct WideBlock {
    std::unique_ptr<vostrel::HostBlock> block = registeredBlock();
    BlockRecord& record = block->record();

    WideBlock() {
        EXPECT_NE(record.setNumInputPorts(record.setNumInputPortsContext, 3), 0);
        EXPECT_NE(record.setNumOutputPorts(record.setNumOutputPortsContext, 2), 0);
        for (int i = 0; i < 3; ++i) {
            record.inputPorts[i].samplePeriod = -1.0;
        }
        for (int i = 0; i < 2; ++i) {
            record.outputPorts[i].samplePeriod = -1.0;
        }
    }
    std::string propose(bool output, int32_t port, double period, double offset = 0.0) {
        return call(*block, output ? outputSampleTimeCode : inputSampleTimeCode,
                    {.port = port, .period = period, .offset = offset});
    }
};

TEST(SampleTimes, ManyPortsFollowTheFirstNonConstantInput) {
    WideBlock wide;
    EXPECT_EQ(wide.propose(false, 0, inf), "");
    EXPECT_EQ(wide.propose(false, 2, 0.4), "");
    EXPECT_EQ(wide.record.outputPorts[0].samplePeriod, -1.0);
    EXPECT_EQ(wide.propose(false, 1, 0.2, 0.1), "");
    // Input 1 is the first that is not constant.
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(wide.record.outputPorts[i].samplePeriod, 0.2) << i;
        EXPECT_EQ(wide.record.outputPorts[i].sampleOffset, 0.1) << i;
    }
    // A constant input makes the inputs not all discrete: only the outputs
    // are checked.
    EXPECT_EQ(call(*wide.block, checkSampleTimesCode), "");
}

TEST(SampleTimes, ManyPortsOutputProposalFillsTheOtherOutputsAndInputZero) {
    WideBlock wide;
    EXPECT_EQ(wide.propose(true, 1, 0.5), "");
    EXPECT_EQ(wide.record.outputPorts[1].samplePeriod, 0.5);
    EXPECT_EQ(wide.record.outputPorts[0].samplePeriod, 0.5);
    EXPECT_EQ(wide.record.inputPorts[0].samplePeriod, 0.5);
    EXPECT_EQ(wide.record.inputPorts[1].samplePeriod, -1.0);
    EXPECT_EQ(wide.record.inputPorts[2].samplePeriod, -1.0);
}

TEST(SampleTimes, ManyPortsCheckNamesTheLaterReference) {
    WideBlock wide;
    wide.propose(false, 0, inf);
    wide.propose(true, 1, 0.3);
    wide.propose(false, 1, 0.2);
    wide.propose(false, 2, 0.2);
    EXPECT_EQ(wide.record.outputPorts[0].samplePeriod, 0.3);
    EXPECT_EQ(call(*wide.block, checkSampleTimesCode), outputsVsReference);
}

TEST(SampleTimes, OneInputFillsTheOutputsFromAnyProposal) {
    auto block = registeredBlock();
    BlockRecord& record = block->record();
    ASSERT_NE(record.setNumInputPorts(record.setNumInputPortsContext, 1), 0);
    record.inputPorts[0].samplePeriod = -1.0;
    EXPECT_EQ(call(*block, inputSampleTimeCode, {.port = 0, .period = inf}), "");
    EXPECT_EQ(record.outputPorts[0].samplePeriod, inf);
}

}  // namespace
}  // namespace quorbelin::testing
