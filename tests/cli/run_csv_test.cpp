// `quorbelin run` on CSV files, end to end through the executable and the
// block library, compared bit for bit with the tests' own model of the
// delay. The cases cover frames with a padded last frame, per-channel
// delays, complex signals, the three forms of initial conditions, delays
// outside [0, Dmax] and both kinds of interpolation.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/tool_runner.h"
#include "tests/engine/delay_model.h"

namespace quorbelin::testing {
namespace {

enum class InitialConditions { Scalar, PerChannel, PerChannelAndDelay };

struct RunCase {
    const char* name;
    int channels;
    int frame;
    bool complex;
    bool perChannel;
    const char* filter;  // "linear" or a design string
    int maxDelay;
    InitialConditions ic;
    int samples;
};

// Each channel's history just before the first input, by age (0 newest), as
// the initial conditions load it: the buffer holds L = Dmax + H + 1 entries
// and entry k has age L - 2 - k (mod L). The one-value form fills every
// entry; the other forms fill entries 0 ... Dmax - 1 and leave the rest as
// the host's zero-filled storage.
std::vector<std::vector<ModelSample>> initialHistory(const RunCase& c, int halfLength, const Rows& icRows) {
    const int length = c.maxDelay + halfLength + 1;
    std::vector<std::vector<ModelSample>> history(c.channels, std::vector<ModelSample>(length));
    for (int channel = 0; channel < c.channels; ++channel) {
        for (int entry = 0; entry < length; ++entry) {
            double value = 0.0;
            if (c.ic == InitialConditions::Scalar) {
                value = icRows[0][0];
            } else if (entry < c.maxDelay) {
                value = c.ic == InitialConditions::PerChannel ? icRows[0][channel] : icRows[channel][entry];
            }
            const int age = ((length - 2 - entry) % length + length) % length;
            history[channel][age] = {value, 0.0};
        }
    }
    return history;
}

class RunCsv : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunCsv, OutputMatchesTheModelBitForBit) {
    const RunCase& c = GetParam();
    ScratchFolder folder;
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> signal(-1.0, 1.0);
    // Delays from below 0 to above Dmax, fractions of every kind, some whole.
    std::uniform_real_distribution<double> delayValue(-1.5, c.maxDelay + 1.5);

    const int values = c.complex ? 2 : 1;
    Rows input(c.samples, std::vector<double>(c.channels * values));
    for (auto& row : input) {
        for (double& v : row) {
            v = signal(random);
        }
    }
    writeCsv(folder / "in.csv", input);

    const int hits = (c.samples + c.frame - 1) / c.frame;
    Rows delays;
    for (int i = 0; i < (c.perChannel ? hits : c.samples); ++i) {
        std::vector<double> row(c.perChannel ? c.channels : 1);
        for (double& d : row) {
            d = delayValue(random);
            if (i % 7 == 0) {
                d = std::floor(d);
            }
        }
        delays.push_back(row);
    }
    writeCsv(folder / "delays.csv", delays);

    Rows icRows;
    if (c.ic == InitialConditions::Scalar) {
        icRows = {{0.25}};
    } else if (c.ic == InitialConditions::PerChannel) {
        icRows.assign(1, std::vector<double>(c.channels));
        for (double& v : icRows[0]) v = signal(random);
    } else {
        icRows.assign(c.channels, std::vector<double>(c.maxDelay));
        for (auto& row : icRows) for (double& v : row) v = signal(random);
    }
    writeCsv(folder / "ic.csv", icRows);

    ModelConfig config;
    config.channels = c.channels;
    config.frameSize = c.frame;
    config.maxDelay = c.maxDelay;
    config.perChannel = c.perChannel;
    config.complex = c.complex;
    std::string filterArgument = c.filter;
    if (std::string(c.filter) != "linear") {
        const ToolResult design = runTool({"design-filter", c.filter, "-o", folder / "filter.csv"});
        ASSERT_EQ(design.status, 0) << design.err;
        const Rows taps = readCsv(folder / "filter.csv");
        config.useFilter = true;
        config.filterRows = static_cast<int>(taps.size());
        config.filterPhases = static_cast<int>(taps[0].size());
        config.halfLength = config.filterRows / 2;
        for (int p = 0; p < config.filterPhases; ++p) {
            for (int t = 0; t < config.filterRows; ++t) {
                config.filter.push_back(taps[t][p]);
            }
        }
        filterArgument = folder / "filter.csv";
    }

