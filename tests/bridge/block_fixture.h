// What the bridge and configuration suites share: the loaded block, valid
// parameter values, a record registered the way the host registers one, and
// the method codes of the dispatch table.
#ifndef QUORBELIN_TESTS_BRIDGE_BLOCK_FIXTURE_H
#define QUORBELIN_TESTS_BRIDGE_BLOCK_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/vostrel_host.h"
#include "tests/support/block_path.h"

namespace quorbelin::testing {

inline const vostrel::BlockLibrary& blockLibrary() {
    static const vostrel::BlockLibrary library(blockLibraryPath());
    return library;
}

template <typename... Arrays>
std::vector<vostrel::Array> arrays(Arrays&&... values) {
    std::vector<vostrel::Array> result;
    (result.push_back(std::forward<Arrays>(values)), ...);
    return result;
}

// The scalar settings most tests vary; the filter is empty (linear
// interpolation) and the initial conditions 0.
struct Settings {
    double maxDelay = 10.0;
    double numChannels = -1.0;
    double perChannelDelay = 0.0;
};

inline std::vector<vostrel::Array> parameterValues(const Settings& settings) {
    using vostrel::Array;
    return arrays(Array::scalar(settings.maxDelay), Array::empty(), Array::scalar(0.0),
                  Array::scalar(settings.numChannels), Array::scalar(settings.perChannelDelay));
}

inline std::vector<const kvArray*> views(const std::vector<vostrel::Array>& values) {
    std::vector<const kvArray*> result;
    for (const vostrel::Array& value : values) {
        result.push_back(value.get());
    }
    return result;
}

// A host record named after the block, with the given parameter values,
// registered by a size query that must complete without a message.
inline std::unique_ptr<vostrel::HostBlock> registeredBlockWith(std::vector<vostrel::Array> parameters) {
    auto block = std::make_unique<vostrel::HostBlock>("quorbelin");
    block->setParameters(std::move(parameters));
    const vostrel::SizeQueryResult result = vostrel::registerBlock(blockLibrary(), *block);
    EXPECT_FALSE(result.abandoned) << result.message;
    EXPECT_EQ(block->record().errorMessage, nullptr) << block->record().errorMessage;
    return block;
}

inline std::unique_ptr<vostrel::HostBlock> registeredBlock(const Settings& settings = {}) {
    return registeredBlockWith(parameterValues(settings));
}

inline std::string call(vostrel::HostBlock& block, int code, const vostrel::MethodArgs& args = {}) {
    return vostrel::callMethod(blockLibrary(), block, code, args);
}

}  // namespace quorbelin::testing

#endif
