#include "central_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velorin::central::test {

std::string HttpGet(const std::string& address, uint16_t port, const std::string& path,
                    const std::string& from) {
    CWireLink link;
    bool connected =
        from.empty() ? link.Connect(address, port) : ConnectFrom(link, from, address, port);
    if (!connected ||
        !link.SendRaw("GET " + path + " HTTP/1.1\r\nHost: central\r\nConnection: close\r\n\r\n")) {
        return "";
    }
    return link.ReadToEnd();
}

std::string HttpBody(const std::string& answer) {
    size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? "" : answer.substr(end + 4);
}

bool ConnectFrom(CWireLink& link, const std::string& from, const std::string& to, uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(port);
    if (inet_pton(AF_INET, from.c_str(), &local.sin_addr) != 1 ||
        inet_pton(AF_INET, to.c_str(), &remote.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
        close(fd);
        return false;
    }
    link.Attach(fd);
    return true;
}

void CentralTest::SetUp() {
    std::string error;
    ASSERT_TRUE(store_.Open(dir_ / "central.db", error)) << error;
}

void CentralTest::TearDown() {
    StopServer();
}

void CentralTest::StartServer(CentralConfig config,
                              const std::function<void(CCentralServer&)>& beforeRun) {
    config.database = dir_ / "central.db";
    // The web host runs only for tests that name a web root, on any free port.
    config.webPort = config.webRoot.empty() ? std::nullopt : std::optional<uint16_t>(0);
    config.sweepInterval = kSweep;
    std::string error;
    // Parallel tests each take an address of their own; a taken one fails to bind.
    int first = 2 + static_cast<int>(getpid() % 200);
    for (int i = 0; i < 250; ++i) {
        address_ = "127.0.0." + std::to_string(2 + (first + i) % 250);
        config.listenAddress = address_;
        server_ = std::make_unique<CCentralServer>(config, clock_);
        if (server_->Start(error)) {
            if (beforeRun) beforeRun(*server_);
            loop_ = std::thread([this] { server_->Run(); });
            return;
        }
        server_.reset();
    }
    FAIL() << "no free loopback address: " << error;
}

void CentralTest::StopServer() {
    if (!server_) return;
    server_->Stop();
    loop_.join();
    server_.reset();
}

void CentralTest::AddMember(const std::string& id, const std::string& password, int64_t points,
                            uint32_t age) {
    std::string error;
    ASSERT_TRUE(store_.AddMembers({{id, password, age, points}}, 0, error)) << error;
}

SignInRequest CentralTest::Request(const std::string& id, const std::string& password) {
    SignInRequest r;
    r.userId = id;
    r.password = MakePasswordField(password);
    r.tcpPort = htons(7297);
    r.udpPort = htons(7298);
    r.category = 3;
    r.description = id + "의 서버";
    r.quickSend = 1;
    r.reachable = 1;
    r.roundTrip = 25;
    return r;
}

std::unique_ptr<CWireLink> SignInAt(const std::string& address, const SignInRequest& request,
                                    int32_t& code) {
    auto client = std::make_unique<CWireLink>();
    code = 1;
    if (!client->Connect(address, kSessionServerPort) ||
        !client->Send(kSessionSignIn, EncodeSignInRequest(request))) {
        return client;
    }
    std::optional<Packet> answer = client->Receive();
    if (answer && answer->type == kSessionSignInResult) DecodeSignInResult(answer->payload, code);
    return client;
}

std::unique_ptr<CWireLink> CentralTest::SignIn(const std::string& id, const std::string& password) {
    int32_t code = 1;
    auto client = SignIn(Request(id, password), code);
    EXPECT_EQ(code, kSignInAccepted) << id;
    // Member information and balance follow every accepted sign-in.
    for (uint16_t type : {kMemberInformation, kPointBalance}) {
        std::optional<Packet> next = client->Receive();
        EXPECT_TRUE(next && next->type == type) << id << " wants " << type;
    }
    return client;
}

}  // namespace velorin::central::test
