// Checked integer arithmetic on 32-bit sizes, offsets and counters.
// A result that leaves the range ends the run with "Integer overflow";
// a value that does not fit where it is stored, with "Range check error".
#pragma once

#include "failure.hpp"

#include <cstdint>
#include <limits>
#include <source_location>
#include <utility>

inline std::int32_t checkedAdd(std::int32_t a, std::int32_t b,
                               std::source_location where = std::source_location::current()) {
    std::int32_t result;
    if (__builtin_add_overflow(a, b, &result)) raiseFailure(FailureKind::IntOverflow, where);
    return result;
}

inline std::int32_t checkedSub(std::int32_t a, std::int32_t b,
                               std::source_location where = std::source_location::current()) {
    std::int32_t result;
    if (__builtin_sub_overflow(a, b, &result)) raiseFailure(FailureKind::IntOverflow, where);
    return result;
}

inline std::int32_t checkedMul(std::int32_t a, std::int32_t b,
                               std::source_location where = std::source_location::current()) {
    std::int32_t result;
    if (__builtin_mul_overflow(a, b, &result)) raiseFailure(FailureKind::IntOverflow, where);
    return result;
}

// Narrowing store: the value must fit the target type.
template <typename Target, typename Source>
Target checkedNarrow(Source value, std::source_location where = std::source_location::current()) {
    if (!std::in_range<Target>(value)) raiseFailure(FailureKind::RangeError, where);
    return static_cast<Target>(value);
}
