// The search robot as the sign-in chain drives it: its datagram socket is bound
// so that the port announced at sign-in is real; no search is answered yet.
#include <arpa/inet.h>

#include "app/process.h"

namespace velorin {

uint16_t CProcess::OpenSearchPort(uint16_t port) {
    if (!searchSocket_.IsOpen() && !searchSocket_.Open(port)) return 0;
    return ntohs(searchSocket_.LocalPort());
}

void CProcess::StartSearchRobot() {}

void CProcess::StopSearchRobot() {
    searchSocket_.Close();
}

}  // namespace velorin
