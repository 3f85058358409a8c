#include "rectifystate.hpp"

#include "console.hpp"

int runRectifier(int argc, char** argv) {
    consoleLine("Bild-Entzerrer ver.16092012 - Kartenwerkzeuge, freie Software");
    consoleLine();
    RectifyState state;
    parseArguments(state, argc, argv);
    if (!prepareFiles(state)) return 1;
    if (state.modeLetter == 'H') {
        rectifyRows(state);
    } else {
        rectifyColumns(state);
    }
    state.input.close();
    state.output.close();
    consoleLine(state.outName + " geschrieben und kann auf *.BMP umbenannt werden.");
    waitForReturn();
    return 0;
}
