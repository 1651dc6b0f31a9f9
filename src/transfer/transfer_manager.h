#pragma once
// The member's own transfer list: one queue per remote member, reservations
// with their duplicate rules, removal, the list's rows in rtfl.db and the
// commands of the transfer view. Everything here runs on the user-interface
// thread under the manager lock; the queues' workers never take it.
// Lock order: manager -> queue -> share database (the store).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/person_lock.h"
#include "transfer/transfer_context.h"
#include "transfer/transfer_entry.h"

namespace velorin {

class CPeerQueue;

// Nothing when the entry was reserved and its worker asked to start; else
// the text the person was shown (an event-log line, a message box, or the
// question that was answered no).
using TransferRefusal = std::optional<std::string>;

// A copy of an entry for display and the control words.
struct TransferSnapshot {
    std::string userId;
    std::string fileName;
    std::string virDirName;
    uint8_t mode = 0;
    uint8_t state = 0;
    std::string message;
    uint64_t fileSize = 0;
    uint64_t resumeOffset = 0;
    uint64_t movedBytes = 0;
    uint32_t startTime = 0;
    uint32_t updateTime = 0;
};

class CTransferManager {
public:
    explicit CTransferManager(TransferListParts parts);
    // Halts every worker.
    ~CTransferManager();
    CTransferManager(const CTransferManager&) = delete;
    CTransferManager& operator=(const CTransferManager&) = delete;

    CTransferContext& Context() { return context_; }
    CPersonRecursiveMutex& Lock() { return lock_; }

    // rtfl.db and its table; the start-up opens it beside the share database.
    bool OpenTransferStore(const std::filesystem::path& file);
    // Once, as the main window starts, before any worker exists.
    void LoadTransferList();

    // Reserves a download of `fileName` (relative to `remoteFolder`, maybe with
    // "\"-separated folders of a folder download) from member `userId`, whose
    // server is at `address`:`port` (network byte order, as the server list
    // holds them), `size` bytes; starts that member's worker.
    TransferRefusal ReserveDownload(const std::string& userId, const std::string& remoteFolder,
                                    const std::string& fileName, uint64_t size, uint32_t address,
                                    uint16_t port);
    // Reserves an upload of the local file `localPath` (`size` bytes) into
    // `remoteFolder` of member `userId`; starts that member's worker.
    TransferRefusal ReserveUpload(const std::string& userId, const std::string& remoteFolder,
                                  const std::string& localPath, uint64_t size, uint32_t address,
                                  uint16_t port);

    // The queue of a member (letter case ignored), or null. Manager lock held.
    CPeerQueue* FindQueue(const std::string& userId);
    CPeerQueue* CreateQueue(const std::string& userId);
    // Waits for the queue's worker, then destroys it with its entries.
    void RemoveQueue(CPeerQueue* queue);
    // Removes the entries of every queue whose state is in `mask`; queues
    // left empty go too.
    void RemoveEntries(uint8_t mask);
    // One entry of a queue, by exact name; nothing while it is busy.
    bool RemoveEntryByName(CPeerQueue& queue, const std::string& fileName, bool deleteTemporary);

    // The transfer view's commands on the named entries of one member
    // (names are `FileName`s, letter case ignored). Each ends with
    // WM_TRANSFER_CHANGED; they return the number of entries they changed.
    // "전송중지": transferring and reserved entries become cancelled.
    int StopEntries(const std::string& userId, const std::vector<std::string>& names);
    // "다시전송": entries that are neither transferring nor completed.
    int RestartEntries(const std::string& userId, const std::vector<std::string>& names);
    // "리스트삭제", and with `deleteReceived` its variant that deletes the
    // received part whatever TempFile says.
    int DeleteEntries(const std::string& userId, const std::vector<std::string>& names,
                      bool deleteReceived);
    // "완료리스트삭제(유저)".
    int DeleteCompleted(const std::string& userId);
    // "완료리스트삭제(전부)".
    int DeleteAllCompleted();

    // The members in list order, and copies of one member's entries (all
    // members' when `userId` is empty).
    std::vector<std::string> Members();
    std::vector<TransferSnapshot> Snapshot(const std::string& userId);

    // The periodic update: the member's first transferring entry gets
    // `UpdateTime` = `now`; its copy and its position in the queue.
    std::optional<std::pair<size_t, TransferSnapshot>> TouchTransferring(const std::string& userId,
                                                                         uint32_t now);

    // Stops every worker for good (the end of the program).
    void HaltAll();

private:
    // A new reserved entry with its row, and the member's worker asked to start.
    void Append(TransferRow row, uint64_t resumeOffset);
    bool RemoveEntryLocked(CPeerQueue& queue, TransferEntry* entry, bool deleteTemporary);
    // Removes the queue when it holds no entry and no wait is in progress;
    // true when it went.
    bool DropIfEmpty(CPeerQueue* queue);
    // The queue's worker to its end; main-window messages are dispatched meanwhile.
    void WaitForWorker(CPeerQueue& queue);
    struct Twin {
        CPeerQueue* queue = nullptr;
        TransferEntry* entry = nullptr;
        bool busy = false;
    };
    // A duplicate that `find` (run under the manager lock) names: refused while
    // busy, else asked with no lock held and removed when the answer is yes.
    TransferRefusal ReplaceDuplicate(const std::function<Twin()>& find, const char* busyText,
                                     const char* askText);
    // The entries of one member with the given names.
    std::vector<TransferEntry*> Pick(CPeerQueue& queue, const std::vector<std::string>& names);
    // Under the queue lock, `change` on each of those entries; the number of
    // entries it changed (returned true for).
    int ChangeNamed(CPeerQueue& queue, const std::vector<std::string>& names,
                    const std::function<bool(TransferEntry&)>& change);

    CTransferContext context_;
    CPersonRecursiveMutex lock_;
    std::vector<std::unique_ptr<CPeerQueue>> queues_;
    // Waits for a worker in progress on the user-interface thread.
    int waiting_ = 0;
};

}  // namespace velorin
