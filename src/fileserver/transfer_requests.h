#pragma once
// The transfer requests of a visitor: file information, download, upload
// query and upload, with the data phases that move the raw bytes. Each handler
// takes the request's payload; it returns 0 to keep the session and a negative
// value to end it (every download and upload ends its session when its data
// phase is over).
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace velorin {

class CCompleteList;
class CPointBalance;
class CProcessOptions;
class CServerTransferList;
class CShareDatabase;
class CUploadTargets;
class IServerClock;
class IVisitorSession;

// The objects of the process that the handlers use.
struct TransferParts {
    CShareDatabase& db;
    CProcessOptions& options;
    CServerTransferList& transfers;
    CCompleteList& completeList;
    CPointBalance& balance;
    CUploadTargets& uploads;
    IServerClock& clock;
    // The event log (AddStatusLine); may be empty.
    std::function<void(const std::string& text, int kind)> statusLine;
};

class CTransferRequests {
public:
    explicit CTransferRequests(TransferParts parts) : parts_(std::move(parts)) {}

    int FileInfo(IVisitorSession& session, std::string_view payload);
    int Download(IVisitorSession& session, std::string_view payload);
    int UploadQuery(IVisitorSession& session, std::string_view payload);
    int Upload(IVisitorSession& session, std::string_view payload);

private:
    TransferParts parts_;
};

}  // namespace velorin
