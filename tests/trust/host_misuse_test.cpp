// A host that calls the block's methods out of order, or with arguments it
// should never send, gets a message or nothing; never a crash, and never a
// read or write outside what the host gave (the sanitized build sees every
// access, not only writes).
#include <gtest/gtest.h>

#include <limits>

#include "tests/trust/trust_setup.h"

namespace quorbelin::testing {
namespace {

using vostrel::HostBlock;

struct MisuseCase {
    const char* name;
    bool storage;               // work vectors and port signals given before the calls
    std::vector<double> codes;  // in order
};

// A record that negotiated 2 channels of 4 samples, one delay per channel.
std::unique_ptr<HostBlock> negotiatedRecord(bool storage) {
    auto block = std::make_unique<HostBlock>(trustedBlock().blockName());
    block->setParameters(parametersOf(DelayLine{}));
    vostrel::negotiate(trustedBlock(), *block, connectionsOf(8, 2));
    if (storage) {
        EXPECT_EQ(vostrel::callMethod(trustedBlock(), *block, 111), "");
        block->allocateWorkVectors();
        block->allocateSignals();
        for (int e = 0; e < 8; ++e) {
            block->inputData(0)[e] = e + 1.0;
        }
        block->inputData(1)[0] = 2.0;
        block->inputData(1)[1] = 16.5;
    }
    return block;
}

class OutOfOrder : public ::testing::TestWithParam<MisuseCase> {};

TEST_P(OutOfOrder, AnswersWithoutHarm) {
    const std::size_t liveBefore = vostrel::liveCallocBlocks();
    void* firstShape = nullptr;
    {
        auto block = negotiatedRecord(GetParam().storage);
        for (double code : GetParam().codes) {
            vostrel::clearError(*block);
            // Refusals are messages in the slot; the call itself returns.
            vostrel::callMethod(trustedBlock(), *block, code);
            if (firstShape == nullptr) {
                firstShape = block->record().userData;
            }
        }
        // However it was misused, release then a normal start still work.
        vostrel::clearError(*block);
        vostrel::callMethod(trustedBlock(), *block, 107);
        if (GetParam().storage) {
            // Work widths declared again take the host's storage away.
            EXPECT_EQ(vostrel::callMethod(trustedBlock(), *block, 111), "");
            block->allocateWorkVectors();
            EXPECT_EQ(vostrel::callMethod(trustedBlock(), *block, 117), "");
            EXPECT_EQ(vostrel::callMethod(trustedBlock(), *block, 102), "");
            EXPECT_EQ(vostrel::callMethod(trustedBlock(), *block, 104), "");
        }
        vostrel::callMethod(trustedBlock(), *block, 107);
    }
    // Start twice publishes a second shape record over the first: the first
    // one is the block's to lose (it keeps no list), the host sees it.
    const std::size_t expectedLeak = GetParam().name == std::string("start twice") ? 1 : 0;
    EXPECT_EQ(vostrel::liveCallocBlocks() - liveBefore, expectedLeak);
    if (expectedLeak != 0) {
        kvFree(firstShape);  // the host reclaims what the block lost
        EXPECT_EQ(vostrel::liveCallocBlocks(), liveBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Trust, OutOfOrder,
    ::testing::Values(MisuseCase{"outputs before the work vectors", false, {104, 104}},
                      MisuseCase{"initial conditions before the work vectors", false, {102}},
                      MisuseCase{"start before the work vectors", false, {117, 102, 104}},
                      MisuseCase{"outputs before start", true, {104, 104, 104}},
                      MisuseCase{"initial conditions before start", true, {102, 104}},
                      MisuseCase{"start twice", true, {117, 117, 102, 104}},
                      MisuseCase{"release twice", true, {117, 102, 104, 107, 107}},
                      MisuseCase{"outputs after release", true, {117, 102, 107, 104, 102, 104}},
                      MisuseCase{"work widths again after start", true, {117, 102, 111, 104}},
                      MisuseCase{"every code in turn", true,
                                 {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115,
                                  116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130,
                                  131, 132, 133}}),
    [](const ::testing::TestParamInfo<MisuseCase>& param) {
        std::string name = param.param.name;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

struct PortArgumentCase {
    double code;
    vostrel::MethodArgs args;
};

// Port indices the block does not have, and values no host sends, on a
// record still negotiating: a message, or a value stored in a port the
// block has. The sanitized build sees any access past the port records.
TEST(HostMisuse, PortMethodsWithPortsTheBlockDoesNotHave) {
    const int32_t huge = std::numeric_limits<int32_t>::max();
    const int32_t lowest = std::numeric_limits<int32_t>::min();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const double code : {115.0, 116.0, 120.0, 121.0, 122.0, 123.0}) {
        for (const int32_t port : {-1, 2, 3, huge, lowest}) {
            for (const int32_t value : {-1, 0, 1, huge, lowest}) {
                HostBlock block(trustedBlock().blockName());
                block.setParameters(parametersOf(DelayLine{}));
                ASSERT_FALSE(vostrel::registerBlock(trustedBlock(), block).abandoned);
                const vostrel::MethodArgs args{.port = port, .value = value, .period = nan, .offset = nan};
                vostrel::callMethod(trustedBlock(), block, code, args);
                const BlockRecord& record = block.record();
                // Ports the block has keep values a port may hold.
                for (int p = 0; p < 2; ++p) {
                    EXPECT_GE(record.inputPorts[p].complexity, -1) << code << " " << port;
                    EXPECT_LE(record.inputPorts[p].complexity, 1) << code << " " << port;
                }
            }
        }
    }
}

TEST(HostMisuse, MethodCallsOnARecordWithoutParametersOrPorts) {
    HostBlock block(trustedBlock().blockName());
    // Registered with no parameters: the declaration refuses, but the
    // methods are installed and the host may still call them.
    vostrel::registerBlock(trustedBlock(), block);
    for (double code = 100; code <= 134; ++code) {
        vostrel::clearError(block);
        vostrel::callMethod(trustedBlock(), block, code);
    }
    SUCCEED() << "every code answered on a record without parameters";
}

}  // namespace
}  // namespace quorbelin::testing
