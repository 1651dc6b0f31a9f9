#include "transfer/peer_connection.h"

#include <arpa/inet.h>

#include <chrono>
#include <system_error>

#include "data/process_options.h"
#include "fileserver/activity_counters.h"
#include "fileserver/point_balance.h"
#include "fileserver/server_clock.h"
#include "platform/text_encoding.h"
#include "service/wire_fields.h"
#include "transfer/peer_queue.h"
#include "transfer/transfer_context.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_texts.h"

namespace velorin {
namespace {

constexpr std::chrono::milliseconds kPauseBeforeEntry(800);
constexpr std::chrono::milliseconds kWaitSlice(5);
constexpr int kConnectSeconds = 5;
constexpr int kTicketSeconds = 10;
// A server that goes silent in the middle of an entry: its receives and
// sends give up after this (a few times over, with the bounded retries).
constexpr int kSilenceSeconds = 30;
constexpr uint32_t kAdultRight = 0x08;
constexpr uint32_t kAdultAge = 18;

// The last "\"-separated component of a name.
std::string LastComponent(const std::string& name, char separator) {
    size_t at = name.rfind(separator);
    return at == std::string::npos ? name : name.substr(at + 1);
}

}  // namespace

CPeerConnection::CPeerConnection(CPeerQueue& queue, CTransferContext& context)
    : queue_(queue), context_(context) {}

CPeerConnection::~CPeerConnection() {
    BeginHalt();
    if (worker_.joinable()) worker_.join();
}

bool CPeerConnection::Start(uint32_t address, uint16_t port) {
    // A worker that is alive (even one finishing a stopped entry) takes the
    // new reserved entries by itself; a second one must never start.
    if (alive_) return true;
    if (halting_) return false;
    // A worker that decided to end holds no lock any more and is leaving.
    if (worker_.joinable()) worker_.join();
    peer_ = sockaddr_in{};
    peer_.sin_family = AF_INET;
    peer_.sin_addr.s_addr = address;
    peer_.sin_port = port;
    alive_ = true;
    ended_ = false;
    running_ = 1;
    try {
        worker_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        alive_ = false;
        ended_ = true;
        running_ = 0;
        return false;
    }
    return true;
}

void CPeerConnection::Stop() {
    running_ = 0;
    // shutdown, not close: close() does not wake a recv() blocked in the worker.
    socket_.Shutdown();
    ticketSocket_.Shutdown();
}

void CPeerConnection::WaitForEnd() {
    if (!worker_.joinable()) return;
    while (!ended_) {
        context_.DispatchMainMessage();
        std::this_thread::sleep_for(kWaitSlice);
    }
    // A handler dispatched above may have waited for this worker already.
    if (worker_.joinable()) worker_.join();
}

void CPeerConnection::BeginHalt() {
    {
        std::lock_guard lock(queue_.Lock());
        halting_ = true;
    }
    Stop();
}

void CPeerConnection::CloseSockets() {
    socket_.Close();
    ticketSocket_.Close();
}

void CPeerConnection::SetMessage(TransferEntry& entry, const std::string& text) {
    std::lock_guard lock(queue_.Lock());
    entry.Message = CutMessage(text);
}

bool CPeerConnection::SendPacket(const Packet& packet) {
    return socket_.SendPacket(static_cast<uint16_t>(packet.payload.size()), packet.type,
                              packet.payload.data()) >= 0;
}

void CPeerConnection::Work() {
    for (;;) {
        fileOpen_ = false;
        completed_ = false;
        context_.PostTransferChanged();
        CloseSockets();
        TransferEntry* entry = nullptr;
        {
            // Deciding that nothing is left and leaving happen under the queue
            // lock, so an entry reserved meanwhile either is seen here or
            // finds no worker and starts one.
            std::lock_guard lock(queue_.Lock());
            entry = halting_ ? nullptr : queue_.NextReserved();
            if (!entry) {
                alive_ = false;
                running_ = 0;
                current_ = nullptr;
                break;
            }
            current_ = entry;
            entry->Message.clear();
            entry->StartTime = context_.parts.clock.UnixSeconds();
            entry->State = kTransferStateTransferring;
            // Stored as failed: an entry a crash interrupts is found failed.
            queue_.StoreState(*entry, kTransferStateFailed, "");
        }
        context_.PostTransferChanged();
        RunEntry(*entry);
    }
    CloseSockets();
    ended_ = true;
}

void CPeerConnection::RunEntry(TransferEntry& entry) {
    noPoints_ = false;
    phase_ = Phase::kSignOn;
    context_.parts.clock.SleepFor(kPauseBeforeEntry);
    if (running_ != 1 || socket_.ConnectTcpAddr(peer_, kConnectSeconds) < 0 ||
        socket_.SetNonBlocking(false) < 0) {
        EndUnconnected(entry);
        return;
    }
    socket_.SetReceiveTimeout(kSilenceSeconds);
    socket_.SetSendTimeout(kSilenceSeconds);
    bool download = entry.Mode == kModeDownload;
    TransferIdentity me = context_.parts.identity ? context_.parts.identity() : TransferIdentity{};
    if (!SendPacket(EncodeSignOn({me.userId, download ? kVisitorDownload : kVisitorUpload}))) {
        EndUnconnected(entry);
        return;
    }
    std::atomic<uint32_t>& counter =
        download ? context_.parts.counters.downloads : context_.parts.counters.uploads;
    ++counter;
    while (running_ == 1) {
        // A failed receive or answer fails the entry; Outcome tells by completed_.
        if (socket_.ReceivePacket() < 0 || !Dispatch(entry) || completed_) break;
    }
    --counter;
    ticketSocket_.Close();
    std::string downloadPath = context_.DownloadPath();
    if (fileOpen_) file_.Close();
    if (completed_ && download) FinishDownload(downloadPath, entry.FileName);
    if (download && !noPoints_) {
        std::string message;
        {
            std::lock_guard lock(queue_.Lock());
            message = entry.Message;
        }
        SettlePoints(entry, message, queue_.UserId(), context_);
    }
    Outcome(entry);
}

void CPeerConnection::EndUnconnected(TransferEntry& entry) {
    std::lock_guard lock(queue_.Lock());
    bool stopped = running_ != 1;
    entry.State = stopped ? kTransferStateCancelled : kTransferStateFailed;
    entry.Message = CutMessage(stopped ? transfer_text::kFailed : transfer_text::kCannotConnect);
    queue_.StoreState(entry, entry.State, entry.Message);
    if (!halting_) running_ = 1;
    current_ = nullptr;
}

void CPeerConnection::Outcome(TransferEntry& entry) {
    std::lock_guard lock(queue_.Lock());
    entry.ResumeOffset += entry.MovedBytes;
    entry.MovedBytes = 0;
    if (entry.Message.empty()) entry.Message = CutMessage(transfer_text::kFailed);
    // A file that arrived whole is completed even when a stop came at the end.
    if (completed_) {
        entry.State = kTransferStateCompleted;
        queue_.DeleteRow(entry);
    } else {
        entry.State = running_ == 1 ? kTransferStateFailed : kTransferStateCancelled;
        queue_.StoreState(entry, entry.State, entry.Message);
    }
    if (!halting_) running_ = 1;
    current_ = nullptr;
}

bool CPeerConnection::Dispatch(TransferEntry& entry) {
    std::string_view payload = socket_.IncomingPayload();
    // Each answer only where the sequence expects it; any other type is ignored.
    switch (socket_.IncomingType()) {
        case PEER_SIGNON_ANS:
            return phase_ == Phase::kSignOn && OnSignOnAnswer(entry, payload);
        case PEER_FILE_INFO_ANS:
            return phase_ == Phase::kFileInfo && OnFileInfoAnswer(entry, payload);
        case PEER_DOWNLOAD_ANS:
            return phase_ == Phase::kDownload && OnDownloadAnswer(entry, payload);
        case PEER_UPLOAD_QUERY_ANS:
            return phase_ == Phase::kUploadQuery && OnUploadQueryAnswer(entry, payload);
        case PEER_UPLOAD_ANS:
            return phase_ == Phase::kUpload && OnUploadAnswer(entry, payload);
        default:
            return true;
    }
}

bool CPeerConnection::OnSignOnAnswer(TransferEntry& entry, std::string_view payload) {
    SignOnAnswer answer;
    if (!DecodeSignOnAnswer(payload, answer)) return false;
    if (answer.code < 0) {
        switch (answer.code) {
            case kSignOnBlacklisted:
                SetMessage(entry, transfer_text::kBlacklisted);
                break;
            case kSignOnServerFull:
                SetMessage(entry, transfer_text::kServerFull);
                break;
            case kSignOnBadKind:
                SetMessage(entry, transfer_text::kServiceFault);
                break;
        }
        return false;
    }
    bool download = entry.Mode == kModeDownload;
    // Download: the remote folder and the name's last part; upload: the local
    // file's name.
    std::string name =
        download ? LastComponent(entry.FileName, '\\') : LastComponent(entry.FileName, '/');
    remotePath_ = Utf8ToCp949(entry.VirDirName + "\\" + name);
    // Cut, it would name another file.
    if (remotePath_.size() > kRemotePathLimit) return false;
    phase_ = download ? Phase::kFileInfo : Phase::kUploadQuery;
    return SendPacket(
        EncodePathRequest(download ? PEER_FILE_INFO : PEER_UPLOAD_QUERY, remotePath_));
}

bool CPeerConnection::OnFileInfoAnswer(TransferEntry& entry, std::string_view payload) {
    FileInfoAnswer answer;
    if (!DecodeFileInfoAnswer(payload, answer)) return false;
    if (answer.code < 0) {
        switch (answer.code) {
            case kTransferInvalidPath:
                SetMessage(entry, transfer_text::kInvalidPath);
                break;
            case kTransferCannotOpen:
                SetMessage(entry, transfer_text::kInvalidName);
                break;
            case kTransferNoDownloadRight:
                SetMessage(entry, transfer_text::kNoRight);
                break;
            default:
                SetMessage(entry, transfer_text::kNoFileInfo);
                break;
        }
        return false;
    }
    TransferIdentity me = context_.parts.identity ? context_.parts.identity() : TransferIdentity{};
    if (me.age <= kAdultAge && answer.hasRights && (answer.rights & kAdultRight) != 0) {
        SetMessage(entry, transfer_text::kAdultFolder);
        return false;
    }
    {
        // The server's size decides what arrives; the listing may be older.
        std::lock_guard lock(queue_.Lock());
        entry.FileSize = answer.size;
    }
    std::string failure;
    if (!OpenDownloadTarget(entry, context_.DownloadPath(), file_, failure)) {
        SetMessage(entry, failure);
        return false;
    }
    fileOpen_ = true;
    DownloadTickets tickets;
    std::optional<uint32_t> points = CheckPriceOf(entry.FileSize, entry.ResumeOffset);
    if (points && *points != 0 && !BuyTicket(entry, *points, tickets)) return false;
    phase_ = Phase::kDownload;
    return SendPacket(EncodeDownloadRequest({tickets, entry.ResumeOffset, remotePath_}));
}

bool CPeerConnection::BuyTicket(TransferEntry& entry, uint32_t points, DownloadTickets& tickets) {
    TransferIdentity me = context_.parts.identity ? context_.parts.identity() : TransferIdentity{};
    sockaddr_in address{};
    TicketRequest request{me.userId, MakePasswordField(me.password), queue_.UserId(), points};
    std::string payload = EncodeTicketRequest(request);
    if (!ResolveIpv4(context_.parts.ticketHost, context_.parts.ticketPort, address) ||
        ticketSocket_.ConnectTcpAddr(address, kTicketSeconds) < 0 ||
        ticketSocket_.SetNonBlocking(false) < 0 ||
        ticketSocket_.SendPacket(static_cast<uint16_t>(payload.size()), kTicketRequest,
                                 payload.data()) < 0 ||
        !ticketSocket_.WaitReadable(std::chrono::seconds(kTicketSeconds))) {
        SetMessage(entry, transfer_text::kTicketService);
        return false;
    }
    ticketSocket_.SetReceiveTimeout(kTicketSeconds);
    TicketAnswer answer;
    if (ticketSocket_.ReceivePacket() < 0 || ticketSocket_.IncomingType() != kTicketAnswer ||
        !DecodeTicketAnswer(ticketSocket_.IncomingPayload(), answer)) {
        SetMessage(entry, transfer_text::kTicketService);
        return false;
    }
    ticketSocket_.Close();
    if (answer.code < 0) {
        if (answer.code == kTicketServiceFailure || answer.code == kTicketBadCredentials)
            SetMessage(entry, transfer_text::kTicketDatabase);
        if (answer.code == kTicketShortOfPoints) SetMessage(entry, transfer_text::kShortOfPoints);
        return false;
    }
    tickets = {answer.ticket1, answer.ticket2, answer.ticket3};
    return true;
}

bool CPeerConnection::OnDownloadAnswer(TransferEntry& entry, std::string_view payload) {
    int8_t code = 0;
    if (!DecodeDownloadAnswer(payload, code)) return false;
    if (code < 0) {
        if (code == kTransferInvalidPath) SetMessage(entry, transfer_text::kInvalidPath);
        if (code == kTransferCannotOpen) SetMessage(entry, transfer_text::kInvalidName);
        if (code == kTransferNoPayment) SetMessage(entry, transfer_text::kNotPaid);
        noPoints_ = true;
        return false;
    }
    phase_ = Phase::kDone;
    std::string failure;
    completed_ =
        ReceiveData(entry, socket_, file_, running_, context_.parts.clock.UnixSeconds(), failure);
    SetMessage(entry, failure);
    return completed_;
}

bool CPeerConnection::OnUploadQueryAnswer(TransferEntry& entry, std::string_view payload) {
    OffsetAnswer answer;
    if (!DecodeUploadQueryAnswer(payload, answer)) return false;
    if (answer.code < 0) {
        if (answer.code == kTransferInvalidPath) SetMessage(entry, transfer_text::kInvalidPath);
        if (answer.code == kTransferNoUploadRight) SetMessage(entry, transfer_text::kNoRight);
        return false;
    }
    entry.ResumeOffset = answer.offset;
    std::string failure;
    if (!OpenUploadSource(entry, file_, failure)) {
        SetMessage(entry, failure);
        return false;
    }
    fileOpen_ = true;
    phase_ = Phase::kUpload;
    // The size the entry was reserved with: exactly what the data phase sends.
    return SendPacket(EncodeUploadRequest({entry.FileSize, remotePath_}));
}

bool CPeerConnection::OnUploadAnswer(TransferEntry& entry, std::string_view payload) {
    OffsetAnswer answer;
    if (!DecodeUploadAnswer(payload, answer)) return false;
    if (answer.code < 0) {
        switch (answer.code) {
            case kTransferInvalidPath:
                SetMessage(entry, transfer_text::kUploadFailed);
                break;
            case kTransferCannotWrite:
                SetMessage(entry, transfer_text::kRemoteWriteFailed);
                break;
            case kTransferNoUploadRight:
                SetMessage(entry, transfer_text::kNoUploadRight);
                break;
            default:
                SetMessage(entry, transfer_text::kUploadService);
                break;
        }
        return false;
    }
    phase_ = Phase::kDone;
    std::string failure;
    entry.StartTime = context_.parts.clock.UnixSeconds();
    completed_ = SendData(entry, socket_, file_, answer.offset, failure);
    SetMessage(entry, failure);
    return completed_;
}

}  // namespace velorin
