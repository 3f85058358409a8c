// Where the turn puts each source pixel: the polar form with its storage
// points decides the rounding, and a direct form stands in for it wherever
// the two provably round alike.
#pragma once

#include <cstdint>

namespace kippdreh {

struct Turn {
    std::int32_t hw;  // the centre column and row, about which the picture turns
    std::int32_t hh;
    double angle;     // radians, positive turns clockwise
    double cosT;      // cos and sin of the angle, rounded to doubles
    double sinT;
};

Turn turnAbout(std::int32_t hw, std::int32_t hh, double angle);

// The turned positions, in the input's frame, of the pixels x = first ...
// end - 1 of source row y: column into columns[x - first], row into rows[x - first].
// The direct form, four pixels at a time with AVX2 where vectorForms says so
// (the processor must have it), else two at a time; the polar form where the
// direct one comes near a rounding boundary. Every way gives turnExactly's targets.
void turnRun(const Turn& turn, std::int32_t y, std::int32_t first, std::int32_t end, std::int32_t* columns,
             std::int32_t* rows, bool vectorForms);

// The target of pixel (x, y) by the polar form, which decides the rounding.
void turnExactly(const Turn& turn, std::int32_t x, std::int32_t y, std::int32_t& column, std::int32_t& row);

// Whether the turn is by a quarter, as far as the targets go: sin is 1 or -1
// and cos below 2^-40, so the direct form lies within 2^-23 of whole numbers,
// far from any half, and the target of (x, y) is (hw + (hh - y) sin, hh + (x
// - hw) sin), with sin taken as a whole number.
bool turnsByQuarter(const Turn& turn);

} // namespace kippdreh
