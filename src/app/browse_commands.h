#pragma once
// The velorind words of the server explorer, thin adapters over the
// explorer's operations. A word that needs the server's answers answers when
// the server has answered everything it asked (at most 15 s for each wait);
// the loop runs on meanwhile.
//   browse ID [PATH]          browses ID at PATH (default "\"), or moves a
//                             running session of ID there; answers with the
//                             listing: {"id", "path", "columns", "rows", "status", "notice"}
//   download-folder ID PATH LOCALNAME
//                             the folder download of PATH into LOCALNAME of the
//                             download folder: {"path", "localName", "files",
//                             "folders", "size", "reserved"}
//   history                   {"history": [IDs, newest first]}
//   history-clear             "초기화" of the history dialog
#include <functional>
#include <memory>
#include <vector>

namespace velorin {

class CBrowseFlow;
class CControlCommands;
class CControlReply;
class CMessageQueue;
class CServerExplorer;

// Owns the words in flight; it goes before the explorer does.
class CBrowseWords {
public:
    CBrowseWords(CServerExplorer& explorer, CMessageQueue& queue);
    ~CBrowseWords();
    CBrowseWords(const CBrowseWords&) = delete;
    CBrowseWords& operator=(const CBrowseWords&) = delete;

    void Register(CControlCommands& commands);

private:
    void Start(CControlReply reply, const std::function<void(CBrowseFlow&)>& word);

    CServerExplorer& explorer_;
    CMessageQueue& queue_;
    std::vector<std::unique_ptr<CBrowseFlow>> flows_;
};

}  // namespace velorin
