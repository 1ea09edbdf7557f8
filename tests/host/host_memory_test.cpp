// Per-call memory: what a call makes is reclaimed when it returns or is
// abandoned, unless the block made it persistent or returned it.
#include <gtest/gtest.h>

#include <cstdint>

#include "host/vostrel_host.h"

namespace vostrel {
namespace {

// The fixture block's actions (FLAG values).
constexpr double leaveCallMemory = 1;
constexpr double keepPersistentMemory = 2;
constexpr double abandonCall = 3;
constexpr double overflowingCalloc = 4;
constexpr double destructorsRun = 6;

class HostMemory : public ::testing::Test {
protected:
    CallOutcome call(double action) {
        const Array unused = Array::empty();
        const Array flag = Array::scalar(action);
        return invoke(library, 1, {}, {unused.get(), unused.get(), unused.get(), flag.get()});
    }

    BlockLibrary library{HOST_FIXTURE_BLOCK};
};

TEST_F(HostMemory, CallMemoryIsReclaimedAndOnlyTheReturnedArrayKept) {
    const std::size_t before = liveCallocBlocks();
    CallOutcome outcome = call(leaveCallMemory);
    EXPECT_FALSE(outcome.abandoned);
    EXPECT_EQ(liveCallocBlocks(), before);
    ASSERT_GE(outcome.leftResults.size(), 2u);
    EXPECT_EQ(outcome.leftResults[0].real(), std::vector<double>{42.0});
    EXPECT_FALSE(outcome.leftResults[1]);
}

TEST_F(HostMemory, PersistentMemorySurvivesTheCallUntilFreed) {
    const std::size_t before = liveCallocBlocks();
    CallOutcome outcome = call(keepPersistentMemory);
    ASSERT_FALSE(outcome.abandoned);
    EXPECT_EQ(liveCallocBlocks(), before + 1);
    void* block = reinterpret_cast<void*>(static_cast<std::uintptr_t>(outcome.leftResults[0].real()[0]));
    // Still usable after the call.
    static_cast<int32_t*>(block)[3] = 7;
    kvFree(block);
    EXPECT_EQ(liveCallocBlocks(), before);
}

TEST_F(HostMemory, AbandonedCallReportsItsTextAndReclaimsItsMemory) {
    const std::size_t before = liveCallocBlocks();
    const double unwoundBefore = call(destructorsRun).leftResults[0].real()[0];
    CallOutcome outcome = call(abandonCall);
    EXPECT_TRUE(outcome.abandoned);
    EXPECT_EQ(outcome.message, "fixture: call abandoned on request");
    EXPECT_EQ(liveCallocBlocks(), before);
    for (const Array& result : outcome.leftResults) {
        EXPECT_FALSE(result);
    }
    // The abandonment unwound through the block's own frames.
    EXPECT_EQ(call(destructorsRun).leftResults[0].real()[0], unwoundBefore + 1);
}

// Method calls take the host's allocation-free path; it must reclaim and
// report exactly as the general call does.
TEST_F(HostMemory, MethodCallsReclaimTheirMemoryAndReportAnAbandonment) {
    HostBlock block(library.blockName());
    const std::size_t before = liveCallocBlocks();
    EXPECT_EQ(callMethod(library, block, leaveCallMemory), "inputs discrete");
    EXPECT_EQ(liveCallocBlocks(), before);
    const double unwoundBefore = call(destructorsRun).leftResults[0].real()[0];
    EXPECT_EQ(callMethod(library, block, abandonCall), "fixture: call abandoned on request");
    EXPECT_EQ(liveCallocBlocks(), before);
    EXPECT_EQ(call(destructorsRun).leftResults[0].real()[0], unwoundBefore + 1);
}

TEST_F(HostMemory, CallocRefusesAnOverflowingRequest) {
    EXPECT_EQ(call(overflowingCalloc).leftResults[0].real(), std::vector<double>{1.0});
    EXPECT_EQ(kvCalloc(SIZE_MAX, SIZE_MAX), nullptr);
}

TEST(HostMemoryOutsideCalls, MemoryMadeOutsideACallStaysUntilFreed) {
    const std::size_t before = liveCallocBlocks();
    auto* block = static_cast<unsigned char*>(kvCalloc(3, 5));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(block[i], 0);
    }
    void* zeroBytes = kvCalloc(0, 8);
    EXPECT_NE(zeroBytes, nullptr);
    EXPECT_EQ(liveCallocBlocks(), before + 2);
    kvFree(block);
    kvFree(zeroBytes);
    EXPECT_EQ(liveCallocBlocks(), before);
}

TEST(HostMemoryOutsideCalls, FreeIgnoresNullAndForeignPointers) {
    const std::size_t before = liveCallocBlocks();
    int local = 0;
    kvFree(nullptr);
    kvFree(&local);
    kivMakeMemoryPersistent(&local);
    void* block = kvCalloc(1, 1);
    kvFree(block);
    kvFree(block);  // a second free of the same block is ignored, not a double free
    EXPECT_EQ(liveCallocBlocks(), before);
}

}  // namespace
}  // namespace vostrel
