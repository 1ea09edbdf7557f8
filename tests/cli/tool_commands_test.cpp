// The commands besides run: help texts, info, design-filter, the demo, and
// the installed tool finding its block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/tool_runner.h"

namespace quorbelin::testing {
namespace {

TEST(ToolCommands, EveryCommandHasHelpWithAnExample) {
    for (const char* command : {"run", "demo", "design-filter", "info"}) {
        const ToolResult result = runTool({command, "--help"});
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_NE(result.out.find("Example"), std::string::npos) << command << ":\n" << result.out;
        EXPECT_NE(result.out.find(std::string("quorbelin ") + command), std::string::npos) << command;
    }
    const ToolResult top = runTool({"--help"});
    EXPECT_EQ(top.status, 0);
    for (const char* command : {"run", "demo", "design-filter", "info"}) {
        EXPECT_NE(top.out.find(command), std::string::npos) << command;
    }
}

TEST(ToolCommands, InfoShowsWhatTheHostSees) {
    const ToolResult result =
        runTool({"info", "--max-delay", "100", "--filter", "sinc:32:64", "--channels", "2", "--frame", "4"});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* expected : {"[ 3] numInputPorts    2", "[ 2] numOutputPorts   1", "[ 7] numParams        5",
                                 "[ 6] numSampleTimes   -1", "[19] recordVersion    5200229",
                                 "1: 32 x 64 double, real",
                                 "input 0: dynamically sized, complexity inherited, sample time inherited",
                                 "input 1: dynamically sized, real, sample time inherited",
                                 // 2 channels of 4 samples, one delay per frame sample
                                 "input 0: width 8, real, sample period 1", "input 1: width 4, real, sample period 1",
                                 "output 0: width 8, real, sample period 1",
                                 // 2 channels x (100 + 16 + 1) entries
                                 "0: 1 int32 (4 bytes)", "1: 234 double (1872 bytes)"}) {
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
    }
}

TEST(ToolCommands, InfoShowsAnyBlocksPortsAndAsJson) {
    const std::string gain = std::string(QUORBELIN_CLI_BUILD_DIR) + "/gain.so";
    const ToolResult text = runTool({"--block", gain, "info", "--param", "2.5"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("[ 7] numParams        1"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("input 0: width 1, real, sample period 1"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("output 0: width 1, real, sample period 1"), std::string::npos) << text.out;

    const ToolResult json = runTool({"--block", gain, "info", "--param", "2.5", "--input", "3,complex,0.5", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    for (const char* expected :
         {"\"sizes\": [0, 0, 1, 1, 0, 0, -1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5200229, 0, 0, 0, 8192, 0, 0, 0, 0, 0, "
          "0, 0, 0, 0, 0, 0, 0, 0, 0]",
          "\"outputs\": [{\"width\": 3, \"complexity\": \"complex\", \"samplePeriod\": 0.5,",
          "\"message\": null"}) {
        EXPECT_NE(json.out.find(expected), std::string::npos) << expected << "\n" << json.out;
    }

    // A refusal is the JSON's message, and the status says so.
    const ToolResult refused = runTool({"--block", gain, "info", "--param", "nan", "--json"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("\"message\": \"The gain must be a finite real scalar\""), std::string::npos)
        << refused.out;
    // A parameter count the block does not take is named.
    const ToolResult counted = runTool({"--block", gain, "info", "--max-delay", "4"});
    EXPECT_EQ(counted.status, 1);
    EXPECT_NE(counted.err.find("block \"gain\" takes 1 parameter(s); 5 were given"), std::string::npos)
        << counted.err;
}

TEST(ToolCommands, InfoPrintsTheBlocksValidationMessage) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"info"}, "quorbelin: Maximum delay must be a positive scalar integer\n"},
        {{"info", "--max-delay", "-3"}, "quorbelin: Maximum delay must be a scalar integer > 0\n"},
        {{"info", "--max-delay", "4", "--channels", "1.5"},
         "quorbelin: Number of channels should be a positive scalar integer. If it is -1, the number of channels "
         "equals the port width\n"},
    };
    for (const Case& c : cases) {
        const ToolResult result = runTool(c.arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, c.message);
        EXPECT_EQ(result.out, "");
    }
}

TEST(ToolCommands, DesignFilterWritesPhasesAsColumns) {
    const ToolResult result = runTool({"design-filter", "lagrange:1:4"});
    ASSERT_EQ(result.status, 0) << result.err;
    // Linear interpolation: phase p weighs the samples of age D and D + 1
    // with 1 - p/4 and p/4.
    EXPECT_EQ(result.out, "1,0.75,0.5,0.25\n0,0.25,0.5,0.75\n");

    ScratchFolder folder;
    const ToolResult bad = runTool({"design-filter", "cubic:3:4", "-o", folder / "f.csv"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("not a filter design"), std::string::npos) << bad.err;
    EXPECT_TRUE(folder.files().empty());
}

TEST(ToolCommands, DemoWritesItsFilesAndReportsTheTable) {
    ScratchFolder folder;
    const ToolResult result = runTool({"demo", "--out", folder / "out"});
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "out")) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"input.csv", "input.wav", "linear.png", "linear.wav", "sinc.csv",
                                               "sinc.png", "sinc.wav"}));
    // One table row per interpolation: output, filter, SNR, samples/s, x real time.
    const std::regex row(R"((linear|sinc)\.wav +(\S+) +(-?[0-9.]+) +([0-9]+) +([0-9]+))");
    std::map<std::string, double> snr;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_search(line, match, row)) {
            snr[match[1]] = std::stod(match[3]);
            EXPECT_GT(std::stod(match[4]), 0.0) << line;
        }
    }
    ASSERT_EQ(snr.size(), 2u) << result.out;
    // The sinc design keeps the treble that linear interpolation dulls.
    EXPECT_GT(snr["linear"], 25.0);
    EXPECT_GT(snr["sinc"], 50.0);
    EXPECT_GT(snr["sinc"], snr["linear"] + 15.0);
}

