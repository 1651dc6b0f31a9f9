#include "net/http_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>

#include "platform/error_text.h"

namespace velorin {
namespace fs = std::filesystem;

namespace {

// Headers beyond this are a host that never stops sending them.
constexpr size_t kHeaderBytesLimit = 64 * 1024;
constexpr int kRedirectLimit = 5;

struct Transfer {
    int fd = -1;
    uint64_t bodyBytes = 0;
    uint64_t maxBytes = 0;
    size_t headerBytes = 0;
    const std::atomic<bool>* stop = nullptr;
    bool overLimit = false;
    bool writeFailed = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    size_t length = size * count;
    if (transfer.bodyBytes + length > transfer.maxBytes) {
        transfer.overLimit = true;
        return 0;
    }
    for (size_t done = 0; done < length;) {
        ssize_t written = write(transfer.fd, data + done, length - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            transfer.writeFailed = true;
            return 0;
        }
        done += static_cast<size_t>(written);
    }
    transfer.bodyBytes += length;
    return length;
}

size_t OnHeader(char*, size_t size, size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    transfer.headerBytes += size * count;
    return transfer.headerBytes > kHeaderBytesLimit ? 0 : size * count;
}

int OnProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& transfer = *static_cast<Transfer*>(context);
    return transfer.stop && *transfer.stop ? 1 : 0;
}

void InitializeCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The temporary file beside `target`, removed again unless it was renamed over it.
class CPartFile {
public:
    explicit CPartFile(const fs::path& target) {
        std::string pattern =
            (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
        fd_ = mkstemp(pattern.data());
        if (fd_ >= 0) path_ = pattern;
    }
    ~CPartFile() {
        if (fd_ >= 0) close(fd_);
        if (!path_.empty()) unlink(path_.c_str());
    }
    CPartFile(const CPartFile&) = delete;
    CPartFile& operator=(const CPartFile&) = delete;

    int Descriptor() const { return fd_; }

    bool Commit(const fs::path& target, std::string& error) {
        bool synced = fsync(fd_) == 0;
        int closed = close(fd_);
        fd_ = -1;
        if (!synced || closed != 0) {
            error = path_ + ": " + ErrorText(errno);
            return false;
        }
        if (rename(path_.c_str(), target.c_str()) != 0) {
            error = target.string() + ": " + ErrorText(errno);
            return false;
        }
        path_.clear();
        return true;
    }

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace

bool DownloadFile(const std::string& url, const fs::path& target, const DownloadLimits& limits,
                  std::string* error) {
    std::string reason;
    bool done = [&] {
        InitializeCurl();
        std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
        std::unique_ptr<curl_slist, HeaderListDeleter> headers(
            curl_slist_append(nullptr, "Cache-Control: no-cache"));
        if (!curl || !headers) {
            reason = "the HTTP library could not start";
            return false;
        }
        CPartFile part(target.parent_path().empty() ? fs::path(".") / target : target);
        if (part.Descriptor() < 0) {
            reason = target.string() + ": " + ErrorText(errno);
            return false;
        }
        Transfer transfer{part.Descriptor(), 0, limits.maxBytes};
        transfer.stop = limits.stop;
        CURL* handle = curl.get();
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(handle, CURLOPT_MAXREDIRS, static_cast<long>(kRedirectLimit));
        curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
        // Time-outs by signal would reach the whole process.
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(limits.connectTimeout.count()));
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS,
                         static_cast<long>(limits.totalTimeout.count()));
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(limits.maxBytes));
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
        if (limits.stop) {
            curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnProgress);
            curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
            curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
        }
        CURLcode code = curl_easy_perform(handle);
        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        if (transfer.overLimit || code == CURLE_FILESIZE_EXCEEDED) {
            reason = "larger than " + std::to_string(limits.maxBytes) + " bytes";
            return false;
        }
        if (transfer.headerBytes > kHeaderBytesLimit) {
            reason = "headers without end";
            return false;
        }
        if (transfer.writeFailed) {
            reason = target.string() + ": " + ErrorText(errno);
            return false;
        }
        if (code != CURLE_OK) {
            reason = curl_easy_strerror(code);
            return false;
        }
        // A redirect that leads nowhere ends with its own status.
        if (status < 200 || status > 299) {
            reason = "HTTP status " + std::to_string(status);
            return false;
        }
        return part.Commit(target, reason);
    }();
    if (!done && error) *error = url + ": " + reason;
    return done;
}

}  // namespace velorin
