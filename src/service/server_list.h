#pragma once
// The running member servers that the session server announced, by channel:
// the address book for browsing, transfers, searches and links. One lock
// guards everything; readers get copies.
#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "service/server_record.h"

namespace velorin {

inline constexpr size_t kServerChannels = 2;
inline constexpr size_t kServerCategories = 6;
inline constexpr size_t kChannelCapacity = 6000;

// Texts of the list download (all status lines of kind 2).
namespace server_list_text {
inline constexpr const char* kNotRunning = "서버를 시작하셔야 사용하실수 있습니다.";
inline constexpr const char* kAskConnect = "서버에 접속되어 있지 않습니다. 접속하시겠습니까?";
inline constexpr const char* kAlreadyRequested =
    "이미 리스트 전송을 요청했습니다. 리스트 전송이 끝난후 다시 요청하세요";
inline constexpr const char* kDownloading = "리스트 서버에서 리스트를 내려받습니다.";
inline constexpr const char* kDone = "모든 사용자 리스트를 받았습니다.";
}  // namespace server_list_text

// "별서버", "달서버".
const char* ChannelName(int channel);
// "동영상", "이미지", "음악", "유틸", "게임", "기타"; empty for other categories.
const char* CategoryName(int category);

class CServerList {
public:
    // Drops a record of another channel, one whose channel is full, and one
    // whose member ID (compared without case) is already listed in either channel.
    bool AddRecord(const ServerRecord& record);
    bool FindById(const std::string& id, ServerRecord& record) const;
    void ClearChannel(int channel);
    void ClearAll();

    size_t Count(int channel) const;
    // The record at `index` of `channel`, copied under the lock.
    bool RecordAt(int channel, size_t index, ServerRecord& record) const;
    uint32_t CategoryCount(int channel, int category) const;
    std::vector<ServerRecord> Records(int channel) const;

private:
    struct Channel {
        std::vector<ServerRecord> records;
        std::array<uint32_t, kServerCategories> categories{};
    };
    struct Slot {
        uint8_t channel;
        size_t index;
    };

    mutable std::mutex mutex_;
    std::array<Channel, kServerChannels> channels_;
    std::unordered_map<std::string, Slot> index_;
};

}  // namespace velorin
