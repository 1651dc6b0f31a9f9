#pragma once
// What the transfer view shows and decides: the member list, the rows of the
// selected member's entries with their column texts, the periodic update of
// the first transferring row and the two speed sums for the main window's
// graphs. Drawing is the front-end's; it redraws what its observers are told.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/link.h"
#include "platform/message_queue.h"
#include "platform/view_change.h"
#include "transfer/transfer_manager.h"

namespace velorin {

class IServerClock;

struct TransferViewRow {
    std::string state;      // "상태"
    std::string action;     // "동작": "DN" or "UP"
    std::string fileName;   // "파일명"
    std::string progress;   // "진행율"
    std::string speed;      // "속도"
    std::string size;       // "크기"
    std::string moved;      // "전송량"
    std::string remaining;  // "남은시간"
    std::string note;       // "비고"
    // The values behind the texts, for sorting.
    uint8_t transferState = 0;  // a kTransferState value
    uint8_t mode = 0;           // kModeDownload or kModeUpload
    uint64_t fileSize = 0;
    uint64_t resumeOffset = 0;
    uint64_t movedBytes = 0;
    uint64_t bytesPerSecond = 0;
    int64_t remainingSeconds = 0;

    bool operator==(const TransferViewRow&) const = default;
};

// The file list's column headers, in column order.
inline constexpr std::array<const char*, 9> kTransferViewHeaders = {
    "상태", "동작", "파일명", "진행율", "속도", "크기", "전송량", "남은시간", "비고"};

// The commands' texts: buttons, then the row menu's own.
inline constexpr const char* kTransferStop = "전송중지";
inline constexpr const char* kTransferRestart = "다시전송";
inline constexpr const char* kTransferRemove = "리스트삭제";
inline constexpr const char* kTransferClearMember = "완료리스트삭제(유저)";
inline constexpr const char* kTransferClearAll = "완료리스트삭제(전부)";
inline constexpr const char* kTransferOpenFolder = "다운로드폴더 열기";
inline constexpr const char* kTransferMenuRemove = "리스트에서 삭제";
inline constexpr const char* kTransferMenuRemoveReceived =
    "리스트에서 삭제(현재까지 받은파일 삭제)";
inline constexpr const char* kTransferMenuClearMember = "현재 운영자의 완료된 리스트 삭제";
inline constexpr const char* kTransferMenuClearAll = "모든 운영자의 완료된 리스트 삭제";
inline constexpr const char* kTransferMenuRun = "실행하기";
inline constexpr const char* kTransferMenuOpenFolder = "다운로드 폴더열기";
inline constexpr const char* kTransferMenuCopyLink = "파일 링크 복사";
inline constexpr const char* kTransferMenuCopyHtml = "파일 링크 복사(HTML)";

// The row of an entry as it is made (remaining time "00:00:00").
TransferViewRow MakeRow(const TransferSnapshot& entry);
// The link copies of an entry: the file at its place on the member's server
// (a download's source, where an upload lands), which holds only its name's
// last part; the relative folder of a folder download is local.
LinkTexts EntryLinkTexts(const TransferSnapshot& entry);
// The local file a completed row stands for ("실행하기"): a download's final
// file in `downloadPath`, an upload's source; nothing for any other row.
std::optional<std::string> FinishedFilePath(const TransferViewRow& row,
                                            const std::string& downloadPath);

class CTransferView : public CWindowTarget {
public:
    CTransferView(CMessageQueue& queue, CTransferManager& manager, IServerClock& clock);

    void OnMessage(const Message& message) override;

    // Picks the member whose entries the file list shows.
    void Select(const std::string& member);
    const std::string& Selected() const { return selected_; }
    const std::vector<std::string>& Members() const { return members_; }
    const std::vector<TransferViewRow>& Rows() const { return rows_; }
    // The link copies of row `index`; nothing when the entry behind it has gone.
    std::optional<LinkTexts> LinkTextsOf(size_t index);

    // The main window's tick: the selected member's first transferring row
    // and the speed sums.
    void Tick();
    uint64_t DownloadBytesPerSecond() const { return downloadSpeed_; }
    uint64_t UploadBytesPerSecond() const { return uploadSpeed_; }

    // kState when the member list or the selection changes, kReset when the
    // rows are those of another member, row ranges otherwise.
    CViewObservers& Observers() { return observers_; }

private:
    void RebuildMembers();
    // The selected member's rows again; `rebuilt` when they belong to another member.
    void AddRows(bool rebuilt);

    CTransferManager& manager_;
    IServerClock& clock_;
    std::string selected_;
    std::vector<std::string> members_;
    std::vector<TransferViewRow> rows_;
    uint64_t downloadSpeed_ = 0;
    uint64_t uploadSpeed_ = 0;
    CViewObservers observers_;
};

}  // namespace velorin
