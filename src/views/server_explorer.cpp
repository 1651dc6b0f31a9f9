#include "views/server_explorer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "data/history.h"
#include "data/share_rules.h"
#include "fileserver/remote_path.h"
#include "platform/status_lines.h"
#include "platform/strings.h"
#include "platform/text_encoding.h"
#include "platform/text_format.h"
#include "platform/user_interface.h"
#include "platform/window_messages.h"
#include "service/server_list.h"
#include "transfer/transfer_texts.h"

namespace velorin {

namespace {

constexpr uint8_t kUnseenFolderRights = kPermissionBrowse | kPermissionDownload | kPermissionUpload;

std::string ParentPath(const std::string& path) {
    size_t cut = path.rfind('\\');
    if (cut == std::string::npos || cut == 0) return "\\";
    return path.substr(0, cut);
}

std::string TypeText(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size()) return explorer_text::kFileType;
    return name.substr(dot + 1);
}

// A name that a server may echo into a local path: one component that stays
// where it is put.
bool SafeName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::string BaseName(const std::string& path) {
    size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The size of a non-empty regular file that can be read; 0 otherwise.
uint64_t ReadableSize(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st {};
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular ? static_cast<uint64_t>(st.st_size) : 0;
}

}  // namespace

// What each command says of a folder it cannot use.
const CServerExplorer::PlaceTexts CServerExplorer::kDownloadPlaceTexts = {
    explorer_text::kRootTransfer, explorer_text::kBadRequestPath, kPermissionDownload,
    explorer_text::kNoDownloadRight, true};
const CServerExplorer::PlaceTexts CServerExplorer::kFolderPlaceTexts = {
    explorer_text::kFolderDownloadAtRoot, explorer_text::kBadPath, kPermissionDownload,
    explorer_text::kNoDownloadRight, true};
const CServerExplorer::PlaceTexts CServerExplorer::kUploadPlaceTexts = {
    explorer_text::kRootTransfer, explorer_text::kBadUploadPath, kPermissionUpload,
    explorer_text::kNoUploadRight, false};

CServerExplorer::CServerExplorer(ServerExplorerParts parts)
    : CWindowTarget(parts.queue), parts_(std::move(parts)) {}

CServerExplorer::~CServerExplorer() {
    Queue().KillTimer(Handle(), kStatusTimer);
}

ExplorerResult CServerExplorer::Log(const std::string& text, int kind) const {
    if (parts_.statusLine) parts_.statusLine(text, kind);
    return text;
}

ExplorerResult CServerExplorer::AskForSignIn(const char* text, int kind) {
    Log(text, kind);
    if (parts_.ui.AskYesNo(server_list_text::kAskConnect, kAppName) && parts_.startSignIn) {
        parts_.startSignIn();
    }
    return std::string(text);
}

// --- what the session reports ---------------------------------------------------

void CServerExplorer::OnMessage(const Message& message) {
    switch (message.message) {
        case WM_BROWSE_EVENT:
            OnEvent(message);
            break;
        case WM_BROWSE_NOTICE:
            notice_ = parts_.session.Notice();
            parts_.ui.ShowNotice(notice_);
            break;
        case WM_BROWSE_FOLDER_INFO:
            if (const auto* answer = std::any_cast<FolderInfoAnswer>(&message.payload)) {
                OnFolderInfo(*answer);
            }
            break;
        case WM_BROWSE_FOLDER_FILE:
            if (const auto* entry = std::any_cast<FolderTreeEntry>(&message.payload)) {
                OnFolderFile(*entry);
            }
            break;
        case WM_TIMER:
            if (message.wParam == kStatusTimer) parts_.session.RequestStatus();
            break;
        default:
            break;
    }
}

void CServerExplorer::OnEvent(const Message& message) {
    switch (message.wParam) {
        case kBrowseConnecting:
            ++sessions_;
            connected_ = true;
            signedOn_ = false;
            status_ = {};
            infoAnswered_ = 0;
            folderTargets_.clear();
            Queue().SetTimer(Handle(), kStatusTimer, kStatusPeriod);
            break;
        case kBrowseSignedOn:
            if (const auto* signOn = std::any_cast<BrowseSignOn>(&message.payload)) {
                browsedId_ = signOn->userId;
                noticeEnabled_ = signOn->serverFlags != 0;
            }
            signedOn_ = true;
            currentPath_.clear();
            rows_.clear();
            tree_.clear();
            rights_.clear();
            observers_.Reset();
            break;
        case kBrowseListHead:
            if (const auto* head = std::any_cast<ListHead>(&message.payload)) {
                currentPath_ = head->path;
                folderList_ = head->isRoot;
                rows_.clear();
                tree_.insert(currentPath_);
                observers_.Reset();
            }
            break;
        case kBrowseListShare:
            if (const auto* share = std::any_cast<ListShare>(&message.payload)) {
                rights_[LowerAscii(share->name)] = share->rights;
                rows_.push_back({ExplorerRow::kShare, share->name, share->desc,
                                 PermissionText(share->rights), 0, share->rights});
                tree_.insert("\\" + share->name);
                observers_.Inserted(rows_.size() - 1, 1);
            }
            break;
        case kBrowseListEntry:
            if (const auto* entry = std::any_cast<ListEntry>(&message.payload)) {
                if (entry->kind == kEntryFile) {
                    rows_.push_back({ExplorerRow::kFile, entry->name, TypeText(entry->name),
                                     WithThousands(entry->size), entry->size, 0});
                } else {
                    rows_.push_back(
                        {ExplorerRow::kFolder, entry->name, explorer_text::kFolderType, "", 0, 0});
                    if (entry->kind == kEntryFolder && entry->name != "..") {
                        tree_.insert(Child(entry->name));
                    }
                }
                observers_.Inserted(rows_.size() - 1, 1);
            }
            break;
        case kBrowseStatus:
            if (const auto* status = std::any_cast<ServerStatus>(&message.payload))
                status_ = *status;
            break;
        case kBrowseInfoAnswered:
            infoAnswered_ = static_cast<uint64_t>(message.lParam);
            break;
        case kBrowseClosed:
            signedOn_ = false;
            break;
        case kBrowseThreadEnd:
            connected_ = false;
            signedOn_ = false;
            Queue().KillTimer(Handle(), kStatusTimer);
            break;
        default:
            return;
    }
    // The tree and the path come with the rows; a page redraws them on any change.
    observers_.StateChanged();
}

void CServerExplorer::OnFolderInfo(const FolderInfoAnswer& answer) {
    FolderDownloadOffer offer;
    offer.remotePath = answer.path;
    offer.files = answer.files;
    offer.folders = answer.folders;
    offer.sizeText =
        Format(explorer_text::kFolderSize, static_cast<double>(answer.totalSize) / 1048576.0);
    if (parts_.downloadFolder) offer.downloadFolder = parts_.downloadFolder();
    size_t cut = answer.path.rfind('\\');
    offer.localName = cut == std::string::npos ? answer.path : answer.path.substr(cut + 1);
    offer_ = offer;
    offerSession_ = sessions_;
    observers_.StateChanged();
    parts_.ui.OfferFolderDownload(offer);
}

void CServerExplorer::OnFolderFile(const FolderTreeEntry& entry) {
    size_t cut = entry.remotePath.rfind('\\');
    if (cut == std::string::npos) return;
    std::string folder = entry.remotePath.substr(0, cut);
    std::string file = entry.remotePath.substr(cut + 1);
    // The target is echoed by the server: it must start with a name this
    // member confirmed and never climb out of the download folder.
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = entry.target.find('\\', start)) != std::string::npos; start = end + 1) {
        parts.push_back(entry.target.substr(start, end - start));
    }
    parts.push_back(entry.target.substr(start));
    if (!SafeName(file) || !folderTargets_.count(parts.front())) return;
    for (const std::string& part : parts) {
        if (!SafeName(part)) return;
    }
    if (HasRestrictedPiece(file, parts_.restrictedPiece)) {
        Log(Format(explorer_text::kHarmful, file.c_str()), kStatusCaution);
        return;
    }
    ServerRecord record;
    if (!parts_.servers.FindById(browsedId_, record)) {
        Log(transfer_text::kNotListed, kStatusInformation);
        return;
    }
    if (parts_.reserveDownload &&
        !parts_.reserveDownload(browsedId_, folder, entry.target + "\\" + file, entry.size,
                                record.address, record.tcpPort)) {
        ++folderFilesReserved_;
    }
}

