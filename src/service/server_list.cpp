#include "service/server_list.h"

#include "platform/strings.h"

namespace velorin {
namespace {

bool ValidChannel(int channel) {
    return channel >= 0 && channel < static_cast<int>(kServerChannels);
}

}  // namespace

const char* ChannelName(int channel) {
    static const char* const kNames[kServerChannels] = {"별서버", "달서버"};
    return ValidChannel(channel) ? kNames[channel] : "";
}

const char* CategoryName(int category) {
    static const char* const kNames[kServerCategories] = {"동영상", "이미지", "음악",
                                                          "유틸",   "게임",   "기타"};
    return category >= 0 && category < static_cast<int>(kServerCategories) ? kNames[category] : "";
}

bool CServerList::AddRecord(const ServerRecord& record) {
    if (!ValidChannel(record.channel)) return false;
    std::lock_guard lock(mutex_);
    Channel& channel = channels_[record.channel];
    if (channel.records.size() >= kChannelCapacity) return false;
    std::string key = LowerAscii(record.userId);
    if (index_.count(key)) return false;
    index_.emplace(std::move(key), Slot{record.channel, channel.records.size()});
    channel.records.push_back(record);
    if (record.category >= 0 && record.category < static_cast<int>(kServerCategories)) {
        ++channel.categories[static_cast<size_t>(record.category)];
    }
    return true;
}

bool CServerList::FindById(const std::string& id, ServerRecord& record) const {
    std::lock_guard lock(mutex_);
    auto it = index_.find(LowerAscii(id));
    if (it == index_.end()) return false;
    record = channels_[it->second.channel].records[it->second.index];
    return true;
}

bool CServerList::RecordAt(int channel, size_t index, ServerRecord& record) const {
    if (!ValidChannel(channel)) return false;
    std::lock_guard lock(mutex_);
    const std::vector<ServerRecord>& records = channels_[static_cast<size_t>(channel)].records;
    if (index >= records.size()) return false;
    record = records[index];
    return true;
}

void CServerList::ClearChannel(int channel) {
    if (!ValidChannel(channel)) return;
    std::lock_guard lock(mutex_);
    for (auto it = index_.begin(); it != index_.end();) {
        it = it->second.channel == channel ? index_.erase(it) : std::next(it);
    }
    channels_[static_cast<size_t>(channel)] = Channel{};
}

void CServerList::ClearAll() {
    std::lock_guard lock(mutex_);
    index_.clear();
    for (Channel& channel : channels_) channel = Channel{};
}

size_t CServerList::Count(int channel) const {
    if (!ValidChannel(channel)) return 0;
    std::lock_guard lock(mutex_);
    return channels_[static_cast<size_t>(channel)].records.size();
}

uint32_t CServerList::CategoryCount(int channel, int category) const {
    if (!ValidChannel(channel) || category < 0 || category >= static_cast<int>(kServerCategories)) {
        return 0;
    }
    std::lock_guard lock(mutex_);
    return channels_[static_cast<size_t>(channel)].categories[static_cast<size_t>(category)];
}

std::vector<ServerRecord> CServerList::Records(int channel) const {
    if (!ValidChannel(channel)) return {};
    std::lock_guard lock(mutex_);
    return channels_[static_cast<size_t>(channel)].records;
}

}  // namespace velorin
