#pragma once
// The velorind words of the member's own search side:
//   reindex        "수동갱신": the search robot rebuilds its index at its next pass
//   check-shares   "불법 공유 자료 확인": walks every shared folder against the word list
//                  and answers when the walk has ended:
//                  {"ok", "files", "rows": [{"name", "folder", "word", "req"}]};
//                  refused while a check runs
#include <memory>

#include "platform/message_queue.h"

namespace velorin {

class CBadWordCheck;
class CBadWordFilter;
class CControlCommands;
class CControlReply;
class CSearchRobot;
class CShareDatabase;

// Owns the check in flight; it goes before the word list and the share database do.
class CSearchWords : public CWindowTarget {
public:
    CSearchWords(CMessageQueue& queue, CSearchRobot& robot, CBadWordFilter& filter,
                 CShareDatabase& shares);
    ~CSearchWords() override;

    void Register(CControlCommands& commands);
    void OnMessage(const Message& message) override;

private:
    void CheckShares(CControlReply reply);

    CSearchRobot& robot_;
    CShareDatabase& shares_;
    std::unique_ptr<CBadWordCheck> check_;
    std::unique_ptr<CControlReply> waiting_;
};

}  // namespace velorin