// --- connecting ---------------------------------------------------------------------

ExplorerResult CServerExplorer::Connect(const std::string& id, const std::string& startPath) {
    if (!parts_.serverRunning) {
        return AskForSignIn(server_list_text::kNotRunning, kStatusCaution);
    }
    std::string trimmed = Trim(id);
    if (trimmed.empty()) return Log(explorer_text::kEnterId, kStatusCaution);
    ServerRecord record;
    if (!parts_.servers.FindById(trimmed, record)) {
        return Log(transfer_text::kNotListed, kStatusCaution);
    }
    return BeginBrowse(record.address, record.tcpPort, record.userId, startPath);
}

ExplorerResult CServerExplorer::BeginBrowse(uint32_t address, uint16_t port, const std::string& id,
                                            const std::string& startPath) {
    if (!parts_.serverRunning) {
        return AskForSignIn(explorer_text::kBrowseNeedsServer, kStatusInformation);
    }
    parts_.session.SetStartPath(startPath);
    std::string ownId = parts_.ownId ? parts_.ownId() : std::string();
    if (parts_.session.Start(address, port, ownId, id) < 0)
        return std::string(explorer_text::kNotQueued);
    return std::nullopt;
}

ExplorerResult CServerExplorer::BrowseOwnServer(uint16_t port) {
    std::string ownId = parts_.ownId ? parts_.ownId() : std::string();
    return BeginBrowse(htonl(INADDR_LOOPBACK), htons(port), ownId, "\\");
}

