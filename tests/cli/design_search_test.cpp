// Designs chosen to meet an SNR: what the search returns meets the request
// by an analysis of its own matrix, stays within the limits, and one phase
// fewer would not do; requests beyond reach are refused with the best figure
// found; the tool writes the matrix and names the design.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "cli/design_search.h"
#include "cli/errors.h"
#include "cli/filter_analysis.h"
#include "cli/filter_design.h"
#include "tests/cli/tool_runner.h"

namespace quorbelin::testing {
namespace {

using Kind = cli::FilterDesign::Kind;

TEST(DesignSearch, ReturnsTheCheapestDesignThatMeetsTheRequest) {
    struct Case {
        double snrDb, band;
        std::vector<Kind> families;
        int64_t maxBytes;
    };
    const std::vector<Case> cases = {{40.0, 0.5, {Kind::Sinc, Kind::Lagrange, Kind::LeastSquares}, 64 << 20},
                                     {60.0, 0.8, {Kind::LeastSquares}, 64 << 20},
                                     {50.0, 0.25, {Kind::Lagrange}, 64 << 20},
                                     {55.0, 0.9, {Kind::Sinc}, 1 << 20}};
    for (const Case& c : cases) {
        cli::DesignRequest request;
        request.snrDb = c.snrDb;
        request.band = c.band;
        request.families = c.families;
        request.maxBytes = c.maxBytes;
        const cli::DesignChoice choice = cli::searchDesign(request);
        const std::string name = cli::formatFilterDesign(choice.design);
        SCOPED_TRACE(name);
        // The design string alone gives the same matrix, and its analysis
        // meets the target.
        const auto parsed = cli::parseFilterDesign(name);
        ASSERT_TRUE(parsed);
        const cli::Matrix matrix = cli::designFilter(*parsed);
        EXPECT_EQ(matrix.columnMajor, choice.filter.columnMajor);
        EXPECT_GE(cli::analyzeBand(matrix, c.band).worstSnrDb, c.snrDb);
        EXPECT_LE(static_cast<int64_t>(matrix.columnMajor.size() * sizeof(double)), c.maxBytes);
        EXPECT_NE(std::find(c.families.begin(), c.families.end(), choice.design.kind), c.families.end());
        if (choice.design.phases > 1) {
            cli::FilterDesign fewer = *parsed;
            fewer.phases -= 1;
            EXPECT_LT(cli::analyzeBand(cli::designFilter(fewer), c.band).worstSnrDb, c.snrDb);
        }
        if (choice.design.taps > 2 && choice.design.kind == Kind::LeastSquares) {
            // Fewer taps cannot meet it with the most phases allowed.
            cli::FilterDesign shorter = *parsed;
            shorter.taps -= 1;
            shorter.phases = static_cast<int32_t>(std::min<int64_t>(65536, c.maxBytes / (8 * shorter.taps)));
            EXPECT_LT(cli::analyzeBand(cli::designFilter(shorter), c.band).worstSnrDb, c.snrDb);
        }
    }
}

TEST(DesignSearch, RefusesWhatNoDesignWithinTheLimitsCanMeet) {
    cli::DesignRequest beyondTheGrid;
    beyondTheGrid.snrDb = 130.0;
    beyondTheGrid.band = 0.8;
    cli::DesignRequest tooFewTaps;
    tooFewTaps.snrDb = 80.0;
    tooFewTaps.band = 0.8;
    tooFewTaps.maxTaps = 8;
    for (const cli::DesignRequest& request : {beyondTheGrid, tooFewTaps}) {
        try {
            cli::searchDesign(request);
            ADD_FAILURE() << "expected a refusal";
        } catch (const cli::UnreachableDesign& error) {
            EXPECT_NE(std::string(error.what()).find("the best found is about"), std::string::npos) << error.what();
        }
    }
    EXPECT_THROW(cli::parseAutoDesign("auto:80"), cli::UsageError);
    EXPECT_THROW(cli::parseAutoDesign("auto:80:1.5"), cli::UsageError);
    EXPECT_FALSE(cli::parseAutoDesign("sinc:32:64"));
}

TEST(DesignSearch, ToolWritesTheMatrixAndNamesTheDesign) {
    ScratchFolder folder;
    const ToolResult made = runTool({"design-filter", "auto", "--snr", "50", "--band", "0.5", "--family", "sinc",
                                     "-o", folder / "f.csv"});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string design = made.err.substr(0, made.err.find('\n'));
    EXPECT_EQ(design.rfind("sinc:", 0), 0u) << made.err;
    EXPECT_NE(made.err.find("worst SNR"), std::string::npos);
    const ToolResult analysed = runTool({"analyze", folder / "f.csv", "--json"});
    ASSERT_EQ(analysed.status, 0) << analysed.err;
    std::smatch figure;
    ASSERT_TRUE(std::regex_search(analysed.out, figure, std::regex("\"band\": 0.5, \"worst_snr_db\": ([0-9.]+)")))
        << analysed.out;
    EXPECT_GE(std::stod(figure[1]), 50.0);

    const ToolResult refused =
        runTool({"design-filter", "auto", "--snr", "150", "--band", "0.8", "-o", folder / "g.csv"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("no design within the limits reaches"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "g.csv"));

    const ToolResult misused = runTool({"design-filter", "sinc:8:8", "--snr", "50"});
    EXPECT_EQ(misused.status, 2);
}

}  // namespace
}  // namespace quorbelin::testing
