// Feeds arbitrary packet sequences to the file server's request handlers and
// to every peer message decoder, and (when the first byte is odd) to a visitor
// session over a socket pair, sign-on and its rules included; after each such
// input the session is reaped and every count must be back at zero. Input:
// records of u16 selector, u16 length, payload. A share with files, a
// subfolder, hidden entries, a FIFO and links out of it lives in a temporary
// folder made once per run.
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "data/complete_list.h"
#include "data/process_options.h"
#include "data/share_database.h"
#include "fileserver/activity_counters.h"
#include "fileserver/browse_requests.h"
#include "fileserver/peer_messages.h"
#include "fileserver/peer_requests.h"
#include "fileserver/point_balance.h"
#include "fileserver/server_transfer_list.h"
#include "fileserver/session_pool.h"
#include "fileserver/transfer_requests.h"
#include "fileserver/upload_targets.h"
#include "fileserver/visitor_list.h"
#include "fileserver/visitor_session.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

class CFuzzClock final : public IServerClock {
public:
    uint32_t UnixSeconds() override { return 1700000000; }
    TimePoint Monotonic() override { return now_; }
    void SleepUntil(TimePoint deadline) override {
        if (deadline > now_) now_ = deadline;
    }

private:
    TimePoint now_{};
};

class CFuzzSession final : public IVisitorSession {
public:
    std::string VisitorId() const override { return id; }
    bool SignedOn() const override { return signedOn; }
    bool Running() const override { return true; }
    bool Send(const Packet& packet) override { return packet.payload.size() <= kMaxPacketPayload; }
    bool SendRaw(std::string_view) override { return true; }
    long ReceiveRaw(char* buffer, size_t size) override {
        size_t n = std::min(size, upload.size());
        std::copy_n(upload.data(), n, buffer);
        upload.erase(0, n);
        return static_cast<long>(n);
    }
    int CheckPoints(uint32_t, const DownloadTickets&) override { return 0; }
    int CollectPayment(uint32_t, const DownloadTickets&, PaymentReceipt&) override { return -1; }

    std::string id = "fuzz";
    bool signedOn = true;
    std::string upload;
};

void Put(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

struct World {
    World() {
        char pattern[] = "/tmp/velorin-fuzz-XXXXXX";
        root = ::mkdtemp(pattern);
        Put(root / "share" / "a.txt", "hello");
        Put(root / "share" / "sub" / "b.bin", std::string(40000, 'b'));
        Put(root / "share" / ".hidden", "h");
        Put(root / "outside" / "secret", "s");
        fs::create_symlink(root / "outside", root / "share" / "out");
        fs::create_symlink(root / "share", root / "share" / "sub" / "loop");
        ::mkfifo((root / "share" / "pipe").c_str(), 0600);
        CShareDatabase::CreateFile(root / "velorin.dat");
        db.Open(root / "velorin.dat");
        bool exists = false;
        db.AddShareFolder(exists, "S", (root / "share").string(), "d");
        db.AddPermission(exists, "S", "fuzz", 15, "");
        db.AddShareFolder(exists, "R", (root / "share" / "sub").string(), "d");
        db.AddBlack(exists, "bad", "");
        completeList.Open(root / "completelist.db");
        options.TransCompleteSave = 1;
        options.BringMessage = 1;
        options.SetMessage("hello");
        pool.Reset(2, 2);
    }

    fs::path root;
    CShareDatabase db;
    CProcessOptions options;
    CFuzzClock clock;
    CServerTransferList transfers{clock};
    CCompleteList completeList;
    CPointBalance balance;
    CUploadTargets uploads;
    CBrowseRequests browse{db};
    CTransferRequests transfer{{db, options, transfers, completeList, balance, uploads, clock, {}}};
    ActivityCounters counters;
    CVisitorList visitors{[](IVisitorSession* s) { static_cast<CPeerSession*>(s)->Halt(); }};
    SessionServices services{browse,    transfer, db, options, counters, visitors,
                             transfers, clock,    {}, {},      {}};
    CSessionPool pool{services};
};

const uint16_t kTypes[] = {PEER_LIST,
                           PEER_FOLDER_INFO,
                           PEER_FOLDER_TREE,
                           PEER_FILE_INFO,
                           PEER_DOWNLOAD,
                           PEER_UPLOAD_QUERY,
                           PEER_UPLOAD,
                           PEER_SIGNON,
                           PEER_STATUS,
                           PEER_BYE,
                           4242};

// The next record of the input as a packet: u16 selector, u16 length, payload.
// A selector with its top bit set is a well-formed sign-on whose kind is the
// payload's first byte.
bool NextPacket(std::string_view& input, uint16_t& selector, Packet& packet) {
    if (input.size() < 4) return false;
    selector = static_cast<uint16_t>((input[0] & 0xFF) | ((input[1] & 0xFF) << 8));
    size_t length = static_cast<size_t>((input[2] & 0xFF) | ((input[3] & 0xFF) << 8));
    input.remove_prefix(4);
    length = std::min(length, input.size());
    packet = Packet{kTypes[selector % std::size(kTypes)], std::string(input.substr(0, length))};
    input.remove_prefix(length);
    if (selector & 0x8000) {
        int8_t kind = packet.payload.empty() ? 1 : static_cast<int8_t>(packet.payload[0]);
        packet = EncodeSignOn({(selector & 0x200) ? "bad" : "fuzz", kind});
    }
    return true;
}

// The whole input goes to a session through a socket pair; what the session
// sends back is read and dropped on another thread.
void ServeSession(World& world, std::string_view input) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return;
    std::string wire;
    uint16_t selector = 0;
    Packet packet;
    while (NextPacket(input, selector, packet)) wire += EncodePacket(packet.type, packet.payload);
    std::thread drain([fd = pair[1], wire] {
        if (::send(fd, wire.data(), wire.size(), MSG_NOSIGNAL) >= 0) ::shutdown(fd, SHUT_WR);
        char buffer[65536];
        while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
        ::close(fd);
    });
    CPeerSession* session = world.pool.Acquire(pair[0]);
    if (session == nullptr) std::abort();
    session->RunHere();
    world.pool.ReapEnded();
    drain.join();
    if (world.pool.InUse() != 0 || world.pool.SignedOn() != 0 ||
        world.pool.ActiveDownloads() != 0 || world.pool.ActiveUploads() != 0 ||
        world.counters.browse != 0 || world.counters.uploads != 0 ||
        world.counters.downloads != 0 || !world.visitors.Names().empty()) {
        std::abort();
    }
    world.transfers.RemoveByState(kTransferStatesFinished);
}

