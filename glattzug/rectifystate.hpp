// The map rectifier's state for one run and the operations that read and
// write it: command line, files, frame scan, passes, hyperbolic mapping.
#pragma once

#include "bmpheader.hpp"
#include "bytefile.hpp"
#include "hyperbolic.hpp"
#include "lines.hpp"
#include "passoptions.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace glattzug {

struct RectifyState {
    std::string typedName;   // the first argument as typed: the input is opened under it
    std::string inName;      // as shown: the last component upper-cased
    std::string outName;
    LineKind mode = LineKind::Row;   // h stretches rows, v columns
    double BG_unten = noLatitude;   // latitude of the bottom row, degrees
    double BG_oben = noLatitude;    // latitude of the top row, degrees
    BmpHeader header{};
    BmpLayout layout{};
    ByteFile input;
    ByteFile output;
    // Set only when the hyperbolic mapping is wanted.
    std::optional<HyperbolicCoefficients> hyperbolic;
    // How the passes work: threads, vector forms, views (the bytes are the same for any).
    PassOptions options = defaultPassOptions();
};

// Reads the command line and writes the status line; shows the help text
// (and ends the run with exit code 1) on any fault.
void parseArguments(RectifyState& state, int argc, char** argv);
[[noreturn]] void showUsage();

// Opens and checks the input, creates the output and writes the header into
// it. False after a failure that it has reported itself, with its pause.
bool prepareFiles(RectifyState& state);

void rectifyRows(RectifyState& state);
void rectifyColumns(RectifyState& state);

// The whole run of the program, from its banner to its exit code, in the
// run frame that turns a failed check into the failure report.
int run(int argc, char** argv);

} // namespace glattzug
