#pragma once
#include <string>

namespace velorin {

// The system's message for an errno value, first line only.
std::string ErrorText(int code);
// The resolver's message for a getaddrinfo result.
std::string AddressErrorText(int code);

}  // namespace velorin
