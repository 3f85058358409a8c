// The number-field readers on arbitrary text: integer and decimal fields,
// angles and packed angles. No input may crash them, and a decimal field
// that is accepted is always a finite number.
#include "angles.hpp"
#include "numberfields.hpp"

#include "fuzzsupport.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)parseIntegerField(text);
    if (std::optional<double> value = parseDecimalField(text); value && !std::isfinite(*value)) {
        fuzzFault("a decimal field read as a non-finite number");
    }
    if (std::optional<double> value = parseAngle(text); value && !std::isfinite(*value)) {
        fuzzFault("an angle read as a non-finite number");
    }
    if (std::optional<double> value = parsePackedAngle(text); value && !std::isfinite(*value)) {
        fuzzFault("a packed angle read as a non-finite number");
    }
    return 0;
}
