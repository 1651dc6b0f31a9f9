#include "fileserver/peer_session.h"

#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "data/process_options.h"
#include "data/share_database.h"
#include "fileserver/peer_messages.h"
#include "fileserver/peer_requests.h"
#include "fileserver/point_balance.h"
#include "fileserver/points_requester.h"
#include "fileserver/server_clock.h"
#include "fileserver/server_transfer_list.h"
#include "fileserver/session_pool.h"
#include "fileserver/visitor_list.h"
#include "net/packet.h"
#include "platform/status_lines.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kByeWait(50);
constexpr int kQuickSendBuffer = 65536;
// A greeting is sent only when its CP949 form has 1 to 1999 bytes.
constexpr size_t kGreetingLimit = 1999;

#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kStackFactor = 4;  // the sanitizer's red zones grow every frame
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t kStackFactor = 4;
#else
constexpr size_t kStackFactor = 1;
#endif
#else
constexpr size_t kStackFactor = 1;
#endif

void SetTimeout(int fd, int option, milliseconds span) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(span.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>(span.count() % 1000 * 1000);
    setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv);
}

// The sign-on kind a transfer request belongs to; 0 for any other request.
int8_t TransferKindOf(uint16_t type) {
    switch (type) {
        case PEER_FILE_INFO:
        case PEER_DOWNLOAD:
            return kVisitorDownload;
        case PEER_UPLOAD_QUERY:
        case PEER_UPLOAD:
            return kVisitorUpload;
        default:
            return 0;
    }
}

}  // namespace

CPeerSession::CPeerSession()
    : receiver_(kMaxPacketPayload),
      sendBuffer_(new uint8_t[kPacketHeaderSize + kMaxPacketPayload]) {}

CPeerSession::~CPeerSession() {
    Halt();
    Clear();
}

SessionServices& CPeerSession::Services() const {
    return pool_->Services();
}

void CPeerSession::Bind(int descriptor, CSessionPool& pool) {
    socket_.Attach(descriptor);
    pool_ = &pool;
}

int CPeerSession::Run() {
    std::lock_guard lock(lock_);
    if (running_) return -1;
    stop_ = Services().stop.get_token();
    running_ = true;
    ended_ = false;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    size_t stack =
        std::max<size_t>(Services().config.sessionStackBytes * kStackFactor, PTHREAD_STACK_MIN);
    pthread_attr_setstacksize(&attr, stack);
    int rc = pthread_create(&thread_, &attr, &CPeerSession::ThreadEntry, this);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        running_ = false;
        ended_ = true;
        return -1;
    }
    hasThread_ = true;
    return 0;
}

void* CPeerSession::ThreadEntry(void* self) {
    // The pacing of downloads sleeps to deadlines 1 ms apart; the default slack
    // of 50 us on every wake-up would cost several per cent of the rate.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    static_cast<CPeerSession*>(self)->Serve();
    return nullptr;
}

void CPeerSession::RunHere() {
    {
        std::lock_guard lock(lock_);
        if (running_) return;
        stop_ = Services().stop.get_token();
        running_ = true;
        ended_ = false;
    }
    Serve();
}

void CPeerSession::Serve() {
    Packet packet;
    while (running_ && ReceivePacket(packet) && Dispatch(packet) >= 0) {
    }
    // Once ended is set the reaper may free the slot: nothing of this session
    // is touched after the lock is released.
    SessionServices& services = Services();
    {
        std::lock_guard lock(lock_);
        running_ = false;
        ended_ = true;
        endedSignal_.notify_all();
    }
    if (services.sessionEnded) services.sessionEnded();
}

int CPeerSession::Halt() {
    std::lock_guard lock(lock_);
    if (!running_) return -1;
    running_ = false;
    socket_.Shutdown();
    return 0;
}

bool CPeerSession::WaitEnded(milliseconds timeout) {
    std::unique_lock lock(lock_);
    return endedSignal_.wait_for(lock, timeout, [this] { return ended_.load(); });
}

