#include "fileserver/session_pool.h"

#include <algorithm>

#include "fileserver/activity_counters.h"
#include "fileserver/peer_messages.h"
#include "fileserver/server_transfer_list.h"
#include "fileserver/visitor_list.h"

namespace velorin {
namespace {

int32_t NotNegative(int32_t value) {
    return value < 0 ? 0 : value;
}

// Counts one more session unless that would pass the limit.
bool CountBelow(std::atomic<int32_t>& count, int32_t limit) {
    int32_t now = count.load();
    do {
        if (now + 1 > limit) return false;
    } while (!count.compare_exchange_weak(now, now + 1));
    return true;
}

}  // namespace

CSessionPool::CSessionPool(SessionServices& services)
    : services_(services), slots_(new CPeerSession[kSlotCount]) {
    active_.reserve(kSlotCount);
}

CSessionPool::~CSessionPool() {
    for (CPeerSession* session : Active()) session->Halt();
    while (!ReapEnded().empty() || InUse() != 0) {
        for (CPeerSession* session : Active()) session->WaitEnded(std::chrono::milliseconds(5));
    }
}

void CSessionPool::Reset(int32_t uploadLimit, int32_t downloadLimit) {
    std::lock_guard lock(mutex_);
    SetLimits(uploadLimit, downloadLimit);
    activeDownloads_ = 0;
    activeUploads_ = 0;
    signedOn_ = 0;
}

void CSessionPool::SetLimits(int32_t uploadLimit, int32_t downloadLimit) {
    uploadLimit_ = NotNegative(uploadLimit);
    downloadLimit_ = NotNegative(downloadLimit);
}

CPeerSession* CSessionPool::Acquire(int descriptor) {
    std::lock_guard lock(mutex_);
    auto free = std::find(inUse_.begin(), inUse_.end(), false);
    if (free == inUse_.end()) return nullptr;
    *free = true;
    CPeerSession* session = &slots_[static_cast<size_t>(free - inUse_.begin())];
    session->Bind(descriptor, *this);
    active_.push_back(session);
    return session;
}

void CSessionPool::Abandon(CPeerSession* session) {
    std::lock_guard lock(mutex_);
    std::erase(active_, session);
    Release(session);
}

std::vector<CPeerSession*> CSessionPool::ReapEnded() {
    std::vector<CPeerSession*> reaped;
    std::lock_guard lock(mutex_);
    for (auto it = active_.begin(); it != active_.end();) {
        CPeerSession* session = *it;
        if (!session->Ended()) {
            ++it;
            continue;
        }
        services_.transfers.Detach(session);
        it = active_.erase(it);
        Release(session);
        reaped.push_back(session);
    }
    return reaped;
}

void CSessionPool::Release(CPeerSession* session) {
    if (session->SignedOn()) {
        switch (session->Kind()) {
            case kVisitorBrowse:
                --services_.counters.browse;
                services_.visitors.Remove(session);
                break;
            case kVisitorDownload:
                --activeDownloads_;
                --services_.counters.uploads;
                break;
            case kVisitorUpload:
                --activeUploads_;
                --services_.counters.downloads;
                break;
            default:
                break;
        }
        --signedOn_;
    }
    session->Clear();
    inUse_[static_cast<size_t>(session - slots_.get())] = false;
}

std::vector<CPeerSession*> CSessionPool::Active() const {
    std::lock_guard lock(mutex_);
    return active_;
}

size_t CSessionPool::InUse() const {
    std::lock_guard lock(mutex_);
    return active_.size();
}

bool CSessionPool::CountDownload() {
    if (!CountBelow(activeDownloads_, downloadLimit_)) return false;
    ++services_.counters.uploads;
    ++signedOn_;
    return true;
}

bool CSessionPool::CountUpload() {
    if (!CountBelow(activeUploads_, uploadLimit_)) return false;
    ++services_.counters.downloads;
    ++signedOn_;
    return true;
}

void CSessionPool::CountBrowse() {
    ++services_.counters.browse;
    ++signedOn_;
}

}  // namespace velorin
