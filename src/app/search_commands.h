#pragma once
// The velorind words of the member's own search side:
//   search TERM [EXT]
//                  the search button with the term (and the extension box ticked
//                  when EXT is given); answers when the search has ended:
//                  {"ok", "answers", "rows": [{"row", "name", "kind", "ext", "path",
//                  "size", "id", "ping", "masked"}]} in the list's order; a refusal
//                  answers with the text the person was shown
//   search-results the list as it stands, with "searching" and "progress"
//   search-stop    the cancel button; then the list
//   search-sort KEY
//                  the sort box (0 파일명, 1 구분, 2 확장자, 3 크기, 4 아이디, 5 Ping); then the
//                  list
//   search-clear   empties the list
//   search-download ROW...
//                  the download command on those rows (1 = first):
//                  {"ok", "reserved", "connected", "refusals"}; refused when nothing was done
//   search-connect ROW
//                  opens that row's member in the server explorer: {"ok", "id"}
//   search-terms [pause]
//                  the current-search-terms list, sampled from the first use on;
//                  "pause" presses "일시중지"/"계속": {"ok", "paused", "lines": [...]}
//   check-shares   "불법 공유 자료 확인": walks every shared folder against the word list
//                  and answers when the walk has ended:
//                  {"ok", "files", "rows": [{"name", "folder", "word", "req"}]};
//                  refused while a check runs
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/message_queue.h"

namespace velorin {

class CBadWordCheck;
class CBadWordFilter;
class CControlCommands;
class CControlReply;
class CSearchRobot;
class CSearchTermsView;
class CSearchView;
class CShareDatabase;

struct SearchWordsParts {
    CMessageQueue& queue;
    CSearchRobot& robot;
    CBadWordFilter& filter;
    CShareDatabase& shares;
    CSearchTermsView& terms;
    CSearchView& view;
    const std::atomic<bool>& serverRunning;
};

// Owns the check and the search word in flight; it goes before the word list,
// the share database and the search view do.
class CSearchWords : public CWindowTarget {
public:
    explicit CSearchWords(SearchWordsParts parts);
    ~CSearchWords() override;

    void Register(CControlCommands& commands);
    void OnMessage(const Message& message) override;

private:
    void CheckShares(CControlReply reply);
    void Search(const std::vector<std::string>& args, CControlReply reply);
    // Answers the search word once its search has ended.
    void OnViewChange();

    SearchWordsParts parts_;
    std::unique_ptr<CBadWordCheck> check_;
    std::unique_ptr<CControlReply> waiting_;
    std::unique_ptr<CControlReply> searching_;
    uint64_t searchEnds_ = 0;
    int viewToken_ = 0;
};

}  // namespace velorin