void CServerExplorer::Disconnect() {
    parts_.session.Stop();
}

// --- navigation -----------------------------------------------------------------------

std::optional<LinkTexts> CServerExplorer::LinkTextsOf(size_t index) const {
    if (browsedId_.empty() || index >= rows_.size()) return std::nullopt;
    const ExplorerRow& row = rows_[index];
    if (row.kind != ExplorerRow::kFile) return ServerLinkTexts(browsedId_);
    return FileLinkTexts(browsedId_, currentPath_, row.name, row.size);
}

std::string CServerExplorer::Child(const std::string& name) const {
    return currentPath_ == "\\" ? "\\" + name : currentPath_ + "\\" + name;
}

ExplorerResult CServerExplorer::OpenPath(const std::string& path) {
    if (!signedOn_) return std::string(explorer_text::kNotBrowsing);
    if (parts_.session.RequestList(path) < 0) return std::string(explorer_text::kNotQueued);
    return std::nullopt;
}

ExplorerResult CServerExplorer::UpPath() {
    if (!signedOn_) return std::string(explorer_text::kNotBrowsing);
    if (currentPath_.empty() || currentPath_ == "\\") return std::nullopt;
    return OpenPath(ParentPath(currentPath_));
}

ExplorerResult CServerExplorer::Refresh() {
    return OpenPath(currentPath_);
}

CServerExplorer::Place CServerExplorer::Locate(const std::string& path) const {
    RemotePath split = SplitRemotePath(Utf8ToCp949(path));
    Place place{split.kind, kUnseenFolderRights};
    if (split.kind >= kRemoteFolder) {
        auto it = rights_.find(LowerAscii(split.folder));
        if (it != rights_.end()) place.rights = it->second;
    }
    return place;
}

bool CServerExplorer::AdultRefused(uint8_t rights) const {
    return (rights & kPermissionAdult) != 0 && parts_.memberAge <= kAdultAge;
}

ExplorerResult CServerExplorer::OpenRow(size_t index) {
    if (!signedOn_) return std::string(explorer_text::kNotBrowsing);
    if (index >= rows_.size()) return std::nullopt;
    ExplorerRow row = rows_[index];
    if (row.name == "..") return UpPath();
    if (row.kind != ExplorerRow::kFile) {
        std::string path = Child(row.name);
        if (AdultRefused(Locate(path).rights))
            return Log(explorer_text::kAdultFolder, kStatusCaution);
        return OpenPath(path);
    }
    return ReserveRemoteFileAndShow(browsedId_, currentPath_, row.name, row.size);
}

// --- transfers --------------------------------------------------------------------------

bool CServerExplorer::Browsing(const std::string& id) const {
    return signedOn_ && EqualsIgnoreCase(browsedId_, id);
}

CServerExplorer::Place CServerExplorer::LocateFor(const std::string& id,
                                                  const std::string& path) const {
    Place place = Locate(path);
    if (!Browsing(id)) place.rights = kUnseenFolderRights;
    return place;
}

bool CServerExplorer::PeerOf(const std::string& id, Peer& peer) const {
    if (Browsing(id)) {
        peer = {parts_.session.PeerAddress(), parts_.session.PeerPort()};
        return true;
    }
    ServerRecord record;
    if (!parts_.servers.FindById(id, record)) return false;
    peer = {record.address, record.tcpPort};
    return true;
}