void CPeerSession::Clear() {
    if (hasThread_) {
        pthread_join(thread_, nullptr);
        hasThread_ = false;
    }
    socket_.Close();
    std::lock_guard lock(lock_);
    visitorId_.clear();
    signedOn_ = false;
    kind_ = 0;
}

std::string CPeerSession::VisitorId() const {
    std::lock_guard lock(lock_);
    return visitorId_;
}

bool CPeerSession::ReceivePacket(Packet& packet) {
    using Clock = std::chrono::steady_clock;
    // Every kind waits for its next request at most the idle time-out: a silent
    // download or upload session would hold one of its few slots for good.
    Clock::time_point deadline = Clock::now() + Services().config.idleTimeout;
    receiver_.Reset();
    for (;;) {
        auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        int wait = static_cast<int>(std::min<int64_t>(left.count(), INT_MAX));
        pollfd p{socket_.Handle(), POLLIN, 0};
        int ready = ::poll(&p, 1, wait);
        if (ready < 0 && errno != EINTR) return false;
        if (ready <= 0) continue;
        std::span<uint8_t> missing = receiver_.Missing();
        long n = socket_.ReceiveSome(missing.data(), missing.size());
        if (n == 0) return false;
        if (n < 0) {
            if (IsWouldBlock(socket_.LastError())) continue;
            return false;
        }
        int done = receiver_.Advance(static_cast<size_t>(n));
        if (done < 0) return false;
        if (done == 1) {
            packet.type = receiver_.Type();
            packet.payload.assign(receiver_.Payload());
            return true;
        }
    }
}

int CPeerSession::Dispatch(const Packet& packet) {
    SessionServices& services = Services();
    switch (packet.type) {
        case PEER_SIGNON:
            return SignOn(packet.payload);
        case PEER_BYE:
            if (signedOn_) services.clock.SleepFor(kByeWait);
            return -1;
        case PEER_STATUS:
            return SendStatus() ? 0 : -1;
        default:
            // A transfer on a connection of another kind would pass the kind's limit.
            if (int8_t kind = TransferKindOf(packet.type); kind != 0 && kind != kind_) return -1;
            return DispatchPeerRequest(services.browse, services.transfer, *this, packet)
                .value_or(0);
    }
}

int CPeerSession::Refuse(int8_t code) {
    Send(EncodeSignOnAnswer({code, 0, {}}));
    return -1;
}

int CPeerSession::SignOn(std::string_view payload) {
    SessionServices& services = Services();
    SignOnRequest request;
    // A second sign-on would count the session twice.
    if (signedOn_ || !DecodeSignOn(payload, request)) return -1;
    {
        std::lock_guard lock(lock_);
        visitorId_ = request.userId;
    }
    // A black list that cannot be read refuses as a listed visitor would.
    bool listed = true;
    if (!services.db.IsBlacklisted(listed, request.userId) || listed) {
        return Refuse(kSignOnBlacklisted);
    }
    switch (request.kind) {
        case kVisitorDownload:
            if (!pool_->CountDownload()) return Refuse(kSignOnServerFull);
            if (services.options.QUICKSEND != 0) {
                setsockopt(socket_.Handle(), SOL_SOCKET, SO_SNDBUF, &kQuickSendBuffer,
                           sizeof kQuickSendBuffer);
            }
            break;
        case kVisitorUpload:
            if (!pool_->CountUpload()) return Refuse(kSignOnServerFull);
            // The data phase reads raw bytes: a visitor that stops sending ends it.
            SetTimeout(socket_.Handle(), SO_RCVTIMEO, services.config.idleTimeout);
            break;
        case kVisitorBrowse:
            pool_->CountBrowse();
            services.visitors.Add(request.userId, this);
            break;
        default:
            return Refuse(kSignOnBadKind);
    }
    // A visitor that stops reading would block a send without end.
    SetTimeout(socket_.Handle(), SO_SNDTIMEO,
               request.kind == kVisitorBrowse ? services.config.idleTimeout
                                              : services.config.sendStallTimeout);
    kind_ = request.kind;
    signedOn_ = true;
    SignOnAnswer answer{kAnswerOk, services.memberValue, Greeting(request.kind)};
    if (!Send(EncodeSignOnAnswer(answer))) return -1;
    if (request.kind == kVisitorBrowse && !SendStatus()) return -1;
    return 0;
}

