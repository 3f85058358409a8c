// The x87 unit's control word (precision and rounding). A helper thread
// loads its parent's word, because a new thread may start with another
// precision on some systems, and its results must not depend on the thread.
#pragma once

#include <cstdint>

inline std::uint16_t x87ControlWord() {
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

inline void setX87ControlWord(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }
