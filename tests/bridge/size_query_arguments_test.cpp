// The size query's own checks: argument counts, FLAG, the host's name. Each
// failure abandons the call with its message, before anything is written.
#include <cmath>
#include <limits>

#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

using vostrel::Array;
using vostrel::ArrayClass;

constexpr char atLeastFour[] =
    "KIV level2 S-function \"quorbelin\" must be called with at least 4 right hand arguments";
constexpr char tooManyLeft[] = "KIV level2 S-function \"quorbelin\" called with too many left hand arguments";
constexpr char flagNotInteger[] =
    "The 4th right hand argument, FLAG, passed to KIV level2 S-function \"quorbelin\" must be an "
    "integer";
constexpr char invalidFlag[] = "Invalid flag passed to KIV level2 S-function \"quorbelin\"";

vostrel::SizeQueryResult queryWithFlag(const Array& flag, int32_t leftCount = 1) {
    const Array unused = Array::empty();
    return vostrel::sizeQuery(blockLibrary(), leftCount, {unused.get(), unused.get(), unused.get(), flag.get()});
}

TEST(SizeQueryArguments, FewerThanFourRightArgumentsWinOverTooManyLeft) {
    const Array unused = Array::empty();
    for (int32_t leftCount : {0, 1, 2}) {
        const auto result = vostrel::sizeQuery(blockLibrary(), leftCount, {unused.get(), unused.get(), unused.get()});
        EXPECT_TRUE(result.abandoned);
        EXPECT_EQ(result.message, atLeastFour) << "left-hand count " << leftCount;
    }
    const auto none = vostrel::sizeQuery(blockLibrary(), 0, {});
    EXPECT_EQ(none.message, atLeastFour);
}

TEST(SizeQueryArguments, TwoLeftResultsAreTooMany) {
    const auto result = queryWithFlag(Array::scalar(0.0), 2);
    EXPECT_TRUE(result.abandoned);
    EXPECT_EQ(result.message, tooManyLeft);
}

TEST(SizeQueryArguments, LeftCountZeroStillReturnsTheSizesVector) {
    const auto result = queryWithFlag(Array::scalar(0.0), 0);
    ASSERT_FALSE(result.abandoned) << result.message;
    EXPECT_EQ(result.sizes.size(), 38u);
}

struct FlagCase {
    const char* name;
    Array (*make)();
    const char* message;  // null: a valid size query
};

const FlagCase flagCases[] = {
    {"empty", [] { return Array::empty(); }, flagNotInteger},
    {"1x2", [] { return Array::matrix(1, 2, {0.0, 0.0}); }, flagNotInteger},
    {"2x1", [] { return Array::matrix(2, 1, {0.0, 0.0}); }, flagNotInteger},
    {"1x1x2", [] { return Array::withClass(ArrayClass::Double, {1, 1, 2}, {0.0, 0.0}); }, flagNotInteger},
    {"complex", [] { return Array::complexScalar(0.0, 0.0); }, flagNotInteger},
    {"text", [] { return Array::text("0"); }, flagNotInteger},
    {"logical", [] { return Array::withClass(ArrayClass::Logical, {1, 1}, {0.0}); }, flagNotInteger},
    {"cell", [] { return Array::cell(1, 1); }, flagNotInteger},
    {"2.5", [] { return Array::scalar(2.5); }, flagNotInteger},
    {"0.5", [] { return Array::scalar(0.5); }, flagNotInteger},
    {"NaN", [] { return Array::scalar(std::numeric_limits<double>::quiet_NaN()); }, flagNotInteger},
    {"+inf", [] { return Array::scalar(std::numeric_limits<double>::infinity()); }, flagNotInteger},
    {"-inf", [] { return Array::scalar(-std::numeric_limits<double>::infinity()); }, flagNotInteger},
    {"2^31", [] { return Array::scalar(2147483648.0); }, flagNotInteger},
    {"-2^31-1", [] { return Array::scalar(-2147483649.0); }, flagNotInteger},
    {"3", [] { return Array::scalar(3.0); }, invalidFlag},
    {"-1", [] { return Array::scalar(-1.0); }, invalidFlag},
    {"2^31-1", [] { return Array::scalar(2147483647.0); }, invalidFlag},
    {"-2^31", [] { return Array::scalar(-2147483648.0); }, invalidFlag},
    {"0", [] { return Array::scalar(0.0); }, nullptr},
    {"-0.0", [] { return Array::scalar(-0.0); }, nullptr},
    {"int32 0", [] { return Array::withClass(ArrayClass::Int32, {1, 1}, {0.0}); }, nullptr},
    {"single 0", [] { return Array::withClass(ArrayClass::Single, {1, 1}, {0.0}); }, nullptr},
};

TEST(SizeQueryArguments, FlagMustBeTheIntegerZero) {
    for (const FlagCase& flagCase : flagCases) {
        const auto result = queryWithFlag(flagCase.make());
        if (flagCase.message == nullptr) {
            EXPECT_FALSE(result.abandoned) << flagCase.name << ": " << result.message;
            EXPECT_EQ(result.sizes.size(), 38u) << flagCase.name;
        } else {
            EXPECT_TRUE(result.abandoned) << flagCase.name;
            EXPECT_EQ(result.message, flagCase.message) << flagCase.name;
        }
    }
}

std::string nameMismatch(const std::string& hostName) {
    return "S-function name mismatch. Name in source is \"#define S_FUNCTION_NAME quorbelin\", "
           "whereas name of the S-function KIV file is \"" +
           hostName + "\". The source needs to be updated";
}

TEST(SizeQueryNameCheck, AnotherNameAbandonsAndLeavesTheRecordUnchanged) {
    for (const std::string name : {"quorbelinx", "quorbeli", "Quorbelin", ""}) {
        vostrel::HostBlock block(name);
        block.setParameters(parameterValues({}));
        const auto result = vostrel::registerBlock(blockLibrary(), block);
        EXPECT_TRUE(result.abandoned) << name;
        EXPECT_EQ(result.message, nameMismatch(name));
        const BlockRecord& record = block.record();
        EXPECT_EQ(record.methods.mdlDeclareSizes, nullptr) << name;
        EXPECT_EQ(record.methods.mdlCheckParameters, nullptr) << name;
        EXPECT_EQ(record.sizes[recordVersion], 0) << name;
        EXPECT_EQ(record.sizes[numParams], 0) << name;
        EXPECT_EQ(record.sizes[options], 0) << name;
    }
}

TEST(SizeQueryNameCheck, ALongHostNameIsCutToTheMessageBuffer) {
    for (std::size_t length : {97u, 98u, 300u, 5000u}) {
        const std::string name(length, 'q');
        vostrel::HostBlock block(name);
        block.setParameters(parameterValues({}));
        const auto result = vostrel::registerBlock(blockLibrary(), block);
        ASSERT_TRUE(result.abandoned);
        const std::string full = nameMismatch(name);
        // 255 characters and the terminating zero fill the 256-byte buffer.
        EXPECT_EQ(result.message, full.substr(0, 255)) << "name of " << length;
        EXPECT_EQ(block.record().methods.mdlDeclareSizes, nullptr);
    }
}

}  // namespace
}  // namespace quorbelin::testing
