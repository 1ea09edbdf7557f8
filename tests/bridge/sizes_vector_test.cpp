// What a size query answers: the sizes words in index order, five of them
// unsigned, bit 13 of options set; for a plain query from a stand-alone
// record that the host reclaims, for a host record from that record.
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>

#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

using vostrel::Array;

// 38 zeros except the given elements.
std::vector<double> sizesWith(const std::map<int, double>& set) {
    std::vector<double> sizes(38, 0.0);
    for (const auto& [index, value] : set) {
        sizes[static_cast<std::size_t>(index)] = value;
    }
    return sizes;
}

const std::vector<double> undeclared = sizesWith({{7, 5.0}, {19, 5200229.0}, {23, 8192.0}});
const std::vector<double> declaredStandAlone =
    sizesWith({{2, 1.0}, {3, 2.0}, {6, -1.0}, {7, 5.0}, {19, 5200229.0}, {23, 8192.0}, {31, 2.0}});

std::vector<Array> countedValues(int count) {
    std::vector<Array> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(Array::scalar(1.0));
    }
    return values;
}

TEST(PlainSizeQuery, WithoutFiveValuesOnlyNumParamsIsDeclared) {
    for (int count : {0, 1, 2, 3, 4, 6, 9}) {
        const std::vector<Array> values = countedValues(count);
        const auto result = vostrel::plainSizeQuery(blockLibrary(), views(values));
        ASSERT_FALSE(result.abandoned) << result.message;
        EXPECT_EQ(result.sizes, undeclared) << count << " parameter values";
    }
}

TEST(PlainSizeQuery, FiveValidValuesDeclareThePorts) {
    const std::vector<Array> values = parameterValues({});
    const auto result = vostrel::plainSizeQuery(blockLibrary(), views(values));
    ASSERT_FALSE(result.abandoned) << result.message;
    EXPECT_EQ(result.sizes, declaredStandAlone);
}

TEST(PlainSizeQuery, FiveInvalidValuesAnswerWithoutReportingTheMessage) {
    for (double maxDelay : {0.0, -3.0, 2.5}) {
        const std::vector<Array> values = parameterValues({.maxDelay = maxDelay});
        const auto result = vostrel::plainSizeQuery(blockLibrary(), views(values));
        ASSERT_FALSE(result.abandoned) << result.message;
        EXPECT_EQ(result.sizes, undeclared) << "maxDelay " << maxDelay;
    }
}

TEST(PlainSizeQuery, TheStandAloneRecordIsReclaimedWithTheCall) {
    const std::vector<Array> values = parameterValues({});
    const std::size_t before = vostrel::liveCallocBlocks();
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(vostrel::plainSizeQuery(blockLibrary(), views(values)).abandoned);
    }
    EXPECT_EQ(vostrel::liveCallocBlocks(), before);
}

TEST(HostRecordSizeQuery, AnswersFromTheRecordAndKeepsOptions) {
    vostrel::HostBlock block("quorbelin");
    block.setParameters(parameterValues({}));
    BlockRecord& record = block.record();
    // Host words pass through: signed ones as they are, 15 to 18 unsigned.
    record.sizes[0] = -7;
    record.sizes[5] = -1;
    record.sizes[15] = -1;
    record.sizes[16] = INT32_MIN;
    record.sizes[17] = 12;
    record.sizes[18] = -2;
    record.sizes[37] = 99;
    const auto result = vostrel::registerBlock(blockLibrary(), block);
    ASSERT_FALSE(result.abandoned) << result.message;
    ASSERT_EQ(result.sizes.size(), 38u);

    EXPECT_EQ(result.sizes[0], -7.0);
    EXPECT_EQ(result.sizes[5], -1.0);
    EXPECT_EQ(result.sizes[15], 4294967295.0);
    EXPECT_EQ(result.sizes[16], 2147483648.0);
    EXPECT_EQ(result.sizes[17], 12.0);
    EXPECT_EQ(result.sizes[18], 4294967294.0);
    EXPECT_EQ(result.sizes[37], 99.0);
    EXPECT_EQ(result.sizes[2], 1.0);
    EXPECT_EQ(result.sizes[3], 2.0);
    EXPECT_EQ(result.sizes[6], -1.0);
    EXPECT_EQ(result.sizes[7], 5.0);
    EXPECT_EQ(result.sizes[19], 5200229.0);
    EXPECT_EQ(result.sizes[23], 8194.0);
    EXPECT_EQ(record.sizes[options], 8194);
    EXPECT_EQ(record.sizes[recordVersion], 5200229);
}

