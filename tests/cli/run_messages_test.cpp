// What a run says on standard error: a warning before it starts for every
// kind of delay the block will not serve as asked, and the summary line at
// the end with counts that match what the run did.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/cli/tool_runner.h"

namespace quorbelin::testing {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct WarningCase {
    const char* name;
    std::vector<std::string> arguments;  // after "run in.csv -o out.csv -q"
    std::vector<std::string> expected;   // parts of standard error; none: no warning at all
};

class RunWarnings : public ::testing::TestWithParam<WarningCase> {};

TEST_P(RunWarnings, NameTheShareTheBoundAndTheFix) {
    const WarningCase& c = GetParam();
    ScratchFolder folder;
    writeText(folder / "in.csv", "1\n2\n3\n4\n5\n6\n7\n8\n");
    writeText(folder / "delays.csv", "40\n20\n33\n10\n-1\n35\n36\n37\n");
    std::vector<std::string> arguments = {"run", "in.csv", "-o", "out.csv", "-q"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const ToolResult result = runTool(arguments, folder.path());
    ASSERT_EQ(result.status, 0) << result.err;
    if (c.expected.empty()) {
        EXPECT_EQ(result.err, "");
    }
    for (const std::string& part : c.expected) {
        EXPECT_TRUE(contains(result.err, part)) << part << "\n" << result.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunWarnings,
    ::testing::Values(
        WarningCase{"ConstantBelowTheFiltersReach",
                    {"--delay", "20.3", "--filter", "sinc:64:256"},
                    {"quorbelin: warning: the delay (every sample) is below 31 samples, where the 64-tap filter "
                     "cannot reach (H - 1 = 31)",
                     "interpolated linearly. Add --lookahead auto"}},
        WarningCase{"LookaheadAutoServesIt", {"--delay", "20.3", "--filter", "sinc:64:256", "--lookahead", "auto"}, {}},
        WarningCase{"FileBelowTheReachAndClamped",
                    {"--delay", "delays.csv", "--filter", "sinc:64:256", "--max-delay", "36"},
                    {"3 of 8 delays are below 31 samples", "1 of 8 delays are below 0 samples and act as 0",
                     "2 of 8 delays are above the maximum delay of 36 samples"}},
        WarningCase{"TooSmallALookahead",
                    {"--delay", "delays.csv", "--filter", "sinc:64:256", "--lookahead", "20"},
                    {"2 of 8 delays are below 11 samples", "less the lookahead of 20", "a larger --lookahead"}},
        WarningCase{"SineShare",
                    {"--delay", "sine:31:10:1", "--rate", "100", "--filter", "sinc:64:256"},
                    {"about 50% of the delays are below 31 samples"}},
        WarningCase{"LinearIsNeverShort", {"--delay", "0.5"}, {}}),
    [](const ::testing::TestParamInfo<WarningCase>& param) { return std::string(param.param.name); });

// The counts are of single-channel values: 3 time samples x 2 channels.
TEST(RunSummary, CountsWhatTheRunDid) {
    ScratchFolder folder;
    writeText(folder / "in.csv", "1,nan\n2,3\ninf,4\n");
    writeText(folder / "delays.csv", "-1\n9\n1.5\n");
    const ToolResult result =
        runTool({"run", "in.csv", "-o", "out.csv", "--delay", "delays.csv", "--max-delay", "4", "--filter",
                 "lagrange:5:4"},
                folder.path());
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string summary = result.err.substr(result.err.rfind("quorbelin: "));
    for (const char* part : {"quorbelin: 3 samples x 2 channels, delay 0 to 4 samples; of 6 values: 4 clamped, ",
                             "4 linear below the filter's reach, 0 with a non-finite delay, 0 clipped; "
                             "2 non-finite input values; "}) {
        EXPECT_TRUE(contains(summary, part)) << part << "\n" << summary;
    }
    EXPECT_FALSE(contains(summary, "real time")) << "a CSV input without --rate has no real time";

    const ToolResult quiet = runTool({"run", "in.csv", "-o", "out.csv", "--delay", "1", "-q"}, folder.path());
    EXPECT_EQ(quiet.err, "");
}

TEST(RunSummary, NonFiniteDelaysGoThroughWhenAllowed) {
    ScratchFolder folder;
    writeText(folder / "in.csv", "1\n2\n3\n4\n");
    writeText(folder / "delays.csv", "nan\ninf\n1\n-inf\n");
    const ToolResult result = runTool({"run", "in.csv", "-o", "out.csv", "--delay", "delays.csv", "--max-delay", "2",
                                       "--rate", "8000", "--allow-nonfinite"},
                                      folder.path());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(contains(result.err, "delay 1 to 1 samples; of 4 values: 0 clamped")) << result.err;
    EXPECT_TRUE(contains(result.err, "3 with a non-finite delay")) << result.err;
    EXPECT_TRUE(contains(result.err, "x real time")) << result.err;
    // The block's own treatment: NaN with linear interpolation gives NaN,
    // +inf the maximum delay, -inf no delay; written as nan, never -nan.
    const Rows out = readCsv(folder / "out.csv");
    ASSERT_EQ(out.size(), 4u);
    EXPECT_TRUE(std::isnan(out[0][0]));
    EXPECT_EQ(out[1][0], 0.0);
    EXPECT_EQ(out[2][0], 2.0);
    EXPECT_EQ(out[3][0], 4.0);
}

}  // namespace
}  // namespace quorbelin::testing
