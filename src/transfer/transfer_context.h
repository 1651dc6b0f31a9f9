#pragma once
// What the transfer list, its queues and their workers share: the process's
// objects they use, the store of rtfl.db and the windows they tell of changes.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/message_queue.h"
#include "platform/person_lock.h"
#include "service/ticket_messages.h"
#include "transfer/transfer_store.h"

namespace velorin {

class CProcessOptions;
class CPointBalance;
class CServerList;
class IServerClock;
class IUserInterface;
struct ActivityCounters;

// The member signed in: the own ID, the password as typed (for the ticket
// purchase) and the age reported at sign-in.
struct TransferIdentity {
    std::string userId;
    std::string password;
    uint32_t age = 0;
};

struct TransferListParts {
    CProcessOptions& options;
    CPointBalance& balance;
    ActivityCounters& counters;
    CServerList& serverList;
    const std::atomic<bool>& serverRunning;
    IServerClock& clock;
    // Questions and message boxes; the user-interface thread only.
    IUserInterface& ui;
    // The share database's lock, which the transfer-list store shares.
    CPersonRecursiveMutex& storeLock;
    // An event-log line; any thread.
    std::function<void(const std::string& text, int kind)> statusLine;
    std::function<TransferIdentity()> identity;
    // The cache link's balance request, after a payment.
    std::function<void()> requestBalance;
    // The cache server's ticket port.
    std::string ticketHost;
    uint16_t ticketPort = kTicketPort;
};

class CTransferContext {
public:
    explicit CTransferContext(TransferListParts given)
        : parts(std::move(given)), store(parts.storeLock) {}

    // `view` gets WM_TRANSFER_CHANGED, `mainWindow` WM_POINTS_CHANGED. Set
    // before any worker starts.
    void SetWindows(CMessageQueue* queue, WindowHandle view, WindowHandle mainWindow);
    void PostTransferChanged() const;
    void PostPointsChanged() const;
    void StatusLine(const std::string& text, int kind) const;
    // One pending main-window message, while the user-interface thread waits.
    void DispatchMainMessage() const;
    // The download folder, as the options hold it now.
    std::string DownloadPath() const;

    TransferListParts parts;
    CTransferStore store;

private:
    std::atomic<CMessageQueue*> queue_{nullptr};
    std::atomic<WindowHandle> view_{0};
    std::atomic<WindowHandle> mainWindow_{0};
};

}  // namespace velorin
