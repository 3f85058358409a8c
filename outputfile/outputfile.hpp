// Output names, and the image tools' output file: made zero-filled as a
// temporary and put in place once the writes left it whole.
#pragma once

#include "bytefile.hpp"

#include <cstdint>
#include <string>
#include <string_view>

// The name with its extension replaced: everything after the last "." is cut
// when no "\", ":" or "/" follows that point; then extension is appended.
std::string replaceExtension(std::string_view name, std::string_view extension);

// KARTE.BMP -> KARTE.TMP, KARTE -> KARTE.TMP, C:\SCANS.V2\KARTE -> C:\SCANS.V2\KARTE.TMP.
std::string outputNameFor(std::string_view inputName);

// The last component of a name: what follows the last "/", "\" or ":".
std::string_view lastComponent(std::string_view name);

// The name as the tools show it: directories as typed, the last component
// in upper case, ASCII a-z only.
std::string upperCaseLastComponent(std::string_view typedName);

// Whether writing outputName would replace the input: the input's own
// extension is already the output's (in any letter case), or both names lead
// to the same file on disk.
bool outputWouldReplaceInput(std::string_view typedInput, std::string_view extension,
                             const std::string& outputName);

inline constexpr std::string_view outputIsInputMessage =
    "Ausgabe-Datei waere die Eingabe-Datei selbst, Abbruch.";

// The size of the next zero block while remaining bytes are still to be written.
std::int32_t prefillBlockSize(std::int32_t remaining);

// Creates the output at length bytes, all zero, with a line of progress dots,
// and hands it over open for reading and writing. It is a temporary file in
// the output's folder: name itself stays as it was until publishOutput. A file
// that cannot be created, or a folder of that name ("Disk-Schreibfehler"), or
// a name that now leads to the open input ends the run with exit code 1 after
// the bell and the pause; a failed write ends it with the failure report.
ByteFile createOutputFile(const std::string& name, std::int32_t length, const ByteFile& input);

// Checks that the output still has the length its writes left it at, closes
// it and renames it over name (a file or link of that name is replaced; what
// a link led to is left alone). Any failure ends the run with the failure
// report, and then the temporary file is gone and name is as it was.
void publishOutput(ByteFile& output, const std::string& name);
