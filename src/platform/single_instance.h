#pragma once
// One running instance per profile: an exclusive lock on velorin.lock held for
// the life of the process, and a Unix-domain socket velorin.sock through which
// later starts hand over their argument or a command.
//
// Frame on the socket, both ways: u32 length (little-endian), then the body.
//   request body: u8 kind, u32 count, count × (u32 length, bytes)
//   answer body:  u8 status, JSON text
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace velorin {

struct ControlRequest {
    enum Kind : uint8_t {
        kLink = 0,      // a text beginning with "VEL://"
        kFile = 1,      // any other argument
        kActivate = 2,  // a start without argument
        kCommand = 3,   // --send WORD ARG...
    };
    Kind kind = kActivate;
    std::vector<std::string> args;
};

struct ControlAnswer {
    enum Status : uint8_t { kDone = 0, kRefused = 1 };
    uint8_t status = kDone;
    std::string json = "{}";
};

// Bytes of a request or answer, and their parsers (false on any malformed or oversized frame).
std::string EncodeControlRequest(const ControlRequest& request);
bool DecodeControlRequest(const std::string& body, ControlRequest& request);
std::string EncodeControlAnswer(const ControlAnswer& answer);
bool DecodeControlAnswer(const std::string& body, ControlAnswer& answer);

class CSingleInstance {
public:
    enum class Result { kFirst, kOther, kFailed };
    // Runs on the listener's thread; `stopping` turns true when the listener is
    // being stopped, and a handler waiting for other threads must then give up.
    using Handler =
        std::function<ControlAnswer(const ControlRequest&, const std::atomic<bool>& stopping)>;

    explicit CSingleInstance(std::filesystem::path profileFolder);
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    Result Acquire();
    // First instance only: serves requests one at a time on a thread of its own.
    bool Listen(Handler handler);
    void StopListening();

    enum class SendResult { kDelivered, kNoInstance, kFailed };
    // From a later start. Waits up to `patience` for a starting instance to listen.
    static SendResult Send(const std::filesystem::path& profileFolder,
                           const ControlRequest& request, ControlAnswer& answer,
                           std::chrono::milliseconds patience);

private:
    void Serve();
    void ServeOne(int fd);

    std::filesystem::path folder_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    Handler handler_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace velorin