TEST(HostRecordSizeQuery, OptionsKeepTheHostsBitsWhenNoWorkVectorsAreDeclared) {
    for (bool offered : {false, true}) {
        vostrel::HostBlock block("quorbelin");
        block.setParameters(parameterValues({}));
        block.offerWorkVectors(offered, /*succeeds=*/false);
        block.record().sizes[options] = 0x40;  // replaced by the declaration only on success
        const auto result = vostrel::registerBlock(blockLibrary(), block);
        ASSERT_FALSE(result.abandoned) << result.message;
        EXPECT_EQ(result.sizes[23], double(0x40 | 0x2000)) << "offered " << offered;
        EXPECT_EQ(result.sizes[3], 2.0);
    }
}

// Argument 2 that does not mark a host record makes a plain query: nothing
// of the host's record is touched.
TEST(HostRecordSizeQuery, AnythingButAnExactMarkerIsAPlainQuery) {
    vostrel::HostBlock block("quorbelin");
    block.setParameters(parameterValues({}));
    const Array marker = block.marker();
    const double address = marker.real().at(0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        Array argument;
    };
    Case cases[] = {
        {"version 5200229.5", Array::matrix(2, 1, {address, 5200229.5})},
        {"version 5200228", Array::matrix(2, 1, {address, 5200228.0})},
        {"3 rows", Array::matrix(3, 1, {address, 5200229.0, 0.0})},
        {"1 row", Array::matrix(1, 2, {address, 5200229.0})},
        {"empty", Array::empty()},
        {"text", Array::text("ab")},
        {"address 0", Array::matrix(2, 1, {0.0, 5200229.0})},
        {"address -0.0", Array::matrix(2, 1, {-0.0, 5200229.0})},
        {"negative address", Array::matrix(2, 1, {-address, 5200229.0})},
        {"fractional address", Array::matrix(2, 1, {address + 0.5, 5200229.0})},
        {"NaN address", Array::matrix(2, 1, {nan, 5200229.0})},
        {"infinite address", Array::matrix(2, 1, {std::numeric_limits<double>::infinity(), 5200229.0})},
        {"address beyond 2^64", Array::matrix(2, 1, {1e30, 5200229.0})},
    };
    const Array unused = Array::empty();
    const Array flag = Array::scalar(0.0);
    for (const Case& c : cases) {
        const auto result = vostrel::sizeQuery(blockLibrary(), 1, {unused.get(), c.argument.get(), unused.get(), flag.get()});
        ASSERT_FALSE(result.abandoned) << c.name << ": " << result.message;
        EXPECT_EQ(result.sizes, undeclared) << c.name;
        EXPECT_EQ(block.record().sizes[recordVersion], 0) << c.name;
        EXPECT_EQ(block.record().methods.mdlDeclareSizes, nullptr) << c.name;
    }
}

TEST(HostRecordSizeQuery, AMarkerWithMoreColumnsStillRegisters) {
    vostrel::HostBlock block("quorbelin");
    block.setParameters(parameterValues({}));
    const double address = block.marker().real().at(0);
    const Array wide = Array::matrix(2, 2, {address, 5200229.0, 1.0, 2.0});
    const Array unused = Array::empty();
    const Array flag = Array::scalar(0.0);
    std::vector<const kvArray*> rightArgs{unused.get(), wide.get(), unused.get(), flag.get()};
    for (const kvArray* value : views(block.parameters())) {
        rightArgs.push_back(value);
    }
    const auto result = vostrel::sizeQuery(blockLibrary(), 1, rightArgs);
    ASSERT_FALSE(result.abandoned) << result.message;
    EXPECT_EQ(block.record().sizes[recordVersion], 5200229);
    EXPECT_NE(block.record().methods.mdlDeclareSizes, nullptr);
}

}  // namespace
}  // namespace quorbelin::testing
