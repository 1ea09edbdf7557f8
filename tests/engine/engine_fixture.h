// What the engine suites share: parameter values, connected signals and a
// block taken through the host's life cycle up to a chosen method.
#ifndef QUORBELIN_TESTS_ENGINE_ENGINE_FIXTURE_H
#define QUORBELIN_TESTS_ENGINE_ENGINE_FIXTURE_H

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "host/simulation.h"
#include "host/vostrel_host.h"
#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {

struct EngineParameters {
    double maxDelay = 10.0;
    vostrel::Array filter;             // none: empty, linear interpolation
    vostrel::Array initialConditions;  // none: scalar 0
    double numChannels = -1.0;
    double perChannelDelay = 0.0;
};

inline std::vector<vostrel::Array> parameterValues(EngineParameters&& p) {
    using vostrel::Array;
    return arrays(Array::scalar(p.maxDelay), p.filter ? std::move(p.filter) : Array::empty(),
                  p.initialConditions ? std::move(p.initialConditions) : Array::scalar(0.0),
                  Array::scalar(p.numChannels), Array::scalar(p.perChannelDelay));
}

// A filter of the given rows and columns with taps that differ.
inline vostrel::Array filterOf(int32_t rows, int32_t phases) {
    std::vector<double> taps;
    for (int32_t i = 0; i < rows * phases; ++i) {
        taps.push_back(0.1 * (i + 1));
    }
    return vostrel::Array::matrix(rows, phases, taps);
}

// Discrete signals of period 1 feeding the data and delay ports.
inline vostrel::Connections connectedSignals(int32_t dataWidth, int32_t delayWidth,
                                             bool complex = false) {
    vostrel::Connections connections;
    connections.inputs = {{dataWidth, complex ? 1 : 0, 1.0, 0.0}, {delayWidth, 0, 1.0, 0.0}};
    return connections;
}

// Registered and with widths, complexity and sample times settled.
inline std::unique_ptr<vostrel::HostBlock> negotiatedBlock(std::vector<vostrel::Array> parameters,
                                                           const vostrel::Connections& connections) {
    auto block = std::make_unique<vostrel::HostBlock>("quorbelin");
    block->setParameters(std::move(parameters));
    vostrel::negotiate(blockLibrary(), *block, connections);
    return block;
}

// Negotiated, work vectors declared and allocated, signals allocated: ready
// for mdlStart.
inline std::unique_ptr<vostrel::HostBlock> blockReadyToStart(
    std::vector<vostrel::Array> parameters, const vostrel::Connections& connections) {
    auto block = negotiatedBlock(std::move(parameters), connections);
    EXPECT_EQ(call(*block, setWorkWidthsCode), "");
    block->allocateWorkVectors();
    block->allocateSignals();
    return block;
}

// The ICShape published in userData, as its two 32-bit fields.
struct PublishedShape {
    int32_t icChannels;
    int32_t icDepth;
    bool operator==(const PublishedShape&) const = default;
};

inline PublishedShape publishedShape(const vostrel::HostBlock& block) {
    PublishedShape shape{};
    std::memcpy(&shape, block.record().userData, sizeof shape);
    return shape;
}

}  // namespace quorbelin::testing

#endif
