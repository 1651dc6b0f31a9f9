#pragma once
// One file to download from or upload to another member, as the transfer
// list holds it. The queue's lock guards `State` and `Message`; the counters
// are atomic so that the view reads them while the worker moves data.
#include <atomic>
#include <cstdint>
#include <string>

#include "data/transfer_state.h"

namespace velorin {

inline constexpr uint8_t kModeDownload = 1;
inline constexpr uint8_t kModeUpload = 2;

// `Message` holds at most this many CP949 bytes.
inline constexpr size_t kEntryMessageBytes = 50;

struct TransferEntry {
    // Download: the name relative to the remote folder, maybe with
    // "\"-separated folders of a folder download. Upload: the local path.
    std::string FileName;
    uint8_t Mode = kModeDownload;
    uint8_t State = kTransferStateReserved;
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

// The message as stored: cut to 50 CP949 bytes without splitting a character.
std::string CutMessage(const std::string& text);

}  // namespace velorin
