// The angle fields of the measurement file.
#pragma once

#include <optional>
#include <string_view>

namespace messkart {

// Angles: decimal degrees when the field holds a ".", else packed [-]DDDMMSS.
std::optional<double> parseAngle(std::string_view field);
std::optional<double> parsePackedAngle(std::string_view field);

} // namespace messkart
