#pragma once
// The velorind words of the member's server view, thin adapters over the
// same operations as the view's commands:
//   visitors            the browsing visitors and the counters
//   served              the server transfer records as the view's rows
//   served-stop ROW     "TRANS_STOP" on row ROW (1 = first) of `served`
//   served-remove ROW   "TRANS_DEL"
//   served-clear        "TRANS_ALLDEL"
//   kick ID             "접속 끊기" on a browsing visitor
//   limit [N]           the speed-limit slider (0 to 1000); without N, the current value
namespace velorin {

class CControlCommands;
class CFileServer;
class CProcessOptions;
class CServerView;
class CSettings;
struct ActivityCounters;

// The rows the words read and act on are those of `view`.
void RegisterFileServerCommands(CControlCommands& commands, CFileServer& server, CServerView& view,
                                CProcessOptions& options, CSettings& settings,
                                const ActivityCounters& counters);

}  // namespace velorin
