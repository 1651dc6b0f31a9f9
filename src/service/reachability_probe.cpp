#include "service/reachability_probe.h"

#include <algorithm>
#include <string_view>

#include "net/tcp_socket.h"
#include "platform/user_interface.h"

namespace velorin {

namespace {
constexpr int kPasses = 10;
constexpr int kWaitsPerPass = 50;
constexpr std::chrono::milliseconds kWait(10);
}  // namespace

CReachabilityProbe::CReachabilityProbe(IUserInterface& ui, const IClock& clock, std::string server)
    : ui_(ui), clock_(clock), server_(std::move(server)) {}

CReachabilityProbe::~CReachabilityProbe() {
    worker_.Stop([this] { Shutdown(); }, nullptr, 0);
}

void CReachabilityProbe::Setup(uint16_t port) {
    if (!GetLocalAddress(localAddress_)) ui_.ShowMessage(kTextNoLocalAddress, kAppName);
    port_ = port;
}

int CReachabilityProbe::StartProbe() {
    exitCode_ = -1;
    started_ = worker_.Start([this] { return Run(); }) == 0;
    return started_ ? 0 : -1;
}

bool CReachabilityProbe::WaitDone(std::chrono::milliseconds timeout) {
    if (!worker_.WaitEnded(timeout)) return false;
    if (started_) exitCode_ = worker_.ExitCode();
    started_ = false;
    return true;
}

void CReachabilityProbe::GetResult(int& reachable, int& sameAddress, int& roundTrip,
                                   uint32_t& seenAddress) {
    reachable = 0;
    sameAddress = 0;
    roundTrip = -1;
    seenAddress = 0;
    SystemTime echoed;
    if (exitCode_ != 0 ||
        !DecodeProbeAnswer(std::string_view(reinterpret_cast<const char*>(answer_), sizeof answer_),
                           echoed, seenAddress)) {
        return;
    }
    reachable = 1;
    std::vector<uint32_t> own = LocalAddresses();
    sameAddress = std::find(own.begin(), own.end(), seenAddress) != own.end() ? 1 : 0;
    roundTrip = ProbeRoundTrip(echoed, arrival_);
}

int CReachabilityProbe::Run() {
    if (!Open(port_)) return -1;
    std::string request = EncodeProbeRequest(port_, ToSystemTime(clock_.LocalNow()));
    CUdpSocket sender;
    sockaddr_in server{};
    if (!sender.Open(0) || !ResolveIpv4(server_, kProbeServerPort, server)) return -1;
    sender.SetPeer(server);
    for (int pass = 0; pass < kPasses; ++pass) {
        SetNonBlocking(true);
        sender.SetNonBlocking(true);
        sender.SendTo(request.data(), request.size());
        sender.SendTo(request.data(), request.size());
        for (int wait = 0; wait < kWaitsPerPass; ++wait) {
            // Only the owner's teardown clears the flag.
            if (!worker_.Running()) return -1;
            WaitReadable(kWait);
            if (ReceiveFrom(answer_, sizeof answer_) == static_cast<int>(sizeof answer_)) {
                arrival_ = ToSystemTime(clock_.LocalNow());
                answerFrom_ = Peer();
                return 0;
            }
        }
    }
    return -1;
}

}  // namespace velorin
