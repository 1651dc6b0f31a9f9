#pragma once
// What the member's server view shows of the server transfer list and what
// its commands do; the widgets only draw these rows and pass on the commands.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fileserver/server_transfer_list.h"

namespace velorin {

class CProcessOptions;
class CSettings;

struct ServerTransferRow {
    std::string status;
    std::string action;
    std::string visitorId;
    std::string fileName;
    std::string progress;
    std::string speed;
    std::string size;
    std::string present;
    std::string remaining;
    // The values behind the texts, for sorting.
    uint8_t transferState = 0;  // a kTransferState value
    uint32_t kind = 0;          // kServerKindDownload or kServerKindUpload
    uint64_t fileSize = 0;
    uint64_t presentBytes = 0;  // start offset + bytes moved
    uint64_t bytesPerSecond = 0;
    int64_t remainingSeconds = 0;

    bool operator==(const ServerTransferRow&) const = default;
};

namespace server_view_text {
inline constexpr const char* kStop = "TRANS_STOP";
inline constexpr const char* kDelete = "TRANS_DEL";
inline constexpr const char* kDeleteAll = "TRANS_ALLDEL";
inline constexpr const char* kStopMenu = "전송 중지";
inline constexpr const char* kDeleteMenu = "리스트 삭제";
inline constexpr const char* kDeleteAllMenu = "모든 리스트 삭제(진행중인 리스트 제외)";
inline constexpr const char* kCannotDelete =
    "전송중에는 목록을 삭제할수 없습니다. \r\n전송을 중지하고 삭제하십시오.";
inline constexpr const char* kDisconnectMenu = "접속 끊기";
inline constexpr const char* kNoSpeedLimit = "속도제한 : 없음";
}  // namespace server_view_text

// A row as a redraw writes it; the remaining time starts as "00:00:00".
ServerTransferRow MakeServerTransferRow(const ServerTransfer& record);
std::vector<ServerTransferRow> DrawServerTransferRows(const CServerTransferList& list);

// The view prunes finished records once it holds this many rows.
inline constexpr size_t kServerViewPruneRows = 40;
// The view's timer tick over its current rows. True when the whole view must
// be redrawn from the list (a row no longer matches its record, or finished
// records were pruned).
bool RefreshServerTransferRows(CServerTransferList& list, std::vector<ServerTransferRow>& rows,
                               uint32_t now);

using RequestStopFn = std::function<void(IVisitorSession*)>;

// A keyword of the view on the selected row. Returns the message box text when
// the command is refused; unknown keywords and rows whose record is gone do nothing.
std::optional<std::string> RunServerTransferCommand(CServerTransferList& list,
                                                    std::string_view keyword,
                                                    const ServerTransferRow& row,
                                                    const RequestStopFn& requestStop);
// A double click: asks a running transfer to stop, removes a finished one.
void DoubleClickServerTransfer(CServerTransferList& list, const ServerTransferRow& row,
                               const RequestStopFn& requestStop);

// "속도제한 : 없음" or "속도제한 : %dnop".
std::string SpeedLimitLabel(uint32_t value);
// The slider: the next block of every download uses the value, and it is stored.
void SetSpeedLimit(CProcessOptions& options, CSettings& settings, uint32_t value);

}  // namespace velorin
