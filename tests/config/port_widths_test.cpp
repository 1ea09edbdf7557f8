// Width propagation through codes 115 and 116 on a registered record: the
// data input and the output share one width, a multiple of the channels; the
// delay port follows the frame size, or the channel count in per-channel
// delay mode. Widths stored before a failed check stay stored.
#include <cmath>
#include <limits>

#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

constexpr char inputNotMultiple[] = "Input port width must be a multiple of the number of channels";
constexpr char outputNotMultiple[] = "Output port width must be a multiple of the number of channels";
constexpr char pairMismatch[] = "Input/Output port pairs must have the same width";
constexpr char delayNotFrame[] = "Delay port width must equal the frame size";
constexpr char perChannelMismatch[] =
    "When using per-channel delay mode, the delay port width must equal the number of channels";

enum class Port { DataIn, DelayIn, Out };

struct Proposal {
    Port port;
    int32_t width;
    int32_t index = -100;  // the port index passed; -100: the port's own
};

struct Widths {
    int32_t data;
    int32_t delay;
    int32_t output;
    bool operator==(const Widths&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Widths& w) {
    return out << "{data " << w.data << ", delay " << w.delay << ", output " << w.output << "}";
}

struct Case {
    const char* name;
    double numChannels;
    double perChannelDelay;
    std::vector<Proposal> proposals;  // every message stays; the last one is kept
    Widths expected;
    const char* message;  // "" for none
};

const double nan = std::numeric_limits<double>::quiet_NaN();

const Case cases[] = {
    {"N 4, data 12 fills output and delay", 4, 0, {{Port::DataIn, 12}}, {12, 3, 12}, ""},
    {"N 4, data 10 is no multiple", 4, 0, {{Port::DataIn, 10}}, {-1, -1, -1}, inputNotMultiple},
    {"N -1, data 5: frame of 1", -1, 0, {{Port::DataIn, 5}}, {5, 1, 5}, ""},
    {"N 4, output 8 then data 12", 4, 0, {{Port::Out, 8}, {Port::DataIn, 12}}, {12, 2, 8}, pairMismatch},
    {"delay 3 first is stored unchecked", 4, 0, {{Port::DelayIn, 3}}, {-1, 3, -1}, ""},
    {"delay 3 then data 12 passes", 4, 0, {{Port::DelayIn, 3}, {Port::DataIn, 12}}, {12, 3, 12}, ""},
    {"delay 3 then data 8", 4, 0, {{Port::DelayIn, 3}, {Port::DataIn, 8}}, {8, 3, 8}, delayNotFrame},
    {"per-channel N 3, delay 3", 3, 1, {{Port::DelayIn, 3}}, {-1, 3, -1}, ""},
    {"per-channel N 3, delay 6", 3, 1, {{Port::DelayIn, 6}}, {-1, 6, -1}, perChannelMismatch},
    {"per-channel: data leaves delay alone", 3, 1, {{Port::DataIn, 12}}, {12, -1, 12}, ""},
    {"per-channel: data after a delay", 3, 1, {{Port::DelayIn, 3}, {Port::DataIn, 12}}, {12, 3, 12}, ""},
    {"perChannelDelay NaN is per-channel", 3, nan, {{Port::DelayIn, 6}}, {-1, 6, -1}, perChannelMismatch},
    {"perChannelDelay -0.0 is per-sample", 3, -0.0, {{Port::DelayIn, 6}}, {-1, 6, -1}, ""},
    {"output 12 first fills data and delay", 4, 0, {{Port::Out, 12}}, {12, 3, 12}, ""},
    {"output 10 is no multiple", 4, 0, {{Port::Out, 10}}, {-1, -1, -1}, outputNotMultiple},
    {"output after delay of another frame", 4, 0, {{Port::DelayIn, 2}, {Port::Out, 12}}, {12, 2, 12},
     delayNotFrame},
    {"output per-channel leaves delay", 4, 1, {{Port::Out, 12}}, {12, -1, 12}, ""},
    {"output then data of another width", 4, 0, {{Port::Out, 12}, {Port::DataIn, 8}}, {8, 3, 12},
     pairMismatch},
    {"data twice, same width", 2, 0, {{Port::DataIn, 8}, {Port::DataIn, 8}}, {8, 4, 8}, ""},
    {"per-channel N -1: delay first is kept for start", -1, 1, {{Port::DelayIn, 4}}, {-1, 4, -1}, ""},
    {"per-channel N -1: delay equal to data", -1, 1, {{Port::DataIn, 5}, {Port::DelayIn, 5}}, {5, 5, 5}, ""},
    {"per-channel N -1: delay other than data", -1, 1, {{Port::DataIn, 5}, {Port::DelayIn, 4}}, {5, 4, 5},
     perChannelMismatch},
    {"input index -1", 4, 0, {{Port::DataIn, 12, -1}}, {-1, -1, -1}, ""},
    {"input index 2", 4, 0, {{Port::DataIn, 12, 2}}, {-1, -1, -1}, ""},
    {"input index INT_MIN", 4, 0, {{Port::DataIn, 12, INT32_MIN}}, {-1, -1, -1}, ""},
    {"output index 1", 4, 0, {{Port::Out, 12, 1}}, {-1, -1, -1}, ""},
    {"output index -1", 4, 0, {{Port::Out, 12, -1}}, {-1, -1, -1}, ""},
};

Widths widthsOf(const BlockRecord& record) {
    return {record.inputPorts[0].width, record.inputPorts[1].width, record.outputPorts[0].width};
}

TEST(PortWidths, ProposalsFillAndCheckTheTiedWidths) {
    for (const Case& c : cases) {
        auto block = registeredBlock({.numChannels = c.numChannels, .perChannelDelay = c.perChannelDelay});
        std::string message;
        for (const Proposal& p : c.proposals) {
            const int32_t own = p.port == Port::DelayIn ? 1 : 0;
            const int code = p.port == Port::Out ? outputWidthCode : inputWidthCode;
            message = call(*block, code, {.port = p.index == -100 ? own : p.index, .value = p.width});
        }
        EXPECT_EQ(widthsOf(block->record()), c.expected) << c.name;
        EXPECT_EQ(message, c.message) << c.name;
    }
}

TEST(PortWidths, AnUnvalidatedChannelCountOfZeroIsRefusedNotDividedBy) {
    for (int code : {inputWidthCode, outputWidthCode}) {
        auto block = registeredBlock({.numChannels = 2});
        block->setParameters(parameterValues({.numChannels = 0.5}));
        EXPECT_EQ(call(*block, code, {.port = 0, .value = 8}),
                  "Number of channels should be a positive scalar integer. If it is -1, the number of "
                  "channels equals the port width");
        EXPECT_EQ(widthsOf(block->record()), (Widths{-1, -1, -1}));
    }
}

TEST(PortWidths, ParametersAreReadAfreshAtEveryCall) {
    auto block = registeredBlock({.numChannels = 2});
    EXPECT_EQ(call(*block, inputWidthCode, {.port = 0, .value = 6}), "");
    EXPECT_EQ(widthsOf(block->record()), (Widths{6, 3, 6}));
    block->setParameters(parameterValues({.numChannels = 3}));
    EXPECT_EQ(call(*block, inputWidthCode, {.port = 0, .value = 6}), delayNotFrame);
}

}  // namespace
}  // namespace quorbelin::testing
