#pragma once
// The velorind words of the server explorer, thin adapters over the
// explorer's operations. Each waits (dispatching the explorer's messages)
// until the server has answered everything it asked.
//   browse ID [PATH]          browses ID at PATH (default "\"), or moves a
//                             running session of ID there; answers with the
//                             listing: {"id", "path", "columns", "rows", "status", "notice"}
//   download-folder ID PATH LOCALNAME
//                             the folder download of PATH into LOCALNAME of the
//                             download folder: {"path", "localName", "files",
//                             "folders", "size", "reserved"}
//   history                   {"history": [IDs, newest first]}
//   history-clear             "초기화" of the history dialog
namespace velorin {

class CControlCommands;
class CMessageQueue;
class CServerExplorer;

void RegisterBrowseCommands(CControlCommands& commands, CServerExplorer& explorer,
                            CMessageQueue& queue);

}  // namespace velorin
