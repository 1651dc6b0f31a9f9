#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
std::string Trim(std::string_view text);

}  // namespace velorin
