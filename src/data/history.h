#pragma once
// The browse history: the IDs of the members whose servers were visited most
// recently, as 20-byte zero-padded records (CP949, like the wire's ID field),
// newest first, each ID once, at most 30.
#include <string>
#include <vector>

namespace velorin {

class CRegistry;

inline constexpr size_t kHistoryRecord = 20;
inline constexpr size_t kHistoryLimit = 30;

void AddToHistory(CRegistry& registry, const std::string& id);
// Empty when the stored value has a length that is not a positive multiple of 20.
std::vector<std::string> LoadHistory(CRegistry& registry);
void ClearHistory(CRegistry& registry);

}  // namespace velorin
