// `quorbelin validate` on the real block: every check passes, and the
// command's options (filters, seed replay, JSON, listing) do what they say.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/cli/tool_runner.h"
#include "tests/validator/validator_report.h"

namespace quorbelin::testing {
namespace {

const std::vector<std::string> allCheckNames = {
    "load.immediate-binding", "load.exports",        "size-query.arguments",      "size-query.name-check",
    "dispatch.method-codes",  "dispatch.out-of-order", "negotiation.fuzz",        "outputs.integrity",
    "records.independent",    "outputs.frame-equivalence", "delays.fuzz",     "memory.run-time-allocation",
    "memory.release-cycles"};

TEST(ValidateCommand, TheBlockPassesEveryCheck) {
    const ToolResult result = runTool({"validate", QUORBELIN_BLOCK_PATH});
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    const ValidatorReport report = parseReport(result.out);
    for (const std::string& name : allCheckNames) {
        ASSERT_EQ(report.checks.count(name), 1u) << name << "\n" << result.out;
        const std::string& status = report.checks.at(name).status;
        EXPECT_TRUE(status == "PASS" || status == "WARN") << name << ": " << report.checks.at(name).detail;
    }
    EXPECT_EQ(report.checks.size(), allCheckNames.size()) << result.out;
    EXPECT_NE(report.summary.find(" passed, 0 failed"), std::string::npos) << result.out;
    EXPECT_NE(report.seedLine.find("seed "), std::string::npos) << result.out;
}

TEST(ValidateCommand, TheSameSeedReplaysTheSameInputs) {
    const std::vector<std::string> arguments = {"validate", QUORBELIN_BLOCK_PATH, "--only", "negotiation.fuzz",
                                                "--seed", "12345"};
    const ValidatorReport first = parseReport(runTool(arguments).out);
    const ValidatorReport second = parseReport(runTool(arguments).out);
    ASSERT_EQ(first.checks.count("negotiation.fuzz"), 1u);
    // The detail counts what the random proposals led to.
    EXPECT_EQ(first.checks.at("negotiation.fuzz").detail, second.checks.at("negotiation.fuzz").detail);
    EXPECT_NE(first.seedLine.find("--seed 12345"), std::string::npos) << first.seedLine;
}

struct FilterCase {
    std::vector<std::string> options;
    std::vector<std::string> expected;
};

class ValidateFilters : public ::testing::TestWithParam<FilterCase> {};

TEST_P(ValidateFilters, SelectTheMatchingChecks) {
    std::vector<std::string> arguments = {"validate", QUORBELIN_BLOCK_PATH, "--list"};
    arguments.insert(arguments.end(), GetParam().options.begin(), GetParam().options.end());
    const ToolResult result = runTool(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::string> listed;
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
        listed.push_back(line.substr(0, line.find(' ')));
    }
    EXPECT_EQ(listed, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Validator, ValidateFilters,
    ::testing::Values(FilterCase{{}, allCheckNames},
                      FilterCase{{"--only", "memory.*"}, {"memory.run-time-allocation", "memory.release-cycles"}},
                      FilterCase{{"--only", "load.*", "--only", "delays.fuzz"},
                                 {"load.immediate-binding", "load.exports", "delays.fuzz"}},
                      FilterCase{{"--only", "*.*", "--skip", "*s.*"},
                                 {"load.immediate-binding", "load.exports", "size-query.arguments",
                                  "size-query.name-check", "dispatch.method-codes", "dispatch.out-of-order",
                                  "negotiation.fuzz", "memory.run-time-allocation", "memory.release-cycles"}}));

TEST(ValidateCommand, APatternTakesOneValueSoTheLibraryMayFollow) {
    const ToolResult result = runTool({"validate", "--only", "load.*", QUORBELIN_BLOCK_PATH, "--seed", "1"});
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_EQ(parseReport(result.out).checks.size(), 2u) << result.out;
}

TEST(ValidateCommand, FiltersThatSelectNothingAreAUsageError) {
    const ToolResult result = runTool({"validate", QUORBELIN_BLOCK_PATH, "--only", "no-such-check"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("select no check"), std::string::npos) << result.err;
}

TEST(ValidateCommand, NoLibraryIsAUsageError) {
    const ToolResult result = runTool({"validate"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("give the block library"), std::string::npos) << result.err;
}

TEST(ValidateCommand, JsonCarriesEveryCheckAndTheCounts) {
    const ToolResult result = runTool({"validate", QUORBELIN_BLOCK_PATH, "--json", "--only", "load.*", "--seed", "9"});
    EXPECT_EQ(result.status, 0) << result.err;
    for (const char* fragment :
         {"\"seed\": 9,", "{\"name\": \"load.immediate-binding\", \"status\": \"PASS\"",
          "{\"name\": \"load.exports\", \"status\": \"PASS\"", "\"passed\": 2,", "\"failed\": 0,"}) {
        EXPECT_NE(result.out.find(fragment), std::string::npos) << fragment << "\n" << result.out;
    }
    EXPECT_EQ(result.out.front(), '{');
    EXPECT_EQ(result.out.find("PASS load"), std::string::npos) << "no text lines in JSON mode";
}

TEST(ValidateCommand, ALibraryThatDoesNotLoadFailsAndSkipsTheRest) {
    ScratchFolder folder;
    std::ofstream(folder / "quorbelin.so") << "not a library\n";
    const ToolResult result = runTool({"validate", folder / "quorbelin.so"});
    EXPECT_EQ(result.status, 1);
    const ValidatorReport report = parseReport(result.out);
    EXPECT_EQ(report.checks.at("load.immediate-binding").status, "FAIL");
    EXPECT_EQ(report.checks.at("load.exports").status, "FAIL");
    EXPECT_NE(report.checks.at("load.exports").detail.find("not an ELF file"), std::string::npos);
    EXPECT_EQ(report.checks.at("memory.release-cycles").status, "SKIP");
    EXPECT_NE(report.summary.find("0 passed, 2 failed"), std::string::npos) << report.summary;
}

}  // namespace
}  // namespace quorbelin::testing
