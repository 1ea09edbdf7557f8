// Loading writeIndex and the delay lines from the initial conditions, seen in
// the work vectors the host holds after the life cycle's start.
#include <gtest/gtest.h>

#include <vector>

#include "tests/engine/engine_fixture.h"

namespace quorbelin::testing {
namespace {

using vostrel::Array;

struct Loaded {
    int32_t writeIndex;
    std::vector<double> buffer;  // doubles as stored: pairs when complex
};

Loaded loadedState(vostrel::HostBlock& block) {
    const WorkVectorRecord* vectors = block.record().workVectors;
    const std::size_t doubles =
        static_cast<std::size_t>(vectors[1].width) * (vectors[1].complexity == 1 ? 2 : 1);
    const auto* data = static_cast<const double*>(vectors[1].data);
    return {*static_cast<const int32_t*>(vectors[0].data),
            std::vector<double>(data, data + doubles)};
}

// K channels of frame 1 and maximum delay 3; rows of the filter as given.
vostrel::Simulation simulation(Array initialConditions, int32_t channels, int32_t filterRows,
                               bool complex = false) {
    EngineParameters p;
    p.maxDelay = 3;
    p.numChannels = channels;
    p.initialConditions = std::move(initialConditions);
    if (filterRows > 0) {
        p.filter = filterOf(filterRows, 2);
    }
    return vostrel::Simulation(blockLibrary(), parameterValues(std::move(p)),
                               connectedSignals(channels, 1, complex));
}

TEST(InitialConditions, LoadEachShapeIntoItsPositions) {
    const double a = 11, b = 12, c = 13, d = 21, e = 22, f = 23;
    struct Case {
        const char* name;
        Array (*make)();
        int32_t filterRows;
        int32_t writeIndex;
        std::vector<double> buffer;  // two channels of L entries
    } cases[] = {
        {"scalar, H = 2", [] { return Array::scalar(2.5); }, 4, 4,
         std::vector<double>(12, 2.5)},
        {"one value per channel", [] { return Array::matrix(1, 2, {1, 2}); }, 0, 2,
         {1, 1, 1, 0, 2, 2, 2, 0}},
        {"channel x position matrix", [] { return Array::matrix(2, 3, {11, 21, 12, 22, 13, 23}); },
         0, 2, {a, b, c, 0, d, e, f, 0}},
        {"channels x 1 x positions",
         [] { return Array::withClass(vostrel::ArrayClass::Double, {2, 1, 3}, {11, 21, 12, 22, 13, 23}); },
         2, 3, {a, b, c, 0, 0, d, e, f, 0, 0}},
        {"empty", [] { return Array::empty(); }, 3, 3, std::vector<double>(10, 0.0)},
    };
    for (Case& k : cases) {
        SCOPED_TRACE(k.name);
        vostrel::Simulation sim = simulation(k.make(), 2, k.filterRows);
        const Loaded loaded = loadedState(sim.block());
        EXPECT_EQ(loaded.writeIndex, k.writeIndex);
        EXPECT_EQ(loaded.buffer, k.buffer);
    }
}

TEST(InitialConditions, ComplexDataTakesImaginaryPartsOrZeros) {
    {
        vostrel::Simulation sim = simulation(Array::matrix(2, 1, {1, 2}), 2, 0, true);
        EXPECT_EQ(loadedState(sim.block()).buffer,
                  (std::vector<double>{1, 0, 1, 0, 1, 0, 0, 0, 2, 0, 2, 0, 2, 0, 0, 0}));
    }
    {
        vostrel::Simulation sim = simulation(Array::complexScalar(1.5, -2.5), 2, 2, true);
        std::vector<double> pairs;
        for (int entry = 0; entry < 2 * 5; ++entry) {
            pairs.insert(pairs.end(), {1.5, -2.5});
        }
        EXPECT_EQ(loadedState(sim.block()).buffer, pairs);
    }
    {
        vostrel::Simulation sim =
            simulation(Array::matrix(2, 3, {1, 2, 3, 4, 5, 6}, {-1, -2, -3, -4, -5, -6}), 2, 0, true);
        EXPECT_EQ(loadedState(sim.block()).buffer,
                  (std::vector<double>{1, -1, 3, -3, 5, -5, 0, 0, 2, -2, 4, -4, 6, -6, 0, 0}));
    }
}

TEST(InitialConditions, ReloadingRewritesOnlyWhatTheShapeCovers) {
    // After some samples the trailing entries hold input; a per-channel reload
    // leaves them, a single value rewrites every entry.
    for (bool perChannel : {true, false}) {
        vostrel::Simulation sim =
            simulation(perChannel ? Array::matrix(1, 2, {1, 2}) : Array::scalar(7.0), 2, 0);
        std::vector<double> out(2);
        for (double x : {5.0, 6.0, 8.0, 9.0}) {
            sim.step({std::vector<double>{x, -x}, std::vector<double>{0.0}}, {out});
        }
        // L = 4; after four samples every entry holds input.
        ASSERT_EQ(call(sim.block(), initializeConditionsCode), "");
        const Loaded loaded = loadedState(sim.block());
        EXPECT_EQ(loaded.writeIndex, 2);
        if (perChannel) {
            // Entry 3 of each channel took the first sample (5, -5).
            EXPECT_EQ(loaded.buffer, (std::vector<double>{1, 1, 1, 5, 2, 2, 2, -5}));
        } else {
            EXPECT_EQ(loaded.buffer, std::vector<double>(8, 7.0));
        }
    }
}

TEST(InitialConditions, AreTheFirstOutputsAtTheMaximumDelay) {
    // H = 0, delay held at Dmax = 3: the loaded positions come out in order,
    // then each channel's own input.
    vostrel::Simulation sim = simulation(Array::matrix(2, 3, {11, 21, 12, 22, 13, 23}), 2, 0);
    std::vector<double> out(2);
    const double expected[][2] = {{11, 21}, {12, 22}, {13, 23}, {100, 200}, {101, 201}};
    for (int n = 0; n < 5; ++n) {
        sim.step({std::vector<double>{100.0 + n, 200.0 + n}, std::vector<double>{3.0}}, {out});
        EXPECT_EQ(out[0], expected[n][0]) << "sample " << n;
        EXPECT_EQ(out[1], expected[n][1]) << "sample " << n;
    }
}

}  // namespace
}  // namespace quorbelin::testing
