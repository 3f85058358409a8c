#include "prepare.hpp"

#include "arguments.hpp"

#include "console.hpp"
#include "outputfile.hpp"

namespace glattzug {

bool prepareFiles(RectifyState& state) {
    state.outName = outputNameFor(state.inName);
    consoleLine("Ausgabe: " + state.outName);
    if (outputWouldReplaceInput(state.typedName, ".TMP", state.outName)) {
        reportStepFailure(outputIsInputMessage, state.input);
        return false;
    }
    if (state.input.tryOpenForReading(state.typedName) != 0) {
        consoleLine(state.inName + ": Datei nicht gefunden oder nicht lesbar.");
        showUsage();
    }
    std::int32_t inputLength = state.input.length();

    if (StepMessage failed = readBmpHeader(state.input, state.header, state.layout)) {
        reportStepFailure(*failed, state.input);
        return false;
    }
    if (hyperbolicWanted(state.BG_unten)) {
        state.hyperbolic = hyperbolicCoefficients(state.BG_unten, state.BG_oben, state.layout.height);
        if (!state.hyperbolic) {
            reportStepFailure(coefficientsMessage, state.input);
            return false;
        }
    }
    if (StepMessage failed = checkPixelLayout(state.header, state.layout, inputLength)) {
        reportStepFailure(*failed, state.input);
        return false;
    }

    state.output = createOutputFile(state.outName, inputLength, state.input);
    if (StepMessage failed = writeBmpHeader(state.output, state.header)) {
        reportStepFailure(*failed, state.input, &state.output);
        return false;
    }
    return true;
}

} // namespace glattzug
