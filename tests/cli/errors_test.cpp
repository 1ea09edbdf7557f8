// How the tool fails: the block's own messages as they stand after the
// program name with status 1, usage errors with a hint and status 2, file
// faults naming the file and line with status 1, and never an output file
// (or a leftover temporary file) after a failure.
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/tool_runner.h"

namespace quorbelin::testing {
namespace {

struct FailureCase {
    const char* name;
    std::vector<std::string> arguments;  // after "run in.csv -o out.csv"
    int status;
    std::string message;  // the whole of standard error when exact, else a part of it
    bool exact;
};

class RunFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(RunFailures, ReportsAndLeavesNoOutput) {
    const FailureCase& c = GetParam();
    ScratchFolder folder;
    writeText(folder / "in.csv", "1,2\n3,4\n5,6\n7,8\n");
    writeText(folder / "bad.csv", "1,2\n3,4\n5,x\n");
    writeText(folder / "ragged.csv", "1,2\n3,4\n5\n");
    writeText(folder / "ic3.csv", "1,2,3\n");
    writeText(folder / "ic33.csv", "1,2,3\n4,5,6\n7,8,9\n");
    writeText(folder / "short_delays.csv", "1\n2\n");
    writeText(folder / "bad_delays.csv", "1\nfast\n1\n1\n");
    writeText(folder / "wide_delays.csv", "1,2\n1,2\n1,2\n1,2\n");
    writeText(folder / "filter_bad.csv", "0.5,0.5\n0.5\n");
    writeText(folder / "nan_delays.csv", "1\nnan\n1\n1\n");
    writeText(folder / "filter_inf.csv", "0.5,0.5\ninf,0.5\n");
    writeText(folder / "ic_nan.csv", "1,nan\n");
    writeText(folder / "ic23.csv", "1,2,3\n4,5,6\n");
    const std::vector<std::string> before = folder.files();

