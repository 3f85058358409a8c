// Whole-program runs of messkart on measurement files written into a fresh directory.
#pragma once

#include "files.hpp"
#include "runprogram.hpp"

#include <string>
#include <vector>

inline const std::string bannerText =
    "MESSKART - Kartenwerkzeuge, freie Software - ver. 051112\r\n"
    "Erzeugung von .INF-Dateien fuer MIRANTEL-Maps aus Messdaten-Textdateien.\r\n"
    "Beachten Sie die Anleitung zur Erstellung einer geeigneten Textdatei.\r\n"
    "\r\n"
    "Aufruf: MESSKART <TextDateiName>\r\n";

// Two points 200 pixels and 2 degrees apart in longitude, 800 pixels and
// 30 degrees apart in latitude, under the header 1000 0800.
inline const std::string exampleHeader = "1000 0800\r\n";
inline const std::string examplePoint1 = "100 10.0 900 0.0\r\n";
inline const std::string examplePoint2 = "300 12.0 100 30.0\r\n";
inline const std::string exampleFile = exampleHeader + examplePoint1 + examplePoint2;
inline const std::string exampleCalibration =
    "100.0000\r\n-900.0000\r\n-1460.2445\r\n900.0000\r\n1000\r\n800\r\n";

inline RunResult runMesskart(const TempDir& dir, const std::vector<std::string>& arguments) {
    return runProgram(MESSKART_PATH, arguments, dir.path());
}

inline std::string formatErrorOutput(const std::string& shown) {
    return bannerText + "\r\n" + shown + " : Formatfehler. [Return] druecken.\r\n";
}

inline std::string successOutput(const std::string& calibrationName, const std::string& word,
                                 const std::string& format) {
    return bannerText + "\r\n" + calibrationName + " geschrieben " + word +
           " WGS->PD-Korrektur. Format:" + format + "\r\n[Return] druecken.\r\n";
}

inline std::string unsuitableOutput(const std::string& measurementName, const std::string& reason) {
    return bannerText + "\r\n" + measurementName + " ungeeignet.\r\n" + reason + " [Return] druecken.\r\n";
}

inline std::string tooFewOutput(const std::string& measurementName) {
    return unsuitableOutput(measurementName, "Die Textdatei muss mindestens 2 gueltige Datenzeilen enthalten.");
}
