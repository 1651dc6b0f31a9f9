#pragma once
// The words a later start sends to velorind (velorind --send WORD ARG...),
// each a thin adapter over the operation the desktop window's command calls:
//   status               state, member, points, the file server's three counters
//   signin [ID PASSWORD] the sign-in flow (saved credentials without arguments)
//   signout              "서버 중지"
//   servers              the records of the server list
//   refresh              a new server list download
//   quit                 "종료" (the question is answered by the front-end's policy)
namespace velorin {

class CControlCommands;
class CMainController;
class CProcess;

void RegisterControlWords(CControlCommands& commands, CProcess& process,
                          CMainController& controller);

}  // namespace velorin
