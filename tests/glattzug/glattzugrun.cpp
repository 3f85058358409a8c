#include "glattzugrun.hpp"

Bgr shade(int k) {
    return {static_cast<unsigned char>(k + 1), static_cast<unsigned char>(100 + k % 100),
            static_cast<unsigned char>(200 - k % 150)};
}

RunResult runGlattzug(const TempDir& dir, const std::vector<std::string>& arguments) {
    return runProgram(GLATTZUG_PATH, arguments, dir.path());
}

std::string bannerText() {
    return "Bild-Entzerrer ver.16092012 - Kartenwerkzeuge, freie Software\r\n\r\n";
}

std::string helpText() {
    return "Das Bild muss als unkomprimierte 24-Bit-BMP BitMap vorliegen\r\n"
           "und von beliebig geformten vertikalen bzw. horizontalen Rahmenbalken\r\n"
           "der Farbe 0,0,255 (blau) umgeben sein.\r\n"
           "Die Entzerrung erfolgt linear in zwei Stufen so, dass das im Rahmen befindliche\r\n"
           "Bild die ganze Bildflaeche ausfuellt. Vertikale Rahmen entzerren horizontal\r\n"
           "und umgekehrt. Beispielanwendung:\r\n"
           "Umwandlung gescannter kegelprojizierter Karten in Zylinderprojektion.\r\n"
           "Aufruf: GLATTZUG <Dateiname> <h[orizontal]|v[ertikal] [BG_unten BG_oben]>\r\n"
           "Werden bei vertikaler Entzerrung die Breitengrade (dezimal) des unteren\r\n"
           "und oberen Kartenrandes angegeben, so erfolgt eine hyperbolische\r\n"
           "Entzerrung (diese kann auch nachtraeglich auf eine bereits linear entzerrte\r\n"
           "Karte angewendet werden).\r\n"
           "Die Ausgabe-Datei mit der Erweiterung .TMP kann auf .BMP umbenannt werden.\r\n" +
           pauseText();
}

std::string prefillText(std::int64_t length) {
    std::string text = "\r\nTMP-Datei erstellen...\r\n";
    std::int64_t remaining = length;
    std::int64_t lastStep = -1;
    while (remaining > 0) {
        std::int64_t step = (length - remaining) * 157 / length;
        if (step != lastStep && step % 2 == 0) {
            lastStep = step;
            text += '.';
        }
        remaining -= remaining > 1024 ? 1024 : remaining > 32 ? 32 : 1;
    }
    return text + "\r\n";
}

std::string closingText(const std::string& outName) {
    return outName + " geschrieben und kann auf *.BMP umbenannt werden.\r\n" + pauseText();
}

std::string successText(const std::string& statusLine, const std::string& outName,
                        std::int64_t length, int passDots, bool frameFound, bool respaced) {
    const std::string noFrame =
        respaced ? "Kein blauer Rahmen gefunden: die Zeilen werden nur nach den Breitengraden verteilt.\r\n"
                 : "Kein blauer Rahmen gefunden: das Bild bleibt unveraendert.\r\n";
    return bannerText() + statusLine + "\r\nAusgabe: " + outName + "\r\n" + prefillText(length) +
           std::string(static_cast<std::size_t>(passDots), '.') + "\r\n" + (frameFound ? "" : noFrame) +
           closingText(outName);
}

PixelRows transposed(const PixelRows& rows) {
    PixelRows result(rows[0].size(), std::vector<Bgr>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t x = 0; x < rows[y].size(); ++x) result[x][y] = rows[y][x];
    }
    return result;
}
