#include "central/web_host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_map>

namespace velorin::central {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Far above what members need at once; each one costs a descriptor and at most
// MHD's default 32 KiB of buffers.
constexpr unsigned kConnectionLimit = 4096;
// Silence while an answer is sent, or a body is received, ends the connection.
constexpr unsigned kIdleSeconds = 10;
// Expired deadlines are looked at together, so a flood of connections does
// not wake the sweeper once for each.
constexpr auto kSweepSlack = std::chrono::milliseconds(50);

struct MimeType {
    std::string_view extension;
    const char* type;
};

constexpr MimeType kMimeTypes[] = {
    {"php", "text/html"},
    {"html", "text/html"},
    {"htm", "text/html"},
    {"ini", "text/plain"},
    {"txt", "text/plain"},
    {"css", "text/css"},
    {"js", "text/javascript"},
    {"json", "application/json"},
    {"xml", "application/xml"},
    {"png", "image/png"},
    {"gif", "image/gif"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"ico", "image/x-icon"},
    {"svg", "image/svg+xml"},
    {"db", "application/octet-stream"},
    {"exe", "application/octet-stream"},
};
constexpr const char* kDefaultType = "application/octet-stream";

constexpr char kNotFound[] = "404 Not Found\n";
constexpr char kNotAllowed[] = "405 Method Not Allowed\n";

const char* MimeTypeOf(const fs::path& file) {
    std::string extension = file.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const MimeType& mime : kMimeTypes) {
        if (mime.extension == extension) return mime.type;
    }
    return kDefaultType;
}

// An open regular file that `url` names under `root` (index.html for a path
// ending in '/'), with its real path and size, or -1. Names beginning with '.'
// are refused, ".." among them, and so is a file that a link leads outside the root.
int OpenUnderRoot(const fs::path& root, std::string_view url, fs::path& real, uint64_t& size) {
    if (url.empty() || url.front() != '/') return -1;
    fs::path file = root;
    size_t at = 0;
    while (at < url.size()) {
        size_t end = std::min(url.find('/', at), url.size());
        std::string_view name = url.substr(at, end - at);
        if (!name.empty()) {
            if (name.front() == '.') return -1;
            file /= name;
        }
        at = end + 1;
    }
    if (url.back() == '/') file /= "index.html";
    std::error_code ec;
    real = fs::canonical(file, ec);
    if (ec) return -1;
    auto [r, f] = std::mismatch(root.begin(), root.end(), real.begin(), real.end());
    if (r != root.end()) return -1;
    // O_NONBLOCK: opening a FIFO must not stall the loop before fstat refuses it.
    int fd = ::open(real.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    size = static_cast<uint64_t>(info.st_size);
    return fd;
}

MHD_Result QueueText(MHD_Connection* connection, unsigned status, const char* text, size_t size) {
    MHD_Response* response =
        MHD_create_response_from_buffer(size, const_cast<char*>(text), MHD_RESPMEM_PERSISTENT);
    if (!response) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain");
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    }
    MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return result;
}

}  // namespace

struct CWebHost::Impl {
    // A connection waiting for its request headers, closed when `deadline` passes.
    struct Tracked {
        int fd = -1;
        bool waiting = true;
        Clock::time_point deadline;
    };

    explicit Impl(std::chrono::milliseconds deadline) : headerDeadline(deadline) {}

    void Sweep();
    MHD_Result Answer(MHD_Connection* connection, const char* url, const char* method,
                      size_t* bodySize, void** request);

    static MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char* url,
                                const char* method, const char*, const char*, size_t* bodySize,
                                void** request) {
        return static_cast<Impl*>(cls)->Answer(connection, url, method, bodySize, request);
    }
    static void OnConnection(void* cls, MHD_Connection* connection, void**,
                             MHD_ConnectionNotificationCode code);
    static void OnRequestDone(void* cls, MHD_Connection* connection, void**,
                              MHD_RequestTerminationCode);

    const std::chrono::milliseconds headerDeadline;
    fs::path root;
    MHD_Daemon* daemon = nullptr;
    std::thread sweeper;

    // Taken by the daemon's thread in its callbacks and by the sweeper. The
    // daemon reports a connection closed before it closes the descriptor, so
    // under this lock a tracked descriptor is still the connection's own.
    std::mutex lock;
    std::condition_variable wake;
    bool stopping = false;
    std::unordered_map<MHD_Connection*, Tracked> connections;
};

void CWebHost::Impl::Sweep() {
    std::unique_lock<std::mutex> guard(lock);
    while (!stopping) {
        Clock::time_point now = Clock::now();
        Clock::time_point next = now + headerDeadline;
        for (auto& [connection, tracked] : connections) {
            if (!tracked.waiting) continue;
            if (tracked.deadline <= now) {
                // shutdown, not close: the daemon sees the end of the stream and
                // closes the connection on its own thread.
                ::shutdown(tracked.fd, SHUT_RDWR);
                tracked.waiting = false;
            } else {
                next = std::min(next, tracked.deadline);
            }
        }
        wake.wait_until(guard, next + kSweepSlack);
    }
}

