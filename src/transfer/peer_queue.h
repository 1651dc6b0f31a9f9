#pragma once
// The transfers of one remote member, in the order they were asked for, and
// the connection whose worker works through them. The queue lock guards the
// list and every entry's `State` and `Message`; it is taken inside the
// manager's lock and around the store's, never the other way round.
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "platform/person_lock.h"
#include "transfer/peer_connection.h"
#include "transfer/transfer_entry.h"

namespace velorin {

class CTransferContext;

class CPeerQueue {
public:
    CPeerQueue(std::string userId, CTransferContext& context);
    ~CPeerQueue();
    CPeerQueue(const CPeerQueue&) = delete;
    CPeerQueue& operator=(const CPeerQueue&) = delete;

    const std::string& UserId() const { return userId_; }
    CPersonMutex& Lock() { return lock_; }
    CPeerConnection& Connection() { return connection_; }

    // The list operations below expect the queue lock held.
    TransferEntry* AddEntry(uint8_t mode, const std::string& folder, const std::string& name,
                            uint64_t size, uint64_t resumeOffset);
    TransferEntry* AddStoredEntry(uint8_t mode, const std::string& folder, const std::string& name,
                                  uint64_t size, uint64_t resumeOffset, uint8_t state,
                                  const std::string& message);
    // The first entry of that name, letter case ignored.
    TransferEntry* FindEntry(const std::string& name);
    // The first reserved entry.
    TransferEntry* NextReserved();
    bool HasReserved();
    // Transferring, or still in the worker's hands after a stop.
    bool IsBusy(const TransferEntry* entry) const;
    // Unlinks an entry that is not busy, deletes its row and, for a download
    // when `deleteTemporary`, its temporary file. False when it stays.
    bool RemoveEntry(TransferEntry* entry, bool deleteTemporary);
    const std::list<std::unique_ptr<TransferEntry>>& Entries() const { return entries_; }
    // The entry's row in rtfl.db: the state it is to have after a restart.
    void StoreState(const TransferEntry& entry, int state, const std::string& message);
    void DeleteRow(const TransferEntry& entry);
    bool Empty() const { return entries_.empty(); }

    // The worker, to this address and port (network byte order).
    bool StartWorker(uint32_t address, uint16_t port);
    // The worker, to the address the server list gives; false (with an event-log
    // line) when not signed in or the member is not listed.
    bool StartWorkerFromList();

private:
    std::string userId_;
    CTransferContext& context_;
    CPersonMutex lock_;
    std::list<std::unique_ptr<TransferEntry>> entries_;
    // Last: its worker uses the list until it has ended.
    CPeerConnection connection_;
};

}  // namespace velorin
