#pragma once
// velorin-central's services on one event loop: the session server (TCP 3823),
// the cache server (TCP 2303), its ticket port (TCP 7296), the reachability
// responder (UDP 7296), and the web host on its own thread.
//
// Threads: the loop owns every link and the list of online members. The
// store thread owns central.db; the hash pool derives password keys. Work
// goes to them with OnStore / VerifyMember and its result comes back to the
// loop, so no call on the loop blocks on the disk or on key derivation.
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/ip/udp.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <asio/thread_pool.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "central/central_config.h"
#include "central/member_store.h"
#include "central/note_rate_limit.h"
#include "central/session_directory.h"
#include "central/sign_in_throttle.h"
#include "platform/clock.h"
#include "service/wire_fields.h"

namespace velorin::central {

class CPacketConnection;
class CProbeResponder;
class CWebHost;

enum class Verdict { kAccepted, kRefused, kDisabled };

class CCentralServer {
public:
    CCentralServer(CentralConfig config, const IClock& clock);
    ~CCentralServer();
    CCentralServer(const CCentralServer&) = delete;
    CCentralServer& operator=(const CCentralServer&) = delete;

    // Opens the database and binds every port; false with the reason.
    bool Start(std::string& error);
    // Runs the loop until Stop.
    void Run();
    // From any thread.
    void Stop();
    std::optional<uint16_t> WebPort() const;

    // For the links, on the loop.
    asio::io_context& Loop() { return loop_; }
    const CentralConfig& Config() const { return config_; }
    const IClock& Clock() const { return clock_; }
    CSessionDirectory& Sessions() { return sessions_; }
    CNoteRateLimit& NoteLimit() { return noteLimit_; }
    void Track(std::shared_ptr<CPacketConnection> connection);
    void Untrack(CPacketConnection* connection);

    // Runs `work(store)` on the store thread, then `done(result)` on the loop.
    template <typename Work, typename Done>
    void OnStore(Work work, Done done) {
        asio::post(storeThread_, [this, work = std::move(work), done = std::move(done)]() mutable {
            auto result = work(store_);
            asio::post(loop_, [done = std::move(done), result = std::move(result)]() mutable {
                done(std::move(result));
            });
        });
    }
    // Looks the member up, checks the password off the loop, and calls `done`
    // on the loop while `asker` is still open. A disabled member is reported
    // only with the right password. After failed sign-ins of the ID or from
    // the address the check waits its turn (CSignInThrottle); an asker that
    // would be one too many waiting is closed.
    using VerifyDone = std::function<void(Verdict, const MemberRecord&)>;
    void VerifyMember(std::shared_ptr<CPacketConnection> asker, std::string id,
                      PasswordField password, VerifyDone done);

private:
    struct SignInAttempt;
    void WaitForTurn(std::shared_ptr<SignInAttempt> attempt);
    void Verify(std::shared_ptr<SignInAttempt> attempt);
    template <typename Link>
    void Accept(asio::ip::tcp::acceptor& acceptor);
    bool Listen(asio::ip::tcp::acceptor& acceptor, uint16_t port, std::string& error);
    void ScheduleSweep();
    void Sweep();
    void Shutdown();

    CentralConfig config_;
    const IClock& clock_;
    asio::io_context loop_;
    CMemberStore store_;
    CSessionDirectory sessions_;
    asio::ip::tcp::acceptor sessionAcceptor_;
    asio::ip::tcp::acceptor cacheAcceptor_;
    asio::ip::tcp::acceptor ticketAcceptor_;
    std::unique_ptr<CProbeResponder> probe_;
    std::unique_ptr<CWebHost> web_;
    asio::steady_timer sweepTimer_;
    int64_t nextExpiryMs_ = 0;
    std::unordered_map<CPacketConnection*, std::shared_ptr<CPacketConnection>> links_;
    std::unordered_map<std::string, uint32_t> linksPerAddress_;  // by LimitKey
    CSignInThrottle throttle_;
    CNoteRateLimit noteLimit_;
    bool stopped_ = false;
    // Declared last: joined first, while everything their work touches still exists.
    asio::thread_pool storeThread_{1};
    asio::thread_pool hashPool_;
};

}  // namespace velorin::central