ExplorerResult CServerExplorer::CheckPlace(const Place& place, const PlaceTexts& texts) const {
    if (place.kind == kRemoteRoot) return Log(texts.root, kStatusCaution);
    if (place.kind == kRemoteInvalid) return Log(texts.invalid, kStatusCaution);
    if (!(place.rights & texts.right)) return Log(texts.noRight, kStatusCaution);
    if (texts.adult && AdultRefused(place.rights))
        return Log(explorer_text::kAdultFolder, kStatusCaution);
    return std::nullopt;
}

ExplorerResult CServerExplorer::CheckRemoteFile(const std::string& id, const std::string& folder,
                                                const std::string& name, Peer& peer) const {
    if (ExplorerResult refused = CheckPlace(LocateFor(id, folder), kDownloadPlaceTexts))
        return refused;
    if (!PeerOf(id, peer)) return Log(transfer_text::kNotListed, kStatusCaution);
    // A name with "\" would ask for another remote file and make local folders.
    if (!SafeName(name)) return Log(transfer_text::kBadPath, kStatusCaution);
    if (HasRestrictedPiece(name, parts_.restrictedPiece)) {
        return Log(Format(explorer_text::kHarmful, name.c_str()), kStatusCaution);
    }
    return std::nullopt;
}

ExplorerResult CServerExplorer::CheckLocalUpload(const std::string& id, const std::string& folder,
                                                 const std::string& localPath, uint64_t& size,
                                                 Peer& peer) const {
    if (ExplorerResult refused = CheckPlace(LocateFor(id, folder), kUploadPlaceTexts))
        return refused;
    std::string name = BaseName(localPath);
    if (HasRestrictedPiece(name, parts_.restrictedPiece)) {
        return Log(Format(explorer_text::kHarmful, name.c_str()), kStatusCaution);
    }
    // An empty file, or one that cannot be read, is not reserved; the page says nothing.
    size = ReadableSize(localPath);
    if (size == 0) return "not a readable file with content: " + localPath;
    if (!PeerOf(id, peer)) return Log(transfer_text::kNotListed, kStatusCaution);
    return std::nullopt;
}

ExplorerResult CServerExplorer::ReserveRemoteFile(const std::string& id, const std::string& folder,
                                                  const std::string& name, uint64_t size) {
    Peer peer;
    if (ExplorerResult refused = CheckRemoteFile(id, folder, name, peer)) return refused;
    if (!parts_.reserveDownload) return std::string(explorer_text::kNotQueued);
    return parts_.reserveDownload(id, folder, name, size, peer.address, peer.port);
}

ExplorerResult CServerExplorer::ReserveRemoteFileAndShow(const std::string& id,
                                                         const std::string& folder,
                                                         const std::string& name, uint64_t size) {
    Peer peer;
    if (ExplorerResult refused = CheckRemoteFile(id, folder, name, peer)) return refused;
    if (parts_.reserveDownload)
        parts_.reserveDownload(id, folder, name, size, peer.address, peer.port);
    parts_.ui.ShowTransferPage();
    return std::nullopt;
}

ExplorerResult CServerExplorer::ReserveLocalUpload(const std::string& id, const std::string& folder,
                                                   const std::string& localPath) {
    Peer peer;
    uint64_t size = 0;
    if (ExplorerResult refused = CheckLocalUpload(id, folder, localPath, size, peer))
        return refused;
    if (!parts_.reserveUpload) return std::string(explorer_text::kNotQueued);
    return parts_.reserveUpload(id, folder, localPath, size, peer.address, peer.port);
}

ExplorerResult CServerExplorer::CheckDownloadPlace(const std::string& path) {
    // A folder reached by a link or a search result lies inside too.
    return CheckPlace(Locate(path), kFolderPlaceTexts);
}

ExplorerResult CServerExplorer::RequestFolderSummary(const std::string& path) {
    offer_.reset();
    if (parts_.session.RequestFolderInfo(path) < 0) return std::string(explorer_text::kNotQueued);
    return std::nullopt;
}

