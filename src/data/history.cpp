#include "data/history.h"

#include "platform/registry.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {
constexpr const char* kValue = "history";
constexpr size_t kMaxBytes = kHistoryRecord * kHistoryLimit;
}  // namespace

void AddToHistory(CRegistry& registry, const std::string& id) {
    std::string record(kHistoryRecord, '\0');
    Utf8ToFixedField(id, record.data(), record.size());
    std::string stored;
    if (!registry.ReadBinary(kHistoryKey, kValue, stored)) {
        registry.WriteBinary(kHistoryKey, kValue, record);
        return;
    }
    if (stored.size() > kMaxBytes) stored.resize(kMaxBytes);
    if (stored.size() % kHistoryRecord != 0) stored.clear();
    for (size_t pos = 0; pos < stored.size(); pos += kHistoryRecord) {
        if (stored.compare(pos, kHistoryRecord, record) == 0) return;
    }
    std::string updated = record + stored;
    if (updated.size() > kMaxBytes) updated.resize(kMaxBytes);
    registry.WriteBinary(kHistoryKey, kValue, updated);
}

std::vector<std::string> LoadHistory(CRegistry& registry) {
    std::vector<std::string> ids;
    std::string stored;
    if (!registry.ReadBinary(kHistoryKey, kValue, stored)) return ids;
    if (stored.empty() || stored.size() % kHistoryRecord != 0 || stored.size() > kMaxBytes) {
        return ids;
    }
    for (size_t pos = 0; pos < stored.size(); pos += kHistoryRecord) {
        ids.push_back(FixedFieldToUtf8(stored.data() + pos, kHistoryRecord));
    }
    return ids;
}

void ClearHistory(CRegistry& registry) {
    registry.DeleteValue(kHistoryKey, kValue);
}

}  // namespace velorin
