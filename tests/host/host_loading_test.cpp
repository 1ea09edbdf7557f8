// Loading block libraries: names, immediate binding against the host
// services, and the errors of libraries that cannot serve as blocks.
#include <gtest/gtest.h>

#include <fstream>

#include "host/vostrel_host.h"

namespace vostrel {
namespace {

std::string loadError(const std::string& path) {
    try {
        BlockLibrary library(path);
    } catch (const HostError& error) {
        return error.what();
    }
    return "";
}

TEST(HostLoading, BlockThatUsesEveryServiceLoadsAndIsNamedAfterItsFile) {
    const BlockLibrary library(HOST_FIXTURE_BLOCK);
    EXPECT_EQ(library.blockName(), "host_fixture_block");
    EXPECT_EQ(library.path(), HOST_FIXTURE_BLOCK);
    EXPECT_NE(library.entry(), nullptr);
}

TEST(HostLoading, BlockSeesArraysThroughTheServices) {
    const BlockLibrary library(HOST_FIXTURE_BLOCK);
    const Array unused = Array::empty();
    const Array describe = Array::scalar(5);
    const Array cube = Array::withClass(ArrayClass::Int16, {2, 3, 4}, std::vector<double>(24, -9.0));
    CallOutcome outcome = invoke(library, 1, {}, {unused.get(), unused.get(), unused.get(), describe.get(), cube.get()});
    ASSERT_FALSE(outcome.abandoned) << outcome.message;
    EXPECT_EQ(outcome.leftResults[0].real(),
              (std::vector<double>{2, 12, 24, 3, 0, 0, 0, 1, 1, 0, -9.0, 4}));
}

TEST(HostLoading, FailuresNameTheLibraryAndTheReason) {
    const std::string missing = "/nonexistent/dir/quorbelin.so";
    EXPECT_NE(loadError(missing).find(missing), std::string::npos);

    const std::string notALibrary = ::testing::TempDir() + "not_a_library.so";
    std::ofstream(notALibrary) << "plain text\n";
    const std::string notALibraryError = loadError(notALibrary);
    EXPECT_NE(notALibraryError.find("cannot load block library"), std::string::npos) << notALibraryError;

    const std::string noEntry = loadError(HOST_FIXTURE_WITHOUT_ENTRY);
    EXPECT_NE(noEntry.find("kivFunction"), std::string::npos) << noEntry;

    const std::string unknownService = loadError(HOST_FIXTURE_UNKNOWN_SERVICE);
    EXPECT_NE(unknownService.find("kvServiceThatDoesNotExist"), std::string::npos) << unknownService;
}

}  // namespace
}  // namespace vostrel
