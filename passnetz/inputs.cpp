// The two inputs: the picture's header and the .INF file's six numbers.
#include "exportrun.hpp"

#include "asciitext.hpp"
#include "bmpheader.hpp"
#include "bytefile.hpp"
#include "console.hpp"
#include "imagefiles.hpp"
#include "numberfields.hpp"
#include "outputfile.hpp"
#include "stepfailure.hpp"

namespace passnetz {

bool refuse(const std::string& message) {
    consoleLine(message + bell);
    waitForReturn();
    return false;
}

namespace {

// A hand-edited file may end its lines in any way and carry blanks after a number.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    for (std::string& each : lines) {
        while (!each.empty() && (each.back() == ' ' || each.back() == '\t')) each.pop_back();
    }
    return lines;
}

std::string lineProblem(std::size_t number, const std::string& what) {
    return "Zeile " + std::to_string(number) + " " + what + "; keine gueltige .INF-Datei.";
}

constexpr std::int64_t largestCalibrationFile = 65536;

} // namespace

bool refuseOutputAsInput(const ExportRun& run) {
    for (const std::string* output : {&run.tiffName, &run.vrtName, &run.pointsName}) {
        for (const std::string* input : {&run.pictureName, &run.calibrationName, &run.measurementName}) {
            if (input->empty()) continue;
            if (upperCaseAscii(*output) == upperCaseAscii(*input) || sameFileOnDisk(*input, *output)) {
                return refuse(std::string(outputIsInputMessage));
            }
        }
    }
    return true;
}

bool readPicture(ExportRun& run) {
    ByteFile& input = run.picture;
    if (input.tryOpenForReading(run.pictureName) != 0) {
        return refuse(run.pictureName + ": Datei nicht gefunden oder nicht lesbar.");
    }
    BmpHeader header{};
    BmpLayout layout;
    if (!readInputHeader(input, header, layout)) return false;
    if (!checkInputLayout(input, header, layout, input.length())) return false;
    if (layout.width == 0) {
        reportStepFailure("unbekanntes Format (Bild ohne Pixel)", input);
        return false;
    }
    run.layout = layout;
    run.width = layout.width;
    run.height = layout.height;
    return true;
}

CalibrationReading readCalibrationText(const std::string& text) {
    const std::vector<std::string> lines = linesOf(text);
    Calibration calibration;
    double* reals[] = {&calibration.a, &calibration.b, &calibration.c, &calibration.d};
    std::int32_t* integers[] = {&calibration.headerValue1, &calibration.headerValue2};
    for (std::size_t number = 1; number <= 6; ++number) {
        if (lines.size() < number) return {std::nullopt, lineProblem(number, "fehlt")};
        const std::string& line = lines[number - 1];
        if (number <= 4) {
            std::optional<double> value = parseDecimalField(line);
            if (!value) return {std::nullopt, lineProblem(number, "ist keine Zahl")};
            *reals[number - 1] = *value;
        } else {
            std::optional<std::int32_t> value = parseIntegerField(line);
            if (!value) return {std::nullopt, lineProblem(number, "ist keine ganze Zahl")};
            *integers[number - 5] = *value;
        }
    }
    for (std::size_t number = 7; number <= lines.size(); ++number) {
        const std::string& line = lines[number - 1];
        if (number == 7 && line == "GPS") {
            calibration.gps = true;
        } else if (!line.empty()) {
            return {std::nullopt, lineProblem(number, number == 7 ? "ist weder GPS noch leer" : "ist nicht leer")};
        }
    }
    if (calibration.a == 0.0) {
        return {std::nullopt, "Zeile 1 ist 0: alle Messpunkte liegen auf einem Meridian, die Laenge ist unbestimmt."};
    }
    if (calibration.c == 0.0) {
        return {std::nullopt,
                "Zeile 3 ist 0: alle Messpunkte liegen auf einem Breitenkreis, die Breite ist unbestimmt."};
    }
    return {calibration, {}};
}

bool readCalibration(ExportRun& run) {
    ByteFile file;
    if (file.tryOpenForReading(run.calibrationName) != 0) {
        return refuse(run.calibrationName + ": Datei nicht gefunden oder nicht lesbar.");
    }
    const std::int64_t size = file.size();
    if (size > largestCalibrationFile) {
        return refuse(run.calibrationName + ": zu gross fuer eine .INF-Datei.");
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    file.readAt(0, text.data(), text.size());
    file.close();
    CalibrationReading reading = readCalibrationText(text);
    if (!reading.calibration) return refuse(run.calibrationName + ": " + reading.problem);
    run.calibration = *reading.calibration;
    consoleLine(run.pictureName + ": " + integerText(run.width) + " x " + integerText(run.height) + " Pixel, " +
                run.calibrationName + ": Format:" +
                (run.calibration.gps ? "WGS (WGS 84, EPSG:4326)" : "PD (Potsdam-Datum, EPSG:4314)"));
    return true;
}

void warnAboutSize(const ExportRun& run) {
    const Calibration& calibration = run.calibration;
    if (calibration.headerValue1 == run.width && calibration.headerValue2 == run.height) return;
    consoleLine("Warnung: die .INF-Datei nennt " + integerText(calibration.headerValue1) + " x " +
                integerText(calibration.headerValue2) + " Pixel (Zeilen 5 und 6), das Bild hat " +
                integerText(run.width) + " x " + integerText(run.height) + ".");
    consoleLine("Gehoert sie zu diesem Bild? Die Passpunkte folgen ihren Zeilen 1 bis 4.");
}

} // namespace passnetz
