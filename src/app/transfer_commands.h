#pragma once
// The velorind words of the transfer view, thin adapters over the same
// operations as the view's commands (NAME is an entry's file name: the name
// relative to the remote folder for a download, the local path for an upload):
//   download ID VIRDIR NAME SIZE  reserves a download from member ID
//   upload ID VIRDIR LOCALPATH    reserves an upload of a local file
//                                 (both through the explorer's doors: the
//                                 checks and the texts of the explorer page)
//   transfers [ID]                the members and the entries (of ID): state,
//                                 message, size, offset, moved; the speed sums
//   stop ID NAME                  "전송중지"
//   restart ID NAME               "다시전송"
//   remove ID NAME                "리스트삭제"
//   remove-with-file ID NAME      "리스트에서 삭제(현재까지 받은파일 삭제)"
//   clear-completed [ID]          "완료리스트삭제(유저)", without ID "완료리스트삭제(전부)"
// Answers: {"ok": true, ...} or {"ok": false, "error": TEXT} with the text
// the person was shown.
namespace velorin {

class CControlCommands;
class CServerExplorer;
class CTransferManager;
class CTransferView;

void RegisterTransferCommands(CControlCommands& commands, CTransferManager& transfers,
                              CTransferView& view, CServerExplorer& explorer);

}  // namespace velorin
