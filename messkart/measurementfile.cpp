// The measurement file read line by line.
#include "measurementfile.hpp"

#include "angles.hpp"

#include "bytefile.hpp"
#include "console.hpp"
#include "failure.hpp"
#include "numberfields.hpp"
#include "realmath.hpp"
#include "testpause.hpp"

#include <algorithm>
#include <array>

namespace messkart {

namespace {

constexpr int endOfFileMark = 26;  // Ctrl-Z: nothing after it is read

// The file is read in blocks, one line at a time, so memory does not grow
// with the file.
struct LineReader {
    ByteFile file;
    std::string name;
    std::int64_t offset = 0;  // of the next block
    std::int64_t length = 0;  // as found at the start: a file cut since is no measurement file
    std::array<char, 4096> block{};
    std::size_t position = 0;
    std::size_t filled = 0;
};

int peekByte(LineReader& reader) {
    if (reader.position == reader.filled) {
        int error = 0;
        // offset never passes length: no more than is left is asked for.
        const std::size_t wanted = static_cast<std::size_t>(
            std::min<std::int64_t>(reader.length - reader.offset, static_cast<std::int64_t>(reader.block.size())));
        std::int64_t got = reader.file.tryReadAt(reader.offset, reader.block.data(), wanted, error);
        if (got < 0) raiseIoFailure(error);
        if (got == 0 && wanted > 0) raiseFailure(FailureKind::ReadBeyondEnd);
        if (reader.offset == 0 && got > 0) pauseForTest("after-first-block", reader.name);
        reader.offset += got;
        reader.position = 0;
        reader.filled = static_cast<std::size_t>(got);
        if (got == 0) return -1;
    }
    return static_cast<unsigned char>(reader.block[reader.position]);
}

bool atEnd(LineReader& reader) {
    int c = peekByte(reader);
    return c < 0 || c == endOfFileMark;
}

// A line ends at a carriage return (with a line feed right after it) or at
// a line feed alone, so files from any editor read alike.
std::string readLine(LineReader& reader) {
    std::string line;
    for (;;) {
        int c = peekByte(reader);
        if (c < 0 || c == endOfFileMark) return line;
        ++reader.position;
        if (c == '\n') return line;
        if (c == '\r') {
            if (peekByte(reader) == '\n') ++reader.position;
            return line;
        }
        line += static_cast<char>(c);
    }
}

// Windows editors put the UTF-8 byte order mark before the text: it is no
// part of the first line, which would otherwise never read as a header.
void skipByteOrderMark(LineReader& reader) {
    if (peekByte(reader) == 0xEF && reader.filled >= 3 &&
        std::string_view(reader.block.data(), 3) == "\xEF\xBB\xBF") {
        reader.position = 3;
    }
}

std::string readUntilUsefulLine(LineReader& reader, const LineHooks& hooks) {
    std::string line;
    do {
        line = readLine(reader);
        if (hooks.skipped != nullptr && isSkippedLine(line)) hooks.skipped(hooks.context, line);
    } while (isSkippedLine(line) && !atEnd(reader));
    return line;
}

bool isControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view strip(std::string_view text) {
    while (!text.empty() && isControlOrBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isControlOrBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The text before the first blank; empty when there is no blank.
std::string_view fieldBeforeBlank(std::string_view text) {
    std::size_t blank = text.find(' ');
    return blank == std::string_view::npos ? std::string_view{} : text.substr(0, blank);
}

std::string_view afterField(std::string_view text, std::string_view field) {
    return strip(text.substr(field.size()));
}

[[noreturn]] void formatError(std::string_view shown) { throw FormatError{std::string(shown)}; }

std::int32_t integerOrStop(std::string_view field, std::string_view shown) {
    std::optional<std::int32_t> value = parseIntegerField(field);
    if (!value) formatError(shown);
    return *value;
}

double angleOrStop(std::string_view field, std::string_view shown) {
    std::optional<double> value = parseAngle(field);
    if (!value) formatError(shown);
    return *value;
}

double latitudeOrStop(std::string_view field, std::string_view shown) {
    const double latitude = angleOrStop(field, shown);
    if (beyondPole(latitude)) formatError(shown);
    return latitude;
}

void readCorrectionLine(CalibrationRun& run, std::string_view line) {
    std::string_view values = line.size() > 4 ? line.substr(4) : std::string_view{};
    std::string_view lonField = fieldBeforeBlank(values);
    std::optional<double> lonSeconds = parseDecimalField(lonField);
    if (!lonSeconds) formatError(values);
    std::string_view latField =
        lonField.size() < values.size() ? values.substr(lonField.size() + 1) : std::string_view{};
    std::optional<double> latSeconds = parseDecimalField(latField);
    if (!latSeconds) formatError(values);
    run.lonCorrection = storeDouble(*lonSeconds / 3600.0L);
    run.latCorrection = storeDouble(*latSeconds / 3600.0L);
    run.correctionWord = "mit";
}

} // namespace

DataFields splitDataLine(std::string_view line) {
    DataFields cut;
    std::string_view rest = strip(line);
    for (int k = 0; k < 3; ++k) {
        cut.shown[k] = rest;
        cut.field[k] = fieldBeforeBlank(rest);
        rest = afterField(rest, cut.field[k]);
    }
    cut.shown[3] = rest;
    const std::size_t blank = rest.find(' ');
    cut.field[3] = blank == std::string_view::npos ? rest : rest.substr(0, blank);
    cut.after = blank == std::string_view::npos ? std::string_view{} : strip(rest.substr(blank));
    return cut;
}

// The longitude enters its fit before the y pixel is read, so a longitude
// that overflows the sums stops the run before a later field's format error.
MeasuredPoint readDataLine(CalibrationRun& run, std::string_view line) {
    if (run.correctionWord == "mit") run.gpsFormat = false;
    const DataFields cut = splitDataLine(line);
    MeasuredPoint point;
    point.x = integerOrStop(cut.field[0], cut.shown[0]);
    point.longitude = storeDouble(static_cast<extended>(angleOrStop(cut.field[1], cut.shown[1])) + run.lonCorrection);
    addPoint(run.lonFit, point.x, point.longitude);
    point.y = integerOrStop(cut.field[2], cut.shown[2]);
    point.latitude =
        storeDouble(static_cast<extended>(latitudeOrStop(cut.field[3], cut.shown[3])) + run.latCorrection);
    point.scale = latitudeScale(point.latitude);
    addPoint(run.latFit, point.y, point.scale);
    return point;
}

bool isSkippedLine(std::string_view line) { return line.empty() || line.front() == '*'; }

// A latitude beyond a pole is a slip of the pen (a packed 1132436 reads as
// 113 degrees); it stops like a field that cannot be read. Longitudes keep
// their range: 0 to 360 is in use.
bool beyondPole(double latitude) { return latitude > 90.0 || latitude < -90.0; }

BodyLineKind bodyLineKind(std::string_view line) {
    std::string_view keyword = line.substr(0, 3);
    if (keyword == "WGS") return BodyLineKind::Correction;
    if (keyword == "GPS") return BodyLineKind::Gps;
    return BodyLineKind::Data;
}

// The echoed text is the file's own bytes: a picture, a UTF-16 file or a
// crafted line would ring the bell or steer the terminal, so everything
// outside printable ASCII shows as "?".
std::string shownText(std::string_view text) {
    std::string shown(text);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
    }
    return shown;
}

void stopOnFormatError(std::string_view text) {
    consoleLine();
    consoleLine(shownText(text) + " : Formatfehler. [Return] druecken.");
    readInputLine();
    throw ExitRequest{1};
}

void readHeaderLine(CalibrationRun& run, std::string_view line) {
    auto columns = [&](std::size_t first) {
        return first < line.size() ? line.substr(first, 4) : std::string_view{};
    };
    run.headerValue1 = integerOrStop(columns(0), line);
    run.headerValue2 = integerOrStop(columns(5), line);
}

void readBodyLine(CalibrationRun& run, std::string_view line) {
    switch (bodyLineKind(line)) {
    case BodyLineKind::Correction: readCorrectionLine(run, line); break;
    case BodyLineKind::Gps: run.gpsFormat = true; break;
    case BodyLineKind::Data: {
        const MeasuredPoint point = readDataLine(run, line);
        if (run.keptPoints != nullptr) run.keptPoints->push_back(point);
        break;
    }
    }
}

bool readMeasurements(CalibrationRun& run, const LineHooks& hooks) {
    LineReader reader;
    if (reader.file.tryOpenForReading(run.measurementFileName) != 0) return false;
    reader.length = reader.file.size();
    reader.name = run.measurementFileName;
    run.lonCorrection = 0.0;
    run.latCorrection = 0.0;
    skipByteOrderMark(reader);
    readHeaderLine(run, readUntilUsefulLine(reader, hooks));
    while (!atEnd(reader)) {
        std::string line = readUntilUsefulLine(reader, hooks);
        if (isSkippedLine(line)) break;
        if (hooks.body != nullptr) {
            hooks.body(hooks.context, run, line);
        } else {
            readBodyLine(run, line);
        }
    }
    reader.file.close();
    return true;
}

void readMeasurementFile(CalibrationRun& run, const LineHooks& hooks) {
    bool opened = false;
    try {
        opened = readMeasurements(run, hooks);
    } catch (const FormatError& error) {
        stopOnFormatError(error.shown);
    }
    if (!opened) {
        consoleLine();
        consoleLine(run.measurementFileName + " : Lese-Fehler. [Return] druecken.");
        readInputLine();
        throw ExitRequest{1};
    }
}

} // namespace messkart
