// `quorbelin analyze` as a user meets it: the text and JSON forms carry the
// same figures, --at gives the gain of a known case, --plot draws a file,
// and misuse is a usage error.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "tests/cli/tool_runner.h"

namespace quorbelin::testing {
namespace {

TEST(AnalyzeCommand, TextAndJsonCarryTheSameFigures) {
    const ToolResult text = runTool({"analyze", "sinc:32:64", "--band", "0.7"});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char* expected : {"32 taps x 64 phases (H = 16), 16384 bytes", "min delay   15 samples"}) {
        EXPECT_NE(text.out.find(expected), std::string::npos) << expected << "\n" << text.out;
    }
    const ToolResult json = runTool({"analyze", "sinc:32:64", "--band", "0.7", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    for (const char* key : {"\"rows\": 32", "\"phases\": 64", "\"bytes\": 16384", "\"min_delay\": 15",
                            "\"dc_gain_error\": ", "\"bands\": [{\"band\": 0.25, "}) {
        EXPECT_NE(json.out.find(key), std::string::npos) << key << "\n" << json.out;
    }
    // Band 0.7's row in the text and its entry in the JSON agree.
    std::smatch row, entry;
    ASSERT_TRUE(std::regex_search(text.out, row, std::regex("\\n +0\\.7 +([0-9.]+) +([0-9.]+)")));
    ASSERT_TRUE(std::regex_search(
        json.out, entry, std::regex("\"band\": 0.7, \"worst_snr_db\": ([0-9.]+), \"mean_snr_db\": ([0-9.]+)")));
    EXPECT_NEAR(std::stod(row[1]), std::stod(entry[1]), 0.006);
    EXPECT_NEAR(std::stod(row[2]), std::stod(entry[2]), 0.006);

    const ToolResult linear = runTool({"analyze", "linear", "--json"});
    EXPECT_NE(linear.out.find("\"phases\": null"), std::string::npos) << linear.out;
}

TEST(AnalyzeCommand, PointResponseAndPlot) {
    const ToolResult point = runTool({"analyze", "lagrange:3:64", "--at", "18000", "--rate", "48000"});
    ASSERT_EQ(point.status, 0) << point.err;
    EXPECT_NE(point.out.find("fraction 0.5: gain -5.26 dB, phase delay 0.5000 samples"), std::string::npos)
        << point.out;
    ScratchFolder folder;
    const ToolResult plot = runTool({"analyze", "sinc:16:32", "--plot", folder / "a.svg"});
    ASSERT_EQ(plot.status, 0) << plot.err;
    EXPECT_EQ(folder.files(), std::vector<std::string>{"a.svg"});
    EXPECT_GT(std::filesystem::file_size(folder / "a.svg"), 1000u);
}

TEST(AnalyzeCommand, MisuseIsAUsageError) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"analyze", "sinc:32:64", "--band", "1.5"},
                                               {"analyze", "sinc:32:64", "--rate", "48000"},
                                               {"analyze", "sinc:32:64", "--at", "30000", "--rate", "48000"},
                                               {"analyze", "cubic:3:4"},
                                               {"analyze", "sinc:32:64", "--plot", "x.gif"}}) {
        const ToolResult result = runTool(arguments);
        EXPECT_EQ(result.status, 2) << arguments.back() << ": " << result.err;
        EXPECT_EQ(result.out, "");
    }
}

}  // namespace
}  // namespace quorbelin::testing
