// The open, check and create steps of an image run, each reporting its own fault.
#include "imagefiles.hpp"

#include "outputfile.hpp"
#include "stepfailure.hpp"

bool outputMayBeWritten(const std::string& typedName, const std::string& outputName, ByteFile& input) {
    if (!outputWouldReplaceInput(typedName, ".TMP", outputName)) return true;
    reportStepFailure(outputIsInputMessage, input);
    return false;
}

bool readInputHeader(ByteFile& input, BmpHeader& header, BmpLayout& layout) {
    if (StepMessage failed = readBmpHeader(input, header, layout)) {
        reportStepFailure(*failed, input);
        return false;
    }
    return true;
}

bool checkInputLayout(ByteFile& input, const BmpHeader& header, BmpLayout& layout, std::int32_t inputLength) {
    if (StepMessage failed = checkPixelLayout(header, layout, inputLength)) {
        reportStepFailure(*failed, input);
        return false;
    }
    return true;
}

bool createOutput(const std::string& name, std::int32_t length, const BmpHeader& header, ByteFile& input,
                  ByteFile& output) {
    output = createOutputFile(name, length, input);
    if (StepMessage failed = writeBmpHeader(output, header)) {
        reportStepFailure(*failed, input, &output);
        return false;
    }
    return true;
}
