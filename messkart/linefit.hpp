// Straight lines fitted by least squares, point by point, and the scale on
// which latitudes enter their fit.
#pragma once

#include <cstdint>

namespace messkart {

// A straight line y = slope * x + intercept fitted by least squares, point by
// point: only the count and four running sums are kept.
struct LineFit {
    std::int32_t count = 0;
    double sumXY = 0.0;
    double sumY = 0.0;
    double sumX = 0.0;
    double sumXX = 0.0;
    double slope = 0.0;
    double intercept = 0.0;
    double firstX = 0.0;
    bool allXEqual = true;   // every x added so far has the first one's bits
};

void resetFit(LineFit& fit);
// pixel is y, x the geographic value; from the second point on the line is refitted.
void addPoint(LineFit& fit, std::int32_t pixel, double x);
// The latitude enters its fit as sinh of the latitude in radians.
double latitudeScale(double latitudeDegrees);
void addLatitudePoint(LineFit& fit, std::int32_t pixel, double latitudeDegrees);

} // namespace messkart
