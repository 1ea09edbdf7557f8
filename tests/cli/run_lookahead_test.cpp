// How a run maps the user's delays onto the block: a lookahead that must not
// change what the user asked for, the automatic frame that must not change a
// bit, the tail's length, and delay units at a rate that is not a multiple
// of 1000.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/cli/tool_runner.h"

namespace quorbelin::testing {
namespace {

Rows noise(int samples, int channels, unsigned seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    Rows rows(samples, std::vector<double>(channels));
    for (auto& row : rows) {
        for (double& v : row) v = value(random);
    }
    return rows;
}

Rows run(const ScratchFolder& folder, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "run");
    arguments.push_back("-q");
    const ToolResult result = runTool(arguments, folder.path());
    EXPECT_EQ(result.status, 0) << result.err;
    return result.status == 0 ? readCsv(folder / "out.csv") : Rows{};
}

// For delays the filter already reaches, a lookahead changes nothing but
// the one rounding of d + N: exact delays give the same bits; the others
// move the fraction by a unit in the last place, and the output by as
// little (the fractions are far from a phase boundary). The initial conditions (one
// per channel and delay position) read as they do without the lookahead.
TEST(Lookahead, MatchesAPlainRunWhereTheFilterAlreadyReaches) {
    ScratchFolder folder;
    writeCsv(folder / "in.csv", noise(600, 2, 1));
    writeCsv(folder / "ic.csv", noise(2, 40, 2));
    // Whole and dyadic delays are exact after adding N; 23.3 and its
    // neighbours are not.
    const Rows exact = {{20.0}, {20.5}, {31.25}, {39.0}, {24.125}};
    const Rows inexact = {{23.3}, {37.77}, {21.1}, {35.9}, {26.6}};
    for (const Rows* pattern : {&exact, &inexact}) {
        Rows delays;
        for (int n = 0; n < 600; ++n) delays.push_back((*pattern)[static_cast<std::size_t>(n / 7) % pattern->size()]);
        writeCsv(folder / "delays.csv", delays);
        const std::vector<std::string> common = {"in.csv", "-o", "out.csv", "--delay", "delays.csv", "--max-delay",
                                                 "40", "--filter", "sinc:32:64", "--ic", "ic.csv"};
        const Rows plain = run(folder, common);
        std::vector<std::string> ahead = common;
        ahead.insert(ahead.end(), {"--lookahead", "auto"});
        const Rows shifted = run(folder, ahead);
        ASSERT_EQ(shifted.size(), plain.size());
        for (std::size_t n = 0; n < plain.size(); ++n) {
            for (std::size_t c = 0; c < 2; ++c) {
                if (pattern == &exact) {
                    ASSERT_EQ(std::memcmp(&plain[n][c], &shifted[n][c], sizeof(double)), 0)
                        << "sample " << n << " channel " << c << ": " << plain[n][c] << " vs " << shifted[n][c];
                } else {
                    ASSERT_NEAR(plain[n][c], shifted[n][c], 1e-13) << "sample " << n << " channel " << c;
                }
            }
        }
    }
}

// Per-channel delays change at frame boundaries, which a lookahead of whole
// frames keeps: auto rounds H - 1 = 3 up to the frame of 4.
TEST(Lookahead, PerChannelDelaysShiftByWholeFrames) {
    ScratchFolder folder;
    writeCsv(folder / "in.csv", noise(203, 2, 5));
    Rows delays;
    for (int hit = 0; hit < 51; ++hit) delays.push_back({3.0 + hit % 5, 9.5 - hit % 3 * 0.25});
    writeCsv(folder / "delays.csv", delays);
    const std::vector<std::string> common = {"in.csv", "-o", "out.csv", "--delay", "delays.csv", "--per-channel",
                                             "--frame", "4", "--filter", "sinc:8:16", "--max-delay", "12"};
    const Rows plain = run(folder, common);
    std::vector<std::string> ahead = common;
    ahead.insert(ahead.end(), {"--lookahead", "auto"});
    EXPECT_EQ(run(folder, ahead), plain);
}

// With a lookahead the short delays get the filter: a band-limited tone
// delayed by 2.5 samples with a 32-tap design matches the exact delay far
// better than the linear interpolation the block falls back to without it;
// an advance of 3 samples is served too.
TEST(Lookahead, GivesShortDelaysAndAdvancesTheFilter) {
    ScratchFolder folder;
    Rows tone;
    const auto at = [](double n) { return std::sin(0.9 * n) + 0.5 * std::sin(2.1 * n + 1.0); };
    for (int n = 0; n < 400; ++n) tone.push_back({at(n)});
    writeCsv(folder / "in.csv", tone);
    const auto worst = [&](const Rows& out, double delay) {
        double error = 0.0;
        for (int n = 60; n < 340; ++n) error = std::max(error, std::fabs(out[n][0] - at(n - delay)));
        return error;
    };
    const std::vector<std::string> common = {"in.csv", "-o", "out.csv", "--filter", "sinc:32:256", "--max-delay", "10"};
    std::vector<std::string> withoutLookahead = common;
    withoutLookahead.insert(withoutLookahead.end(), {"--delay", "2.5"});
    std::vector<std::string> withLookahead = withoutLookahead;
    withLookahead.insert(withLookahead.end(), {"--lookahead", "auto"});
    EXPECT_GT(worst(run(folder, withoutLookahead), 2.5), 0.05);
    EXPECT_LT(worst(run(folder, withLookahead), 2.5), 1e-3);
    std::vector<std::string> advance = common;
    advance.insert(advance.end(), {"--delay", "-3", "--lookahead", "15"});
    EXPECT_LT(worst(run(folder, advance), -3.0), 1e-3);
}

// Without per-channel delays the frame does not enter the result: the
// automatic frame, and any other, equals one sample per hit bit for bit,
// the lookahead and the tail included.
TEST(AutomaticFrame, EqualsOneSamplePerHit) {
    ScratchFolder folder;
    writeCsv(folder / "in.csv", noise(10007, 3, 3));
    Rows delays;
    std::mt19937_64 random(4);
    std::uniform_real_distribution<double> delay(-2.0, 30.0);
    for (int n = 0; n < 10007 + 40; ++n) delays.push_back({delay(random)});
    writeCsv(folder / "delays.csv", delays);
    const std::vector<std::string> common = {"in.csv", "-o", "out.csv", "--delay", "delays.csv", "--max-delay", "28",
                                             "--filter", "lagrange:5:16", "--lookahead", "2", "--tail"};
    std::vector<std::string> single = common;
    single.insert(single.end(), {"--frame", "1"});
    const Rows reference = run(folder, single);
    ASSERT_EQ(reference.size(), 10007u + 28u + 3u);
    EXPECT_EQ(run(folder, common), reference);
    std::vector<std::string> odd = common;
    odd.insert(odd.end(), {"--frame", "97"});
    EXPECT_EQ(run(folder, odd), reference);
}

// The tail adds the largest delay, rounded up, plus H samples made from
// zeros after the end, and lets the last input sample out in full.
TEST(Tail, LengthsFollowTheLargestDelayAndTheFilter) {
    ScratchFolder folder;
    writeCsv(folder / "in.csv", {{1.0}, {2.0}, {3.0}, {4.0}, {5.0}});
    writeCsv(folder / "delays.csv", {{0.5}, {3.25}, {1.0}, {2.0}, {0.0}});
    struct Case {
        std::vector<std::string> arguments;
        std::size_t length;
    };
    const Case cases[] = {
        {{"--delay", "2"}, 7},
        {{"--delay", "2.5"}, 8},
        {{"--delay", "delays.csv"}, 9},                         // ceil(3.25)
        {{"--delay", "2.5", "--filter", "lagrange:3:4"}, 10},    // + H = 2
        {{"--delay", "9", "--max-delay", "4"}, 9},              // the clamped delay
        {{"--delay", "-1", "--lookahead", "1"}, 5},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"in.csv", "-o", "out.csv", "--tail"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Rows out = run(folder, arguments);
        EXPECT_EQ(out.size(), c.length) << c.arguments[1];
    }
    // A whole delay of 2: the input moved by two samples, then zeros.
    EXPECT_EQ(run(folder, {"in.csv", "-o", "out.csv", "--tail", "--delay", "2"}),
              (Rows{{0.0}, {0.0}, {1.0}, {2.0}, {3.0}, {4.0}, {5.0}}));
    // Past a delay file's end the tail holds its last value (0 here).
    const Rows held = run(folder, {"in.csv", "-o", "out.csv", "--tail", "--delay", "delays.csv"});
    EXPECT_EQ(held[5][0], 0.0);
    EXPECT_EQ(held[8][0], 0.0);
}

// 10 ms at 44.1 kHz is 441 samples, 0.5 ms 22.05: a conversion that divides
// the rate by 1000 in integers gives 44 and 22.
TEST(DelayUnits, MillisecondsAtARateThatIsNotAMultipleOf1000) {
    ScratchFolder folder;
    Rows ramp;
    for (int n = 0; n < 1000; ++n) ramp.push_back({static_cast<double>(n)});
    writeCsv(folder / "in.csv", ramp);
    for (const auto& [milliseconds, samples] : {std::pair{"10", 441.0}, std::pair{"0.5", 22.05}}) {
        const Rows out = run(folder, {"in.csv", "-o", "out.csv", "--rate", "44100", "--delay-unit", "ms", "--delay",
                                      milliseconds});
        ASSERT_EQ(out.size(), 1000u);
        EXPECT_NEAR(out[999][0], 999.0 - samples, 1e-9) << milliseconds;
        EXPECT_EQ(out[static_cast<int>(std::floor(samples)) - 1][0], 0.0) << milliseconds;
    }
}

}  // namespace
}  // namespace quorbelin::testing