    std::vector<std::string> arguments = {"run", "in.csv", "-o", "out.csv"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const ToolResult result = runTool(arguments, folder.path());
    EXPECT_EQ(result.status, c.status) << result.err;
    if (c.exact) {
        EXPECT_EQ(result.err, c.message);
    } else {
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    if (c.status == 2) {
        EXPECT_NE(result.err.find("Run 'quorbelin"), std::string::npos) << result.err;
    }
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(folder.files(), before) << "an output or temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunFailures,
    ::testing::Values(
        // The block's messages.
        FailureCase{"MaxDelayZero", {"--delay", "1", "--max-delay", "0"}, 1,
                    "quorbelin: Maximum delay must be a scalar integer > 0\n", true},
        FailureCase{"MaxDelayFraction", {"--delay", "1", "--max-delay", "2.5"}, 1,
                    "quorbelin: Maximum delay must be a scalar integer > 0\n", true},
        FailureCase{"MaxDelayNaN", {"--delay", "1", "--max-delay", "nan"}, 1,
                    "quorbelin: Maximum delay must be a scalar integer > 0\n", true},
        FailureCase{"ChannelsZero", {"--delay", "1", "--channels", "0"}, 1,
                    "quorbelin: Number of channels should be a positive scalar integer. If it is -1, the number of "
                    "channels equals the port width\n",
                    true},
        FailureCase{"VectorInitialConditions", {"--delay", "1", "--ic", "ic3.csv"}, 1,
                    "quorbelin: For vector initial conditions, the number of elements must equal one or the number "
                    "of channels\n",
                    true},
        FailureCase{"ArrayInitialConditions", {"--delay", "1", "--ic", "ic33.csv", "--max-delay", "2"}, 1,
                    "quorbelin: For array initial conditions, the last dimension of the matrix must be either one or "
                    "the maximum delay.  The product of the preceding dimensions must equal the number of channels\n",
                    true},
        // Usage errors.
        FailureCase{"UnknownOption", {"--delay", "1", "--speed", "2"}, 2, "--speed", false},
        FailureCase{"MissingDelay", {}, 2, "--delay is required", false},
        FailureCase{"FrameZero", {"--delay", "1", "--frame", "0"}, 2, "--frame must be", false},
        FailureCase{"FrameNotANumber", {"--delay", "1", "--frame", "two"}, 2, "--frame", false},
        FailureCase{"MaxDelayNotANumber", {"--delay", "1", "--max-delay", "ten"}, 2,
                    "--max-delay 'ten' is not a number", false},
        FailureCase{"DelayMalformed", {"--delay", "soon"}, 2, "--delay 'soon'", false},
        FailureCase{"SineMalformed", {"--delay", "sine:1:2", "--rate", "100"}, 2, "sine:MEAN:DEPTH:HZ", false},
        FailureCase{"SineWithoutRate", {"--delay", "sine:4:1:2"}, 2, "needs a sample rate", false},
        FailureCase{"MillisecondsWithoutRate", {"--delay", "1", "--delay-unit", "ms"}, 2, "--rate", false},
        FailureCase{"UnknownUnit", {"--delay", "1", "--delay-unit", "minutes"}, 2, "--delay-unit", false},
        FailureCase{"DesignMalformed", {"--delay", "1", "--filter", "sinc:0:4"}, 2, "TAPS must be", false},
        FailureCase{"FilterUnknown", {"--delay", "1", "--filter", "cubic"}, 2, "--filter 'cubic'", false},
        FailureCase{"PlotFormat", {"--delay", "1", "--plot", "p.gif"}, 2, ".png or .svg", false},
        FailureCase{"ChannelsNotTheInputs", {"--delay", "1", "--channels", "3"}, 2, "has 2 channel(s)", false},
        FailureCase{"ChannelsMinusOneWithFrames", {"--delay", "1", "--channels", "-1", "--frame", "2"}, 2,
                    "--frame 2", false},
        FailureCase{"InfiniteDelayWithoutMaximum", {"--delay", "inf", "--allow-nonfinite"}, 2, "give --max-delay",
                    false},
        FailureCase{"RateNotPositive", {"--delay", "1", "--rate", "-5"}, 2, "--rate must be", false},
        // Numbers that are not numbers, and sizes the block cannot take.
        FailureCase{"DelayNaN", {"--delay", "nan"}, 2, "--delay nan is not a finite number of samples", false},
        FailureCase{"DelayInfinite", {"--delay", "-inf", "--max-delay", "3"}, 2, "--allow-nonfinite", false},
        FailureCase{"SineInfinite", {"--delay", "sine:inf:1:1", "--rate", "100"}, 2, "three finite numbers", false},
        FailureCase{"InitialConditionNaN", {"--delay", "1", "--ic", "nan"}, 2, "--ic holds nan, not a finite number",
                    false},
        FailureCase{"NaNInDelayFile", {"--delay", "nan_delays.csv"}, 1,
                    "quorbelin: nan_delays.csv:2: 'nan' is not a finite number\n", true},
        FailureCase{"InfinityInFilterFile", {"--delay", "1", "--filter", "filter_inf.csv"}, 1,
                    "quorbelin: filter_inf.csv:2: 'inf' is not a finite number\n", true},
        FailureCase{"NaNInInitialConditionFile", {"--delay", "1", "--ic", "ic_nan.csv"}, 1,
                    "quorbelin: ic_nan.csv:1: 'nan' is not a finite number\n", true},
        FailureCase{"MaxDelayTooLarge", {"--delay", "1", "--max-delay", "1e12"}, 2,
                    "--max-delay 1000000000000 is too large: the block takes at most 2147483647 samples", false},
        FailureCase{"MaxDelayTooLargeForTheLookahead", {"--delay", "1", "--max-delay", "2147483647", "--lookahead", "1"},
                    2, "2147483646 with --lookahead 1", false},
        FailureCase{"FrameTooLarge", {"--delay", "1", "--frame", "1e12"}, 2,
                    "--frame 1000000000000 is too large: with 2 channel(s) the data port holds at most 1073741823",
                    false},
        // Two channels of 1000001 doubles and the 4-byte index.
        FailureCase{"MemoryLimit", {"--delay", "1", "--max-delay", "1000000", "--memory-limit", "1M"}, 1,
                    "would take 16000020 bytes (0.0 GiB), more than the memory limit of 1048576 bytes", false},
        FailureCase{"MemoryLimitMalformed", {"--delay", "1", "--memory-limit", "lots"}, 2, "--memory-limit must be",
                    false},
        FailureCase{"LookaheadNegative", {"--delay", "1", "--lookahead", "-1"}, 2, "--lookahead must be", false},
        FailureCase{"LookaheadPerChannelNotWholeFrames",
                    {"--delay", "1", "--per-channel", "--frame", "2", "--lookahead", "3"}, 2,
                    "must be a multiple of --frame 2", false},
        FailureCase{"LookaheadWithUnmappableInitialConditions",
                    {"--delay", "1", "--max-delay", "4", "--lookahead", "1", "--ic", "ic23.csv"}, 2,
                    "with --lookahead, --ic must be one value, one per channel, or 2 rows", false},
        FailureCase{"TypeWithoutAPipe", {"--delay", "1", "--type", "wav"}, 2, "--type names the format of standard",
                    false},
        FailureCase{"EncodingForCsv", {"--delay", "1", "--encoding", "pcm16"}, 2, "--encoding is for audio output",
                    false},
        FailureCase{"PlotRangeBackwards", {"--delay", "1", "--plot", "p.png", "--plot-range", "3:1"}, 2,
                    "--plot-range '3:1'", false},
        // Files.
        FailureCase{"MissingDelayFile", {"--delay", "nowhere.csv"}, 1, "quorbelin: nowhere.csv: cannot open", false},
        FailureCase{"MalformedDelayFile", {"--delay", "bad_delays.csv"}, 1,
                    "quorbelin: bad_delays.csv:2: 'fast' is not a number\n", true},
        FailureCase{"DelayFileTooShort", {"--delay", "short_delays.csv"}, 1,
                    "quorbelin: short_delays.csv: ends after 2 rows", false},
        FailureCase{"DelayFileTooWide", {"--delay", "wide_delays.csv"}, 1,
                    "quorbelin: wide_delays.csv:1: 2 columns; the delay file needs one column", false},
        FailureCase{"MalformedFilterFile", {"--delay", "1", "--filter", "filter_bad.csv"}, 1,
                    "quorbelin: filter_bad.csv:2: 1 fields, but the rows before have 2\n", true},
        FailureCase{"MissingInitialConditions", {"--delay", "1", "--ic", "none.csv"}, 1, "none.csv: cannot open",
                    false},
        FailureCase{"MissingBlock", {"--delay", "1", "--block", "/nonexistent/quorbelin.so"}, 1,
                    "/nonexistent/quorbelin.so", false}),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return std::string(param.param.name); });

TEST(RunFailuresInput, MalformedInputNamesTheLineAndLeavesNoOutput) {
    ScratchFolder folder;
    // The fault comes after several blocks of frames have been written to the
    // temporary file.
    std::string text;
    for (int n = 0; n < 20000; ++n) text += std::to_string(n) + "\n";
    text += "oops\n";
    writeText(folder / "long.csv", text);
    const ToolResult result = runTool({"run", "long.csv", "-o", "out.csv", "--delay", "1"}, folder.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "quorbelin: long.csv:20001: 'oops' is not a number\n");
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"long.csv"}));
}

