#pragma once
// The member's own file server: the listening socket, the accept thread, the
// pool of visitor sessions, the stop queue of the server view, and the
// process-wide lists and handlers that the sessions share.
//
// Threads: Open, Start, SetLimits, Stop and the windows on the user-interface
// thread; the accept loop on its own thread (it accepts, and reaps sessions
// whose threads have ended); one thread per session. The accept thread never
// waits for a session: Halt only asks, and a session is reaped once its thread
// has ended. Only Stop waits for sessions, dispatching main-window messages
// meanwhile.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "fileserver/browse_requests.h"
#include "fileserver/server_transfer_list.h"
#include "fileserver/session_pool.h"
#include "fileserver/transfer_requests.h"
#include "fileserver/upload_targets.h"
#include "fileserver/visitor_list.h"
#include "net/socket_handle.h"
#include "net/tcp_socket.h"
#include "net/worker_thread.h"
#include "platform/message_queue.h"

namespace velorin {

class CCompleteList;
class CPointBalance;

// The objects of the process that the file server uses.
struct FileServerParts {
    CShareDatabase& db;
    CProcessOptions& options;
    CCompleteList& completeList;
    CPointBalance& balance;
    ActivityCounters& counters;
    IServerClock& clock;
    // The event log (AddStatusLine); may be empty.
    std::function<void(const std::string& text, int kind)> statusLine;
};

class CFileServer {
public:
    explicit CFileServer(FileServerParts parts, FileServerConfig config = {});
    ~CFileServer();
    CFileServer(const CFileServer&) = delete;
    CFileServer& operator=(const CFileServer&) = delete;

    // Where Stop dispatches messages while it waits, and where the lists post
    // their changes (the member's server view). Not while running.
    void SetWindows(CMessageQueue* queue, WindowHandle mainWindow, WindowHandle serverView);

    // Listens on `port` (0: the system chooses), closing any previous
    // listening socket; -1 on failure, and while running.
    int Open(uint16_t port);
    // Makes a pending accept fail; the socket itself is closed once the accept
    // thread has ended.
    void CloseListener();
    bool IsOpen() const { return listener_.IsOpen(); }
    uint16_t RequestedPort() const { return requestedPort_; }
    // The port the listening socket is bound to; 0 when there is none.
    uint16_t GetPort() const;

    // Starts accepting with the upload-session limit (MAXDOWN + 1) and the
    // download-session limit (MAXUP + 1); -1 when already running.
    int Start(int32_t uploadLimit, int32_t downloadLimit);
    void SetLimits(int32_t uploadLimit, int32_t downloadLimit);
    bool Running() const { return acceptThread_.HasWorker(); }
    // The server view's stop: the accept loop halts the session shortly.
    void RequestStop(IVisitorSession* session);
    // Ends every session at once (blocked receives and waits for the cache
    // server included), then the accept thread, and closes the listening
    // socket. -1 when not running.
    int Stop();

    // The cache link while it is signed in; null otherwise (priced downloads
    // are then refused).
    void SetPointsRequester(IPointsRequester* requester);
    // The member value of the account information, sent with every acceptance.
    void SetMemberValue(uint32_t value);

    CServerTransferList& Transfers() { return transfers_; }
    CVisitorList& Visitors() { return visitors_; }
    const CSessionPool& Pool() const { return pool_; }

private:
    int AcceptLoop();
    void AcceptOne();
    void Reap();
    void Wake();

    FileServerParts parts_;
    CServerTransferList transfers_;
    CVisitorList visitors_;
    CUploadTargets uploads_;
    CBrowseRequests browse_;
    CTransferRequests transfer_;
    SessionServices services_;
    CSessionPool pool_;

    CTcpSocket listener_;
    uint16_t requestedPort_ = 0;
    // An eventfd that wakes the accept loop: a session ended, a stop was asked.
    CSocketHandle wake_;
    CWorkerThread acceptThread_;
    std::mutex stopQueueLock_;
    std::deque<IVisitorSession*> stopQueue_;
    CMessageQueue* queue_ = nullptr;
    WindowHandle mainWindow_ = 0;
    // Set while Stop waits: a message it dispatches cannot start the server again.
    bool stopping_ = false;
};

}  // namespace velorin
