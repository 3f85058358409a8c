// glattzug: rectifies a scanned map framed by pure-blue bars, row by row or column by column.
#include "main.hpp"

#include "arguments.hpp"
#include "passes.hpp"
#include "prepare.hpp"

#include "console.hpp"
#include "outputfile.hpp"
#include "runtool.hpp"

namespace glattzug {
namespace {

int rectifierRun(int argc, char** argv) {
    consoleLine("Bild-Entzerrer ver.16092012 - Kartenwerkzeuge, freie Software");
    consoleLine();
    RectifyState state;
    parseArguments(state, argc, argv);
    if (!prepareFiles(state)) return 1;
    if (state.mode == LineKind::Row) {
        rectifyRows(state);
    } else {
        rectifyColumns(state);
    }
    state.input.close();
    publishOutput(state.output, state.outName);
    consoleLine(state.outName + " geschrieben und kann auf *.BMP umbenannt werden.");
    waitForReturn();
    return 0;
}

} // namespace

int run(int argc, char** argv) { return runTool(argc, argv, "glattzug", rectifierRun); }

} // namespace glattzug

