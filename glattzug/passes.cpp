// The rectifier's pass over all rows or all columns: from tables where they
// give the same bytes, else line by line.
#include "passes.hpp"

#include "linebyline_pass.hpp"
#include "pass.hpp"
#include "table_pass.hpp"

#include "console.hpp"

namespace glattzug {

namespace {

void rectifyLines(RectifyState& state, LineKind kind) {
    PixelInput input(state.input, state.options.views);
    Pass pass{state, kind, lineCount(state.layout, kind), lineLength(state.layout, kind),
              kind == LineKind::Column && state.hyperbolic ? &*state.hyperbolic : nullptr, input};
    if (!stretchFromTables(pass)) {
        PixelOutput output(state.output, state.output.length(),
                           state.options.views ? OutputAccess::Viewed : OutputAccess::ThroughFile);
        stretchLineByLine(pass, output);
        output.finish();
    }
    consoleLine();
    // A frame that stops short of the picture's edge is not seen at all. Without
    // one a hyperbolic run still respaces the rows, and says so.
    if (!pass.frameSeen) {
        consoleLine(pass.hyperbolic
                        ? "Kein blauer Rahmen gefunden: die Zeilen werden nur nach den Breitengraden verteilt."
                        : "Kein blauer Rahmen gefunden: das Bild bleibt unveraendert.");
    }
}

} // namespace

void rectifyRows(RectifyState& state) { rectifyLines(state, LineKind::Row); }

void rectifyColumns(RectifyState& state) { rectifyLines(state, LineKind::Column); }

} // namespace glattzug
