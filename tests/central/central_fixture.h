#pragma once
// A velorin-central running in the test's process on a loopback address of
// its own (127.0.0.n, the real ports), with a clock the test moves, and small
// scripted clients that speak the wire protocol with the shared codecs.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "central/central_server.h"
#include "net/packet.h"
#include "platform/clock.h"
#include "service/session_messages.h"
#include "support/temp_folder.h"
#include "support/wire_link.h"

namespace velorin::central::test {

using namespace std::chrono_literals;
using velorin::test::CWireLink;

// The whole answer to one HTTP GET (status line, headers, body), empty when
// nothing answers; sent from the local address `from` when one is named.
std::string HttpGet(const std::string& address, uint16_t port, const std::string& path,
                    const std::string& from = "");
// The body of such an answer.
std::string HttpBody(const std::string& answer);
// Connects `link` from the local address `from` (another 127.x address: another member's machine).
bool ConnectFrom(CWireLink& link, const std::string& from, const std::string& to, uint16_t port);
// Signs in at the session port of `address` on a new link; returns it after the
// sign-in result (other packets are left for the caller), with the code in `code`.
std::unique_ptr<CWireLink> SignInAt(const std::string& address, const SignInRequest& request,
                                    int32_t& code);

class CentralTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the server with `config` changes applied; tries addresses until
    // one is free. `beforeRun` may touch the loop's objects before the loop runs.
    void StartServer(CentralConfig config = {},
                     const std::function<void(CCentralServer&)>& beforeRun = {});
    void StopServer();
    CMemberStore& Store() { return store_; }
    void AddMember(const std::string& id, const std::string& password, int64_t points = 0,
                   uint32_t age = 0);

    std::unique_ptr<CWireLink> SignIn(const SignInRequest& request, int32_t& code) {
        return SignInAt(address_, request, code);
    }
    std::unique_ptr<CWireLink> SignIn(const std::string& id, const std::string& password);
    static SignInRequest Request(const std::string& id, const std::string& password);
    // Waits until the server has dropped silent links after a clock move.
    void LetSweepRun() { std::this_thread::sleep_for(4 * kSweep); }

    static constexpr auto kSweep = 20ms;

    velorin::test::CTempFolder dir_;
    CManualClock clock_{1767225600};  // 2026-01-01
    CMemberStore store_;
    std::string address_;
    std::unique_ptr<CCentralServer> server_;
    std::thread loop_;
};

}  // namespace velorin::central::test
