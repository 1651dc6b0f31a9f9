#pragma once
// The peer protocol spoken on a visitor connection: one encoder and one
// decoder per message, shared by the member's file server and the client that
// browses and transfers. Texts are UTF-8 here and CP949 on the wire, except
// remote paths and the visitor's target folder, which are kept as the CP949
// bytes of the wire: the server splits and echoes them byte for byte.
#include <cstdint>
#include <string>
#include <string_view>

#include "net/packet.h"
#include "platform/local_time.h"

namespace velorin {

inline constexpr uint16_t PEER_SIGNON = 1;
inline constexpr uint16_t PEER_SIGNON_ANS = 2;
inline constexpr uint16_t PEER_BYE = 5;
inline constexpr uint16_t PEER_LIST = 1001;
inline constexpr uint16_t PEER_LIST_HEAD = 1003;
inline constexpr uint16_t PEER_LIST_SHARE = 1005;
inline constexpr uint16_t PEER_LIST_ENTRY = 1007;
inline constexpr uint16_t PEER_LIST_ERROR = 4000;
inline constexpr uint16_t PEER_STATUS = 1009;
inline constexpr uint16_t PEER_STATUS_ANS = 1010;
inline constexpr uint16_t PEER_FILE_INFO = 2001;
inline constexpr uint16_t PEER_FILE_INFO_ANS = 2003;
inline constexpr uint16_t PEER_DOWNLOAD = 2005;
inline constexpr uint16_t PEER_DOWNLOAD_ANS = 2007;
inline constexpr uint16_t PEER_UPLOAD_QUERY = 3001;
inline constexpr uint16_t PEER_UPLOAD_QUERY_ANS = 3003;
inline constexpr uint16_t PEER_UPLOAD = 3005;
inline constexpr uint16_t PEER_UPLOAD_ANS = 3007;
inline constexpr uint16_t PEER_FOLDER_INFO = 5001;
inline constexpr uint16_t PEER_FOLDER_INFO_ANS = 5003;
inline constexpr uint16_t PEER_FOLDER_TREE = 5005;
inline constexpr uint16_t PEER_FOLDER_TREE_ENTRY = 5009;

// Longest remote path (and target folder) on the wire, in CP949 bytes.
inline constexpr size_t kRemotePathLimit = 260;
// The raw blocks of a download or upload.
inline constexpr size_t kTransferBlock = 16384;

// Sign-on kinds.
inline constexpr int8_t kVisitorBrowse = 1;
inline constexpr int8_t kVisitorDownload = 2;
inline constexpr int8_t kVisitorUpload = 4;

// Answer codes, as the signed bytes visitors read (255 reads as -1, and so on).
inline constexpr int8_t kAnswerOk = 0;
// Sign-on refusals.
inline constexpr int8_t kSignOnServerFull = -8;   // 248
inline constexpr int8_t kSignOnBlacklisted = -7;  // 249
inline constexpr int8_t kSignOnBadKind = -5;      // 251
// Listing errors.
inline constexpr int8_t kListCannotRun = -5;     // 251: query or directory search failed
inline constexpr int8_t kListNotPublished = -1;  // 255
// Folder summary and folder tree.
inline constexpr int8_t kSummaryWalkFailed = -1;    // 255
inline constexpr int8_t kSummaryOfRoot = -2;        // 254
inline constexpr int8_t kSummaryNotPublished = -3;  // 253
inline constexpr int8_t kSummaryNoRight = -4;       // 252
// File information, download, upload query and upload.
inline constexpr int8_t kTransferInvalidPath = -1;      // 255: invalid path or folder not published
inline constexpr int8_t kTransferCannotOpen = -2;       // 254
inline constexpr int8_t kTransferNoDownloadRight = -3;  // 253
inline constexpr int8_t kTransferNoUploadRight = -4;    // 252
inline constexpr int8_t kTransferCannotWrite = -6;      // 250
inline constexpr int8_t kTransferNoPayment = -9;        // 247

// Entry kinds of a listing.
inline constexpr uint8_t kEntryFolder = 1;
inline constexpr uint8_t kEntryFile = 3;

enum class DecodeStatus {
    kOk,
    kPathTooLong,  // a length above 260: the request is not taken up
    kMalformed,    // the payload is shorter than its lengths say
};

struct SignOnRequest {
    std::string userId;
    int8_t kind = 0;
};
Packet EncodeSignOn(const SignOnRequest& request);
bool DecodeSignOn(std::string_view payload, SignOnRequest& request);

// Accepted (code 0): 7 + g bytes. Refused: the code and 2006 zero bytes.
struct SignOnAnswer {
    int8_t code = 0;
    uint32_t memberValue = 0;
    std::string greeting;
};
inline constexpr size_t kSignOnRefusalSize = 2007;
Packet EncodeSignOnAnswer(const SignOnAnswer& answer);
bool DecodeSignOnAnswer(std::string_view payload, SignOnAnswer& answer);

Packet EncodeBye();
Packet EncodeStatusRequest();

struct ServerStatus {
    uint32_t activeDownloads = 0;
    uint32_t downloadLimit = 0;
    uint32_t outgoingKiBps = 0;
};
Packet EncodeServerStatus(const ServerStatus& status);
bool DecodeServerStatus(std::string_view payload, ServerStatus& status);

// PEER_LIST, PEER_FILE_INFO, PEER_UPLOAD_QUERY and PEER_FOLDER_INFO: u16 n, n bytes.
Packet EncodePathRequest(uint16_t type, std::string_view path);
DecodeStatus DecodePathRequest(std::string_view payload, std::string& path);

// The root's header carries "\" and three zero bytes (7 bytes); a folder's is 3 + n.
struct ListHead {
    bool isRoot = false;
    std::string path;
};
Packet EncodeListHead(const ListHead& head);
bool DecodeListHead(std::string_view payload, ListHead& head);

struct ListShare {
    std::string name;
    std::string desc;
    uint8_t rights = 0;
};
Packet EncodeListShare(const ListShare& share);
bool DecodeListShare(std::string_view payload, ListShare& share);

struct ListEntry {
    std::string name;
    uint64_t size = 0;
    SystemTime time;
    uint8_t kind = kEntryFile;
};
Packet EncodeListEntry(const ListEntry& entry);
bool DecodeListEntry(std::string_view payload, ListEntry& entry);

Packet EncodeListError(int8_t code);
bool DecodeListError(std::string_view payload, int8_t& code);

// Code 0 and "no right" carry size and rights (13 bytes); other refusals are 1 byte.
// A reader takes the rights only from a 13-byte answer (a 9-byte one has none).
struct FileInfoAnswer {
    int8_t code = 0;
    uint64_t size = 0;
    uint32_t rights = 0;
    bool hasRights = false;
};
Packet EncodeFileInfoAnswer(const FileInfoAnswer& answer);
bool DecodeFileInfoAnswer(std::string_view payload, FileInfoAnswer& answer);

struct DownloadTickets {
    uint32_t ticket1 = 0;
    uint32_t ticket2 = 0;
    uint32_t ticket3 = 0;
};

struct DownloadRequest {
    DownloadTickets tickets;
    uint64_t offset = 0;
    std::string path;
};
Packet EncodeDownloadRequest(const DownloadRequest& request);
DecodeStatus DecodeDownloadRequest(std::string_view payload, DownloadRequest& request);

// One byte; after code 0 the raw file bytes follow outside the envelope.
Packet EncodeDownloadAnswer(int8_t code);
bool DecodeDownloadAnswer(std::string_view payload, int8_t& code);

// Always 9 bytes: code, u64 resume offset.
struct OffsetAnswer {
    int8_t code = 0;
    uint64_t offset = 0;
};
Packet EncodeUploadQueryAnswer(const OffsetAnswer& answer);
bool DecodeUploadQueryAnswer(std::string_view payload, OffsetAnswer& answer);

struct UploadRequest {
    uint64_t total = 0;
    std::string path;
};
Packet EncodeUploadRequest(const UploadRequest& request);
DecodeStatus DecodeUploadRequest(std::string_view payload, UploadRequest& request);

// Code 255 is 1 byte; every other code has the offset as two u32 words (9 bytes).
Packet EncodeUploadAnswer(const OffsetAnswer& answer);
bool DecodeUploadAnswer(std::string_view payload, OffsetAnswer& answer);

// 19 + n bytes; a refusal carries all ones as the file count.
struct FolderInfoAnswer {
    int8_t code = 0;
    uint32_t files = 0;
    uint32_t folders = 0;
    uint64_t totalSize = 0;
    std::string path;
};
Packet EncodeFolderInfoAnswer(const FolderInfoAnswer& answer);
bool DecodeFolderInfoAnswer(std::string_view payload, FolderInfoAnswer& answer);

struct FolderTreeRequest {
    std::string path;
    std::string target;
};
Packet EncodeFolderTreeRequest(const FolderTreeRequest& request);
DecodeStatus DecodeFolderTreeRequest(std::string_view payload, FolderTreeRequest& request);

struct FolderTreeEntry {
    uint64_t size = 0;
    std::string target;
    std::string remotePath;
};
Packet EncodeFolderTreeEntry(const FolderTreeEntry& entry);
bool DecodeFolderTreeEntry(std::string_view payload, FolderTreeEntry& entry);

}  // namespace velorin
