#include "transfer/transfer_manager.h"

#include <algorithm>

#include "data/process_options.h"
#include "platform/status_lines.h"
#include "platform/strings.h"
#include "platform/user_interface.h"
#include "transfer/peer_queue.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_texts.h"

namespace velorin {
namespace {

// What a reserved entry's row says until its worker starts it: a download
// comes back cancelled after a restart, an upload reserved.
int StoredReservedState(uint8_t mode) {
    return mode == kModeDownload ? kTransferStateCancelled : kTransferStateReserved;
}

// A stored state as an entry may have it after a restart; anything else
// (an entry never stays "transferring" on disk) is failed.
uint8_t LoadedState(int state) {
    switch (state) {
        case kTransferStateReserved:
        case kTransferStateFailed:
        case kTransferStateCancelled:
        case kTransferStateCompleted:
            return static_cast<uint8_t>(state);
        default:
            return kTransferStateFailed;
    }
}

}  // namespace

CTransferManager::CTransferManager(TransferListParts parts) : context_(std::move(parts)) {}

CTransferManager::~CTransferManager() {
    HaltAll();
    std::lock_guard lock(lock_);
    queues_.clear();
    context_.store.Close();
}

bool CTransferManager::OpenTransferStore(const std::filesystem::path& file) {
    return context_.store.OpenTransferStore(file);
}

void CTransferManager::LoadTransferList() {
    std::vector<TransferRow> rows;
    context_.store.LoadRows(rows);
    std::string downloadPath = context_.DownloadPath();
    std::lock_guard lock(lock_);
    for (const TransferRow& row : rows) {
        bool download = row.mode == kModeDownload;
        uint64_t resume = 0;
        if (download) {
            bool loaded = std::any_of(queues_.begin(), queues_.end(), [&](const auto& queue) {
                std::lock_guard queueLock(queue->Lock());
                return queue->FindEntry(row.fileName) != nullptr;
            });
            if (loaded) continue;
            if (auto paths = DownloadPathsOf(downloadPath, row.fileName)) {
                resume = TemporarySize(paths->temporary);
            }
        }
        CPeerQueue* queue = FindQueue(row.userId);
        if (!queue) queue = CreateQueue(row.userId);
        std::lock_guard queueLock(queue->Lock());
        queue->AddStoredEntry(download ? kModeDownload : kModeUpload, row.virDirName, row.fileName,
                              row.fileSize, resume, LoadedState(row.state), row.message);
    }
    context_.PostTransferChanged();
}

CPeerQueue* CTransferManager::FindQueue(const std::string& userId) {
    std::lock_guard lock(lock_);
    for (auto& queue : queues_) {
        if (EqualsIgnoreCase(queue->UserId(), userId)) return queue.get();
    }
    return nullptr;
}

CPeerQueue* CTransferManager::CreateQueue(const std::string& userId) {
    std::lock_guard lock(lock_);
    queues_.push_back(std::make_unique<CPeerQueue>(userId, context_));
    return queues_.back().get();
}

void CTransferManager::RemoveQueue(CPeerQueue* queue) {
    std::lock_guard lock(lock_);
    auto it = std::find_if(queues_.begin(), queues_.end(),
                           [queue](const auto& q) { return q.get() == queue; });
    if (it == queues_.end()) return;
    // Out of the list before the wait: the wait dispatches main-window
    // messages, whose handlers may reserve (growing the list) meanwhile.
    std::unique_ptr<CPeerQueue> doomed = std::move(*it);
    queues_.erase(it);
    WaitForWorker(*doomed);
}

void CTransferManager::WaitForWorker(CPeerQueue& queue) {
    ++waiting_;
    queue.Connection().WaitForEnd();
    --waiting_;
}

bool CTransferManager::DropIfEmpty(CPeerQueue* queue) {
    // A handler dispatched during a wait must not destroy the queue waited on;
    // the empty queue goes with a later removal.
    if (waiting_ > 0) return false;
    {
        std::lock_guard queueLock(queue->Lock());
        if (!queue->Empty()) return false;
    }
    RemoveQueue(queue);
    return true;
}

bool CTransferManager::RemoveEntryLocked(CPeerQueue& queue, TransferEntry* entry,
                                         bool deleteTemporary) {
    std::lock_guard queueLock(queue.Lock());
    return queue.RemoveEntry(entry, deleteTemporary || context_.parts.options.TempFile == 1);
}

void CTransferManager::RemoveEntries(uint8_t mask) {
    std::lock_guard lock(lock_);
    std::vector<CPeerQueue*> touched;
    for (auto& queue : queues_) {
        std::lock_guard queueLock(queue->Lock());
        std::vector<TransferEntry*> doomed;
        for (auto& entry : queue->Entries()) {
            if ((entry->State & mask) != 0) doomed.push_back(entry.get());
        }
        for (TransferEntry* entry : doomed) {
            queue->RemoveEntry(entry, context_.parts.options.TempFile == 1);
        }
        touched.push_back(queue.get());
    }
    for (CPeerQueue* queue : touched) DropIfEmpty(queue);
}

bool CTransferManager::RemoveEntryByName(CPeerQueue& queue, const std::string& fileName,
                                         bool deleteTemporary) {
    std::lock_guard lock(lock_);
    TransferEntry* entry = nullptr;
    {
        std::lock_guard queueLock(queue.Lock());
        for (auto& e : queue.Entries()) {
            if (e->FileName == fileName && !queue.IsBusy(e.get())) {
                entry = e.get();
                break;
            }
        }
    }
    return entry && RemoveEntryLocked(queue, entry, deleteTemporary);
}

TransferRefusal CTransferManager::ReplaceDuplicate(const std::function<Twin()>& find,
                                                   const char* busyText, const char* askText) {
    Twin twin;
    {
        std::lock_guard lock(lock_);
        twin = find();
    }
    if (!twin.entry) return std::nullopt;
    // Never ask under a lock: the workers and the loop would wait for the person.
    if (twin.busy) {
        context_.parts.ui.ShowMessage(busyText, kAppName);
        return std::string(busyText);
    }
    if (!context_.parts.ui.AskYesNo(askText, kAppName)) return std::string(askText);
    bool removed = false;
    {
        std::lock_guard lock(lock_);
        // The list may have changed while the question was open (a worker took
        // the entry, a dispatched message removed it): it is looked up again.
        twin = find();
        if (!twin.entry) return std::nullopt;
        removed = !twin.busy && RemoveEntryLocked(*twin.queue, twin.entry, false);
        if (removed) DropIfEmpty(twin.queue);
    }
    if (!removed) {
        context_.parts.ui.ShowMessage(busyText, kAppName);
        return std::string(busyText);
    }
    context_.PostTransferChanged();
    return std::nullopt;
}

TransferRefusal CTransferManager::ReserveDownload(const std::string& userId,
                                                  const std::string& remoteFolder,
                                                  const std::string& fileName, uint64_t size,
                                                  uint32_t address, uint16_t port) {
    auto refuse = [this](const std::string& text) {
        context_.StatusLine(text, kStatusCaution);
        return TransferRefusal(text);
    };
    if (!context_.parts.serverRunning) return refuse(transfer_text::kDownloadNotSignedIn);
    std::optional<DownloadPaths> paths = DownloadPathsOf(context_.DownloadPath(), fileName);
    if (!paths) return refuse(transfer_text::kBadPath);
    if (context_.parts.options.ExistFileTransReserve == 0 && RegularFileSize(paths->final)) {
        return refuse(Format(transfer_text::kExistsInFolder, fileName.c_str()));
    }
    auto find = [this, &fileName] {
        for (auto& queue : queues_) {
            std::lock_guard queueLock(queue->Lock());
            if (TransferEntry* twin = queue->FindEntry(fileName))
                return Twin{queue.get(), twin, queue->IsBusy(twin)};
        }
        return Twin{};
    };
    if (TransferRefusal refusal = ReplaceDuplicate(find, transfer_text::kDownloadBusy,
                                                   transfer_text::kDownloadAskReplace)) {
        return refusal;
    }
    uint64_t resume = DecideResume(paths->temporary, context_.parts.options.ContinueRecv, [this] {
        return context_.parts.ui.AskYesNo(transfer_text::kAskResume, kAppName);
    });
    // The loop ran while the question was open: the member may have signed
    // out, or reserved the same name again.
    if (!context_.parts.serverRunning) return refuse(transfer_text::kDownloadNotSignedIn);
    std::lock_guard lock(lock_);
    if (find().entry) return refuse(transfer_text::kDownloadBusy);
    Append({userId, fileName, remoteFolder, size, address, port, kModeDownload, 0, ""}, resume);
    return std::nullopt;
}

TransferRefusal CTransferManager::ReserveUpload(const std::string& userId,
                                                const std::string& remoteFolder,
                                                const std::string& localPath, uint64_t size,
                                                uint32_t address, uint16_t port) {
    auto find = [this, &userId, &localPath] {
        CPeerQueue* queue = FindQueue(userId);
        if (!queue) return Twin{};
        std::lock_guard queueLock(queue->Lock());
        TransferEntry* twin = queue->FindEntry(localPath);
        return twin ? Twin{queue, twin, queue->IsBusy(twin)} : Twin{};
    };
    if (TransferRefusal refusal =
            ReplaceDuplicate(find, transfer_text::kUploadBusy, transfer_text::kUploadAskReplace)) {
        return refusal;
    }
    std::lock_guard lock(lock_);
    Append({userId, localPath, remoteFolder, size, address, port, kModeUpload, 0, ""}, 0);
    return std::nullopt;
}

void CTransferManager::Append(TransferRow row, uint64_t resumeOffset) {
    CPeerQueue* queue = FindQueue(row.userId);
    if (!queue) queue = CreateQueue(row.userId);
    {
        std::lock_guard queueLock(queue->Lock());
        uint8_t mode = static_cast<uint8_t>(row.mode);
        queue->AddEntry(mode, row.virDirName, row.fileName, row.fileSize, resumeOffset);
        row.state = StoredReservedState(mode);
        context_.store.InsertTransferRow(row);
        queue->StartWorker(row.address, row.port);
    }
    context_.PostTransferChanged();
}

std::vector<TransferEntry*> CTransferManager::Pick(CPeerQueue& queue,
                                                   const std::vector<std::string>& names) {
    std::vector<TransferEntry*> picked;
    for (auto& entry : queue.Entries()) {
        bool named = std::any_of(names.begin(), names.end(), [&](const std::string& name) {
            return EqualsIgnoreCase(entry->FileName, name);
        });
        if (named) picked.push_back(entry.get());
    }
    return picked;
}

int CTransferManager::ChangeNamed(CPeerQueue& queue, const std::vector<std::string>& names,
                                  const std::function<bool(TransferEntry&)>& change) {
    std::lock_guard queueLock(queue.Lock());
    int changed = 0;
    for (TransferEntry* entry : Pick(queue, names)) {
        if (change(*entry)) ++changed;
    }
    return changed;
}

int CTransferManager::StopEntries(const std::string& userId,
                                  const std::vector<std::string>& names) {
    std::lock_guard lock(lock_);
    CPeerQueue* queue = FindQueue(userId);
    if (!queue) return 0;
    bool stopWorker = false;
    bool reserved = false;
    int changed = 0;
    {
        // One hold of the queue lock for the stop and the look at what is left:
        // once it is let go the worker may take the next entry, which is then
        // no longer reserved, and a wait for its end would last that transfer.
        std::lock_guard queueLock(queue->Lock());
        for (TransferEntry* entry : Pick(*queue, names)) {
            if (entry->State == kTransferStateTransferring) {
                // The stop reaches this entry and not the next one.
                queue->Connection().Stop();
                stopWorker = true;
            } else if (entry->State == kTransferStateReserved) {
                queue->StoreState(*entry, kTransferStateCancelled, entry->Message);
            } else {
                continue;
            }
            entry->State = kTransferStateCancelled;
            ++changed;
        }
        reserved = queue->HasReserved();
    }
    // With more to do the worker goes on at once; the command never waits for it.
    if (stopWorker && !reserved) WaitForWorker(*queue);
    context_.PostTransferChanged();
    return changed;
}

int CTransferManager::RestartEntries(const std::string& userId,
                                     const std::vector<std::string>& names) {
    std::lock_guard lock(lock_);
    CPeerQueue* queue = FindQueue(userId);
    if (!queue) return 0;
    int changed = ChangeNamed(*queue, names, [&](TransferEntry& entry) {
        if (queue->IsBusy(&entry) || entry.State == kTransferStateCompleted) return false;
        entry.State = kTransferStateReserved;
        entry.Message.clear();
        queue->StoreState(entry, StoredReservedState(entry.Mode), "");
        if (!queue->StartWorkerFromList()) {
            entry.State = kTransferStateFailed;
            queue->StoreState(entry, kTransferStateFailed, "");
        }
        return true;
    });
    context_.PostTransferChanged();
    return changed;
}

int CTransferManager::DeleteEntries(const std::string& userId,
                                    const std::vector<std::string>& names, bool deleteReceived) {
    std::lock_guard lock(lock_);
    CPeerQueue* queue = FindQueue(userId);
    if (!queue) return 0;
    int removed = 0;
    std::vector<TransferEntry*> picked;
    {
        std::lock_guard queueLock(queue->Lock());
        picked = Pick(*queue, names);
    }
    for (TransferEntry* entry : picked) {
        if (RemoveEntryLocked(*queue, entry, deleteReceived)) {
            ++removed;
        } else if (!deleteReceived) {
            context_.StatusLine(transfer_text::kCannotDeleteBusy, kStatusInformation);
        }
    }
    DropIfEmpty(queue);
    context_.PostTransferChanged();
    return removed;
}

int CTransferManager::DeleteCompleted(const std::string& userId) {
    std::lock_guard lock(lock_);
    CPeerQueue* queue = FindQueue(userId);
    if (!queue) return 0;
    int removed = 0;
    {
        std::lock_guard queueLock(queue->Lock());
        std::vector<TransferEntry*> done;
        for (auto& entry : queue->Entries()) {
            if (entry->State == kTransferStateCompleted) done.push_back(entry.get());
        }
        for (TransferEntry* entry : done) {
            removed += queue->RemoveEntry(entry, context_.parts.options.TempFile == 1) ? 1 : 0;
        }
    }
    DropIfEmpty(queue);
    context_.PostTransferChanged();
    return removed;
}

int CTransferManager::DeleteAllCompleted() {
    std::lock_guard lock(lock_);
    size_t before = Snapshot("").size();
    RemoveEntries(kTransferStateCompleted);
    context_.PostTransferChanged();
    return static_cast<int>(before - Snapshot("").size());
}

std::vector<std::string> CTransferManager::Members() {
    std::lock_guard lock(lock_);
    std::vector<std::string> members;
    for (auto& queue : queues_) members.push_back(queue->UserId());
    return members;
}

namespace {
TransferSnapshot Copy(const std::string& userId, const TransferEntry& entry) {
    return {userId,           entry.FileName,  entry.VirDirName, entry.Mode,
            entry.State,      entry.Message,   entry.FileSize,   entry.ResumeOffset,
            entry.MovedBytes, entry.StartTime, entry.UpdateTime};
}
}  // namespace

std::vector<TransferSnapshot> CTransferManager::Snapshot(const std::string& userId) {
    std::lock_guard lock(lock_);
    std::vector<TransferSnapshot> out;
    for (auto& queue : queues_) {
        if (!userId.empty() && !EqualsIgnoreCase(queue->UserId(), userId)) continue;
        std::lock_guard queueLock(queue->Lock());
        for (auto& entry : queue->Entries()) out.push_back(Copy(queue->UserId(), *entry));
    }
    return out;
}

std::optional<std::pair<size_t, TransferSnapshot>> CTransferManager::TouchTransferring(
    const std::string& userId, uint32_t now) {
    std::lock_guard lock(lock_);
    CPeerQueue* queue = FindQueue(userId);
    if (!queue) return std::nullopt;
    std::lock_guard queueLock(queue->Lock());
    size_t index = 0;
    for (auto& entry : queue->Entries()) {
        if (entry->State == kTransferStateTransferring) {
            entry->UpdateTime = now;
            return std::make_pair(index, Copy(queue->UserId(), *entry));
        }
        ++index;
    }
    return std::nullopt;
}

void CTransferManager::HaltAll() {
    std::lock_guard lock(lock_);
    // Every worker is told first, so that their ends overlap. The waits go by
    // index and drop no queue: they dispatch main-window messages whose
    // handlers may reserve or remove.
    ++waiting_;
    for (auto& queue : queues_) queue->Connection().BeginHalt();
    for (size_t i = 0; i < queues_.size(); ++i) queues_[i]->Connection().WaitForEnd();
    --waiting_;
}

}  // namespace velorin
