#include "fileserver/file_server.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace velorin {
namespace {

using std::chrono::milliseconds;

constexpr int kAcceptWaitMs = 500;
constexpr milliseconds kPollFailurePause(20);
constexpr milliseconds kAcceptFailurePause(50);
constexpr milliseconds kStopSlice(5);

}  // namespace

CFileServer::CFileServer(FileServerParts parts, FileServerConfig config)
    : parts_(std::move(parts)),
      transfers_(parts_.clock),
      visitors_([](IVisitorSession* session) { static_cast<CPeerSession*>(session)->Halt(); }),
      browse_(parts_.db),
      transfer_({parts_.db, parts_.options, transfers_, parts_.completeList, parts_.balance,
                 uploads_, parts_.clock, parts_.statusLine}),
      services_{browse_,           transfer_,          parts_.db,  parts_.options,
                parts_.counters,   visitors_,          transfers_, parts_.clock,
                parts_.statusLine, [this] { Wake(); }, config},
      pool_(services_) {
    wake_.Attach(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
}

CFileServer::~CFileServer() {
    Stop();
}

void CFileServer::SetWindows(CMessageQueue* queue, WindowHandle mainWindow,
                             WindowHandle serverView) {
    if (Running()) return;
    queue_ = queue;
    mainWindow_ = mainWindow;
    transfers_.SetOwner({queue, serverView});
    visitors_.SetOwner({queue, serverView});
}

int CFileServer::Open(uint16_t port) {
    if (Running()) return -1;
    listener_.Close();
    requestedPort_ = port;
    if (listener_.ListenTcp(port) < 0 || listener_.SetNonBlocking(true) < 0) {
        listener_.Close();
        return -1;
    }
    return 0;
}

void CFileServer::CloseListener() {
    // shutdown, not close: the accept thread may be in poll() on it right now.
    listener_.Shutdown();
    Wake();
    if (!Running()) listener_.Close();
}

uint16_t CFileServer::GetPort() const {
    return listener_.IsOpen() ? ntohs(listener_.LocalPort()) : 0;
}

int CFileServer::Start(int32_t uploadLimit, int32_t downloadLimit) {
    if (stopping_ || Running()) return -1;
    pool_.Reset(uploadLimit, downloadLimit);
    services_.stop = std::stop_source();
    {
        std::lock_guard lock(stopQueueLock_);
        stopQueue_.clear();
    }
    return acceptThread_.Start([this] { return AcceptLoop(); });
}

void CFileServer::SetLimits(int32_t uploadLimit, int32_t downloadLimit) {
    pool_.SetLimits(uploadLimit, downloadLimit);
}

void CFileServer::RequestStop(IVisitorSession* session) {
    if (session == nullptr) return;
    {
        std::lock_guard lock(stopQueueLock_);
        stopQueue_.push_back(session);
    }
    Wake();
}

int CFileServer::Stop() {
    CloseListener();
    if (stopping_ || !Running()) return -1;
    stopping_ = true;
    acceptThread_.Stop([this] { Wake(); }, queue_, mainWindow_);
    // Every session is told first, so that they all end together; their
    // sockets are shut before the waits for the cache server are cancelled, so
    // a refusal after the cancel goes nowhere.
    std::vector<CPeerSession*> sessions = pool_.Active();
    for (CPeerSession* session : sessions) session->Halt();
    services_.stop.request_stop();
    for (CPeerSession* session : sessions) {
        while (!session->WaitEnded(kStopSlice)) {
            if (queue_ != nullptr && mainWindow_ != 0) {
                queue_->DispatchOne(mainWindow_, milliseconds(0));
            }
        }
    }
    pool_.ReapEnded();
    {
        std::lock_guard lock(stopQueueLock_);
        stopQueue_.clear();
    }
    listener_.Close();
    stopping_ = false;
    return 0;
}

void CFileServer::SetPointsRequester(IPointsRequester* requester) {
    services_.requester = requester;
}

void CFileServer::SetMemberValue(uint32_t value) {
    services_.memberValue = value;
}

void CFileServer::Wake() {
    uint64_t one = 1;
    if (::write(wake_.Get(), &one, sizeof one) < 0) {
        // The counter is already signalled (EAGAIN) or gone: nothing to add.
    }
}

int CFileServer::AcceptLoop() {
    while (acceptThread_.Running()) {
        Reap();
        pollfd fds[2] = {{listener_.Handle(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
        int ready = ::poll(fds, 2, kAcceptWaitMs);
        if (ready < 0) {
            if (errno != EINTR) std::this_thread::sleep_for(kPollFailurePause);
            continue;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            if (::read(wake_.Get(), &count, sizeof count) < 0) {
                // Drained by an earlier pass.
            }
        }
        if (acceptThread_.Running() && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
            AcceptOne();
        }
    }
    Reap();
    return 0;
}

void CFileServer::AcceptOne() {
    int fd = ::accept4(listener_.Handle(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        if (!IsWouldBlock(errno) && errno != ECONNABORTED) {
            std::this_thread::sleep_for(kAcceptFailurePause);
        }
        return;
    }
    CPeerSession* session = pool_.Acquire(fd);
    if (session == nullptr) {
        // A full server answers nothing at all.
        ::close(fd);
        return;
    }
    if (session->Run() < 0) pool_.Abandon(session);
}

void CFileServer::Reap() {
    std::deque<IVisitorSession*> stops;
    {
        std::lock_guard lock(stopQueueLock_);
        stops.swap(stopQueue_);
    }
    // A session that no record carries any more has been reaped (only this
    // thread reaps while running), and its slot may serve the next visitor: a
    // request that the view took from a record just before the reap must not
    // halt that one.
    for (IVisitorSession* session : stops) {
        if (transfers_.Carries(session)) static_cast<CPeerSession*>(session)->Halt();
    }
    pool_.ReapEnded();
}

}  // namespace velorin
