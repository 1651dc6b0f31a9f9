#pragma once
// The server explorer's model and commands: what the page shows of the
// browsed server (path, list, tree, status strip) and what its buttons do
// (connect, up, refresh, open, download, upload, folder download, history).
// Everything runs on the user-interface thread; the browse session's worker
// reaches the model only through posted messages. The page draws the model
// as its observers are told (the list by rows, everything else as a state
// change); velorind and tests read it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "data/link.h"
#include "data/name_filter.h"
#include "fileserver/peer_messages.h"
#include "platform/message_queue.h"
#include "platform/user_interface.h"
#include "platform/view_change.h"
#include "transfer/browse_session.h"

namespace velorin {

class CRegistry;
class CServerList;

namespace explorer_text {
inline constexpr const char* kNoServer = "탐색중인 서버가 없습니다.";
inline constexpr const char* kCurrentPath = "현재 경로 : ";
inline constexpr const char* kStatusStrip = "업로드(현재/최대) : %u/%u  업로드속도 : %ukb/sec";
inline constexpr const char* kFolderColumns[3] = {"폴더", "설명", "권한"};
inline constexpr const char* kFileColumns[3] = {"이름", "종류", "크기(byte)"};
inline constexpr const char* kFolderType = "파일폴더";
inline constexpr const char* kFileType = "화일";

inline constexpr const char* kBrowseNeedsServer =
    "서버를 시작하지 않으면 탐색 서비스가 불가능합니다.";
inline constexpr const char* kEnterId =
    "아이디를 입력하시고 접속버튼을 누르시면 바로 그 사용자의 서버에 접속할수 있습니다.";
inline constexpr const char* kAdultFolder = "성인 권한의 폴더 입니다.";
inline constexpr const char* kFolderDownloadAtRoot = "이 경로는 폴더 다운로드가 불가능 합니다.";
inline constexpr const char* kBadPath = "잘못된 경로입니다.";
inline constexpr const char* kNoDownloadRight =
    "이 폴더에서 파일을 다운로드 할수있는 권한이 없습니다.";
inline constexpr const char* kHarmful = "'%s' 은 유해 파일로 추측됩니다. (불법공유, 음란물)";
inline constexpr const char* kRootTransfer = "ROOT에서는 업로드 다운로드를 하실수 없습니다.";
inline constexpr const char* kBadRequestPath = "잘못된 경로에 대한 요청입니다.";
inline constexpr const char* kBadUploadPath = "유효하지 않은 경로입니다.";
inline constexpr const char* kNoUploadRight = "이 폴더에서 파일을 업로드 할수있는 권한이 없습니다.";
inline constexpr const char* kPickUpload = "업로드할 파일을 선택해 주세요";
inline constexpr const char* kPickFilter = "모든 파일(*.*)";
inline constexpr const char* kFolderSize = "%.1f MB";
inline constexpr const char* kNoLocalName = "다운로드 폴더 이름을 입력해 주세요";
inline constexpr const char* kBadLocalName = "\\/:*?\"<>| 는 폴더 이름으로 적당하지 않습니다. ";
inline constexpr const char* kFolderDownload = "'%s' 폴더를 다운로드 합니다";

// Refusals that the person is shown no text for.
inline constexpr const char* kNotBrowsing = "no server is being browsed";
inline constexpr const char* kNotQueued = "the request could not be queued";
inline constexpr const char* kStaleOffer =
    "no summary of that folder from the server being browsed";
}  // namespace explorer_text

// One row of the explorer's list. A folder list (the root) shows name,
// description and rights; a file list shows name, type and size.
struct ExplorerRow {
    enum Kind { kShare, kFolder, kFile };
    Kind kind = kFile;
    std::string name;
    std::string second;  // description, or the type
    std::string third;   // rights text, or the size with digit grouping (empty for folders)
    uint64_t size = 0;
    uint8_t rights = 0;  // share rows
};

// A reservation of the transfer list: member, remote folder, file (the name
// in the remote folder for a download, the local path for an upload), size,
// and the member's address and port (network byte order). Nothing when the
// entry went into the list, else the refusal that the list itself showed.
using ReserveFunction = std::function<std::optional<std::string>(
    const std::string& userId, const std::string& remoteFolder, const std::string& file,
    uint64_t size, uint32_t address, uint16_t port)>;

// The process's parts that the explorer uses.
struct ServerExplorerParts {
    CMessageQueue& queue;
    CBrowseSession& session;
    IUserInterface& ui;
    CServerList& servers;
    CRegistry& registry;
    const std::atomic<bool>& serverRunning;
    const std::atomic<uint32_t>& memberAge;
    std::function<std::string()> ownId;
    std::function<std::string()> downloadFolder;
    // The event log, on this thread.
    std::function<void(const std::string& text, int kind)> statusLine;
    // "Yes" to "connect?": the sign-in flow.
    std::function<void()> startSignIn;
    ReserveFunction reserveDownload;
    ReserveFunction reserveUpload;
    // Empty: no name is restricted.
    PieceTest restrictedPiece;
};

// Nothing when done (or when the command does nothing); else the reason.
using ExplorerResult = std::optional<std::string>;

class CServerExplorer : public CWindowTarget {
public:
    static constexpr uint32_t kStatusTimer = 7777;
    static constexpr std::chrono::milliseconds kStatusPeriod{5000};
    static constexpr uint32_t kAdultAge = 18;

