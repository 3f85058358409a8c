// The rectifier's steps before its pass: files opened and checked, the
// hyperbolic coefficients formed, the output created.
#include "prepare.hpp"

#include "arguments.hpp"

#include "console.hpp"
#include "imagefiles.hpp"
#include "outputfile.hpp"
#include "stepfailure.hpp"

namespace glattzug {

bool prepareFiles(RectifyState& state) {
    state.outName = outputNameFor(state.inName);
    consoleLine("Ausgabe: " + state.outName);
    if (!outputMayBeWritten(state.typedName, state.outName, state.input)) return false;
    if (state.input.tryOpenForReading(state.typedName) != 0) {
        consoleLine(state.inName + ": Datei nicht gefunden oder nicht lesbar.");
        showUsage();
    }
    std::int32_t inputLength = state.input.length();

    if (!readInputHeader(state.input, state.header, state.layout)) return false;
    if (hyperbolicWanted(state.BG_unten)) {
        state.hyperbolic = hyperbolicCoefficients(state.BG_unten, state.BG_oben, state.layout.height);
        if (!state.hyperbolic) {
            reportStepFailure(coefficientsMessage, state.input);
            return false;
        }
    }
    if (!checkInputLayout(state.input, state.header, state.layout, inputLength)) return false;
    return createOutput(state.outName, inputLength, state.header, state.input, state.output);
}

} // namespace glattzug
