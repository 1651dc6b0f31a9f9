#include "central/central_server.h"

#include <asio/ip/address.hpp>
#include <thread>
#include <vector>

#include "central/cache_connection.h"
#include "central/packet_connection.h"
#include "central/peer_address.h"
#include "central/probe_responder.h"
#include "central/session_connection.h"
#include "central/ticket_connection.h"
#include "central/web_host.h"
#include "service/cache_messages.h"
#include "service/session_messages.h"
#include "service/ticket_messages.h"

namespace velorin::central {
namespace {

// Well below the shortest ticket lifetime, so an expired ticket returns soon after.
constexpr int64_t kExpiryIntervalMs = 60 * 1000;
// After a failed accept (out of descriptors), wait before trying again.
constexpr auto kAcceptRetry = std::chrono::milliseconds(100);

}  // namespace

CCentralServer::CCentralServer(CentralConfig config, const IClock& clock)
    : config_(std::move(config)),
      clock_(clock),
      sessionAcceptor_(loop_),
      cacheAcceptor_(loop_),
      ticketAcceptor_(loop_),
      sweepTimer_(loop_),
      hashPool_(config_.hashThreads ? config_.hashThreads
                                    : std::max(1u, std::thread::hardware_concurrency())) {}

CCentralServer::~CCentralServer() {
    if (web_) web_->Stop();
    hashPool_.join();
    storeThread_.join();
}

bool CCentralServer::Listen(asio::ip::tcp::acceptor& acceptor, uint16_t port, std::string& error) {
    asio::error_code ec;
    asio::ip::address address = asio::ip::make_address(config_.listenAddress, ec);
    if (ec) {
        error = config_.listenAddress + ": not an IP address";
        return false;
    }
    asio::ip::tcp::endpoint endpoint(address, port);
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec) acceptor.bind(endpoint, ec);
    if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = config_.listenAddress + " TCP " + std::to_string(port) + ": " + ec.message();
        return false;
    }
    return true;
}

bool CCentralServer::Start(std::string& error) {
    if (!store_.Open(config_.database, error)) return false;
    if (!Listen(sessionAcceptor_, kSessionServerPort, error) ||
        !Listen(cacheAcceptor_, kCacheServerPort, error) ||
        !Listen(ticketAcceptor_, kTicketPort, error)) {
        return false;
    }
    probe_ = std::make_unique<CProbeResponder>(loop_);
    if (!probe_->Open(config_.listenAddress, error)) return false;
    if (config_.webPort) {
        web_ = std::make_unique<CWebHost>();
        if (!web_->Start(config_.listenAddress, *config_.webPort, config_.webRoot,
                         config_.maxPerAddress, error)) {
            return false;
        }
    }
    Accept<CSessionConnection>(sessionAcceptor_);
    Accept<CCacheConnection>(cacheAcceptor_);
    Accept<CTicketConnection>(ticketAcceptor_);
    ScheduleSweep();
    return true;
}

void CCentralServer::Run() {
    auto guard = asio::make_work_guard(loop_);
    loop_.run();
}

void CCentralServer::Stop() {
    asio::post(loop_, [this] { Shutdown(); });
}

void CCentralServer::Shutdown() {
    stopped_ = true;
    asio::error_code ec;
    sessionAcceptor_.close(ec);
    cacheAcceptor_.close(ec);
    ticketAcceptor_.close(ec);
    if (probe_) probe_->Close();
    sweepTimer_.cancel();
    std::vector<std::shared_ptr<CPacketConnection>> links;
    for (auto& [raw, link] : links_) links.push_back(link);
    for (auto& link : links) link->Close();
    loop_.stop();
}

std::optional<uint16_t> CCentralServer::WebPort() const {
    if (!web_) return std::nullopt;
    return web_->Port();
}

template <typename Link>
void CCentralServer::Accept(asio::ip::tcp::acceptor& acceptor) {
    acceptor.async_accept(
        [this, &acceptor](const asio::error_code& ec, asio::ip::tcp::socket socket) {
            if (stopped_ || ec == asio::error::operation_aborted) return;
            if (ec) {
                auto timer = std::make_shared<asio::steady_timer>(loop_, kAcceptRetry);
                timer->async_wait([this, &acceptor, timer](const asio::error_code&) {
                    if (!stopped_) Accept<Link>(acceptor);
                });
                return;
            }
            std::string key = ConnectionLimitKey(socket);
            auto count = linksPerAddress_.find(key);
            if (count != linksPerAddress_.end() && count->second >= config_.maxPerAddress) {
                asio::error_code ignored;
                socket.close(ignored);
            } else {
                std::make_shared<Link>(*this, std::move(socket))->Start();
            }
            Accept<Link>(acceptor);
        });
}

void CCentralServer::Track(std::shared_ptr<CPacketConnection> connection) {
    CPacketConnection* raw = connection.get();
    if (links_.emplace(raw, std::move(connection)).second) ++linksPerAddress_[raw->LimitKey()];
}

