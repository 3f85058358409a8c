// The turn pixel by pixel in the source order, every access checked: for an
// input that ends inside its picture, pixel data within the header, and
// files that cannot be viewed.
#pragma once

#include "pixelio.hpp"
#include "turnpass.hpp"

namespace kippdreh {

void placeInSourceOrder(const TurnPass& pass, const PixelInput& input, PixelOutput& output);

} // namespace kippdreh