    std::vector<std::string> arguments = {"run", folder / "in.csv", "-o", folder / "out.csv", "--delay",
                                          folder / "delays.csv", "--max-delay", std::to_string(c.maxDelay),
                                          "--filter", filterArgument, "--frame", std::to_string(c.frame),
                                          "--ic", c.ic == InitialConditions::Scalar ? "0.25" : folder / "ic.csv", "-q"};
    if (c.complex) arguments.push_back("--complex");
    if (c.perChannel) arguments.push_back("--per-channel");
    const ToolResult result = runTool(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    // The delays reach below 0 and above the maximum on purpose: warnings,
    // and nothing else.
    std::istringstream messages(result.err);
    for (std::string line; std::getline(messages, line);) {
        EXPECT_EQ(line.rfind("quorbelin: warning: ", 0), 0u) << line;
    }
    const Rows output = readCsv(folder / "out.csv");
    ASSERT_EQ(output.size(), input.size());

    DelayModel model(config, initialHistory(c, config.halfLength, icRows));
    std::vector<ModelSample> frameIn(c.channels * c.frame), frameOut(frameIn.size());
    std::vector<double> frameDelays(c.perChannel ? c.channels : c.frame);
    for (int hit = 0; hit < hits; ++hit) {
        for (int s = 0; s < c.frame; ++s) {
            const int n = hit * c.frame + s;
            for (int ch = 0; ch < c.channels; ++ch) {
                // The tool pads the last frame with zeros.
                ModelSample x{};
                if (n < c.samples) {
                    x.real = input[n][ch * values];
                    x.imag = c.complex ? input[n][ch * values + 1] : 0.0;
                }
                frameIn[ch * c.frame + s] = x;
            }
            if (!c.perChannel) {
                frameDelays[s] = delays[std::min(n, c.samples - 1)][0];
            }
        }
        if (c.perChannel) {
            frameDelays = delays[hit];
        }
        model.step(frameIn, frameDelays, frameOut);
        for (int s = 0; s < c.frame && hit * c.frame + s < c.samples; ++s) {
            const int n = hit * c.frame + s;
            for (int ch = 0; ch < c.channels; ++ch) {
                const ModelSample& y = frameOut[ch * c.frame + s];
                ASSERT_TRUE(sameValue(output[n][ch * values], y.real))
                    << "sample " << n << " channel " << ch << ": " << output[n][ch * values] << " vs " << y.real;
                if (c.complex) {
                    ASSERT_TRUE(sameValue(output[n][ch * values + 1], y.imag)) << "sample " << n << " channel " << ch;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunCsv,
    ::testing::Values(
        RunCase{"MonoLinear", 1, 1, false, false, "linear", 8, InitialConditions::Scalar, 200},
        RunCase{"StereoFramesLinearPadded", 2, 5, false, false, "linear", 12, InitialConditions::PerChannel, 203},
        RunCase{"PerChannelDelays", 3, 4, false, true, "linear", 6, InitialConditions::PerChannelAndDelay, 101},
        RunCase{"ComplexLinear", 2, 3, true, false, "linear", 9, InitialConditions::Scalar, 150},
        RunCase{"SincFilter", 2, 1, false, false, "sinc:8:16", 20, InitialConditions::PerChannel, 300},
        RunCase{"LagrangeOddTaps", 1, 2, false, false, "lagrange:4:8", 15, InitialConditions::PerChannelAndDelay, 251},
        RunCase{"ComplexFilterPerChannel", 2, 4, true, true, "sinc:6:32", 10, InitialConditions::PerChannel, 199}),
    [](const ::testing::TestParamInfo<RunCase>& param) { return std::string(param.param.name); });

// Linear interpolation reproduces a ramp, so a ramp delayed by the sine
// modulation shows the delay itself: y[n] = n - d(n).
TEST(RunCsvDelays, SineModulationIsTheRequestedDelayOverTime) {
    ScratchFolder folder;
    const int samples = 2000;
    const double rate = 1000.0;
    Rows ramp;
    for (int n = 0; n < samples; ++n) ramp.push_back({static_cast<double>(n)});
    writeCsv(folder / "ramp.csv", ramp);
    struct Case {
        const char* delay;
        const char* unit;
        double mean, depth, hertz;  // in samples
    };
    const Case cases[] = {{"sine:10:5:3", "samples", 10, 5, 3}, {"sine:10:5:3", "ms", 10, 5, 3},
                          {"sine:0.02:0.005:1.5", "s", 20, 5, 1.5}};
    for (const Case& c : cases) {
        const ToolResult result = runTool({"run", folder / "ramp.csv", "-o", folder / "out.csv", "--delay", c.delay,
                                           "--delay-unit", c.unit, "--rate", "1000", "-q"});
        ASSERT_EQ(result.status, 0) << result.err;
        const Rows output = readCsv(folder / "out.csv");
        ASSERT_EQ(output.size(), ramp.size());
        for (int n = 40; n < samples; ++n) {
            const double expected = n - (c.mean + c.depth * std::sin(2.0 * M_PI * c.hertz * n / rate));
            ASSERT_NEAR(output[n][0], expected, 1e-9) << c.delay << " " << c.unit << " sample " << n;
        }
    }
}

TEST(RunCsvDelays, ConstantDelayInMillisecondsAndDefaultMaximum) {
    ScratchFolder folder;
    Rows ramp;
    for (int n = 0; n < 50; ++n) ramp.push_back({static_cast<double>(n), -static_cast<double>(n)});
    writeCsv(folder / "ramp.csv", ramp);
    // 2.5 ms at 2 kHz is 5 samples; the maximum delay defaults to 5.
    const ToolResult result = runTool({"run", folder / "ramp.csv", "-o", folder / "out.csv", "--delay", "2.5",
                                       "--delay-unit", "ms", "--rate", "2000", "--ic", "-1"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Rows output = readCsv(folder / "out.csv");
    for (int n = 0; n < 50; ++n) {
        EXPECT_EQ(output[n][0], n < 5 ? -1.0 : n - 5.0) << n;
        EXPECT_EQ(output[n][1], n < 5 ? -1.0 : 5.0 - n) << n;
    }
}

// Delays beyond the maximum act as the maximum, below 0 as 0, whatever their
// size.
TEST(RunCsvDelays, InfiniteDelaysAreClamped) {
    ScratchFolder folder;
    writeCsv(folder / "in.csv", {{1.0}, {2.0}, {3.0}, {4.0}});
    writeCsv(folder / "delays.csv", {{INFINITY}, {-INFINITY}, {INFINITY}, {-1e300}});
    const ToolResult result = runTool({"run", folder / "in.csv", "-o", folder / "out.csv", "--delay",
                                       folder / "delays.csv", "--max-delay", "2", "--ic", "9", "--allow-nonfinite"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readCsv(folder / "out.csv"), (Rows{{9.0}, {2.0}, {1.0}, {4.0}}));
}

// numChannels -1 makes each element of the port a channel; with frame 1 it is
// the same delay as naming the channel count.
TEST(RunCsvDelays, ChannelsMinusOneMatchesTheChannelCount) {
    ScratchFolder folder;
    Rows input;
    for (int n = 0; n < 64; ++n) input.push_back({std::sin(n * 0.3), std::cos(n * 0.7), n * 0.01});
    writeCsv(folder / "in.csv", input);
    const ToolResult a = runTool({"run", folder / "in.csv", "-o", folder / "a.csv", "--delay", "3.7", "-q"});
    const ToolResult b = runTool({"run", folder / "in.csv", "-o", folder / "b.csv", "--delay", "3.7",
                                  "--channels", "-1", "-q"});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(readCsv(folder / "a.csv"), readCsv(folder / "b.csv"));
}

// A design string and the file design-filter writes for it are the same
// filter.
TEST(RunCsvDelays, DesignStringEqualsItsWrittenFile) {
    ScratchFolder folder;
    Rows input;
    for (int n = 0; n < 100; ++n) input.push_back({std::sin(n * 0.37)});
    writeCsv(folder / "in.csv", input);
    ASSERT_EQ(runTool({"design-filter", "sinc:12:16:5", "-o", folder / "f.csv"}).status, 0);
    const ToolResult a = runTool({"run", folder / "in.csv", "-o", folder / "a.csv", "--delay", "9.3", "--filter",
                                  "sinc:12:16:5"});
    const ToolResult b = runTool({"run", folder / "in.csv", "-o", folder / "b.csv", "--delay", "9.3", "--filter",
                                  folder / "f.csv"});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(readCsv(folder / "a.csv"), readCsv(folder / "b.csv"));
    const Rows matrix = readCsv(folder / "f.csv");
    EXPECT_EQ(matrix.size(), 12u);
    EXPECT_EQ(matrix[0].size(), 16u);
}

}  // namespace
}  // namespace quorbelin::testing
