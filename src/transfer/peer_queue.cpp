#include "transfer/peer_queue.h"

#include <unistd.h>

#include "platform/status_lines.h"
#include "platform/strings.h"
#include "service/server_list.h"
#include "transfer/transfer_context.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_texts.h"

namespace velorin {

CPeerQueue::CPeerQueue(std::string userId, CTransferContext& context)
    : userId_(std::move(userId)), context_(context), connection_(*this, context) {}

CPeerQueue::~CPeerQueue() = default;

TransferEntry* CPeerQueue::AddEntry(uint8_t mode, const std::string& folder,
                                    const std::string& name, uint64_t size, uint64_t resumeOffset) {
    return AddStoredEntry(mode, folder, name, size, resumeOffset, kTransferStateReserved, "");
}

TransferEntry* CPeerQueue::AddStoredEntry(uint8_t mode, const std::string& folder,
                                          const std::string& name, uint64_t size,
                                          uint64_t resumeOffset, uint8_t state,
                                          const std::string& message) {
    auto entry = std::make_unique<TransferEntry>();
    entry->FileName = name;
    entry->Mode = mode;
    entry->State = state;
    entry->VirDirName = folder;
    entry->FileSize = size;
    entry->ResumeOffset = resumeOffset;
    entry->Message = CutMessage(message);
    entries_.push_back(std::move(entry));
    return entries_.back().get();
}

TransferEntry* CPeerQueue::FindEntry(const std::string& name) {
    for (auto& entry : entries_) {
        if (EqualsIgnoreCase(entry->FileName, name)) return entry.get();
    }
    return nullptr;
}

TransferEntry* CPeerQueue::NextReserved() {
    for (auto& entry : entries_) {
        if (entry->State == kTransferStateReserved) return entry.get();
    }
    return nullptr;
}

bool CPeerQueue::HasReserved() {
    return NextReserved() != nullptr;
}

bool CPeerQueue::IsBusy(const TransferEntry* entry) const {
    return entry->State == kTransferStateTransferring || entry == connection_.Current();
}

bool CPeerQueue::RemoveEntry(TransferEntry* entry, bool deleteTemporary) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->get() != entry) continue;
        if (IsBusy(entry)) return false;
        context_.store.DeleteTransferRow(userId_, entry->FileName, entry->VirDirName, entry->Mode);
        if (deleteTemporary && entry->Mode == kModeDownload) {
            if (auto paths = DownloadPathsOf(context_.DownloadPath(), entry->FileName)) {
                ::unlink(paths->temporary.c_str());
            }
        }
        entries_.erase(it);
        return true;
    }
    return false;
}

void CPeerQueue::StoreState(const TransferEntry& entry, int state, const std::string& message) {
    context_.store.UpdateTransferRow(userId_, entry.FileName, entry.VirDirName, entry.Mode, state,
                                     message);
}

void CPeerQueue::DeleteRow(const TransferEntry& entry) {
    context_.store.DeleteTransferRow(userId_, entry.FileName, entry.VirDirName, entry.Mode);
}

bool CPeerQueue::StartWorker(uint32_t address, uint16_t port) {
    return connection_.Start(address, port);
}

bool CPeerQueue::StartWorkerFromList() {
    if (!context_.parts.serverRunning) {
        context_.StatusLine(transfer_text::kNotSignedIn, kStatusInformation);
        return false;
    }
    ServerRecord record;
    if (!context_.parts.serverList.FindById(userId_, record)) {
        context_.StatusLine(transfer_text::kNotListed, kStatusInformation);
        return false;
    }
    return StartWorker(record.address, record.tcpPort);
}

}  // namespace velorin
