// Number fields read from text, independent of the system's locale.
//
// Integer field: optional leading blanks, then an optional sign and decimal
// digits that fit 32 bits signed, or (without sign) a hexadecimal number after
// "$", "x", "X", "0x" or "0X" that fits 32 bits unsigned and is taken as signed.
// Decimal field: optional leading blanks, optional sign, digits with an
// optional "." anywhere among them (a point alone is 0), optional exponent
// "E"/"e" with optional sign and at least one digit. Nothing may follow.
// An empty field fails.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<std::int32_t> parseIntegerField(std::string_view text);
std::optional<double> parseDecimalField(std::string_view text);