    explicit CServerExplorer(ServerExplorerParts parts);
    ~CServerExplorer() override;

    void OnMessage(const Message& message) override;

    // Told of every change: the rows of the list, and as kState the rest (the
    // connection, the path, the tree, the status strip, an answered summary).
    CViewObservers& Observers() { return observers_; }

    // The connect button and the history dialog's "연결": looks `id` up in the
    // server list and browses it at `startPath`.
    ExplorerResult Connect(const std::string& id, const std::string& startPath = "\\");
    // Browses `id` at `address`:`port` (network byte order) and opens `startPath`.
    ExplorerResult BeginBrowse(uint32_t address, uint16_t port, const std::string& id,
                               const std::string& startPath);
    // "내 서버 접속": the own file server on `port` (host order).
    ExplorerResult BrowseOwnServer(uint16_t port);
    // The disconnect button.
    void Disconnect();

    ExplorerResult UpPath();
    ExplorerResult Refresh();
    // Any listing of the browsed server (velorind moves the session with it).
    ExplorerResult OpenPath(const std::string& path);
    // A double click on row `index`.
    ExplorerResult OpenRow(size_t index);
    ExplorerResult Download(const std::vector<size_t>& selection);
    // The download command on the folder `path` alone (velorind names it by path).
    ExplorerResult DownloadFolder(const std::string& path);
    ExplorerResult Upload();
    // The one door for reserving a download of one file, whoever asks (a row,
    // a link, the `download` word): a name that stays one file, the word
    // filter, the folder's place, the rights and the adult mark known from the
    // listing when `id` is the browsed member, and the member's address (the
    // browse session's, else the server list's). A refusal with a text is
    // written to the event log.
    ExplorerResult ReserveRemoteFile(const std::string& id, const std::string& folder,
                                     const std::string& name, uint64_t size);
    // The same, and then the transfer page comes forward once the checks
    // passed (the list itself says why it refused): a row and a link.
    ExplorerResult ReserveRemoteFileAndShow(const std::string& id, const std::string& folder,
                                            const std::string& name, uint64_t size);
    // The same door for an upload of `localPath` into `folder` of member `id`.
    ExplorerResult ReserveLocalUpload(const std::string& id, const std::string& folder,
                                      const std::string& localPath);
    // The folder-download dialog's confirmation.
    ExplorerResult ConfirmFolderDownload(const std::string& remotePath,
                                         const std::string& localName);

    // The link copies of row `index`: a file of the current folder, or for
    // any other row the browsed member's server.
    std::optional<LinkTexts> LinkTextsOf(size_t index) const;

    std::vector<std::string> History() const;
    void ClearHistory();

    // A summary of "\" queued behind everything asked so far; its number, or
    // 0 when nothing could be queued. Reached once InfoAnswered() is that high.
    uint64_t RequestSync();

