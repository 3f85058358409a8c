// The angle fields of the measurement file: degrees, and the packed degrees-minutes form.
#include "angles.hpp"

#include "numberfields.hpp"
#include "realmath.hpp"

namespace messkart {

std::optional<double> parseAngle(std::string_view field) {
    if (field.find('.') != std::string_view::npos) return parseDecimalField(field);
    return parsePackedAngle(field);
}

std::optional<double> parsePackedAngle(std::string_view field) {
    const bool negative = !field.empty() && field.front() == '-';
    std::string text = negative ? "" : "0";
    text += field;
    // Eight characters hold a three-digit degree part behind its sign or zero.
    const std::size_t degreeLength = text.size() == 8 ? 4 : 3;
    std::string_view rest = text;
    std::string_view degreePart = rest.substr(0, degreeLength);
    rest.remove_prefix(degreePart.size());
    std::string_view minutePart = rest.substr(0, 2);
    rest.remove_prefix(minutePart.size());
    std::string_view secondPart = rest.substr(0, 2);

    std::optional<double> degrees = parseDecimalField(degreePart);
    if (!degrees) return std::nullopt;
    std::optional<double> minutes = parseDecimalField(minutePart);
    if (!minutes) return std::nullopt;
    std::optional<double> seconds = parseDecimalField(secondPart);
    if (!seconds) return std::nullopt;

    const extended sign = negative ? -1.0L : 1.0L;
    return storeDouble(static_cast<extended>(*degrees) + sign * *minutes / 60.0L +
                       sign * *seconds / 3600.0L);
}

} // namespace messkart