ExplorerResult CServerExplorer::Download(const std::vector<size_t>& selection) {
    if (!signedOn_) return std::string(explorer_text::kNotBrowsing);
    if (selection.empty()) return std::nullopt;
    if (ExplorerResult refused = CheckDownloadPlace(currentPath_)) return refused;
    if (selection.size() == 1 && selection[0] < rows_.size()) {
        const ExplorerRow& row = rows_[selection[0]];
        if (row.kind == ExplorerRow::kFolder) {
            // ".." would be refused by the server as a path that climbs out.
            if (row.name == "..") return std::nullopt;
            return RequestFolderSummary(Child(row.name));
        }
    }
    // A question of the list lets the loop run, and the rows may change meanwhile.
    std::vector<ExplorerRow> files;
    for (size_t index : selection) {
        if (index < rows_.size() && rows_[index].kind == ExplorerRow::kFile) {
            files.push_back(rows_[index]);
        }
    }
    uint64_t session = sessions_;
    std::string id = browsedId_;
    std::string folder = currentPath_;
    for (const ExplorerRow& row : files) {
        if (sessions_ != session) break;
        ReserveRemoteFile(id, folder, row.name, row.size);
    }
    if (!files.empty()) parts_.ui.ShowTransferPage();
    return std::nullopt;
}

ExplorerResult CServerExplorer::DownloadFolder(const std::string& path) {
    if (!signedOn_) return std::string(explorer_text::kNotBrowsing);
    if (ExplorerResult refused = CheckDownloadPlace(ParentPath(path))) return refused;
    if (Locate(path).kind != kRemoteFolderAndRest)
        return Log(explorer_text::kBadPath, kStatusCaution);
    return RequestFolderSummary(path);
}

ExplorerResult CServerExplorer::Upload() {
    if (!signedOn_) return std::string(explorer_text::kNotBrowsing);
    if (ExplorerResult refused = CheckPlace(Locate(currentPath_), kUploadPlaceTexts))
        return refused;
    // The dialog lets the loop run: the session may end or move meanwhile.
    uint64_t session = sessions_;
    std::string id = browsedId_;
    std::string folder = currentPath_;
    std::string file = parts_.ui.PickFile(explorer_text::kPickUpload, explorer_text::kPickFilter);
    if (file.empty()) return std::nullopt;
    if (sessions_ != session || !Browsing(id)) return std::string(explorer_text::kNotBrowsing);
    Peer peer;
    uint64_t size = 0;
    if (ExplorerResult refused = CheckLocalUpload(id, folder, file, size, peer)) return refused;
    parts_.ui.ShowTransferPage();
    if (parts_.reserveUpload) parts_.reserveUpload(id, folder, file, size, peer.address, peer.port);
    return std::nullopt;
}

ExplorerResult CServerExplorer::ConfirmFolderDownload(const std::string& remotePath,
                                                      const std::string& localName) {
    if (localName.empty()) {
        parts_.ui.ShowMessage(explorer_text::kNoLocalName, kAppName);
        return std::string(explorer_text::kNoLocalName);
    }
    // "." and ".." pass the character rule but would name the download folder or its parent.
    if (localName.find_first_of("\\/:*?\"<>|") != std::string::npos || !SafeName(localName)) {
        parts_.ui.ShowMessage(explorer_text::kBadLocalName, kAppName);
        return std::string(explorer_text::kBadLocalName);
    }
    if (!signedOn_) return std::string(explorer_text::kNotBrowsing);
    // The summary was shown for one server; the dialog may outlive its session.
    if (!offer_ || offer_->remotePath != remotePath || offerSession_ != sessions_) {
        return std::string(explorer_text::kStaleOffer);
    }
    if (parts_.session.RequestFolderDownload(remotePath, localName) < 0) {
        return std::string(explorer_text::kNotQueued);
    }
    folderTargets_.insert(localName);
    Log(Format(explorer_text::kFolderDownload, remotePath.c_str()), kStatusInformation);
    return std::nullopt;
}

// --- history and the rest ---------------------------------------------------------------

std::vector<std::string> CServerExplorer::History() const {
    return LoadHistory(parts_.registry);
}

void CServerExplorer::ClearHistory() {
    velorin::ClearHistory(parts_.registry);
}

uint64_t CServerExplorer::RequestSync() {
    if (!signedOn_ || parts_.session.RequestFolderInfo("\\") < 0) return 0;
    return parts_.session.FolderInfoRequests();
}

std::string CServerExplorer::PathText() const {
    if (!signedOn_) return explorer_text::kNoServer;
    return explorer_text::kCurrentPath + currentPath_;
}

std::vector<std::string> CServerExplorer::Columns() const {
    const char* const* names =
        folderList_ ? explorer_text::kFolderColumns : explorer_text::kFileColumns;
    return {names[0], names[1], names[2]};
}

std::string CServerExplorer::StatusText() const {
    return Format(explorer_text::kStatusStrip, status_.activeDownloads, status_.downloadLimit,
                  status_.outgoingKiBps);
}

}  // namespace velorin