    // Sessions begun (each one's worker has reported); a waiter tells them apart.
    uint64_t Sessions() const { return sessions_; }
    bool Connected() const { return connected_; }
    bool SignedOn() const { return signedOn_; }
    const std::string& BrowsedId() const { return browsedId_; }
    const std::string& CurrentPath() const { return currentPath_; }
    // "현재 경로 : " and the path, or "탐색중인 서버가 없습니다.".
    std::string PathText() const;
    bool FolderList() const { return folderList_; }
    std::vector<std::string> Columns() const;
    const std::vector<ExplorerRow>& Rows() const { return rows_; }
    const std::set<std::string>& Tree() const { return tree_; }
    const ServerStatus& Status() const { return status_; }
    std::string StatusText() const;
    bool NoticeEnabled() const { return noticeEnabled_; }
    const std::string& Notice() const { return notice_; }
    // Why the last session ended, as its event log line said.
    std::string SessionLine() const { return parts_.session.LastLine(); }
    uint64_t InfoAnswered() const { return infoAnswered_; }
    // The last folder summary that arrived, for the dialog.
    const std::optional<FolderDownloadOffer>& Offer() const { return offer_; }
    // Files of folder downloads that went into the transfer list.
    uint64_t FolderFilesReserved() const { return folderFilesReserved_; }

private:
    void OnEvent(const Message& message);
    void OnFolderInfo(const FolderInfoAnswer& answer);
    void OnFolderFile(const FolderTreeEntry& entry);
    // Writes `text` to the event log and returns it.
    ExplorerResult Log(const std::string& text, int kind) const;
    ExplorerResult AskForSignIn(const char* text, int kind);
    // The rights of the shared folder that `path` lies in; nothing for the root
    // or a path that cannot be split.
    struct Place {
        int kind = 0;
        uint8_t rights = 0;
    };
    Place Locate(const std::string& path) const;
    // As Locate, with the rights known only when `id` is the browsed member.
    Place LocateFor(const std::string& id, const std::string& path) const;
    bool Browsing(const std::string& id) const;
    // The address and port (network byte order) to reach `id` at.
    struct Peer {
        uint32_t address = 0;
        uint16_t port = 0;
    };
    bool PeerOf(const std::string& id, Peer& peer) const;
    // The doors' checks; the pages that follow the list even when it refuses use them too.
    ExplorerResult CheckRemoteFile(const std::string& id, const std::string& folder,
                                   const std::string& name, Peer& peer) const;
    ExplorerResult CheckLocalUpload(const std::string& id, const std::string& folder,
                                    const std::string& localPath, uint64_t& size, Peer& peer) const;
    bool AdultRefused(uint8_t rights) const;
    // The folder tests of a command: the root and a broken path with its own
    // texts, the right it needs, and for downloads the adult mark.
    struct PlaceTexts {
        const char* root;
        const char* invalid;
        uint8_t right;
        const char* noRight;
        bool adult;
    };
    static const PlaceTexts kDownloadPlaceTexts;
    static const PlaceTexts kFolderPlaceTexts;
    static const PlaceTexts kUploadPlaceTexts;
    ExplorerResult CheckPlace(const Place& place, const PlaceTexts& texts) const;
    // Steps 1 and 2 of the download command, and the adult test, for files in `path`.
    ExplorerResult CheckDownloadPlace(const std::string& path);
    ExplorerResult RequestFolderSummary(const std::string& path);
    std::string Child(const std::string& name) const;
    ServerExplorerParts parts_;
    CViewObservers observers_;
    uint64_t sessions_ = 0;
    bool connected_ = false;
    bool signedOn_ = false;
    std::string browsedId_;
    std::string currentPath_;
    bool folderList_ = false;
    std::vector<ExplorerRow> rows_;
    std::set<std::string> tree_;
    // Rights by shared folder name, in ASCII lower case.
    std::map<std::string, uint8_t> rights_;
    ServerStatus status_;
    bool noticeEnabled_ = false;
    std::string notice_;
    uint64_t infoAnswered_ = 0;
    std::optional<FolderDownloadOffer> offer_;
    // The session the offer came from: a confirmation is for that server only.
    uint64_t offerSession_ = 0;
    // The local names of confirmed folder downloads: a server may only echo these.
    std::set<std::string> folderTargets_;
    uint64_t folderFilesReserved_ = 0;
};

}  // namespace velorin
