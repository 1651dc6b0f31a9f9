#include "platform/error_text.h"

#include <netdb.h>

#include <cstring>

namespace velorin {
namespace {

std::string FirstLine(const char* text) {
    std::string s(text ? text : "");
    size_t end = s.find_first_of("\r\n");
    if (end != std::string::npos) s.resize(end);
    return s;
}

// The GNU and the POSIX strerror_r differ in their result; both are handled.
[[maybe_unused]] const char* Pick(int rc, const char* buffer) {
    return rc == 0 ? buffer : "";
}
[[maybe_unused]] const char* Pick(const char* result, const char*) {
    return result;
}

}  // namespace

std::string ErrorText(int code) {
    char buffer[256] = {};
    return FirstLine(Pick(strerror_r(code, buffer, sizeof buffer), buffer));
}

std::string AddressErrorText(int code) {
    return FirstLine(gai_strerror(code));
}

}  // namespace velorin
