// The validator on a block it does not know: the example gain block, its
// scenarios fitted to the ports the block declares for the --param values,
// every general check passed, the delay block's own checks left out, and
// broken variants failing the check that sees their fault.
#include <gtest/gtest.h>

#include "tests/cli/tool_runner.h"
#include "tests/validator/validator_report.h"
#include "validator/elf_symbols.h"

namespace quorbelin::testing {
namespace {

const std::string gainPath = std::string(QUORBELIN_CLI_BUILD_DIR) + "/gain.so";

std::string gainFixture(const std::string& fault) {
    return std::string(QUORBELIN_FIXTURES_DIR) + "/" + fault + "/gain.so";
}

TEST(ValidateAnyBlock, TheGainBlockPassesEveryGeneralCheck) {
    const ToolResult result = runTool({"validate", gainPath, "--param", "2.5", "--seed", "3"});
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    const ValidatorReport report = parseReport(result.out);
    EXPECT_EQ(report.checks.size(), 11u) << result.out;
    for (const auto& [name, line] : report.checks) {
        EXPECT_EQ(line.status, "PASS") << name << ": " << line.detail;
    }
    // The delay block's own checks are left out, and the run says so.
    EXPECT_EQ(report.checks.count("outputs.frame-equivalence"), 0u);
    EXPECT_EQ(report.checks.count("delays.fuzz"), 0u);
    EXPECT_NE(result.out.find("not run on block \"gain\""), std::string::npos) << result.out;
    EXPECT_EQ(report.summary, "11 passed, 0 failed");
}

TEST(ValidateAnyBlock, ParameterValuesMustFitTheBlock) {
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        {{"validate", gainPath}, "block \"gain\" takes 1 parameter(s) and 0 were given"},
        {{"validate", gainPath, "--param", "1", "--param", "2"}, "block \"gain\" takes 1 parameter(s) and 2 were given"},
        {{"validate", gainPath, "--param", "inf"}, "refuses the parameter values: The gain must be a finite real scalar"},
        {{"validate", gainPath, "--param", "two"}, "--param 'two': expected a number or a .csv file"},
    };
    for (const Case& c : cases) {
        const ToolResult result = runTool(c.arguments);
        EXPECT_EQ(result.status, 2) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << c.message;
    }
}

TEST(ValidateAnyBlock, ListSaysWhichChecksAreForOneBlockOnly) {
    const ToolResult result = runTool({"validate", "--list"});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* line : {"outputs.frame-equivalence    [quorbelin only]", "delays.fuzz                  [quorbelin only]"}) {
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "\n" << result.out;
    }
    EXPECT_EQ(result.out.find("outputs.integrity            ["), std::string::npos) << result.out;
}

struct GainFault {
    const char* fault;
    const char* check;
    const char* detailFragment;
};

class BrokenGain : public ::testing::TestWithParam<GainFault> {};

TEST_P(BrokenGain, FailsTheCheckThatSeesItsFault) {
    const GainFault& c = GetParam();
    const ToolResult result = runTool({"validate", gainFixture(c.fault), "--param", "2.5", "--seed", "5"});
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    const ValidatorReport report = parseReport(result.out);
    ASSERT_EQ(report.checks.count(c.check), 1u) << result.out;
    EXPECT_EQ(report.checks.at(c.check).status, "FAIL") << result.out;
    EXPECT_NE(report.checks.at(c.check).detail.find(c.detailFragment), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(
    Validator, BrokenGain,
    ::testing::Values(GainFault{"gain_writes_past_output", "outputs.integrity",
                                "wrote value 0 past the end of output port 0"},
                      GainFault{"gain_extra_symbol", "load.exports", "gainDebugLevel"}),
    [](const ::testing::TestParamInfo<GainFault>& param) { return std::string(param.param.fault); });

TEST(ValidateAnyBlock, OnlyTheHelperProgramReplacesTheAllocator) {
    // The tool's `run` allocates through the C library's own malloc; the
    // allocation check's helper interposes on it.
    const auto tool = validator::readDynamicSymbols(QUORBELIN_CLI_PATH);
    const auto helper =
        validator::readDynamicSymbols(std::string(QUORBELIN_CLI_BUILD_DIR) + "/quorbelin-allocation-check");
    for (const char* function : {"malloc", "calloc", "realloc"}) {
        EXPECT_EQ(tool.defined.count(function), 0u) << function;
#if !defined(__SANITIZE_ADDRESS__)
        // (Under AddressSanitizer the helper counts through the sanitizer's
        // hooks instead.)
        EXPECT_EQ(helper.defined.count(function), 1u) << function;
#endif
    }
}

}  // namespace
}  // namespace quorbelin::testing