TEST(RunFailuresInput, ExistingOutputIsKeptWhenARunFails) {
    ScratchFolder folder;
    writeText(folder / "in.csv", "1\n2\n3\nx\n");
    writeText(folder / "out.csv", "precious\n");
    const ToolResult result = runTool({"run", "in.csv", "-o", "out.csv", "--delay", "1"}, folder.path());
    EXPECT_EQ(result.status, 1);
    std::ifstream kept(folder / "out.csv");
    std::string line;
    std::getline(kept, line);
    EXPECT_EQ(line, "precious");
}

TEST(RunFailuresInput, MissingInputAndEmptyInput) {
    ScratchFolder folder;
    writeText(folder / "empty.csv", "\n# nothing\n");
    const ToolResult missing = runTool({"run", "gone.wav", "-o", "out.wav", "--delay", "1"}, folder.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("quorbelin: gone.wav: cannot read as audio", 0), 0u) << missing.err;
    const ToolResult empty = runTool({"run", "empty.csv", "-o", "out.csv", "--delay", "1"}, folder.path());
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "quorbelin: empty.csv: holds no samples\n");
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"empty.csv"}));
}

TEST(RunFailuresInput, ComplexInputNeedsColumnPairs) {
    ScratchFolder folder;
    writeText(folder / "odd.csv", "1,2,3\n4,5,6\n");
    const ToolResult result = runTool({"run", "odd.csv", "-o", "out.csv", "--delay", "1", "--complex"}, folder.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "quorbelin: odd.csv:1: 3 columns: a complex signal has two per channel (real, imaginary)\n");
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"odd.csv"}));
}

// Interrupted while writing, the tool removes its temporary file.
TEST(RunFailuresInput, InterruptLeavesNoPartialFile) {
    ScratchFolder folder;
    {
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open((folder / "long.wav").c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        const std::vector<double> block(48000, 0.25);
        for (int second = 0; second < 120; ++second) sf_writef_double(file, block.data(), 48000);
        sf_close(file);
    }
    std::vector<std::string> arguments = {toolPath(), "run", folder / "long.wav", "-o", folder / "out.wav", "--delay",
                                          "1.5", "-q"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, toolPath(), nullptr, nullptr, argv.data(), environ), 0);
    // Wait for the temporary output to appear, then interrupt.
    bool writing = false;
    for (int i = 0; i < 5000 && !writing; ++i) {
        for (const std::string& name : folder.files()) writing = writing || name.find(".partial-") != std::string::npos;
        if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(writing) << "the run never started writing";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        GTEST_SKIP() << "the run finished before the interrupt arrived";
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"long.wav"}));
}

