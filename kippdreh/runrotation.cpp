// The rotation's work step: files opened and checked, the report of the
// turn, the output created, the pass.
#include "runrotation.hpp"

#include "geometry.hpp"
#include "rotatepixels.hpp"

#include "console.hpp"
#include "imagefiles.hpp"
#include "outputfile.hpp"
#include "stepfailure.hpp"

namespace kippdreh {

namespace {

void writeRotationReport(const RotationJob& job) {
    consoleLine(job.inputName + " Width=" + integerText(job.layout.width) +
                " Height=" + integerText(job.layout.height));
    std::string degrees = degreesText(job.angle);
    if (job.mode == RotationMode::Degrees) {
        consoleLine("Rotation Omega=" + degrees + " Grad. Strg+C bricht ab.");
        return;
    }
    bool shiftX = job.mode == RotationMode::ShiftX;
    consoleLine(std::string("Rotation ") + (shiftX ? "rechts x" : "links y") + "Delta=" +
                integerText(job.shift) + " Pixel; Rot.Winkel Omega=" + degrees + " Grad.");
    consoleLine(std::string("Die Rotation entspricht einer Kippung der ") +
                (shiftX ? "linken und rechten " : "oberen und unteren"));
    consoleLine("Bildseite um " + integerText(2LL * job.shift) + " Pixel. Strg+C bricht ab.");
}

// A turn given as a shift divides by the side it tilts over.
bool angleDividesByZero(const RotationJob& job) {
    if (job.mode == RotationMode::ShiftX) return job.layout.height == 0;
    if (job.mode == RotationMode::ShiftY) return job.layout.width == 0;
    return false;
}

} // namespace

bool runRotation(RotationJob& job, const PassOptions& options) {
    job.outputName = outputNameFor(job.inputName);
    ByteFile input;
    if (!outputMayBeWritten(job.typedName, job.outputName, input)) return false;
    input.openForReading(job.typedName);
    std::int32_t inputLength = input.length();
    if (!readInputHeader(input, job.header, job.layout)) return false;
    job.geometry.halfWidth = job.layout.width / 2;
    job.geometry.halfHeight = job.layout.height / 2;
    if (job.shift >= job.geometry.halfWidth || job.shift >= job.geometry.halfHeight) {
        reportStepFailure("Winkel zu gross", input);
        return false;
    }
    if (!checkInputLayout(input, job.header, job.layout, inputLength)) return false;
    if (angleDividesByZero(job)) {
        reportStepFailure("Bildbreite bzw. Bildhoehe 0: kein Drehwinkel berechenbar", input);
        return false;
    }
    computeAngle(job);
    writeRotationReport(job);
    if (StepMessage failed = computeGeometry(job)) {
        reportStepFailure(*failed, input);
        return false;
    }

    ByteFile output;
    if (!createOutput(job.outputName, job.geometry.outputSize, job.header, input, output)) return false;
    rotatePixels(job, input, output, options);
    input.close();
    publishOutput(output, job.outputName);
    return true;
}

} // namespace kippdreh
