#include "fileserver/server_transfer_list.h"

#include <algorithm>

#include "platform/text_encoding.h"

namespace velorin {
namespace {

// The record's fields are fixed fields of 20 and 260 bytes: keys compare within them.
std::string IdKey(const std::string& id) {
    return CutToCp949Bytes(id, 20);
}
std::string NameKey(const std::string& name) {
    return CutToCp949Bytes(name, 260);
}

bool Matches(const ServerTransfer& r, const std::string& id, const std::string& name, uint64_t size,
             uint32_t kind) {
    return r.fileSize == size && r.kind == kind && r.visitorId == id && r.fileName == name;
}

}  // namespace

void CServerTransferList::SetOwner(ViewOwner owner) {
    std::lock_guard lock(mutex_);
    owner_ = owner;
}

uint64_t CServerTransferList::Track(const std::string& visitorId, const std::string& fileName,
                                    uint32_t kind, uint64_t fileSize, uint64_t startOffset,
                                    IVisitorSession* session) {
    std::string id = IdKey(visitorId);
    std::string name = NameKey(fileName);
    uint32_t now = clock_.UnixSeconds();
    uint64_t found = 0;
    {
        std::lock_guard lock(mutex_);
        for (ServerTransfer& r : records_) {
            if (!Matches(r, id, name, fileSize, kind)) continue;
            // Two transfers writing one row would make its progress jump about.
            if (r.state == kTransferStateTransferring) continue;
            r.startTime = now;
            r.lastDisplayTime = now;
            r.startOffset = startOffset;
            r.moved = 0;
            r.state = kTransferStateTransferring;
            r.session = session;
            found = r.id;
        }
        if (found == 0) {
            MakeRoom();
            ServerTransfer r;
            r.id = nextId_++;
            r.kind = kind;
            r.state = kTransferStateTransferring;
            r.visitorId = id;
            r.fileName = name;
            r.startOffset = startOffset;
            r.fileSize = fileSize;
            r.startTime = now;
            r.lastDisplayTime = now;
            r.session = session;
            records_.push_back(r);
            found = r.id;
        }
    }
    Notify();
    return found;
}

void CServerTransferList::MakeRoom() {
    if (records_.size() < limit_) return;
    // Records in use stay: at most the pool's sessions can hold one each.
    auto oldest = std::find_if(records_.begin(), records_.end(), [](const ServerTransfer& r) {
        return r.session == nullptr && r.state != kTransferStateTransferring;
    });
    if (oldest != records_.end()) records_.erase(oldest);
}

void CServerTransferList::Update(uint64_t id, uint64_t moved, uint8_t state) {
    std::lock_guard lock(mutex_);
    for (ServerTransfer& r : records_) {
        if (r.id != id) continue;
        r.moved = moved;
        r.state = state;
        return;
    }
}

std::optional<ServerTransfer> CServerTransferList::Find(const std::string& visitorId,
                                                        const std::string& fileName,
                                                        uint64_t fileSize, uint32_t kind) const {
    std::string id = IdKey(visitorId);
    std::string name = NameKey(fileName);
    std::lock_guard lock(mutex_);
    for (const ServerTransfer& r : records_) {
        if (Matches(r, id, name, fileSize, kind)) return r;
    }
    return std::nullopt;
}

bool CServerTransferList::Remove(uint64_t id) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(records_.begin(), records_.end(),
                           [&](const ServerTransfer& r) { return r.id == id; });
    if (it == records_.end() || it->session != nullptr) return false;
    records_.erase(it);
    return true;
}

size_t CServerTransferList::RemoveByState(uint8_t mask) {
    std::lock_guard lock(mutex_);
    return std::erase_if(records_, [&](const ServerTransfer& r) {
        return r.session == nullptr && (r.state & mask) != 0;
    });
}

void CServerTransferList::Detach(const IVisitorSession* session) {
    std::lock_guard lock(mutex_);
    for (ServerTransfer& r : records_) {
        if (r.session == session) r.session = nullptr;
    }
}

bool CServerTransferList::Carries(const IVisitorSession* session) const {
    std::lock_guard lock(mutex_);
    return std::any_of(records_.begin(), records_.end(),
                       [&](const ServerTransfer& r) { return r.session == session; });
}

void CServerTransferList::Notify() const {
    ViewOwner owner;
    {
        std::lock_guard lock(mutex_);
        owner = owner_;
    }
    owner.Post(WM_TRANSFER_CHANGED);
}

std::vector<ServerTransfer> CServerTransferList::Records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<ServerTransfer> CServerTransferList::MarkDisplayed(uint32_t now) {
    std::lock_guard lock(mutex_);
    for (ServerTransfer& r : records_) {
        if (r.state == kTransferStateTransferring) r.lastDisplayTime = now;
    }
    return records_;
}

uint32_t CServerTransferList::OutgoingKiBps(uint32_t now) const {
    std::lock_guard lock(mutex_);
    double rate = 0;
    for (const ServerTransfer& r : records_) {
        if (r.kind != kServerKindDownload || r.state != kTransferStateTransferring) continue;
        if (now < r.startTime || now - r.startTime < 2) continue;
        rate += static_cast<double>(r.moved) / 1024.0 / static_cast<double>(now - r.startTime);
    }
    return rate >= 4294967295.0 ? 4294967295u : static_cast<uint32_t>(rate);
}

}  // namespace velorin
