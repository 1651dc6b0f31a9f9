#pragma once
#include <string>
#include <string_view>

namespace velorin {

// Each "%" followed by two hexadecimal digits becomes the byte they encode.
std::string UrlDecode(std::string_view text);

}  // namespace velorin