std::string fileStart(const std::string& path, std::size_t count) {
    std::ifstream stream(path, std::ios::binary);
    std::string start(count, '\0');
    stream.read(start.data(), static_cast<std::streamsize>(count));
    start.resize(static_cast<std::size_t>(stream.gcount()));
    return start;
}

TEST(ToolCommands, PlotsArePngOrSvgAndCommittedWithTheOutput) {
    ScratchFolder folder;
    Rows rows;
    for (int n = 0; n < 30000; ++n) rows.push_back({std::sin(n * 0.01), std::cos(n * 0.01), 0.5, -0.5});
    writeCsv(folder / "in.csv", rows);
    writeText(folder / "empty.csv", "a,b\n");
    struct Case {
        std::vector<std::string> arguments;
        std::string plot;
        std::string signature;
    };
    const std::vector<Case> cases = {
        {{"run", "in.csv", "-o", "out.csv", "--delay", "sine:20:10:5", "--rate", "8000"}, "p.svg", "<?xml"},
        {{"run", "in.csv", "-o", "iq.csv", "--delay", "3", "--complex", "--per-channel"}, "p.png", "\x89PNG"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"--plot", c.plot});
        const ToolResult result = runTool(arguments, folder.path());
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(fileStart(folder / c.plot, c.signature.size()), c.signature) << c.plot;
    }
    // A plot that cannot be drawn fails the run: neither file appears.
    const ToolResult failed = runTool({"run", "in.csv", "-o", "late.csv", "--delay", "3", "--plot", "nowhere/p.svg"},
                                      folder.path());
    EXPECT_EQ(failed.status, 1);
    EXPECT_FALSE(std::filesystem::exists(folder / "late.csv"));
}

TEST(ToolCommands, InstalledToolFindsItsBlock) {
    ScratchFolder prefix;
    const ToolResult install = runProgram(QUORBELIN_CMAKE_COMMAND,
                                          {"--install", QUORBELIN_CLI_BUILD_DIR, "--prefix", prefix.path().string()});
    ASSERT_EQ(install.status, 0) << install.out << install.err;
    const std::filesystem::path tool = prefix.path() / "bin" / "quorbelin";
    ASSERT_TRUE(std::filesystem::exists(tool));
    EXPECT_TRUE(std::filesystem::exists(prefix.path() / "include" / "vostrel" / "block_record.h"));
    EXPECT_TRUE(std::filesystem::exists(prefix.path() / "include" / "vostrel" / "host_services.h"));

    const ToolResult info = runProgram(tool.string(), {"info", "--max-delay", "4"});
    ASSERT_EQ(info.status, 0) << info.err;
    // The installed block, not the one in the build tree.
    EXPECT_NE(info.out.find(prefix.path().string()), std::string::npos) << info.out;

    // The validator's allocation helper is installed and found too.
    const ToolResult validate = runProgram(
        tool.string(), {"validate", (prefix.path() / "lib" / "quorbelin.so").string(), "--only", "memory.run-*"});
    EXPECT_EQ(validate.status, 0) << validate.out << validate.err;

    writeCsv(prefix / "in.csv", {{1.0}, {2.0}, {3.0}});
    const ToolResult run = runProgram(tool.string(), {"run", prefix / "in.csv", "-o", prefix / "out.csv", "--delay", "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readCsv(prefix / "out.csv"), (Rows{{0.0}, {1.0}, {2.0}}));
}

TEST(ToolCommands, BlockOptionPointsAtAnotherLibrary) {
    ScratchFolder folder;
    const ToolResult result = runTool({"--block", folder / "missing.so", "info", "--max-delay", "4"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(folder / "missing.so"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace quorbelin::testing
