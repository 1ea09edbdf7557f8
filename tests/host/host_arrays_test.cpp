// Host arrays as a block sees them through the kv services.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/vostrel_host.h"

namespace vostrel {
namespace {

struct ClassCase {
    ArrayClass arrayClass;
    bool isDouble;
    bool isNumeric;
};

TEST(HostArrays, ClassesAnswerDoubleAndNumericTests) {
    const ClassCase cases[] = {
        {ArrayClass::Double, true, true},   {ArrayClass::Single, false, true},
        {ArrayClass::Int8, false, true},    {ArrayClass::UInt8, false, true},
        {ArrayClass::Int16, false, true},   {ArrayClass::UInt16, false, true},
        {ArrayClass::Int32, false, true},   {ArrayClass::UInt32, false, true},
        {ArrayClass::Int64, false, true},   {ArrayClass::UInt64, false, true},
        {ArrayClass::Logical, false, false}, {ArrayClass::Text, false, false},
        {ArrayClass::Cell, false, false},
    };
    for (const ClassCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.arrayClass));
        const Array array = Array::withClass(c.arrayClass, {1, 2});
        EXPECT_EQ(kvIsDouble(array.get()), c.isDouble ? 1 : 0);
        EXPECT_EQ(kvIsNumeric(array.get()), c.isNumeric ? 1 : 0);
        EXPECT_EQ(kvGetNumberOfElements(array.get()), 2);
        // Every class but cell holds its elements as doubles.
        EXPECT_EQ(kvGetPr(array.get()) != nullptr, c.arrayClass != ArrayClass::Cell);
    }
}

TEST(HostArrays, ValuesAreStoredAsTheClassHoldsThem) {
    const Array int8 = Array::withClass(ArrayClass::Int8, {1, 4}, {2.5, -2.5, 300.0, NAN});
    EXPECT_EQ(int8.real(), (std::vector<double>{3.0, -3.0, 127.0, 0.0}));
    const Array uint16 = Array::withClass(ArrayClass::UInt16, {1, 2}, {-4.0, 70000.0});
    EXPECT_EQ(uint16.real(), (std::vector<double>{0.0, 65535.0}));
    const Array single = Array::withClass(ArrayClass::Single, {1, 1}, {0.1});
    EXPECT_EQ(single.real()[0], static_cast<double>(0.1f));
    const Array logical = Array::withClass(ArrayClass::Logical, {1, 3}, {0.0, -2.0, 0.5});
    EXPECT_EQ(logical.real(), (std::vector<double>{0.0, 1.0, 1.0}));
    const Array plain = Array::withClass(ArrayClass::Double, {1, 2}, {0.1, -7.25});
    EXPECT_EQ(plain.real(), (std::vector<double>{0.1, -7.25}));
}

struct ShapeCase {
    std::vector<int32_t> dims;
    std::vector<int32_t> kept;  // as kvGetDimensions reports them
    int32_t rows, columns, elements;
};

TEST(HostArrays, DimensionsDropTrailingOnesAndColumnsSpanTheRest) {
    const ShapeCase cases[] = {
        {{3, 4}, {3, 4}, 3, 4, 12},
        {{2, 2, 1}, {2, 2}, 2, 2, 4},
        {{2, 1, 1, 1}, {2, 1}, 2, 1, 2},
        {{2, 3, 4}, {2, 3, 4}, 2, 12, 24},
        {{2, 3, 1, 5}, {2, 3, 1, 5}, 2, 15, 30},
        {{1, 1, 5}, {1, 1, 5}, 1, 5, 5},
        {{4, 0, 3}, {4, 0, 3}, 4, 0, 0},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.dims));
        const Array array = Array::withClass(ArrayClass::Double, c.dims);
        const int32_t count = kvGetNumberOfDimensions(array.get());
        const int32_t* dims = kvGetDimensions(array.get());
        EXPECT_EQ(std::vector<int32_t>(dims, dims + count), c.kept);
        EXPECT_EQ(kvGetM(array.get()), c.rows);
        EXPECT_EQ(kvGetN(array.get()), c.columns);
        EXPECT_EQ(kvGetNumberOfElements(array.get()), c.elements);
        EXPECT_EQ(kvIsEmpty(array.get()), c.elements == 0 ? 1 : 0);
    }
}

TEST(HostArrays, DataAreColumnMajor) {
    const Array array = Array::matrix(2, 3, {1, 2, 3, 4, 5, 6});
    const double* data = kvGetPr(array.get());
    const int32_t rows = kvGetM(array.get());
    EXPECT_EQ(data[1 + 2 * rows], 6.0);  // element (1, 2)
    EXPECT_EQ(data[0 + 1 * rows], 3.0);  // element (0, 1)
}

