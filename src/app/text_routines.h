#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace velorin {

// "%s%02d:%02d:%02d"; past 99 hours the prefix is "%d일 " and the hours are modulo 24.
std::string FormatDuration(int64_t seconds);
// A count with "," between groups of three digits ("1,234,567").
std::string WithThousands(uint64_t value);
// Each "%" followed by two hexadecimal digits becomes the byte they encode.
std::string UrlDecode(std::string_view text);

}  // namespace velorin
