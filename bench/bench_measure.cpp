#include "bench_measure.h"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace velorin::bench {

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

long RssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

size_t HeapBytes() {
    // Large blocks come from mmap and are counted apart from the arenas.
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

double Percentile(std::vector<double>& values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t at = static_cast<size_t>(fraction * static_cast<double>(values.size()));
    return values[std::min(at, values.size() - 1)];
}

std::set<std::string> Parts(const std::string& list, const std::set<std::string>& all) {
    if (list.empty() || list == "all") return all;
    std::set<std::string> parts;
    std::stringstream stream(list);
    std::string part;
    while (std::getline(stream, part, ',')) parts.insert(part);
    return parts;
}

}  // namespace velorin::bench