TEST(HostArrays, EmptyAndCellArraysHaveNoData) {
    const Array arrays[] = {Array::empty(), Array::empty(ArrayClass::Text), Array::text(""),
                            Array::withClass(ArrayClass::Double, {0, 3}), Array::cell(2, 2)};
    for (const Array& array : arrays) {
        EXPECT_EQ(kvGetPr(array.get()), nullptr);
        EXPECT_EQ(kvGetPi(array.get()), nullptr);
    }
    EXPECT_EQ(kvIsEmpty(arrays[0].get()), 1);
    EXPECT_EQ(kvIsEmpty(arrays[4].get()), 0);  // a 2 x 2 cell has elements, just no numbers
    EXPECT_EQ(kvGetNumberOfElements(arrays[4].get()), 4);
}

TEST(HostArrays, TextHoldsCharacterCodesInOneRow) {
    const Array text = Array::text("Az ");
    EXPECT_EQ(kvGetM(text.get()), 1);
    EXPECT_EQ(kvGetN(text.get()), 3);
    EXPECT_EQ(text.real(), (std::vector<double>{65.0, 122.0, 32.0}));
    EXPECT_EQ(kvIsComplex(text.get()), 0);
}

TEST(HostArrays, ComplexArraysCarryImaginaryParts) {
    const Array complex = Array::matrix(1, 2, {1.0, 2.0}, {-1.0, 0.0});
    EXPECT_EQ(kvIsComplex(complex.get()), 1);
    ASSERT_NE(kvGetPi(complex.get()), nullptr);
    EXPECT_EQ(kvGetPi(complex.get())[0], -1.0);
    const Array scalar = Array::complexScalar(3.0, 4.0);
    EXPECT_EQ(scalar.real(), std::vector<double>{3.0});
    EXPECT_EQ(scalar.imag(), std::vector<double>{4.0});
    const Array real = Array::scalar(3.0);
    EXPECT_EQ(kvIsComplex(real.get()), 0);
    EXPECT_EQ(kvGetPi(real.get()), nullptr);
}

TEST(HostArrays, ImpossibleShapesAreRefused) {
    EXPECT_THROW(Array::matrix(-1, 2, {}), HostError);
    EXPECT_THROW(Array::matrix(2, 2, {1.0}), HostError);
    EXPECT_THROW(Array::matrix(1, 2, {1.0, 2.0}, {1.0}), HostError);
    EXPECT_THROW(Array::withClass(ArrayClass::Double, {65536, 65536}), HostError);  // 2^32 elements
    EXPECT_THROW(Array::withClass(ArrayClass::Double, {7}), HostError);
    EXPECT_THROW(Array::withClass(ArrayClass::Cell, {1, 1}, {1.0}), HostError);
}

TEST(HostArrays, CreatedMatricesAreZeroFilledAndCheckedForOverflow) {
    const Array complex = Array::adopt(kvCreateDoubleMatrix(2, 3, 1));
    ASSERT_TRUE(complex);
    EXPECT_EQ(complex.real(), std::vector<double>(6, 0.0));
    EXPECT_EQ(complex.imag(), std::vector<double>(6, 0.0));
    EXPECT_EQ(kvCreateDoubleMatrix(-1, 3, 0), nullptr);
    EXPECT_EQ(kvCreateDoubleMatrix(1 << 16, 1 << 16, 0), nullptr);
    const Array empty = Array::adopt(kvCreateDoubleMatrix(0, 5, 1));
    EXPECT_EQ(kvIsComplex(empty.get()), 1);
    EXPECT_EQ(kvGetPi(empty.get()), nullptr);
}

TEST(HostArrays, ServicesAnswerANullArrayWithoutCrashing) {
    EXPECT_EQ(kvGetPr(nullptr), nullptr);
    EXPECT_EQ(kvGetPi(nullptr), nullptr);
    EXPECT_EQ(kvGetM(nullptr), 0);
    EXPECT_EQ(kvGetN(nullptr), 0);
    EXPECT_EQ(kvGetNumberOfElements(nullptr), 0);
    EXPECT_EQ(kvGetNumberOfDimensions(nullptr), 0);
    EXPECT_EQ(kvGetDimensions(nullptr), nullptr);
    EXPECT_EQ(kvIsEmpty(nullptr), 1);
    EXPECT_EQ(kvIsDouble(nullptr), 0);
    EXPECT_EQ(kvIsComplex(nullptr), 0);
    EXPECT_EQ(kvIsNumeric(nullptr), 0);
    EXPECT_EQ(areAllInputPortsDiscreteSampleTime(nullptr), 0);
}

TEST(HostArrays, InfinityIsPositive) {
    EXPECT_TRUE(std::isinf(kvGetInf()));
    EXPECT_GT(kvGetInf(), 0.0);
}

TEST(HostArrays, MovedArraysKeepOneOwner) {
    Array first = Array::scalar(5.0);
    Array second = std::move(first);
    EXPECT_FALSE(first);
    EXPECT_EQ(second.real(), std::vector<double>{5.0});
    first = std::move(second);
    EXPECT_EQ(first.real(), std::vector<double>{5.0});
}

}  // namespace
}  // namespace vostrel
