// The search robot as the sign-in chain drives it: its datagram socket is bound
// first, so that the port announced at sign-in is real; once the member is
// signed in the robot answers on it.
#include <arpa/inet.h>

#include "app/process.h"

namespace velorin {

uint16_t CProcess::OpenSearchPort(uint16_t port) {
    if (!searchSocket_.IsOpen() && !searchSocket_.Open(port)) return 0;
    return ntohs(searchSocket_.LocalPort());
}

void CProcess::StartSearchRobot() {
    if (!searchSocket_.IsOpen()) return;
    searchRobot_.OpenIndex();
    searchRobot_.Start(Credentials().userId);
}

void CProcess::StopSearchRobot() {
    searchRobot_.Stop();
    searchSocket_.Close();
}

}  // namespace velorin
