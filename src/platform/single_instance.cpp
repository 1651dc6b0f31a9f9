#include "platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velorin {
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kMaxFrame = 1 << 20;
constexpr uint32_t kMaxArgs = 1024;
constexpr int kIoTimeoutMs = 5000;
constexpr std::chrono::seconds kAnswerPatience(120);

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool GetU32(const std::string& in, size_t& pos, uint32_t& v) {
    if (in.size() - pos < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(in[pos + i])) << (8 * i);
    pos += 4;
    return true;
}

// Waits for the descriptor to become ready; false on time-out or error.
bool WaitReady(int fd, short events) {
    pollfd p{fd, events, 0};
    int rc;
    do {
        rc = poll(&p, 1, kIoTimeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        if (!WaitReady(fd, POLLOUT)) return false;
        ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        if (!WaitReady(fd, POLLIN)) return false;
        ssize_t n = recv(fd, data + done, size - done, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool WriteFrame(int fd, const std::string& body) {
    std::string frame;
    PutU32(frame, static_cast<uint32_t>(body.size()));
    return WriteAll(fd, frame + body);
}

bool ReadFrame(int fd, std::string& body) {
    char header[4];
    if (!ReadAll(fd, header, 4)) return false;
    std::string h(header, 4);
    size_t pos = 0;
    uint32_t size = 0;
    GetU32(h, pos, size);
    if (size > kMaxFrame) return false;
    body.assign(size, '\0');
    return ReadAll(fd, body.data(), size);
}

// The socket's address; paths too long for sun_path go through the folder's descriptor.
struct SocketAddress {
    sockaddr_un address{};
    int folderFd = -1;
    ~SocketAddress() {
        if (folderFd >= 0) close(folderFd);
    }
    bool Build(const fs::path& folder) {
        address.sun_family = AF_UNIX;
        std::string path = (folder / "velorin.sock").string();
        if (path.size() >= sizeof address.sun_path) {
            folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (folderFd < 0) return false;
            path = "/proc/self/fd/" + std::to_string(folderFd) + "/velorin.sock";
        }
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        return true;
    }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&address); }
};

}  // namespace

std::string EncodeControlRequest(const ControlRequest& request) {
    std::string body;
    body.push_back(static_cast<char>(request.kind));
    PutU32(body, static_cast<uint32_t>(request.args.size()));
    for (const std::string& arg : request.args) {
        PutU32(body, static_cast<uint32_t>(arg.size()));
        body += arg;
    }
    return body;
}

bool DecodeControlRequest(const std::string& body, ControlRequest& request) {
    if (body.empty()) return false;
    uint8_t kind = static_cast<uint8_t>(body[0]);
    if (kind > ControlRequest::kCommand) return false;
    request.kind = static_cast<ControlRequest::Kind>(kind);
    size_t pos = 1;
    uint32_t count = 0;
    if (!GetU32(body, pos, count) || count > kMaxArgs) return false;
    request.args.clear();
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t size = 0;
        if (!GetU32(body, pos, size) || body.size() - pos < size) return false;
        request.args.push_back(body.substr(pos, size));
        pos += size;
    }
    return pos == body.size();
}

std::string EncodeControlAnswer(const ControlAnswer& answer) {
    return std::string(1, static_cast<char>(answer.status)) + answer.json;
}

bool DecodeControlAnswer(const std::string& body, ControlAnswer& answer) {
    if (body.empty()) return false;
    answer.status = static_cast<uint8_t>(body[0]);
    answer.json = body.substr(1);
    return true;
}

CSingleInstance::CSingleInstance(fs::path profileFolder) : folder_(std::move(profileFolder)) {}

CSingleInstance::~CSingleInstance() {
    StopListening();
    if (lockFd_ >= 0) close(lockFd_);
}

CSingleInstance::Result CSingleInstance::Acquire() {
    if (lockFd_ >= 0) return Result::kFirst;
    int fd = open((folder_ / "velorin.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Result::kFailed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        close(fd);
        return error == EWOULDBLOCK ? Result::kOther : Result::kFailed;
    }
    lockFd_ = fd;
    return Result::kFirst;
}

bool CSingleInstance::Listen(Handler handler) {
    if (lockFd_ < 0 || listenFd_ >= 0) return false;
    SocketAddress address;
    if (!address.Build(folder_)) return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    // We hold the lock, so a socket file left behind is from an instance that died.
    unlink(address.address.sun_path);
    mode_t old = umask(0077);
    int rc = bind(fd, address.get(), sizeof address.address);
    umask(old);
    if (rc != 0 || listen(fd, 16) != 0) {
        close(fd);
        return false;
    }
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        close(fd);
        return false;
    }
    listenFd_ = fd;
    handler_ = std::move(handler);
    stopping_ = false;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void CSingleInstance::StopListening() {
    if (listenFd_ < 0) return;
    stopping_ = true;
    uint64_t one = 1;
    ssize_t ignored = write(wakeFd_, &one, sizeof one);
    (void)ignored;
    if (thread_.joinable()) thread_.join();
    close(listenFd_);
    close(wakeFd_);
    listenFd_ = wakeFd_ = -1;
    SocketAddress address;
    if (address.Build(folder_)) unlink(address.address.sun_path);
}

void CSingleInstance::Serve() {
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) continue;
        ServeOne(fd);
        close(fd);
    }
}

void CSingleInstance::ServeOne(int fd) {
    std::string body;
    ControlRequest request;
    if (!ReadFrame(fd, body) || !DecodeControlRequest(body, request)) return;
    ControlAnswer answer = handler_(request, stopping_);
    WriteFrame(fd, EncodeControlAnswer(answer));
}

CSingleInstance::SendResult CSingleInstance::Send(const fs::path& profileFolder,
                                                  const ControlRequest& request,
                                                  ControlAnswer& answer,
                                                  std::chrono::milliseconds patience) {
    SocketAddress address;
    if (!address.Build(profileFolder)) return SendResult::kNoInstance;
    auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return SendResult::kFailed;
        if (connect(fd, address.get(), sizeof address.address) == 0) {
            int flags = fcntl(fd, F_GETFL);
            fcntl(fd, F_SETFL, flags | O_NONBLOCK);
            bool ok = WriteFrame(fd, EncodeControlRequest(request));
            std::string body;
            // Commands may take a while on the other side; wait for the answer in slices.
            bool answered = false;
            auto answerDeadline = std::chrono::steady_clock::now() + kAnswerPatience;
            while (ok) {
                pollfd p{fd, POLLIN, 0};
                int rc = poll(&p, 1, 1000);
                if (rc < 0 && errno == EINTR) continue;
                if (rc == 0 && std::chrono::steady_clock::now() < answerDeadline) continue;
                answered = rc > 0 && ReadFrame(fd, body) && DecodeControlAnswer(body, answer);
                break;
            }
            close(fd);
            return answered ? SendResult::kDelivered : SendResult::kFailed;
        }
        close(fd);
        // Nobody holds the lock: no instance runs, and none is starting.
        int lock = open((profileFolder / "velorin.lock").c_str(), O_RDWR | O_CLOEXEC);
        if (lock < 0) return SendResult::kNoInstance;
        bool free = flock(lock, LOCK_EX | LOCK_NB) == 0;
        close(lock);
        if (free) return SendResult::kNoInstance;
        if (std::chrono::steady_clock::now() >= deadline) return SendResult::kNoInstance;
        usleep(50 * 1000);
    }
}

}  // namespace velorin
