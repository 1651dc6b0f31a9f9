#pragma once
// One file fetched with a plain GET from the service's web host. The body
// goes to a temporary name in the target's folder and replaces the target
// only when it is complete, so a broken transfer never leaves half a file,
// and a reader that holds the old file open keeps reading the old one.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace velorin {

struct DownloadLimits {
    std::chrono::milliseconds connectTimeout{3000};
    // Everything: connecting, redirects, headers and body.
    std::chrono::milliseconds totalTimeout{10000};
    uint64_t maxBytes = uint64_t{64} << 20;
    // Set from another thread, ends the transfer within about a second.
    const std::atomic<bool>* stop = nullptr;
};

// True when the whole body is at `target`. No answer, an error status, a body
// cut short of its length or over the limit, or a file that cannot be written
// leaves `target` as it was; `error` then says why.
bool DownloadFile(const std::string& url, const std::filesystem::path& target,
                  const DownloadLimits& limits, std::string* error = nullptr);

}  // namespace velorin
