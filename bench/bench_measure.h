#pragma once
// Small measuring helpers shared by the search benches: durations, memory,
// percentiles and the comma-separated part list of the command line.
#include <chrono>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

namespace velorin::bench {

using Clock = std::chrono::steady_clock;

double Millis(Clock::duration d);
// Resident set of this process (VmRSS), KiB.
long RssKiB();
// Bytes the allocator has handed out and not had back: all arenas and mmapped blocks.
size_t HeapBytes();
// The value at `fraction` (0..1) of `values`, sorted in place; 0 when empty.
double Percentile(std::vector<double>& values, double fraction);
// "a,b,c" as a set; "all" or empty gives `all`.
std::set<std::string> Parts(const std::string& list, const std::set<std::string>& all);

}  // namespace velorin::bench
