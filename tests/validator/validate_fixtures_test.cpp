// The validator fails each deliberately broken block for its own fault, and
// only for it; a block that crashes costs only the check that ran it.
#include <gtest/gtest.h>

#include "tests/cli/tool_runner.h"
#include "tests/validator/validator_report.h"

namespace quorbelin::testing {
namespace {

std::string fixture(const std::string& fault) {
    return std::string(QUORBELIN_FIXTURES_DIR) + "/" + fault + "/quorbelin.so";
}

struct FaultCase {
    const char* fault;
    const char* check;           // the check that must see the fault
    const char* status;          // and its verdict
    const char* detailFragment;  // what its detail must say
    bool othersPass;             // every other check passes (or warns)
};

class BrokenFixture : public ::testing::TestWithParam<FaultCase> {};

TEST_P(BrokenFixture, FailsTheCheckThatSeesItsFault) {
    const FaultCase& c = GetParam();
    const ToolResult result = runTool({"validate", fixture(c.fault), "--seed", "7"});
    EXPECT_EQ(result.status, 1) << result.out << result.err;
    const ValidatorReport report = parseReport(result.out);
    ASSERT_EQ(report.checks.count(c.check), 1u) << result.out;
    EXPECT_EQ(report.checks.at(c.check).status, c.status) << result.out;
    EXPECT_NE(report.checks.at(c.check).detail.find(c.detailFragment), std::string::npos) << result.out;
    // The checks of loading, the size query and dispatch never depend on the
    // fault, and every check still reports.
    EXPECT_GE(report.checks.size(), 13u) << result.out;
    for (const char* unaffected : {"load.immediate-binding", "size-query.arguments", "dispatch.method-codes"}) {
        EXPECT_EQ(report.checks.at(unaffected).status, "PASS") << unaffected << "\n" << result.out;
    }
    if (c.othersPass) {
        for (const auto& [name, line] : report.checks) {
            if (name != c.check) {
                EXPECT_TRUE(line.status == "PASS" || line.status == "WARN") << name << "\n" << result.out;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Validator, BrokenFixture,
    ::testing::Values(
        FaultCase{"leaks_shape", "memory.release-cycles", "FAIL", "left 1 block(s) of the block's memory", true},
        FaultCase{"extra_symbol", "load.exports", "FAIL", "quorbelinDebugLevel", true},
        FaultCase{"allocates_per_output", "memory.run-time-allocation", "FAIL", "output call 1 allocated", true},
        FaultCase{"writes_past_output", "outputs.integrity", "FAIL", "wrote value 0 past the end of output port 0",
                  false},
        // Killed by SIGSEGV; under AddressSanitizer its handler reports and
        // exits instead. Either way the stage it died in is named.
        FaultCase{"crashes_on_outputs", "outputs.integrity", "CRASH", "during real, linear", false}),
    [](const ::testing::TestParamInfo<FaultCase>& param) { return std::string(param.param.fault); });

TEST(Validator, ReportsTheStageACheckCrashedIn) {
    const ToolResult result =
        runTool({"validate", fixture("crashes_on_outputs"), "--only", "outputs.integrity", "--seed", "1"});
    const ValidatorReport report = parseReport(result.out);
    ASSERT_EQ(report.checks.count("outputs.integrity"), 1u) << result.out;
    // The first configuration's name, announced before the crash.
    EXPECT_NE(report.checks.at("outputs.integrity").detail.find("during real, linear"), std::string::npos)
        << result.out;
    EXPECT_EQ(report.summary, "0 passed, 1 failed");
}

TEST(Validator, LeakyReleaseIsAlsoSeenByTheMisuseCheck) {
    const ToolResult result = runTool({"validate", fixture("leaks_shape"), "--only", "dispatch.out-of-order"});
    const ValidatorReport report = parseReport(result.out);
    ASSERT_EQ(report.checks.count("dispatch.out-of-order"), 1u) << result.out;
    EXPECT_EQ(report.checks.at("dispatch.out-of-order").status, "WARN");
    EXPECT_NE(report.checks.at("dispatch.out-of-order").detail.find("release twice leaves"), std::string::npos)
        << result.out;
}

}  // namespace
}  // namespace quorbelin::testing
