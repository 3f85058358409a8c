// The x87 unit's control word (precision and rounding). A helper thread
// loads its parent's word, because a new thread may start with another
// precision on some systems, and its results must not depend on the thread.
// Without the unit (the software type) there is no word: the precision and
// rounding are the type's own, and the x87's default word stands for them.
#pragma once

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)

inline std::uint16_t x87ControlWord() {
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

inline void setX87ControlWord(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }

#else

inline std::uint16_t x87ControlWord() { return 0x037F; }
inline void setX87ControlWord(std::uint16_t) {}

#endif
