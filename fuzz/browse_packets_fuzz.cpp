// Feeds arbitrary packet sequences to a browse session as its worker would
// hand them over, and lets the server explorer take in everything the session
// posts. Input: records of u8 selector (the packet type), u16 length, payload.
#include <stdlib.h>

#include <algorithm>
#include <cstdio>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/console_user_interface.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "service/server_list.h"
#include "transfer/browse_session.h"
#include "views/server_explorer.h"

namespace velorin {
namespace {

constexpr uint16_t kTypes[] = {PEER_SIGNON_ANS,      PEER_LIST_HEAD,         PEER_LIST_SHARE,
                               PEER_LIST_ENTRY,      PEER_LIST_ERROR,        PEER_STATUS_ANS,
                               PEER_FOLDER_INFO_ANS, PEER_FOLDER_TREE_ENTRY, PEER_FILE_INFO_ANS};

struct World {
    World() {
        char pattern[] = "/tmp/velorin-browse-fuzz-XXXXXX";
        root = ::mkdtemp(pattern);
        registry.Open(root / "registry.db");
    }
    ~World() {
        registry.Close();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::filesystem::path root;
    CRegistry registry;
    CMessageQueue queue;
    CManualClock clock;
    CServerList servers;
    CConsoleUserInterface ui{std::fopen("/dev/null", "w")};
    std::atomic<bool> running{true};
    std::atomic<uint32_t> age{17};
};

World& TheWorld() {
    static World world;
    return world;
}

}  // namespace
}  // namespace velorin

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velorin;
    World& w = TheWorld();
    CBrowseSession session(BrowseSessionParts{w.clock, w.registry, {}});
    CServerExplorer explorer(ServerExplorerParts{
        .queue = w.queue,
        .session = session,
        .ui = w.ui,
        .servers = w.servers,
        .registry = w.registry,
        .serverRunning = w.running,
        .memberAge = w.age,
        .ownId = {},
        .downloadFolder = {},
        .statusLine = {},
        .startSignIn = {},
        .reserveDownload = {},
        .reserveUpload = {},
    });
    session.SetWindows(&w.queue, explorer.Handle(), 0);
    size_t at = 0;
    while (at + 3 <= size) {
        uint16_t type = kTypes[data[at] % (sizeof kTypes / sizeof kTypes[0])];
        size_t length = std::min<size_t>(data[at + 1] | data[at + 2] << 8, size - at - 3);
        std::string_view payload(reinterpret_cast<const char*>(data + at + 3), length);
        at += 3 + length;
        if (session.HandlePacket(type, payload) < 0) break;
        w.queue.ProcessPending();
        for (size_t row = 0; row < explorer.Rows().size() && row < 4; ++row) explorer.OpenRow(row);
    }
    w.queue.ProcessPending();
    return 0;
}
