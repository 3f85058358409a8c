#include "toolruns.hpp"

#include "reference_rectify.hpp"
#include "reference_rotation.hpp"
#include "files.hpp"
#include "runprogram.hpp"

#include "numberfields.hpp"
#include "realmath.hpp"
#include "extendedmath.hpp"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <regex>
#include <stdexcept>
#include <string_view>

namespace {

const std::array<const char*, 10> stepMessages = {
    "unbekanntes Format",
    "unbekannte Farb-Anzahl (nur 24 Bit erlaubt!)",
    "unbekanntes Format (nur 24 Bit erlaubt!)",
    "Winkel zu gross",
    "Bildbreite bzw. Bildhoehe 0: kein Drehwinkel berechenbar",
    "Ausgabe-Bild zu gross (Datei ueber 2 GB)",
    "Ausgabe-Bild zu gross (Breite oder Hoehe ueber 65535 Pixel)",
    "Breitengrade ungeeignet: hyperbolische Entzerrung nicht berechenbar",
    "WriteFileError:Header",
    "ReadFileError:Header",
};

// The exit code after a message of the work step: the tools end such runs
// as refused, with 1.
constexpr int stepMessageExitCode = 1;

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::int64_t word16(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) + 256 * static_cast<unsigned char>(bytes[at + 1]);
}

// The turn the rotation tool's argument asks for, in radians.
double rotationAngle(const std::string& argument, const std::string& input) {
    const std::string_view value = std::string_view(argument).substr(2);
    const char mode = static_cast<char>(std::toupper(static_cast<unsigned char>(argument[0])));
    if (mode == 'G') return static_cast<double>(static_cast<long double>(*parseDecimalField(value)) * extendedPi / 180.0L);
    const long double tilt = 2.0L * *parseIntegerField(value);
    if (mode == 'X') return static_cast<double>(arctangentX87(tilt / static_cast<long double>(word16(input, 22))));
    return static_cast<double>(-arctangentX87(tilt / static_cast<long double>(word16(input, 18))));
}

std::string modelOutput(const ToolCall& call, const std::string& input) {
    if (std::string_view(call.moduleName) == "kippdreh") return referenceRotation(input, rotationAngle(call.arguments[0], input));
    const char mode = static_cast<char>(std::toupper(static_cast<unsigned char>(call.arguments[0][0])));
    if (call.arguments.size() == 3) {
        return referenceRectify(input, mode, *parseDecimalField(call.arguments[1]), *parseDecimalField(call.arguments[2]));
    }
    return referenceRectify(input, mode);
}

Judgement judge(const ToolCall& call, const HostileFileRun& run) {
    const std::string& text = run.result.output;
    Judgement judgement;
    for (const char* message : stepMessages) {
        if (endsWith(text, std::string("\r\n") + message + "\a\r\n" + pauseText())) {
            judgement = {Ending::StepMessage, message};
        }
    }
    static const std::regex report("Exception E[A-Za-z]+ in module ([a-z]+) at [0-9A-F]{8}\\.\n([^\r\n]*)\\.\r\n$");
    std::smatch found;
    if (std::regex_search(text, found, report) && found[1] == call.moduleName) {
        judgement = {Ending::Report, found[2]};
    }
    if (endsWith(text, "K.TMP geschrieben und kann auf *.BMP umbenannt werden.\r\n" + pauseText())) {
        judgement = {Ending::Finished, ""};
    }
    return judgement;
}

} // namespace

ToolCall rotationCall(const std::string& argument) {
    return {"kippdreh", KIPPDREH_PATH, "kippdreh", {argument}};
}

ToolCall rectifierCall(const std::vector<std::string>& arguments) {
    return {"glattzug", GLATTZUG_PATH, "glattzug", arguments};
}

HostileFileRun runOnFile(const ToolCall& call, const std::string& bytes, const RunSetting& setting) {
    TempDir dir;
    writeFile(dir / "k.bmp", bytes);
    std::vector<std::string> arguments{"k.bmp"};
    arguments.insert(arguments.end(), call.arguments.begin(), call.arguments.end());
    HostileFileRun run;
    run.input = bytes;
    run.result = runProgram(call.program, arguments, dir.path(), setting);
    run.inputAfter = readFile(dir / "k.bmp");
    run.outputExists = std::filesystem::exists(dir / "K.TMP");
    if (run.outputExists) run.output = readFile(dir / "K.TMP");
    run.judgement = judge(call, run);

    std::string shown = call.title;
    for (const std::string& argument : call.arguments) shown += " " + argument;
    SCOPED_TRACE(shown);
    EXPECT_FALSE(run.result.hung);
    EXPECT_EQ(run.result.signal, 0);
    EXPECT_TRUE(run.inputAfter == run.input) << "the input changed";
    const bool created = run.result.output.find("TMP-Datei erstellen...") != std::string::npos;
    if (!created) {
        EXPECT_FALSE(run.outputExists) << "an output before its creation";
    }
    switch (run.judgement.ending) {
    case Ending::StepMessage: EXPECT_EQ(run.result.exitCode, stepMessageExitCode); break;
    case Ending::Report: EXPECT_EQ(run.result.exitCode, 1); break;
    case Ending::Finished:
        EXPECT_EQ(run.result.exitCode, 0);
        if (setting.output == StandardOutput::Collected) {
            try {
                EXPECT_TRUE(run.output == modelOutput(call, bytes)) << "the output differs from the model's";
            } catch (const std::exception& failure) {
                ADD_FAILURE() << "the model fails where the tool finished: " << failure.what();
            }
        }
        break;
    case Ending::Unexplained: ADD_FAILURE() << "an unexplained ending:\n" << run.result.output; break;
    }
    return run;
}

std::string withWord16(std::string bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<char>(value % 256);
    bytes[at + 1] = static_cast<char>(value / 256 % 256);
    return bytes;
}
