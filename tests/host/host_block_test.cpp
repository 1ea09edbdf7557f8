// Host-owned block records: port and work-vector operations, storage,
// the registration marker and method calls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "host/vostrel_host.h"

namespace vostrel {
namespace {

WorkVectorRecord workVector(int32_t width, int32_t dataType = 0, int32_t complexity = 0) {
    WorkVectorRecord vector{};
    vector.width = width;
    vector.dataType = dataType;
    vector.complexity = complexity;
    return vector;
}

TEST(HostBlockRecord, StartsAsAHostRecordOfItsName) {
    HostBlock block("quorbelin");
    const BlockRecord& record = block.record();
    EXPECT_STREQ(record.blockName, "quorbelin");
    EXPECT_EQ(record.root, &record);
    EXPECT_EQ(record.errorMessage, nullptr);
    ASSERT_NE(record.callArgs, nullptr);
    EXPECT_EQ(record.callArgs->callMode, 0);
    ASSERT_NE(record.portMethods, nullptr);
    EXPECT_EQ(record.portMethods->mdlSetInputPortFrameData, nullptr);
    EXPECT_EQ(record.portMethods->mdlSetDefaultPortComplexSignals, nullptr);
    ASSERT_NE(record.sampleTimes, nullptr);
    for (int32_t word : record.sizes) {
        EXPECT_EQ(word, 0);
    }
}

TEST(HostBlockRecord, ParametersComeWithOneAttributeWordEach) {
    HostBlock block("b");
    std::vector<Array> parameters;
    parameters.push_back(Array::scalar(1));
    parameters.push_back(Array::empty());
    parameters.push_back(Array::text("x"));
    block.setParameters(std::move(parameters));
    const BlockRecord& record = block.record();
    EXPECT_EQ(record.numParamsGiven, 3);
    EXPECT_EQ(record.params[0], block.parameters()[0].get());
    EXPECT_EQ(record.params[2], block.parameters()[2].get());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(record.paramAttributes[i], 0u);
    }
}

TEST(HostBlockRecord, PortCountSettersProvideZeroFilledPorts) {
    HostBlock block("b");
    BlockRecord& record = block.record();
    EXPECT_EQ(record.setNumInputPorts(record.setNumInputPortsContext, -1), 0);
    EXPECT_EQ(record.sizes[numInputPorts], 0);
    ASSERT_NE(record.setNumInputPorts(record.setNumInputPortsContext, 2), 0);
    ASSERT_NE(record.setNumOutputPorts(record.setNumOutputPortsContext, 1), 0);
    EXPECT_EQ(record.sizes[numInputPorts], 2);
    EXPECT_EQ(record.sizes[numOutputPorts], 1);
    ASSERT_NE(record.inputPorts, nullptr);
    ASSERT_NE(record.outputPorts, nullptr);
    EXPECT_EQ(record.inputPorts[1].width, 0);
    EXPECT_EQ(record.outputPorts[0].signal, nullptr);
    // Host setters do not mark the record as stand-alone.
    EXPECT_EQ(record.sizes[portFlags], 0);
}

TEST(HostBlockRecord, WorkVectorCountFollowsWhatTheHostOffers) {
    HostBlock block("b");
    BlockRecord& record = block.record();
    ASSERT_NE(record.setNumWorkVectors, nullptr);
    EXPECT_NE(record.setNumWorkVectors(&record, -1), 0);
    EXPECT_EQ(block.workVectorCount(), -1);
    EXPECT_EQ(record.setNumWorkVectors(&record, -2), 0);
    EXPECT_NE(record.setNumWorkVectors(&record, 2), 0);
    EXPECT_EQ(block.workVectorCount(), 2);
    ASSERT_NE(record.workVectors, nullptr);
    EXPECT_EQ(record.workVectors[1].dataType, 0);
    EXPECT_EQ(record.workVectors[1].data, nullptr);

    block.offerWorkVectors(true, false);
    EXPECT_EQ(record.setNumWorkVectors(&record, 2), 0);
    block.offerWorkVectors(false);
    EXPECT_EQ(record.setNumWorkVectors, nullptr);
}

TEST(HostBlockRecord, WorkVectorsAreZeroFilledToTheirTypeAndComplexity) {
    HostBlock block("b");
    BlockRecord& record = block.record();
    ASSERT_NE(record.setNumWorkVectors(&record, 3), 0);
    record.workVectors[0] = workVector(1, WORK_TYPE_INT32);
    record.workVectors[1] = workVector(5, 0, COMPLEXITY_COMPLEX);
    record.workVectors[2] = workVector(0);
    block.allocateWorkVectors();
    ASSERT_NE(record.workVectors[0].data, nullptr);
    EXPECT_EQ(*static_cast<int32_t*>(record.workVectors[0].data), 0);
    const auto* buffer = static_cast<const double*>(record.workVectors[1].data);
    for (int i = 0; i < 10; ++i) {  // five (real, imaginary) pairs
        EXPECT_EQ(buffer[i], 0.0);
    }
    EXPECT_NE(record.workVectors[2].data, nullptr);
}

TEST(HostBlockRecord, UnallocatableWorkVectorsAreRefusedWithAClearError) {
    HostBlock block("b");
    BlockRecord& record = block.record();
    ASSERT_NE(record.setNumWorkVectors(&record, 1), 0);
    // 2^31 - 1 complex doubles: 32 GiB, and the type sizes multiply in 64 bits.
    record.workVectors[0] = workVector(INT32_MAX, 0, COMPLEXITY_COMPLEX);
    try {
        block.allocateWorkVectors();
        SUCCEED() << "this machine has the memory";
    } catch (const HostError& error) {
        EXPECT_NE(std::string(error.what()).find("work vector 0"), std::string::npos) << error.what();
    }
    record.workVectors[0] = workVector(-3);
    EXPECT_THROW(block.allocateWorkVectors(), HostError);
    record.workVectors[0] = workVector(3, 99);
    EXPECT_THROW(block.allocateWorkVectors(), HostError);
}

TEST(HostBlockRecord, SignalsGiveOneReferencePerElementAndPairsWhenComplex) {
    HostBlock block("b");
    BlockRecord& record = block.record();
    ASSERT_NE(record.setNumInputPorts(record.setNumInputPortsContext, 2), 0);
    ASSERT_NE(record.setNumOutputPorts(record.setNumOutputPortsContext, 1), 0);
    record.inputPorts[0].width = 3;
    record.inputPorts[0].complexity = COMPLEXITY_COMPLEX;
    record.inputPorts[1].width = 2;
    record.outputPorts[0].width = 3;
    record.outputPorts[0].complexity = COMPLEXITY_COMPLEX;
    block.allocateSignals();

    double* data = block.inputData(0);
    for (int i = 0; i < 6; ++i) {
        data[i] = i + 1;
    }
    for (int e = 0; e < 3; ++e) {
        EXPECT_EQ(record.inputPorts[0].signal[e][0], 2 * e + 1);  // real part
        EXPECT_EQ(record.inputPorts[0].signal[e][1], 2 * e + 2);  // imaginary part
    }
    block.inputData(1)[1] = 9.5;
    EXPECT_EQ(*record.inputPorts[1].signal[1], 9.5);
    record.outputPorts[0].signal[5] = -1.0;
    EXPECT_EQ(block.outputData(0)[5], -1.0);
    EXPECT_THROW(block.inputData(2), HostError);
    EXPECT_THROW(block.outputData(1), HostError);

    record.inputPorts[1].width = -1;
    EXPECT_THROW(block.allocateSignals(), HostError);
}

TEST(HostBlockRecord, MarkerCarriesTheRecordAddressAndVersion) {
    HostBlock block("b");
    const Array marker = block.marker();
    ASSERT_EQ(kvGetM(marker.get()), 2);
    const std::vector<double> values = marker.real();
    EXPECT_EQ(values[1], 5200229.0);
    EXPECT_EQ(reinterpret_cast<BlockRecord*>(static_cast<std::uintptr_t>(values[0])), &block.record());
}

TEST(HostBlockRecord, DiscreteInputsAreFiniteAndPositive) {
    HostBlock block("b");
    BlockRecord& record = block.record();
    EXPECT_EQ(areAllInputPortsDiscreteSampleTime(&record), 1);  // no input ports
    ASSERT_NE(record.setNumInputPorts(record.setNumInputPortsContext, 2), 0);
    const double periods[][2] = {{0.1, 2.0}, {0.1, 0.0}, {0.1, INFINITY}, {-1.0, 0.1}, {NAN, 0.1}};
    const uint8_t expected[] = {1, 0, 0, 0, 0};
    for (int i = 0; i < 5; ++i) {
        record.inputPorts[0].samplePeriod = periods[i][0];
        record.inputPorts[1].samplePeriod = periods[i][1];
        EXPECT_EQ(areAllInputPortsDiscreteSampleTime(&record), expected[i]) << i;
    }
}

TEST(HostBlockRecord, MethodCallsPassTheArgumentsAndReadTheErrorSlot) {
    const BlockLibrary library(HOST_FIXTURE_BLOCK);
    HostBlock block(library.blockName());
    BlockRecord& record = block.record();
    ASSERT_NE(record.setNumInputPorts(record.setNumInputPortsContext, 1), 0);
    record.inputPorts[0].samplePeriod = 0.5;

    const MethodArgs args{.port = 3, .value = -7, .period = 0.25, .offset = 0.125};
    EXPECT_EQ(callMethod(library, block, 122, args), "inputs discrete");
    EXPECT_EQ(record.sizes[methodArgument], 3);
    EXPECT_EQ(record.callArgs->valueArgument, -7);
    EXPECT_EQ(record.callArgs->periodArgument, 0.25);
    EXPECT_EQ(record.callArgs->offsetArgument, 0.125);

    record.inputPorts[0].samplePeriod = 0.0;
    EXPECT_EQ(callMethod(library, block, 101), "inputs not discrete");
    clearError(block);
    EXPECT_EQ(record.errorMessage, nullptr);
}

}  // namespace
}  // namespace vostrel