void CCentralServer::Untrack(CPacketConnection* connection) {
    if (links_.erase(connection) == 0) return;
    auto count = linksPerAddress_.find(connection->LimitKey());
    if (count != linksPerAddress_.end() && --count->second == 0) linksPerAddress_.erase(count);
}

void CCentralServer::ScheduleSweep() {
    sweepTimer_.expires_after(config_.sweepInterval);
    sweepTimer_.async_wait([this](const asio::error_code& ec) {
        if (ec || stopped_) return;
        Sweep();
        ScheduleSweep();
    });
}

void CCentralServer::Sweep() {
    int64_t now = clock_.Now().count();
    std::vector<std::shared_ptr<CPacketConnection>> silent;
    for (auto& [raw, link] : links_) {
        if (now >= raw->Deadline()) silent.push_back(link);
    }
    for (auto& link : silent) link->Close();
    throttle_.Prune(now);
    noteLimit_.Prune(now);

    if (now >= nextExpiryMs_) {
        nextExpiryMs_ = now + kExpiryIntervalMs;
        OnStore(
            [now = clock_.WallSeconds()](CMemberStore& store) { return store.ExpireTickets(now); },
            [](int) {});
    }
}

struct CCentralServer::SignInAttempt {
    SignInAttempt(asio::io_context& loop) : timer(loop) {}
    std::shared_ptr<CPacketConnection> asker;
    std::string id;
    std::string idKey;
    PasswordField password;
    VerifyDone done;
    int64_t slot = 0;
    asio::steady_timer timer;
};

void CCentralServer::VerifyMember(std::shared_ptr<CPacketConnection> asker, std::string id,
                                  PasswordField password, VerifyDone done) {
    auto attempt = std::make_shared<SignInAttempt>(loop_);
    attempt->idKey = MemberKey(id);
    int64_t now = clock_.Now().count();
    std::optional<int64_t> slot = throttle_.Admit(attempt->idKey, asker->PeerHost(), now);
    if (!slot) {
        asker->Close();
        return;
    }
    attempt->asker = std::move(asker);
    attempt->id = std::move(id);
    attempt->password = password;
    attempt->done = std::move(done);
    attempt->slot = *slot;
    if (*slot <= now) {
        Verify(std::move(attempt));
    } else {
        WaitForTurn(std::move(attempt));
    }
}

void CCentralServer::WaitForTurn(std::shared_ptr<SignInAttempt> attempt) {
    int64_t remaining = attempt->slot - clock_.Now().count();
    if (remaining <= 0) {
        throttle_.Started(attempt->idKey, attempt->asker->PeerHost());
        Verify(std::move(attempt));
        return;
    }
    // Checked again at least every sweep: the turn is kept by the server's clock.
    attempt->timer.expires_after(std::min<std::chrono::milliseconds>(
        std::chrono::milliseconds(remaining), config_.sweepInterval));
    SignInAttempt& waiting = *attempt;
    waiting.timer.async_wait([this, attempt = std::move(attempt)](const asio::error_code& ec) {
        if (ec || stopped_) return;
        WaitForTurn(attempt);
    });
}

void CCentralServer::Verify(std::shared_ptr<SignInAttempt> attempt) {
    if (!attempt->asker->IsOpen()) {
        throttle_.Finished(attempt->idKey, attempt->asker->PeerHost(), SignInOutcome::kUndecided,
                           clock_.Now().count());
        return;
    }
    asio::post(storeThread_, [this, attempt = std::move(attempt)]() mutable {
        std::optional<MemberRecord> member = store_.FindMember(attempt->id);
        // Back to the loop before the key derivation: a link that has hung up
        // meanwhile (sign-ins sent by the thousand and dropped) costs none.
        asio::post(loop_,
                   [this, attempt = std::move(attempt), member = std::move(member)]() mutable {
                       if (!attempt->asker->IsOpen()) {
                           throttle_.Finished(attempt->idKey, attempt->asker->PeerHost(),
                                              SignInOutcome::kUndecided, clock_.Now().count());
                           return;
                       }
                       asio::post(hashPool_, [this, attempt = std::move(attempt),
                                              member = std::move(member)]() mutable {
                           std::string bytes = PasswordBytes(attempt->password);
                           Verdict verdict = Verdict::kRefused;
                           if (!member) {
                               SpendVerificationTime(bytes);
                           } else if (VerifyPassword(bytes, member->password)) {
                               verdict = member->disabled ? Verdict::kDisabled : Verdict::kAccepted;
                           }
                           asio::post(loop_, [this, attempt = std::move(attempt), verdict,
                                              record = member.value_or(MemberRecord{})] {
                               SignInOutcome outcome = SignInOutcome::kUndecided;
                               if (verdict == Verdict::kAccepted)
                                   outcome = SignInOutcome::kSucceeded;
                               if (verdict == Verdict::kRefused) outcome = SignInOutcome::kFailed;
                               throttle_.Finished(attempt->idKey, attempt->asker->PeerHost(),
                                                  outcome, clock_.Now().count());
                               if (attempt->asker->IsOpen()) attempt->done(verdict, record);
                           });
                       });
                   });
    });
}

}  // namespace velorin::central