MHD_Result CWebHost::Impl::Answer(MHD_Connection* connection, const char* url, const char* method,
                                  size_t* bodySize, void** request) {
    bool head = std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
    bool get = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0;
    if (!*request) {
        {
            std::lock_guard<std::mutex> guard(lock);
            auto it = connections.find(connection);
            if (it != connections.end()) it->second.waiting = false;
        }
        // An answer queued now, before the end of the request, closes the
        // connection after it: right for a body we have no use for, wrong for a
        // plain GET, whose connection may be kept alive.
        bool body = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                MHD_HTTP_HEADER_CONTENT_LENGTH) ||
                    MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                MHD_HTTP_HEADER_TRANSFER_ENCODING);
        if (!head && !get) {
            return QueueText(connection, MHD_HTTP_METHOD_NOT_ALLOWED, kNotAllowed,
                             sizeof kNotAllowed - 1);
        }
        if (!body) {
            *request = connection;
            return MHD_YES;
        }
    } else if (*bodySize) {
        *bodySize = 0;
        return MHD_YES;
    }
    // The daemon hands over the path alone, the query already cut off.
    fs::path real;
    uint64_t size = 0;
    int fd = OpenUnderRoot(root, url, real, size);
    if (fd < 0) return QueueText(connection, MHD_HTTP_NOT_FOUND, kNotFound, sizeof kNotFound - 1);
    MHD_Response* response = MHD_create_response_from_fd64(size, fd);
    if (!response) {
        ::close(fd);
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, MimeTypeOf(real));
    MHD_Result result = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    return result;
}

void CWebHost::Impl::OnConnection(void* cls, MHD_Connection* connection, void**,
                                  MHD_ConnectionNotificationCode code) {
    auto* impl = static_cast<Impl*>(cls);
    std::lock_guard<std::mutex> guard(impl->lock);
    if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
        impl->connections.erase(connection);
        return;
    }
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (!info) return;
    impl->connections[connection] = {info->connect_fd, true, Clock::now() + impl->headerDeadline};
}

// The next request on a kept-alive connection gets a deadline of its own.
void CWebHost::Impl::OnRequestDone(void* cls, MHD_Connection* connection, void**,
                                   MHD_RequestTerminationCode) {
    auto* impl = static_cast<Impl*>(cls);
    std::lock_guard<std::mutex> guard(impl->lock);
    auto it = impl->connections.find(connection);
    if (it == impl->connections.end()) return;
    it->second.waiting = true;
    it->second.deadline = Clock::now() + impl->headerDeadline;
}

CWebHost::CWebHost(std::chrono::milliseconds headerDeadline)
    : impl_(std::make_unique<Impl>(headerDeadline)) {}

CWebHost::~CWebHost() {
    Stop();
}

bool CWebHost::Start(const std::string& address, uint16_t port, const std::filesystem::path& root,
                     uint32_t maxPerAddress, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec)) {
        error = root.string() + ": the web root is not a folder";
        return false;
    }
    impl_->root = std::filesystem::canonical(root, ec);
    if (ec) {
        error = root.string() + ": the web root cannot be served";
        return false;
    }
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    sockaddr* bindTo = nullptr;
    unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ITC;
    if (inet_pton(AF_INET, address.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        bindTo = reinterpret_cast<sockaddr*>(&v4);
    } else if (inet_pton(AF_INET6, address.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        bindTo = reinterpret_cast<sockaddr*>(&v6);
        flags |= MHD_USE_IPv6;
    } else {
        error = address + ": not an IP address";
        return false;
    }

    errno = 0;
    impl_->daemon = MHD_start_daemon(
        flags, port, nullptr, nullptr, &Impl::OnRequest, impl_.get(), MHD_OPTION_SOCK_ADDR, bindTo,
        MHD_OPTION_CONNECTION_LIMIT, kConnectionLimit, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        static_cast<unsigned>(maxPerAddress), MHD_OPTION_CONNECTION_TIMEOUT, kIdleSeconds,
        MHD_OPTION_NOTIFY_CONNECTION, &Impl::OnConnection, impl_.get(), MHD_OPTION_NOTIFY_COMPLETED,
        &Impl::OnRequestDone, impl_.get(), MHD_OPTION_END);
    if (!impl_->daemon) {
        error = address + " TCP " + std::to_string(port) + ": the web port cannot be opened";
        if (errno) error += std::string(" (") + std::strerror(errno) + ")";
        return false;
    }
    const MHD_DaemonInfo* bound = MHD_get_daemon_info(impl_->daemon, MHD_DAEMON_INFO_BIND_PORT);
    port_ = bound ? bound->port : port;
    impl_->stopping = false;
    impl_->sweeper = std::thread([this] { impl_->Sweep(); });
    return true;
}

void CWebHost::Stop() {
    if (!impl_->daemon) return;
    {
        std::lock_guard<std::mutex> guard(impl_->lock);
        impl_->stopping = true;
    }
    impl_->wake.notify_all();
    impl_->sweeper.join();
    MHD_stop_daemon(impl_->daemon);
    impl_->daemon = nullptr;
    impl_->connections.clear();
}

}  // namespace velorin::central
