#include "arguments.hpp"

#include "console.hpp"
#include "failure.hpp"
#include "glattzugrun.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace glattzug;

namespace {

struct ParseOutcome {
    std::string console;
    int exitCode = -1;
};

ParseOutcome parse(RectifyState& state, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "glattzug");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ParseOutcome outcome;
    captureConsole(&outcome.console);
    try {
        parseArguments(state, static_cast<int>(arguments.size()), argv.data());
    } catch (const ExitRequest& request) {
        outcome.exitCode = request.code;
    }
    captureConsole(nullptr);
    return outcome;
}

}

TEST(Arguments, ModeHWithTwoArgumentsIsLinearHorizontal) {
    RectifyState state;
    ParseOutcome outcome = parse(state, {"karte.bmp", "h"});
    EXPECT_EQ(outcome.exitCode, -1);
    EXPECT_EQ(outcome.console, "KARTE.BMP: Entzerrung horizontal linear. Strg+C bricht ab.\r\n");
    EXPECT_EQ(state.mode, LineKind::Row);
    EXPECT_EQ(state.typedName, "karte.bmp");
    EXPECT_EQ(state.inName, "KARTE.BMP");
    EXPECT_EQ(state.BG_unten, noLatitude);
    EXPECT_EQ(state.BG_oben, noLatitude);
}

TEST(Arguments, ModeWordsBeginningWithHOrVAreAccepted) {
    for (const char* word : {"h", "H", "Horizontal", "hx", "hxyz"}) {
        RectifyState state;
        ParseOutcome outcome = parse(state, {"karte.bmp", word});
        EXPECT_EQ(outcome.exitCode, -1) << word;
        EXPECT_EQ(state.mode, LineKind::Row) << word;
    }
    for (const char* word : {"v", "V", "vertikal", "Vxyz"}) {
        RectifyState state;
        ParseOutcome outcome = parse(state, {"karte.bmp", word});
        EXPECT_EQ(outcome.exitCode, -1) << word;
        EXPECT_EQ(state.mode, LineKind::Column) << word;
        EXPECT_EQ(outcome.console, "KARTE.BMP: Entzerrung vertikal linear. Strg+C bricht ab.\r\n");
    }
}

TEST(Arguments, OtherModeWordsGiveTheHelpText) {
    for (const char* word : {"x", "", " h", "1", "quer"}) {
        RectifyState state;
        ParseOutcome outcome = parse(state, {"karte.bmp", word});
        EXPECT_EQ(outcome.exitCode, 1) << word;
        EXPECT_EQ(outcome.console, helpText()) << word;
    }
}

TEST(Arguments, ArgumentCountsOtherThanTwoOrFourGiveTheHelpText) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{}, {"karte.bmp"}, {"karte.bmp", "v", "47"},
                                               {"karte.bmp", "v", "47", "55", "60"}}) {
        RectifyState state;
        ParseOutcome outcome = parse(state, arguments);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.console, helpText());
    }
}

TEST(Arguments, LatitudesWithModeHGiveTheHelpTextWithoutStatusLine) {
    RectifyState state;
    ParseOutcome outcome = parse(state, {"karte.bmp", "h", "47", "55"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.console, helpText());
}

TEST(Arguments, LatitudesWithModeVAreHyperbolic) {
    RectifyState state;
    ParseOutcome outcome = parse(state, {"karte.bmp", "v", "47.5", "55"});
    EXPECT_EQ(outcome.exitCode, -1);
    EXPECT_EQ(outcome.console, "KARTE.BMP: Entzerrung vertikal hyperbolisch. Strg+C bricht ab.\r\n");
    EXPECT_EQ(state.BG_unten, 47.5);
    EXPECT_EQ(state.BG_oben, 55.0);
}

TEST(Arguments, LatitudeFieldsFollowTheDecimalRule) {
    RectifyState state;
    EXPECT_EQ(parse(state, {"k", "v", "  -33.25", "+1e1"}).exitCode, -1);
    EXPECT_EQ(state.BG_unten, -33.25);
    EXPECT_EQ(state.BG_oben, 10.0);
    EXPECT_EQ(parse(state, {"k", "v", ".", "5."}).exitCode, -1);
    EXPECT_EQ(state.BG_unten, 0.0);
    EXPECT_EQ(state.BG_oben, 5.0);
    EXPECT_EQ(parse(state, {"k", "v", "95", "-1000"}).exitCode, -1);
    EXPECT_EQ(state.BG_unten, 95.0);
    EXPECT_EQ(state.BG_oben, -1000.0);
}

TEST(Arguments, DecimalCommaShowsHelpOnTheStatusLine) {
    RectifyState state;
    ParseOutcome outcome = parse(state, {"karte.bmp", "v", "47,5", "55"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.console, "KARTE.BMP: Entzerrung vertikal" + helpText());
}

TEST(Arguments, FaultyUpperLatitudeAlsoFollowsTheStatusLine) {
    for (const char* upper : {"55 ", "", "1e", "abc", "1e999", "5.5.5"}) {
        RectifyState state;
        ParseOutcome outcome = parse(state, {"karte.bmp", "v", "47.5", upper});
        EXPECT_EQ(outcome.exitCode, 1) << upper;
        EXPECT_EQ(outcome.console, "KARTE.BMP: Entzerrung vertikal" + helpText()) << upper;
    }
}

TEST(Arguments, OnlyTheLastComponentIsUpperCased) {
    RectifyState state;
    ParseOutcome outcome = parse(state, {"scans/alt.v2/karte.bmp", "h"});
    EXPECT_EQ(outcome.exitCode, -1);
    EXPECT_EQ(state.typedName, "scans/alt.v2/karte.bmp");
    EXPECT_EQ(state.inName, "scans/alt.v2/KARTE.BMP");
    EXPECT_EQ(outcome.console, "scans/alt.v2/KARTE.BMP: Entzerrung horizontal linear. Strg+C bricht ab.\r\n");
}
