// The transcendental functions of the tools, the same bits on every platform.
//
// The platforms' maths libraries disagree in the last bit (glibc's and
// MinGW's expl for about one argument in seven, cosl and sinl less often),
// and a fit of nearly equal latitudes turns one bit into other digits of a
// calibration file. So the tools take none of them:
//  - sine, cosine and arctangent are the processor's own x87 instructions
//    FSIN, FCOS and FPATAN, in extended precision, on every platform that
//    has them (and their results in software where there is none);
//  - the exponential is computed here from additions, subtractions,
//    multiplications and divisions alone, so that the same operations give
//    the same bits anywhere (a software model of the arithmetic included);
//    it lies within one unit in the last place for the arguments the tools
//    meet.
// The square root stays std::sqrt: it is correctly rounded everywhere.
#pragma once

#include "extended.hpp"

#if defined(__x86_64__) || defined(__i386__)

inline long double sineX87(long double x) {
    long double result;
    asm("fsin" : "=t"(result) : "0"(x));
    return result;
}

inline long double cosineX87(long double x) {
    long double result;
    asm("fcos" : "=t"(result) : "0"(x));
    return result;
}

// atan(x): FPATAN of x over 1.
inline long double arctangentX87(long double x) {
    long double result;
    asm("fpatan" : "=t"(result) : "0"(1.0L), "u"(x) : "st(1)");
    return result;
}

#else

// Without the unit: the x87's results for the arguments the tools pass
// (x87trig.cpp says how far that is known to hold).
extended sineX87(extended x);
extended cosineX87(extended x);
extended arctangentX87(extended x);

#endif

// e^x; +inf above the extended range, 0 below it, NaN for NaN.
extended exponential(extended x);
