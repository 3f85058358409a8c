// The map rectifier's state for one run: what the command line asked for,
// the open files, the input's header and layout, and the coefficients of the
// hyperbolic mapping where it is wanted.
#pragma once

#include "bmpheader.hpp"
#include "bytefile.hpp"
#include "hyperbolic.hpp"
#include "lines.hpp"
#include "passoptions.hpp"

#include <optional>
#include <string>

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

} // namespace glattzug
