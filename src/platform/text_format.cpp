#include "platform/text_format.h"

#include <cinttypes>

#include "platform/strings.h"

namespace velorin {

std::string FormatDuration(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    int64_t hours = seconds / 3600;
    int minutes = static_cast<int>(seconds / 60 % 60);
    int secs = static_cast<int>(seconds % 60);
    std::string prefix;
    if (hours > 99) {
        prefix = Format("%lld일 ", static_cast<long long>(hours / 24));
        hours %= 24;
    }
    return Format("%s%02d:%02d:%02d", prefix.c_str(), static_cast<int>(hours), minutes, secs);
}

std::string WithThousands(uint64_t value) {
    std::string digits = Format("%" PRIu64, value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

}  // namespace velorin
