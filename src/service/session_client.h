#pragma once
// The link to the session server (TCP 3823), open for the whole signed-in
// period: the sign-in request, the verdict, member information, balances,
// server list pages, notes and the order to leave. The worker only stores
// values and posts to the main window; every decision is the window's.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "net/packet_link.h"
#include "platform/clock.h"
#include "service/reachability_probe.h"
#include "service/session_messages.h"

namespace velorin {

class CNoteStore;
class CPointBalance;
class CServerList;

inline constexpr std::chrono::seconds kKeepAliveAfter(31);
inline constexpr size_t kServiceLinkQueue = 2048;

// What message 2007 told about the member; read on any thread.
struct MemberStanding {
    std::atomic<uint32_t> age{0};
    std::atomic<uint32_t> visitorValue{0};  // passed on to the member's visitors
    std::atomic<uint32_t> warnings{0};
    std::atomic<uint32_t> restrictionTime{0};  // seconds since 1970, 0 for none
    std::atomic<uint32_t> unused{0};
};

// The sign-in request's fields besides the credentials, which the link holds.
struct SignInAnnouncement {
    uint32_t version = 1;
    int8_t category = 5;
    std::string description;
    uint16_t tcpPort = 0;  // network byte order, as the sockets report them
    uint16_t udpPort = 0;
    uint32_t quickSend = 1;
    ReachabilityVerdict reachability;
};

class CSessionClient : public CPacketLink {
public:
    enum class ListRequest { kQueued, kStarted, kAlreadyRunning, kNotRunning, kNotSent };

    CSessionClient(const IClock& clock, CServerList& list, CPointBalance& balance,
                   MemberStanding& member, CNoteStore& notes);
    ~CSessionClient() override;

    // Where it reports and connects; allocates the send queue (-1 when it cannot).
    int Prepare(CMessageQueue* queue, WindowHandle window, std::string address, uint16_t port);

    // The request with the credentials given to Start: the password as typed
    // and its enciphered copy. Clears the list-download flag.
    int SendSignIn(const SignInAnnouncement& announcement);
    int SendSignOff();
    int SendPowerMode(uint32_t quickSend);
    int SendNote(const std::string& recipientId, const std::string& text);
    // Cursor 0 starts a download (clearing the list) unless one runs; another
    // cursor asks for the next page.
    ListRequest RequestServerList(uint32_t cursor);
    bool ListDownloading() const { return listDownloading_; }

    int OnPacket() override;
    void OnIdle() override;
    void OnConnect(bool ok, const std::string& userId, const std::string& password) override;

private:
    int OnSignInResult();
    void OnListPage();
    void OnMemberInformation();
    void OnNote();
    void EndListDownload();

    const IClock& clock_;
    CServerList& list_;
    CPointBalance& balance_;
    MemberStanding& member_;
    CNoteStore& notes_;
    std::atomic<bool> listDownloading_{false};
    std::atomic<int64_t> lastKeepAlive_{0};  // ms of the clock
};

}  // namespace velorin
