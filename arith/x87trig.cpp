// The x87's FSIN, FCOS and FPATAN for the software extended type: the
// function in quad precision (the C library's, within an ulp of 113 bits),
// rounded once to the 64-bit mantissa. That is the correctly rounded value
// except within 2^-48 ulp of a tie; the x87 itself is not correctly rounded
// everywhere (about one sine in 70 and one cosine in 14 of the angles the
// tools turn by differ from it in the last bit), and what that leaves of the
// output bytes is measured by the page build's tests against the native tools.
#if !defined(__x86_64__) && !defined(__i386__)

#include "extendedmath.hpp"

#include <cmath>

extended sineX87(extended x) { return extended(sinl(static_cast<long double>(x))); }

extended cosineX87(extended x) { return extended(cosl(static_cast<long double>(x))); }

extended arctangentX87(extended x) { return extended(atanl(static_cast<long double>(x))); }

#endif