std::string CPeerSession::Greeting(int8_t kind) const {
    CProcessOptions& options = Services().options;
    if (kind != kVisitorBrowse || options.BringMessage == 0) return {};
    std::string text = options.Message();
    size_t length = Cp949Length(text);
    return length >= 1 && length <= kGreetingLimit ? text : std::string();
}

bool CPeerSession::SendStatus() {
    SessionServices& services = Services();
    ServerStatus status;
    status.activeDownloads = static_cast<uint32_t>(std::max(pool_->ActiveDownloads(), 0));
    status.downloadLimit = static_cast<uint32_t>(std::max(pool_->DownloadLimit(), 0));
    status.outgoingKiBps = services.transfers.OutgoingKiBps(services.clock.UnixSeconds());
    return Send(EncodeServerStatus(status));
}

bool CPeerSession::Send(const Packet& packet) {
    if (packet.payload.size() > kMaxPacketPayload) return false;
    size_t size = WritePacket(sendBuffer_.get(), packet.type, packet.payload.data(),
                              static_cast<uint16_t>(packet.payload.size()));
    return SendRaw(std::string_view(reinterpret_cast<const char*>(sendBuffer_.get()), size));
}

bool CPeerSession::SendRaw(std::string_view bytes) {
    while (!bytes.empty()) {
        long n = socket_.SendSome(bytes.data(), bytes.size());
        if (n < 0 && socket_.LastError() == EINTR) continue;
        // A send time-out (EAGAIN) fails like any error.
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

long CPeerSession::ReceiveRaw(char* buffer, size_t size) {
    for (;;) {
        long n = socket_.ReceiveSome(buffer, size);
        if (n >= 0 || socket_.LastError() != EINTR) return n;
    }
}

void CPeerSession::StatusLine(const char* text) const {
    if (Services().statusLine) Services().statusLine(text, kStatusPayment);
}

int CPeerSession::CheckPoints(uint32_t price, const DownloadTickets& tickets) {
    SessionServices& services = Services();
    PointCheckResult result;
    if (IPointsRequester* requester = services.requester.load()) {
        result = requester->CheckPoints({VisitorId(), tickets, price},
                                        services.config.pointsTimeout, stop_);
    }
    switch (result.exchange) {
        case PointsExchange::kAlreadyWaiting:
            // Another session waits on these tickets: letting this one pass
            // unchecked would hand out a priced file on one ticket twice.
            StatusLine(points_text::kCheckRefused);
            return -1;
        case PointsExchange::kNotSent:
            StatusLine(points_text::kCheckNotSent);
            return -1;
        case PointsExchange::kNoAnswer:
            StatusLine(points_text::kCheckNoAnswer);
            return 0;
        case PointsExchange::kCancelled:
            return -1;
        case PointsExchange::kAnswered:
            break;
    }
    if (result.code < 0) {
        StatusLine(points_text::kCheckRefused);
        return -1;
    }
    return 0;
}

int CPeerSession::CollectPayment(uint32_t price, const DownloadTickets& tickets,
                                 PaymentReceipt& receipt) {
    SessionServices& services = Services();
    PaymentResult result;
    if (IPointsRequester* requester = services.requester.load()) {
        result = requester->CollectPayment({VisitorId(), tickets, price},
                                           services.config.pointsTimeout, stop_);
    }
    switch (result.exchange) {
        case PointsExchange::kAlreadyWaiting:
        case PointsExchange::kCancelled:
            return -1;
        case PointsExchange::kNotSent:
            StatusLine(points_text::kPaymentNotSent);
            return -1;
        case PointsExchange::kNoAnswer:
            StatusLine(points_text::kPaymentNoAnswer);
            return -1;
        case PointsExchange::kAnswered:
            break;
    }
    if (result.code < 0) {
        StatusLine(points_text::kPaymentRefused);
        return -1;
    }
    receipt.credited = result.credited;
    receipt.newBalance = result.newBalance;
    return 0;
}

}  // namespace velorin
