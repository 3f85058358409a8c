// Letter case of the tools' 7-bit text: a-z only, nothing else changes.
#pragma once

#include <string>
#include <string_view>

std::string upperCaseAscii(std::string_view text);
