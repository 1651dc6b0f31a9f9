#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Negative, 0 or positive as `a` sorts before, with or after `b`, ASCII case folded.
int CompareIgnoreCase(std::string_view a, std::string_view b);
// ASCII letters folded to lower case; every other byte as it is (the rule member IDs compare by).
std::string LowerAscii(std::string_view text);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
std::string Trim(std::string_view text);

}  // namespace velorin
