#pragma once
// The browse requests of a visitor: folder listing, folder summary and folder
// tree. Each handler takes the request's payload and answers through the
// session; it returns 0 to keep the session and a negative value to end it.
#include <string_view>

namespace velorin {

class CShareDatabase;
class IVisitorSession;

// Summaries stop counting at this many files.
inline constexpr uint32_t kSummaryFileLimit = 2000;
// Summaries and trees do not descend further than this below the requested folder.
inline constexpr int kWalkDepthLimit = 32;

class CBrowseRequests {
public:
    explicit CBrowseRequests(CShareDatabase& db) : db_(db) {}

    int List(IVisitorSession& session, std::string_view payload);
    int FolderInfo(IVisitorSession& session, std::string_view payload);
    int FolderTree(IVisitorSession& session, std::string_view payload);

private:
    int ListRoot(IVisitorSession& session);

    CShareDatabase& db_;
};

}  // namespace velorin
