// Reads lines "function bits" (function: sin, cos, atan, exp; bits: the 80-bit
// argument as 20 hex digits, sign and exponent first) and writes the result's
// bits, one line each: the tools' functions as a high-precision reference
// sees them (make_extendedmath_table.py, measure_exponential.py).
#include "../bits80.hpp"
#include "extendedmath.hpp"

#include <iostream>
#include <string>

int main() {
    std::string function;
    std::string bits;
    while (std::cin >> function >> bits) {
        const long double x = fromBits(bits);
        long double y = 0;
        if (function == "sin") y = sineX87(x);
        else if (function == "cos") y = cosineX87(x);
        else if (function == "atan") y = arctangentX87(x);
        else if (function == "exp") y = exponential(x);
        std::cout << toBits(y) << '\n';
    }
    return 0;
}
