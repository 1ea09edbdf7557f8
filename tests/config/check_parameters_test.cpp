// Parameter validation, in a normal call (method code 112 on a registered
// record) and in the relaxed sizes-only call of a plain size query, where
// passing shows as declared ports in the SizesVector.
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <string>

#include "tests/bridge/block_fixture.h"

namespace quorbelin::testing {
namespace {

using vostrel::Array;
using vostrel::ArrayClass;

constexpr char filterMessage[] = "Interpolation filter must be a real double matrix";
constexpr char maxDelayScalar[] = "Maximum delay must be a positive scalar integer";
constexpr char maxDelayPositive[] = "Maximum delay must be a scalar integer > 0";
constexpr char channelsMessage[] =
    "Number of channels should be a positive scalar integer. If it is -1, the number of channels "
    "equals the port width";

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

struct Values {
    std::function<Array()> maxDelay = [] { return Array::scalar(10.0); };
    std::function<Array()> filter = [] { return Array::empty(); };
    std::function<Array()> initialConditions = [] { return Array::scalar(0.0); };
    std::function<Array()> numChannels = [] { return Array::scalar(-1.0); };
    std::function<Array()> perChannelDelay = [] { return Array::scalar(0.0); };

    std::vector<Array> make() const {
        return arrays(maxDelay(), filter(), initialConditions(), numChannels(), perChannelDelay());
    }
};

std::function<Array()> scalar(double value) {
    return [value] { return Array::scalar(value); };
}

struct Case {
    const char* name;
    Values values;
    const char* normalMessage;  // null: accepted
};

std::vector<Case> cases() {
    auto with = [](auto change) {
        Values values;
        change(values);
        return values;
    };
    return {
        {"defaults", {}, nullptr},
        {"maxDelay empty", with([](Values& v) { v.maxDelay = [] { return Array::empty(); }; }), maxDelayScalar},
        {"maxDelay 1x2", with([](Values& v) { v.maxDelay = [] { return Array::matrix(1, 2, {4, 4}); }; }),
         maxDelayScalar},
        {"maxDelay 0", with([](Values& v) { v.maxDelay = scalar(0.0); }), maxDelayPositive},
        {"maxDelay -0.0", with([](Values& v) { v.maxDelay = scalar(-0.0); }), maxDelayPositive},
        {"maxDelay -3", with([](Values& v) { v.maxDelay = scalar(-3.0); }), maxDelayPositive},
        {"maxDelay 2.5", with([](Values& v) { v.maxDelay = scalar(2.5); }), maxDelayPositive},
        {"maxDelay NaN", with([](Values& v) { v.maxDelay = scalar(nan); }), maxDelayPositive},
        {"maxDelay inf", with([](Values& v) { v.maxDelay = scalar(inf); }), maxDelayPositive},
        {"maxDelay 2^31", with([](Values& v) { v.maxDelay = scalar(2147483648.0); }), maxDelayPositive},
        {"maxDelay 1", with([](Values& v) { v.maxDelay = scalar(1.0); }), nullptr},
        {"maxDelay 2^31-1", with([](Values& v) { v.maxDelay = scalar(2147483647.0); }), nullptr},
        {"maxDelay int16 12", with([](Values& v) {
             v.maxDelay = [] { return Array::withClass(ArrayClass::Int16, {1, 1}, {12.0}); };
         }),
         nullptr},
        {"maxDelay cell", with([](Values& v) { v.maxDelay = [] { return Array::cell(1, 1); }; }),
         maxDelayPositive},
        {"numChannels 1", with([](Values& v) { v.numChannels = scalar(1.0); }), nullptr},
        {"numChannels 64", with([](Values& v) { v.numChannels = scalar(64.0); }), nullptr},
        {"numChannels 2^31-1", with([](Values& v) { v.numChannels = scalar(2147483647.0); }), nullptr},
        {"numChannels 0", with([](Values& v) { v.numChannels = scalar(0.0); }), channelsMessage},
        {"numChannels 0.5", with([](Values& v) { v.numChannels = scalar(0.5); }), channelsMessage},
        {"numChannels -0.5", with([](Values& v) { v.numChannels = scalar(-0.5); }), channelsMessage},
        {"numChannels -2", with([](Values& v) { v.numChannels = scalar(-2.0); }), channelsMessage},
        {"numChannels -1.5", with([](Values& v) { v.numChannels = scalar(-1.5); }), channelsMessage},
        {"numChannels 1.5", with([](Values& v) { v.numChannels = scalar(1.5); }), channelsMessage},
        {"numChannels NaN", with([](Values& v) { v.numChannels = scalar(nan); }), channelsMessage},
        {"numChannels inf", with([](Values& v) { v.numChannels = scalar(inf); }), channelsMessage},
        {"numChannels 2^31", with([](Values& v) { v.numChannels = scalar(2147483648.0); }), channelsMessage},
        {"numChannels empty", with([](Values& v) { v.numChannels = [] { return Array::empty(); }; }),
         channelsMessage},
        {"numChannels 2x1", with([](Values& v) { v.numChannels = [] { return Array::matrix(2, 1, {2, 2}); }; }),
         channelsMessage},
        {"filter empty text", with([](Values& v) { v.filter = [] { return Array::text(""); }; }), nullptr},
        {"filter empty int8", with([](Values& v) { v.filter = [] { return Array::empty(ArrayClass::Int8); }; }),
         nullptr},
        {"filter 4x3 double", with([](Values& v) {
             v.filter = [] { return Array::matrix(4, 3, std::vector<double>(12, 0.25)); };
         }),
         nullptr},
        {"filter complex", with([](Values& v) {
             v.filter = [] { return Array::matrix(2, 1, {1, 0}, {0, 1}); };
         }),
         filterMessage},
        {"filter single", with([](Values& v) {
             v.filter = [] { return Array::withClass(ArrayClass::Single, {2, 2}, {1, 0, 0, 1}); };
         }),
         filterMessage},
        {"filter int32", with([](Values& v) {
             v.filter = [] { return Array::withClass(ArrayClass::Int32, {1, 1}, {1}); };
         }),
         filterMessage},
        {"filter text", with([](Values& v) { v.filter = [] { return Array::text("ab"); }; }), filterMessage},
        {"filter fault before bad maxDelay", with([](Values& v) {
             v.filter = [] { return Array::text("ab"); };
             v.maxDelay = scalar(0.0);
         }),
         filterMessage},
        {"maxDelay fault before bad numChannels", with([](Values& v) {
             v.maxDelay = scalar(0.5);
             v.numChannels = scalar(0.0);
         }),
         maxDelayPositive},
        {"initialConditions and perChannelDelay never checked", with([](Values& v) {
             v.initialConditions = [] { return Array::text("x"); };
             v.perChannelDelay = [] { return Array::cell(2, 2); };
         }),
         nullptr},
        {"perChannelDelay empty", with([](Values& v) { v.perChannelDelay = [] { return Array::empty(); }; }),
         nullptr},
    };
}

TEST(CheckParameters, NormalCallReportsTheFirstFailure) {
    for (const Case& c : cases()) {
        auto block = registeredBlock();
        block->setParameters(c.values.make());
        const std::string message = call(*block, checkParametersCode);
        EXPECT_EQ(message, c.normalMessage != nullptr ? c.normalMessage : "") << c.name;
    }
}

TEST(CheckParameters, ASuccessLeavesAnEarlierMessageInPlace) {
    auto block = registeredBlock();
    static constexpr char earlier[] = "an earlier message";
    block->record().errorMessage = earlier;
    call(*block, checkParametersCode);
    EXPECT_EQ(block->record().errorMessage, earlier);
}

TEST(CheckParameters, FewerThanFiveValuesAreRefusedNotReadPastTheirEnd) {
    for (int code : {checkParametersCode, inputWidthCode, outputWidthCode}) {
        auto block = registeredBlock();
        std::vector<Array> values = Values{}.make();
        values.pop_back();
        block->setParameters(std::move(values));
        EXPECT_EQ(call(*block, code, {.port = 0, .value = 4}),
                  "The block takes 5 parameters: maximum delay, interpolation filter, initial "
                  "conditions, number of channels and delay mode")
            << "code " << code;
        EXPECT_EQ(block->record().inputPorts[0].width, -1);
    }
}

// A plain size query checks in sizes-only mode; its ports are declared only
// when the values pass.
bool passesSizesOnly(const std::vector<Array>& values) {
    const auto result = vostrel::plainSizeQuery(blockLibrary(), views(values));
    EXPECT_FALSE(result.abandoned) << result.message;
    return result.sizes.at(3) == 2.0;
}

TEST(CheckParameters, SizesOnlyCallSkipsTheFilterAndAcceptsEmptyScalars) {
    Values allEmpty;
    allEmpty.maxDelay = [] { return Array::empty(); };
    allEmpty.filter = [] { return Array::empty(); };
    allEmpty.numChannels = [] { return Array::empty(); };
    EXPECT_TRUE(passesSizesOnly(allEmpty.make()));

    Values complexFilter;
    complexFilter.filter = [] { return Array::complexScalar(1, 1); };
    EXPECT_TRUE(passesSizesOnly(complexFilter.make()));

    Values textFilterEmptyMaxDelay;
    textFilterEmptyMaxDelay.filter = [] { return Array::text("abc"); };
    textFilterEmptyMaxDelay.maxDelay = [] { return Array::empty(); };
    EXPECT_TRUE(passesSizesOnly(textFilterEmptyMaxDelay.make()));
}

TEST(CheckParameters, SizesOnlyCallStillChecksValuesThatAreGiven) {
    // The refusals that a sizes-only call relaxes.
    const std::set<std::string> relaxed = {"maxDelay empty", "numChannels empty", "filter complex",
                                           "filter single", "filter int32", "filter text"};
    for (const Case& c : cases()) {
        const bool expected = c.normalMessage == nullptr || relaxed.count(c.name) == 1;
        EXPECT_EQ(passesSizesOnly(c.values.make()), expected) << c.name;
    }
}

}  // namespace
}  // namespace quorbelin::testing
