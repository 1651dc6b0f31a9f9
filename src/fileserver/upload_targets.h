#pragma once
// The files that uploads are writing into right now. Two uploads into one file
// at the same time would interleave their bytes; the second is refused while
// the first runs. Files are told apart by device and inode, so two names of
// one file (a link inside the share) are the same target.
#include <mutex>
#include <optional>
#include <set>

#include "fileserver/local_file.h"

namespace velorin {

class CUploadTargets;

// Holds a target for its lifetime.
class CUploadClaim {
public:
    CUploadClaim(CUploadClaim&& other) noexcept;
    CUploadClaim& operator=(CUploadClaim&&) = delete;
    CUploadClaim(const CUploadClaim&) = delete;
    ~CUploadClaim();

private:
    friend class CUploadTargets;
    CUploadClaim(CUploadTargets& owner, FileIdentity id) : owner_(&owner), id_(id) {}

    CUploadTargets* owner_;
    FileIdentity id_;
};

class CUploadTargets {
public:
    // Nothing when another upload holds the file.
    std::optional<CUploadClaim> Claim(const FileIdentity& id);
    bool IsClaimed(const FileIdentity& id) const;

private:
    friend class CUploadClaim;
    void Release(const FileIdentity& id);

    mutable std::mutex mutex_;
    std::set<FileIdentity> claimed_;
};

}  // namespace velorin
