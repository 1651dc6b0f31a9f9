#pragma once
// Settings copied into the process at start-up so that worker threads can
// consult them without touching the store; the option pages refresh them.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace velorin {

class CSettings;

class CProcessOptions {
public:
    std::atomic<uint32_t> ContinueRecv{0};
    std::atomic<uint32_t> ContinueServerRecv{0};
    std::atomic<uint32_t> TempFile{0};
    std::atomic<uint32_t> ExistFileTransReserve{1};
    std::atomic<uint32_t> BringMessage{0};
    std::atomic<uint32_t> WriteLog{1};
    std::atomic<uint32_t> QUICKSEND{1};
    std::atomic<uint32_t> AutoStart{1};
    std::atomic<uint32_t> TransCompleteSave{0};
    std::atomic<uint32_t> RecvMessage{1};
    std::atomic<uint32_t> PopupMsg{1};
    std::atomic<uint32_t> LimitSpeed{0};
    // MAXDOWN + 1 and MAXUP + 1: the file server's limits on visitor uploads and downloads.
    std::atomic<uint32_t> MaxUploadSessions{6};
    std::atomic<uint32_t> MaxDownloadSessions{6};

    std::string DownloadPath() const;
    void SetDownloadPath(std::string path);
    std::string Message() const;
    void SetMessage(std::string text);

    // Loads every value, in the order start-up reads them.
    void Load(CSettings& settings);

private:
    mutable std::mutex mutex_;
    std::string downloadPath_;
    std::string message_;
};

}  // namespace velorin
