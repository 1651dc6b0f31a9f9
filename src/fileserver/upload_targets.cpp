#include "fileserver/upload_targets.h"

#include <utility>

namespace velorin {

CUploadClaim::CUploadClaim(CUploadClaim&& other) noexcept
    : owner_(std::exchange(other.owner_, nullptr)), id_(other.id_) {}

CUploadClaim::~CUploadClaim() {
    if (owner_ != nullptr) owner_->Release(id_);
}

std::optional<CUploadClaim> CUploadTargets::Claim(const FileIdentity& id) {
    std::lock_guard lock(mutex_);
    if (!claimed_.insert(id).second) return std::nullopt;
    return CUploadClaim(*this, id);
}

bool CUploadTargets::IsClaimed(const FileIdentity& id) const {
    std::lock_guard lock(mutex_);
    return claimed_.count(id) != 0;
}

void CUploadTargets::Release(const FileIdentity& id) {
    std::lock_guard lock(mutex_);
    claimed_.erase(id);
}

}  // namespace velorin
