// The rule that fills the gaps a forward mapping leaves: when a pixel is
// placed, its left neighbour, if it is still black, takes a copy of it.
// Every form of the placing applies it through these two functions.
#pragma once

#include <cstring>

namespace kippdreh {

inline bool isBlack(const unsigned char* pixel) { return (pixel[0] | pixel[1] | pixel[2]) == 0; }

inline void fillLeftNeighbour(unsigned char* left, const unsigned char* placed) {
    if (isBlack(left)) std::memcpy(left, placed, 3);
}

} // namespace kippdreh
