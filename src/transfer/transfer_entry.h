#pragma once
// One file to download from or upload to another member, as the transfer
// list holds it. The queue's lock guards `State` and `Message`; the counters
// are atomic so that the view reads them while the worker moves data.
#include <atomic>
#include <cstdint>
#include <string>

namespace velorin {

inline constexpr uint8_t kModeDownload = 1;
inline constexpr uint8_t kModeUpload = 2;

// States are single bits so that operations can take a mask of them.
inline constexpr uint8_t kStateTransferring = 1;
inline constexpr uint8_t kStateReserved = 2;
inline constexpr uint8_t kStateFailed = 4;
inline constexpr uint8_t kStateCancelled = 8;
inline constexpr uint8_t kStateCompleted = 16;

// `Message` holds at most this many CP949 bytes.
inline constexpr size_t kEntryMessageBytes = 50;

struct TransferEntry {
    // Download: the name relative to the remote folder, maybe with
    // "\"-separated folders of a folder download. Upload: the local path.
    std::string FileName;
    uint8_t Mode = kModeDownload;
    uint8_t State = kStateReserved;
    // The remote folder, starting with "\".
    std::string VirDirName;
    uint64_t FileSize = 0;
    // Bytes moved over the current connection.
    std::atomic<uint64_t> MovedBytes{0};
    // Bytes present before the current connection.
    std::atomic<uint64_t> ResumeOffset{0};
    // Seconds since 1970.
    std::atomic<uint32_t> StartTime{0};
    uint32_t UpdateTime = 0;
    std::string Message;
};

// "전송중", "전송예약", "전송실패", "취소됨", "전송완료"; empty for any other value.
const char* StateText(uint8_t state);
// The message as stored: cut to 50 CP949 bytes without splitting a character.
std::string CutMessage(const std::string& text);

}  // namespace velorin
