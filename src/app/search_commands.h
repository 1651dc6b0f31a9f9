#pragma once
// The velorind words of the member's own search side:
//   reindex        "수동갱신": while signed in the search robot rebuilds its index at
//                  its next pass; {"ok", "text"} with the text the page shows
//   search-terms [pause]
//                  the current-search-terms list, sampled from the first use on;
//                  "pause" presses "일시중지"/"계속": {"ok", "paused", "lines": [...]}
//   check-shares   "불법 공유 자료 확인": walks every shared folder against the word list
//                  and answers when the walk has ended:
//                  {"ok", "files", "rows": [{"name", "folder", "word", "req"}]};
//                  refused while a check runs
#include <atomic>
#include <memory>

#include "platform/message_queue.h"

namespace velorin {

class CBadWordCheck;
class CBadWordFilter;
class CControlCommands;
class CControlReply;
class CSearchRobot;
class CSearchTermsView;
class CShareDatabase;

namespace search_text {
inline constexpr const char* kReindexing = "목록의 갱신합니다.";
inline constexpr const char* kReindexLater = "[서버연결]과 함께 목록이 갱신될것입니다.";
}  // namespace search_text

struct SearchWordsParts {
    CMessageQueue& queue;
    CSearchRobot& robot;
    CBadWordFilter& filter;
    CShareDatabase& shares;
    CSearchTermsView& terms;
    const std::atomic<bool>& serverRunning;
};

// Owns the check in flight; it goes before the word list and the share database do.
class CSearchWords : public CWindowTarget {
public:
    explicit CSearchWords(SearchWordsParts parts);
    ~CSearchWords() override;

    void Register(CControlCommands& commands);
    void OnMessage(const Message& message) override;

private:
    void CheckShares(CControlReply reply);

    SearchWordsParts parts_;
    std::unique_ptr<CBadWordCheck> check_;
    std::unique_ptr<CControlReply> waiting_;
};

}  // namespace velorin
