#pragma once
// The worker of one remote member's queue: for each reserved entry in turn a
// fresh connection to the member's file server, the sign-on as a download or
// upload session, the request sequence, the data, the outcome. It reads and
// writes entries only under the queue's lock, except the counters of the
// entry it is moving.
#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "fileserver/local_file.h"
#include "fileserver/peer_messages.h"
#include "net/packet_socket.h"
#include "transfer/transfer_entry.h"

namespace velorin {

class CPeerQueue;
class CTransferContext;

class CPeerConnection {
public:
    CPeerConnection(CPeerQueue& queue, CTransferContext& context);
    ~CPeerConnection();
    CPeerConnection(const CPeerConnection&) = delete;
    CPeerConnection& operator=(const CPeerConnection&) = delete;

    // Starts the worker for this address and port (network byte order). A
    // running worker picks up new reserved entries by itself: nothing to do.
    // Called with the queue lock held.
    bool Start(uint32_t address, uint16_t port);
    // Ends the current entry as cancelled; the worker goes on with the next.
    void Stop();
    // Waits for the worker to end, dispatching main-window messages meanwhile.
    void WaitForEnd();
    // Stop without taking another entry, for the end of the program; the
    // worker ends by itself, WaitForEnd waits for it.
    void BeginHalt();

    bool Running() const { return running_ == 1; }
    // The entry in the worker's hands; read under the queue lock.
    const TransferEntry* Current() const { return current_; }

private:
    enum class Phase { kSignOn, kFileInfo, kDownload, kUploadQuery, kUpload, kDone };

    void Work();
    void RunEntry(TransferEntry& entry);
    // Fails the entry (or cancels it when stopped) before any answer came.
    void EndUnconnected(TransferEntry& entry);
    void Outcome(TransferEntry& entry);
    // Each handles one answer; false fails the entry.
    bool Dispatch(TransferEntry& entry);
    bool OnSignOnAnswer(TransferEntry& entry, std::string_view payload);
    bool OnFileInfoAnswer(TransferEntry& entry, std::string_view payload);
    bool OnDownloadAnswer(TransferEntry& entry, std::string_view payload);
    bool OnUploadQueryAnswer(TransferEntry& entry, std::string_view payload);
    bool OnUploadAnswer(TransferEntry& entry, std::string_view payload);
    bool BuyTicket(TransferEntry& entry, uint32_t points, DownloadTickets& tickets);
    bool SendPacket(const Packet& packet);
    void SetMessage(TransferEntry& entry, const std::string& text);
    void CloseSockets();

    CPeerQueue& queue_;
    CTransferContext& context_;
    // Cleared by Stop to end the current entry; the worker sets it again.
    std::atomic<uint32_t> running_{0};
    // Under the queue lock: a worker exists and has not decided to end.
    bool alive_ = false;
    bool halting_ = false;
    std::atomic<bool> ended_{true};
    std::thread worker_;
    sockaddr_in peer_{};
    TransferEntry* current_ = nullptr;

    // Their handles serialise close and shutdown, so a stop never reaches a
    // descriptor number that was closed and reused meanwhile.
    CPacketSocket socket_;
    CPacketSocket ticketSocket_;

    // Per entry, on the worker's thread.
    Phase phase_ = Phase::kSignOn;
    bool fileOpen_ = false;
    bool completed_ = false;
    bool noPoints_ = false;
    CLocalFile file_;
    std::string remotePath_;  // CP949, as on the wire
};

}  // namespace velorin
