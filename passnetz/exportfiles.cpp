// The two exports' text: a GDAL VRT over the BMP with the control points and
// their coordinate system, and for QGIS's georeferencer the measured points
// or, without them, the same grid.
#include "exportrun.hpp"

#include "console.hpp"

namespace passnetz {

namespace {

// WGS 84 with the GPS line, otherwise the Potsdam datum (DHDN).
std::string crsOf(const Calibration& calibration) { return calibration.gps ? "EPSG:4326" : "EPSG:4314"; }

} // namespace

std::string vrtText(const ExportRun& run) {
    const std::string end(lineEnd);
    std::string text = "<VRTDataset rasterXSize=\"" + integerText(run.width) + "\" rasterYSize=\"" +
                       integerText(run.height) + "\">" + end;
    // X is the longitude and Y the latitude, in the GIS order that GDAL's
    // mapping 2,1 states against the latitude-first axes of both systems.
    text += "  <GCPList Projection=\"" + crsOf(run.calibration) + "\" dataAxisToSRSAxisMapping=\"2,1\">" + end;
    std::int64_t id = 0;
    for (const ControlPoint& point : run.points) {
        text += "    <GCP Id=\"" + integerText(++id) + "\" Pixel=\"" + integerText(point.pixel) + "\" Line=\"" +
                integerText(point.line) + "\" X=\"" + numberText(point.longitude) + "\" Y=\"" +
                numberText(point.latitude) + "\"/>" + end;
    }
    text += "  </GCPList>" + end;
    const char* colours[] = {"Red", "Green", "Blue"};
    for (int band = 1; band <= 3; ++band) {
        text += "  <VRTRasterBand dataType=\"Byte\" band=\"" + integerText(band) + "\">" + end;
        text += "    <ColorInterp>" + std::string(colours[band - 1]) + "</ColorInterp>" + end;
        text += "    <SimpleSource>" + end;
        text += "      <SourceFilename relativeToVRT=\"" + std::string(run.source.relative ? "1" : "0") + "\">" +
                xmlEscaped(run.source.name) +
                "</SourceFilename>" + end;
        text += "      <SourceBand>" + integerText(band) + "</SourceBand>" + end;
        text += "    </SimpleSource>" + end;
        text += "  </VRTRasterBand>" + end;
    }
    text += "</VRTDataset>" + end;
    return text;
}

std::string pointsText(const ExportRun& run) {
    const std::string end(lineEnd);
    std::string text = "#CRS: " + crsOf(run.calibration) + end;
    text += "mapX,mapY,pixelX,pixelY,enable" + end;
    // QGIS reads every further line as a point: the file can say nothing of what it holds.
    for (const messkart::MeasuredPoint& point : run.measuredPoints) {
        // A measured pixel index is its pixel's centre.
        text += numberText(point.longitude) + "," + numberText(point.latitude) + "," +
                numberText(static_cast<double>(point.x) + 0.5) + "," +
                numberText(-(static_cast<double>(point.y) + 0.5)) + ",1" + end;
    }
    if (!run.measuredPoints.empty()) return text;
    for (const ControlPoint& point : run.points) {
        // QGIS shows a picture without coordinates with rows going down from 0 to -height.
        text += numberText(point.longitude) + "," + numberText(point.latitude) + "," + integerText(point.pixel) +
                "," + integerText(-static_cast<std::int64_t>(point.line)) + ",1" + end;
    }
    return text;
}

} // namespace passnetz