void DecodeEverything(std::string_view payload) {
    SignOnRequest signOn;
    SignOnAnswer signOnAnswer;
    ServerStatus status;
    std::string path;
    ListHead head;
    ListShare share;
    ListEntry entry;
    int8_t code = 0;
    FileInfoAnswer fileInfo;
    DownloadRequest download;
    OffsetAnswer offset;
    UploadRequest upload;
    FolderInfoAnswer folderInfo;
    FolderTreeRequest tree;
    FolderTreeEntry treeEntry;
    DecodeSignOn(payload, signOn);
    DecodeSignOnAnswer(payload, signOnAnswer);
    DecodeServerStatus(payload, status);
    DecodePathRequest(payload, path);
    DecodeListHead(payload, head);
    DecodeListShare(payload, share);
    DecodeListEntry(payload, entry);
    DecodeListError(payload, code);
    DecodeFileInfoAnswer(payload, fileInfo);
    DecodeDownloadRequest(payload, download);
    DecodeDownloadAnswer(payload, code);
    DecodeUploadQueryAnswer(payload, offset);
    DecodeUploadRequest(payload, upload);
    DecodeUploadAnswer(payload, offset);
    DecodeFolderInfoAnswer(payload, folderInfo);
    DecodeFolderTreeRequest(payload, tree);
    DecodeFolderTreeEntry(payload, treeEntry);
}

}  // namespace
}  // namespace velorin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velorin;
    namespace fs = std::filesystem;
    // Made once and never destroyed (threads of libFuzzer may still run at exit);
    // only its folder is removed.
    static World* world = [] {
        auto* w = new World();
        static fs::path folder = w->root;
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(folder, ec);
        });
        return w;
    }();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (!input.empty() && (input[0] & 1)) {
        input.remove_prefix(1);
        ServeSession(*world, input);
        return 0;
    }
    CFuzzSession session;
    uint16_t selector = 0;
    Packet packet;
    while (NextPacket(input, selector, packet)) {
        session.signedOn = (selector & 0x100) == 0;
        session.id = (selector & 0x200) ? "other" : "fuzz";
        session.upload = std::string(input.substr(0, std::min<size_t>(input.size(), 64)));
        DecodeEverything(packet.payload);
        DispatchPeerRequest(world->browse, world->transfer, session, packet);
        world->transfers.RemoveByState(kTransferStatesFinished);
    }
    return 0;
}