// A reader that goes away ends the run with one line and status 1, and the
// plot's temporary file goes too.
TEST(RunFailuresInput, ClosedPipeIsAFailedWrite) {
    ScratchFolder folder;
    std::string text;
    for (int n = 0; n < 200000; ++n) text += std::to_string(n) + "\n";
    writeText(folder / "in.csv", text);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (folder / "err.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> arguments = {toolPath(), "run", folder / "in.csv", "-o", "-", "--delay", "1", "-q",
                                          "--plot", folder / "p.png"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, toolPath(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the tool died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::ifstream err(folder / "err.txt");
    std::string line, rest;
    std::getline(err, line);
    EXPECT_EQ(line.rfind("quorbelin: standard output: write failed: ", 0), 0u) << line;
    EXPECT_FALSE(std::getline(err, rest)) << rest;
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"err.txt", "in.csv"}));
}

// Without gnuplot a run with a plot fails before it processes anything.
TEST(RunFailuresInput, MissingGnuplotIsFoundFirst) {
    ScratchFolder folder;
    writeText(folder / "in.csv", "1\n2\n");
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", folder.path().c_str(), 1);
    const ToolResult result =
        runTool({"run", "in.csv", "-o", "out.csv", "--delay", "1", "--plot", "p.png"}, folder.path());
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "quorbelin: p.png: cannot draw the plot: gnuplot is not installed (e.g. 'make deps' or "
                          "apt-get install gnuplot-nox)\n");
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.csv"}));
}

// The tool and the libraries beside it, copied into a folder every user may
// enter: the build folder may lie below one only its owner can (a clone in
// a folder from mktemp -d), and the tool finds its libraries beside itself.
std::string toolCopyForAnyUser(const ScratchFolder& folder) {
    namespace fs = std::filesystem;
    fs::permissions(folder.path(), fs::perms::all);
    const fs::path tool = toolPath();
    for (const fs::directory_entry& entry : fs::directory_iterator(tool.parent_path())) {
        if (entry.path().extension() == ".so") {
            fs::copy_file(entry.path(), folder.path() / entry.path().filename());
        }
    }
    fs::copy_file(tool, folder.path() / tool.filename());
    return (folder.path() / tool.filename()).string();
}

// An output the user may not write is refused, as cp refuses it; a symbolic
// link is followed and stays a link. Root may write anything, so the
// refusal is tried as another user.
TEST(RunFailuresInput, OutputsAreReplacedOnlyWhereTheUserMayWrite) {
    ScratchFolder folder;
    std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
    writeText(folder / "in.csv", "1\n2\n");
    writeText(folder / "locked.csv", "precious\n");
    std::filesystem::permissions(folder / "locked.csv", std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::group_read |
                                                            std::filesystem::perms::others_read);
    const std::vector<std::string> arguments = {"run", folder / "in.csv", "-o", folder / "locked.csv", "--delay", "1"};
    const ScratchFolder toolFolder;
    const ToolResult locked =
        geteuid() == 0 ? runProgram("setpriv", [&] {
            std::vector<std::string> line = {"--reuid=65534", "--regid=65534", "--clear-groups",
                                             toolCopyForAnyUser(toolFolder)};
            line.insert(line.end(), arguments.begin(), arguments.end());
            return line;
        }())
                       : runTool(arguments);
    EXPECT_EQ(locked.status, 1) << locked.err;
    EXPECT_NE(locked.err.find("locked.csv: cannot write: Permission denied"), std::string::npos) << locked.err;
    EXPECT_EQ(readCsv(folder / "locked.csv").size(), 1u);

    writeText(folder / "target.csv", "old\n");
    std::filesystem::create_symlink("target.csv", folder / "link.csv");
    const ToolResult linked = runTool({"run", "in.csv", "-o", "link.csv", "--delay", "1", "-q"}, folder.path());
    ASSERT_EQ(linked.status, 0) << linked.err;
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.csv"));
    EXPECT_EQ(readCsv(folder / "target.csv"), (Rows{{0.0}, {1.0}}));
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"in.csv", "link.csv", "locked.csv", "target.csv"}));
}

TEST(CommandLine, NoCommandAndUnknownCommandAreUsageErrors) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{"shift"}, std::vector<std::string>{"run"}}) {
        const ToolResult result = runTool(arguments);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_NE(result.err.find("--help"), std::string::npos) << result.err;
    }
}

}  // namespace
}  // namespace quorbelin::testing
