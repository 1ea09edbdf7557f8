// Nothing the block allocates outlives the call or the simulation that owns
// it: size queries (answered or abandoned) leave no memory behind, and every
// simulation, whether it ran or its start was refused, frees at release
// what start allocated. The sanitized build adds LeakSanitizer at exit.
#include <gtest/gtest.h>

#include <limits>

#include "tests/trust/trust_setup.h"

namespace quorbelin::testing {
namespace {

int cycles() { return sanitizedBuild ? 200 : 1000; }

TEST(Leaks, SizeQueriesLeaveNothingBehind) {
    const vostrel::Array unused = vostrel::Array::empty();
    const vostrel::Array badFlag = vostrel::Array::scalar(2.5);
    const std::vector<vostrel::Array> parameters = parametersOf(DelayLine{});
    std::vector<const kvArray*> parameterRefs;
    for (const vostrel::Array& parameter : parameters) {
        parameterRefs.push_back(parameter.get());
    }
    const std::size_t liveBefore = vostrel::liveCallocBlocks();
    for (int i = 0; i < cycles(); ++i) {
        // A plain query builds a stand-alone record (and its ports) for the
        // one call; an abandoned one unwinds through the block.
        EXPECT_FALSE(vostrel::plainSizeQuery(trustedBlock(), parameterRefs).abandoned);
        EXPECT_TRUE(
            vostrel::sizeQuery(trustedBlock(), 1, {unused.get(), unused.get(), unused.get(), badFlag.get()}).abandoned);
        vostrel::HostBlock block(trustedBlock().blockName());
        block.setParameters(parametersOf(DelayLine{}));
        EXPECT_FALSE(vostrel::registerBlock(trustedBlock(), block).abandoned);
    }
    EXPECT_EQ(vostrel::liveCallocBlocks(), liveBefore);
}

struct CycleCase {
    const char* name;
    std::vector<vostrel::Array> (*parameters)();
    bool startRefused;
};

std::vector<vostrel::Array> running() { return parametersOf(DelayLine{}); }

std::vector<vostrel::Array> initialConditionsOfTheWrongShape() {
    std::vector<vostrel::Array> parameters = parametersOf(DelayLine{});
    parameters[2] = vostrel::Array::matrix(1, 3, {1.0, 2.0, 3.0});  // 3 values for 2 channels
    return parameters;
}

std::vector<vostrel::Array> textInitialConditions() {
    std::vector<vostrel::Array> parameters = parametersOf(DelayLine{});
    parameters[2] = vostrel::Array::text("ab");
    return parameters;
}

class CreateRunRelease : public ::testing::TestWithParam<CycleCase> {};

TEST_P(CreateRunRelease, ReleaseFreesWhatStartAllocated) {
    const std::size_t liveBefore = vostrel::liveCallocBlocks();
    std::vector<double> data(8, 0.5);
    std::vector<double> delays{1.0, 2.5};
    std::vector<double> out(8);
    int refused = 0;
    for (int i = 0; i < cycles(); ++i) {
        try {
            vostrel::Simulation simulation(trustedBlock(), GetParam().parameters(), connectionsOf(8, 2));
            simulation.step({data, delays}, {out});
            simulation.step({data, delays}, {out});
        } catch (const vostrel::SimulationError& error) {
            EXPECT_TRUE(error.fromBlock()) << error.what();
            ++refused;
        }
    }
    EXPECT_EQ(refused, GetParam().startRefused ? cycles() : 0);
    EXPECT_EQ(vostrel::liveCallocBlocks(), liveBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Trust, CreateRunRelease,
    ::testing::Values(CycleCase{"running", running, false},
                      CycleCase{"wrongShape", initialConditionsOfTheWrongShape, true},
                      CycleCase{"textInitialConditions", textInitialConditions, true}),
    [](const ::testing::TestParamInfo<CycleCase>& param) { return param.param.name; });

}  // namespace
}  // namespace quorbelin::testing
