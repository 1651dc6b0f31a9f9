#pragma once
#include <cstdint>
#include <string>

namespace velorin {

// "%s%02d:%02d:%02d"; past 99 hours the prefix is "%d일 " and the hours are modulo 24.
// A negative count shows as zero.
std::string FormatDuration(int64_t seconds);
// A count with "," between groups of three digits ("1,234,567").
std::string WithThousands(uint64_t value);

}  // namespace velorin
