#pragma once
// The browse session: one long-lived connection to another member's file
// server, signed on as a browsing visitor, that asks for listings, the upload
// status, folder summaries and folder trees. What arrives goes to the server
// explorer's window as posted messages; the worker never touches the window.
//
// Threads: Start, Stop and the window on the user-interface thread; the
// Request* operations from any thread (they only queue); everything else on
// the worker. Stop must not be called from the worker.
#include <any>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "fileserver/peer_messages.h"
#include "net/packet_link.h"
#include "platform/clock.h"
#include "platform/message_queue.h"

namespace velorin {

class CRegistry;

// The event log lines of the session, as the person sees them.
namespace browse_text {
inline constexpr const char* kConnecting = " 서버를 탐색합니다.(접속시간 : 최대 5 sec)";
inline constexpr const char* kConnectFailed =
    "의 서버에 접속을 실패했습니다. 이 서버는 현재 운영중이지 않거나 NAT망 내부에 존재하는 "
    "서버일수 있습니다..";
inline constexpr const char* kIdle = "의 서버에 5분동안 아무 요청도 없어 접속을 끊습니다.";
inline constexpr const char* kEnded = "의 서버탐색이 해제되었습니다.";
inline constexpr const char* kRefusedBlack =
    "접속하고자하는 서버에서 당신을 접근거부하였습니다. 접속할수 없습니다.";
inline constexpr const char* kRefusedFull =
    "접속하고자하는 서버에 허용된 접속자가 초과되었습니다. 잠시후 다시 시도해주십시오.";
inline constexpr const char* kRefusedFault =
    "상대 서버에 접속중 서비스 장애가 발생했습니다. 잠시후 다시 시도해보세요.";
}  // namespace browse_text

// What the session posts to the explorer with WM_BROWSE_EVENT (the event in
// wParam and, where named, a payload), besides WM_BROWSE_NOTICE (read the text
// with Notice()), WM_BROWSE_FOLDER_INFO (payload FolderInfoAnswer, code 0 or
// above) and WM_BROWSE_FOLDER_FILE (payload FolderTreeEntry). Every text of a
// payload, paths included, is UTF-8 here.
enum BrowseEvent : uintptr_t {
    kBrowseConnecting = 1,  // the worker started (connected state)
    kBrowseSignedOn,        // payload BrowseSignOn: the explorer resets
    kBrowseListHead,        // payload ListHead (path as UTF-8)
    kBrowseListShare,       // payload ListShare
    kBrowseListEntry,       // payload ListEntry
    kBrowseStatus,          // payload ServerStatus
    kBrowseInfoAnswered,    // lParam: folder summaries answered so far (any code)
    kBrowseClosed,          // the session ended after a connection
    kBrowseThreadEnd,       // the worker ends (disconnected state)
};

struct BrowseSignOn {
    std::string userId;
    uint32_t serverFlags = 0;
};

// The process's parts that the session uses.
struct BrowseSessionParts {
    const IClock& clock;
    CRegistry& registry;  // the browse history
    // The event log; called on the worker thread.
    std::function<void(const std::string& text, int kind)> statusLine;
};

class CBrowseSession : public CPacketLink {
public:
    static constexpr size_t kQueueSize = 2048;
    static constexpr int kConnectSeconds = 5;
    static constexpr int64_t kIdleSeconds = 300;
    static constexpr size_t kStartPathLimit = 1000;
    static constexpr size_t kNoticeLimit = 2000;

    explicit CBrowseSession(BrowseSessionParts parts);
    ~CBrowseSession() override;

    // Where the session reports (the explorer) and whose messages Stop
    // dispatches while it waits (the main window).
    void SetWindows(CMessageQueue* queue, WindowHandle explorer, WindowHandle mainWindow);
    // The listing to open after sign-on ("\" the root; UTF-8).
    void SetStartPath(std::string path);
    // Stops any previous session, then connects to `address`:`port` (network
    // byte order, as server records hold them) as `userId`'s visitor. -1 when
    // no thread can be made.
    int Start(uint32_t address, uint16_t port, const std::string& ownId, const std::string& peerId);

    // Each is the queueing result: 0, or -1 when it does not fit. Paths are UTF-8.
    // A listing asked for before sign-on is dropped and succeeds.
    int RequestList(std::string_view path);
    int RequestStatus();
    int RequestFolderInfo(std::string_view path);
    int RequestFolderDownload(std::string_view path, std::string_view localName);
    // Folder summaries queued since Start (a summary of "\" is always answered
    // with a refusal, so its answer marks that everything asked before it is in).
    uint64_t FolderInfoRequests() const { return infoRequests_; }

    bool SignedOn() const { return signedOn_ == 1; }
    std::string PeerId() const;
    uint32_t PeerAddress() const;
    uint16_t PeerPort() const;
    std::string Notice() const;
    // The last event log line the session wrote (why it ended, mostly).
    std::string LastLine() const;

    // One received Packet, as the worker hands it over; a negative result ends
    // the session. Public for the fuzz target.
    int HandlePacket(uint16_t type, std::string_view payload);

private:
    int Work() override;
    int OnPacket() override;
    bool OnIdleCheck();
    void OnConnected(bool ok);
    void OnSessionClosed(bool idle);
    int OnSignOnAnswer(std::string_view payload);
    bool WalkStartPath();
    void Touch();
    void Log(const std::string& text, int kind);
    void PostEvent(BrowseEvent event, std::any payload = {}, intptr_t lParam = 0);
    int QueueRequest(const Packet& packet);

    BrowseSessionParts parts_;
    CMessageQueue* queue_ = nullptr;
    WindowHandle explorer_ = 0;

    mutable std::mutex lock_;  // the peer fields, the start path, the notice, the last line
    uint32_t address_ = 0;
    uint16_t port_ = 0;
    std::string ownId_;
    std::string peerId_;
    std::string startPath_ = "\\";
    std::string notice_;
    std::string lastLine_;

    std::atomic<uint32_t> signedOn_{0};
    std::atomic<int64_t> lastActivityMs_{0};
    // 1 while a folder list arrives, 0 while a file list does.
    std::atomic<uint32_t> listingKind_{0};
    std::atomic<uint64_t> infoRequests_{0};
    std::atomic<uint64_t> infoAnswers_{0};
    std::atomic<bool> refused_{false};
};

}  // namespace velorin
