#include "data/badword_check.h"

#include <algorithm>
#include <filesystem>

#include "data/name_filter.h"

namespace velorin {
namespace fs = std::filesystem;

CBadWordCheck::CBadWordCheck(CBadWordFilter& filter, CMessageQueue& queue, WindowHandle window)
    : filter_(filter), queue_(queue), window_(window) {}

CBadWordCheck::~CBadWordCheck() {
    Stop();
}

bool CBadWordCheck::Start(std::vector<std::string> sharePaths) {
    std::lock_guard lock(startLock_);
    if (running_) return false;
    // The previous walk has ended; only its thread remains to be joined.
    if (worker_.joinable()) worker_.join();
    {
        std::lock_guard hitsLock(hitsLock_);
        hits_.clear();
    }
    stopping_ = false;
    running_ = true;
    worker_ = std::thread([this, paths = std::move(sharePaths)] { Walk(paths); });
    return true;
}

void CBadWordCheck::Stop() {
    std::lock_guard lock(startLock_);
    stopping_ = true;
    if (worker_.joinable()) worker_.join();
}

std::vector<BadWordHit> CBadWordCheck::Hits() const {
    std::lock_guard lock(hitsLock_);
    return hits_;
}

void CBadWordCheck::Found(const BadWordHit& hit) {
    {
        std::lock_guard lock(hitsLock_);
        hits_.push_back(hit);
    }
    queue_.PostMessage(window_, kHitMessage, 0, 0, hit);
}

void CBadWordCheck::Walk(const std::vector<std::string>& paths) {
    uint64_t files = 0;
    std::vector<BadWordHit> found;
    for (const std::string& root : paths) {
        // Depth first with an explicit stack: a deep tree cannot exhaust the thread's stack.
        std::vector<fs::path> pending{fs::path(root)};
        while (!pending.empty() && !stopping_) {
            fs::path folder = std::move(pending.back());
            pending.pop_back();
            std::vector<fs::directory_entry> entries;
            std::error_code ec;
            for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
                entries.push_back(*it);
            std::sort(entries.begin(), entries.end());
            std::vector<fs::path> subfolders;
            for (const fs::directory_entry& entry : entries) {
                if (stopping_) break;
                std::string name = entry.path().filename().string();
                // Dot-entries are private; a linked folder is not followed (it may loop).
                if (name.empty() || name[0] == '.') continue;
                bool linked = entry.is_symlink(ec);
                if (!linked && entry.is_directory(ec)) {
                    subfolders.push_back(entry.path());
                    continue;
                }
                if (!entry.is_regular_file(ec)) continue;
                found.clear();
                for (const std::string& piece : SplitNamePieces(name))
                    filter_.ScanWord(piece, name, folder.string(), found);
                for (const BadWordHit& hit : found) Found(hit);
                if (++files % kProgressEvery == 0)
                    queue_.PostMessage(window_, kProgressMessage, files);
            }
            // Reversed onto the stack, so the first subfolder is walked first.
            pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
        }
    }
    bool stopped = stopping_;
    running_ = false;
    queue_.PostMessage(window_, kDoneMessage, files, stopped ? 1 : 0);
}

}  // namespace velorin
