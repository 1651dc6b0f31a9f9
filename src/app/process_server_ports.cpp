// The own file server and the search robot as the sign-in chain drives them:
// their sockets are bound so that the ports announced at sign-in are real.
// Visitors are not accepted and no search is answered here.
#include <arpa/inet.h>

#include "app/process.h"

namespace velorin {

uint16_t CProcess::OpenFileServer(uint16_t port) {
    if (!fileServerListener_.IsOpen() && fileServerListener_.ListenTcp(port) < 0) {
        fileServerListener_.Close();
        return 0;
    }
    return ntohs(fileServerListener_.LocalPort());
}

uint16_t CProcess::StartFileServer(uint16_t port) { return OpenFileServer(port); }

void CProcess::StopFileServer() { fileServerListener_.Close(); }

ActivityCounts CProcess::Activity() const { return {}; }

void CProcess::ResetActivity() {}

uint16_t CProcess::OpenSearchPort(uint16_t port) {
    if (!searchSocket_.IsOpen() && !searchSocket_.Open(port)) return 0;
    return ntohs(searchSocket_.LocalPort());
}

void CProcess::StartSearchRobot() {}

void CProcess::StopSearchRobot() { searchSocket_.Close(); }

}  // namespace velorin
