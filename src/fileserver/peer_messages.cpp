#include "fileserver/peer_messages.h"

#include "net/payload.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {

constexpr size_t kUserIdWidth = 20;
constexpr size_t kFolderNameLimit = 259;
constexpr size_t kFolderDescLimit = 50;
// Names and targets are bounded only by the packet.
constexpr size_t kLongTextLimit = 4096;

Packet Make(uint16_t type, CPayloadWriter& writer) {
    return Packet{type, writer.Take()};
}

// u16 length and raw CP949 bytes, cut at a character boundary.
void PutWire16(CPayloadWriter& writer, std::string_view bytes, size_t limit) {
    std::string_view cut = CutCp949(bytes, limit);
    writer.U16(static_cast<uint16_t>(cut.size())).Bytes(cut);
}

bool GetWire(CPayloadReader& reader, uint16_t length, std::string& bytes) {
    return reader.Bytes(length, bytes);
}

void PutTime(CPayloadWriter& writer, const SystemTime& t) {
    writer.U16(t.year).U16(t.month).U16(t.dayOfWeek).U16(t.day);
    writer.U16(t.hour).U16(t.minute).U16(t.second).U16(t.millisecond);
}

bool GetTime(CPayloadReader& reader, SystemTime& t) {
    return reader.U16(t.year) && reader.U16(t.month) && reader.U16(t.dayOfWeek) &&
           reader.U16(t.day) && reader.U16(t.hour) && reader.U16(t.minute) &&
           reader.U16(t.second) && reader.U16(t.millisecond);
}

}  // namespace

Packet EncodeSignOn(const SignOnRequest& request) {
    CPayloadWriter w;
    w.Fixed(request.userId, kUserIdWidth).I8(request.kind);
    return Make(PEER_SIGNON, w);
}

bool DecodeSignOn(std::string_view payload, SignOnRequest& request) {
    CPayloadReader r(payload);
    return r.Fixed(kUserIdWidth, request.userId) && r.I8(request.kind);
}

Packet EncodeSignOnAnswer(const SignOnAnswer& answer) {
    CPayloadWriter w;
    w.I8(answer.code);
    if (answer.code != kAnswerOk) {
        w.Zeros(kSignOnRefusalSize - 1);
    } else {
        w.U32(answer.memberValue).Text16(answer.greeting, kLongTextLimit);
    }
    return Make(PEER_SIGNON_ANS, w);
}

bool DecodeSignOnAnswer(std::string_view payload, SignOnAnswer& answer) {
    CPayloadReader r(payload);
    if (!r.I8(answer.code)) return false;
    answer.memberValue = 0;
    answer.greeting.clear();
    if (answer.code != kAnswerOk) return true;
    return r.U32(answer.memberValue) && r.Text16(kLongTextLimit, answer.greeting);
}

Packet EncodeBye() {
    return Packet{PEER_BYE, {}};
}
Packet EncodeStatusRequest() {
    return Packet{PEER_STATUS, {}};
}

Packet EncodeServerStatus(const ServerStatus& status) {
    CPayloadWriter w;
    w.U32(status.activeDownloads).U32(status.downloadLimit).U32(status.outgoingKiBps);
    return Make(PEER_STATUS_ANS, w);
}

bool DecodeServerStatus(std::string_view payload, ServerStatus& status) {
    CPayloadReader r(payload);
    return r.U32(status.activeDownloads) && r.U32(status.downloadLimit) &&
           r.U32(status.outgoingKiBps);
}

Packet EncodePathRequest(uint16_t type, std::string_view path) {
    CPayloadWriter w;
    PutWire16(w, path, kRemotePathLimit);
    return Make(type, w);
}

DecodeStatus DecodePathRequest(std::string_view payload, std::string& path) {
    CPayloadReader r(payload);
    uint16_t n = 0;
    if (!r.U16(n)) return DecodeStatus::kMalformed;
    if (n > kRemotePathLimit) return DecodeStatus::kPathTooLong;
    return GetWire(r, n, path) ? DecodeStatus::kOk : DecodeStatus::kMalformed;
}

Packet EncodeListHead(const ListHead& head) {
    CPayloadWriter w;
    if (head.isRoot) {
        // The root's header is always "\" followed by three zero bytes.
        w.U8(1).U16(1).Bytes("\\").Zeros(3);
    } else {
        w.U8(0);
        PutWire16(w, head.path, kRemotePathLimit);
    }
    return Make(PEER_LIST_HEAD, w);
}

bool DecodeListHead(std::string_view payload, ListHead& head) {
    CPayloadReader r(payload);
    uint8_t isRoot = 0;
    uint16_t n = 0;
    if (!r.U8(isRoot) || !r.U16(n) || n > kRemotePathLimit) return false;
    head.isRoot = isRoot != 0;
    return GetWire(r, n, head.path);
}

Packet EncodeListShare(const ListShare& share) {
    std::string name(CutCp949(Utf8ToCp949(share.name), kFolderNameLimit));
    std::string desc(CutCp949(Utf8ToCp949(share.desc), kFolderDescLimit));
    CPayloadWriter w;
    w.U16(static_cast<uint16_t>(name.size())).U16(static_cast<uint16_t>(desc.size()));
    w.U8(share.rights).Zeros(4).Bytes(name).Bytes(desc);
    return Make(PEER_LIST_SHARE, w);
}

bool DecodeListShare(std::string_view payload, ListShare& share) {
    CPayloadReader r(payload);
    uint16_t a = 0;
    uint16_t b = 0;
    std::string name;
    std::string desc;
    if (!r.U16(a) || !r.U16(b) || !r.U8(share.rights) || !r.Skip(4) || !r.Bytes(a, name) ||
        !r.Bytes(b, desc)) {
        return false;
    }
    share.name = Cp949ToUtf8(name);
    share.desc = Cp949ToUtf8(desc);
    return true;
}

Packet EncodeListEntry(const ListEntry& entry) {
    std::string name(CutCp949(Utf8ToCp949(entry.name), kLongTextLimit));
    CPayloadWriter w;
    w.U16(static_cast<uint16_t>(name.size())).U64(entry.size);
    PutTime(w, entry.time);
    w.U8(entry.kind).Bytes(name);
    return Make(PEER_LIST_ENTRY, w);
}

bool DecodeListEntry(std::string_view payload, ListEntry& entry) {
    CPayloadReader r(payload);
    uint16_t a = 0;
    std::string name;
    if (!r.U16(a) || !r.U64(entry.size) || !GetTime(r, entry.time) || !r.U8(entry.kind) ||
        !r.Bytes(a, name)) {
        return false;
    }
    entry.name = Cp949ToUtf8(name);
    return true;
}

Packet EncodeListError(int8_t code) {
    CPayloadWriter w;
    w.I8(code);
    return Make(PEER_LIST_ERROR, w);
}

bool DecodeListError(std::string_view payload, int8_t& code) {
    CPayloadReader r(payload);
    return r.I8(code);
}

Packet EncodeFileInfoAnswer(const FileInfoAnswer& answer) {
    CPayloadWriter w;
    w.I8(answer.code);
    if (answer.code == kAnswerOk || answer.code == kTransferNoDownloadRight) {
        w.U64(answer.size).U32(answer.rights);
    }
    return Make(PEER_FILE_INFO_ANS, w);
}

bool DecodeFileInfoAnswer(std::string_view payload, FileInfoAnswer& answer) {
    CPayloadReader r(payload);
    answer.size = 0;
    answer.rights = 0;
    answer.hasRights = false;
    // Any code from 0 up accepts; the rights are there only in 13 bytes.
    if (!r.I8(answer.code)) return false;
    if (answer.code < 0) return true;
    if (!r.U64(answer.size)) return false;
    answer.hasRights = payload.size() == 13;
    return !answer.hasRights || r.U32(answer.rights);
}

Packet EncodeDownloadRequest(const DownloadRequest& request) {
    CPayloadWriter w;
    w.U32(request.tickets.ticket1).U32(request.tickets.ticket2).U32(request.tickets.ticket3);
    w.U64(request.offset);
    PutWire16(w, request.path, kRemotePathLimit);
    return Make(PEER_DOWNLOAD, w);
}

DecodeStatus DecodeDownloadRequest(std::string_view payload, DownloadRequest& request) {
    CPayloadReader r(payload);
    uint16_t n = 0;
    if (!r.U32(request.tickets.ticket1) || !r.U32(request.tickets.ticket2) ||
        !r.U32(request.tickets.ticket3) || !r.U64(request.offset) || !r.U16(n)) {
        return DecodeStatus::kMalformed;
    }
    if (n > kRemotePathLimit) return DecodeStatus::kPathTooLong;
    return GetWire(r, n, request.path) ? DecodeStatus::kOk : DecodeStatus::kMalformed;
}

Packet EncodeDownloadAnswer(int8_t code) {
    CPayloadWriter w;
    w.I8(code);
    return Make(PEER_DOWNLOAD_ANS, w);
}

bool DecodeDownloadAnswer(std::string_view payload, int8_t& code) {
    CPayloadReader r(payload);
    return r.I8(code);
}

Packet EncodeUploadQueryAnswer(const OffsetAnswer& answer) {
    CPayloadWriter w;
    w.I8(answer.code).U64(answer.offset);
    return Make(PEER_UPLOAD_QUERY_ANS, w);
}

bool DecodeUploadQueryAnswer(std::string_view payload, OffsetAnswer& answer) {
    CPayloadReader r(payload);
    return r.I8(answer.code) && r.U64(answer.offset);
}

Packet EncodeUploadRequest(const UploadRequest& request) {
    std::string_view path = CutCp949(request.path, kRemotePathLimit);
    CPayloadWriter w;
    // The length comes before the size, the path after it.
    w.U16(static_cast<uint16_t>(path.size())).U64(request.total).Bytes(path);
    return Make(PEER_UPLOAD, w);
}

DecodeStatus DecodeUploadRequest(std::string_view payload, UploadRequest& request) {
    CPayloadReader r(payload);
    uint16_t n = 0;
    if (!r.U16(n) || !r.U64(request.total)) return DecodeStatus::kMalformed;
    if (n > kRemotePathLimit) return DecodeStatus::kPathTooLong;
    return GetWire(r, n, request.path) ? DecodeStatus::kOk : DecodeStatus::kMalformed;
}

Packet EncodeUploadAnswer(const OffsetAnswer& answer) {
    CPayloadWriter w;
    w.I8(answer.code);
    if (answer.code != kTransferInvalidPath) {
        w.U32(static_cast<uint32_t>(answer.offset)).U32(static_cast<uint32_t>(answer.offset >> 32));
    }
    return Make(PEER_UPLOAD_ANS, w);
}

bool DecodeUploadAnswer(std::string_view payload, OffsetAnswer& answer) {
    CPayloadReader r(payload);
    answer.offset = 0;
    if (!r.I8(answer.code)) return false;
    if (answer.code < 0) return true;
    uint32_t low = 0;
    uint32_t high = 0;
    if (!r.U32(low) || !r.U32(high)) return false;
    answer.offset = (static_cast<uint64_t>(high) << 32) | low;
    return true;
}

Packet EncodeFolderInfoAnswer(const FolderInfoAnswer& answer) {
    CPayloadWriter w;
    w.I8(answer.code).U32(answer.files).U32(answer.folders).U64(answer.totalSize);
    PutWire16(w, answer.path, kRemotePathLimit);
    return Make(PEER_FOLDER_INFO_ANS, w);
}

bool DecodeFolderInfoAnswer(std::string_view payload, FolderInfoAnswer& answer) {
    CPayloadReader r(payload);
    uint16_t n = 0;
    return r.I8(answer.code) && r.U32(answer.files) && r.U32(answer.folders) &&
           r.U64(answer.totalSize) && r.U16(n) && n <= kRemotePathLimit &&
           GetWire(r, n, answer.path);
}

Packet EncodeFolderTreeRequest(const FolderTreeRequest& request) {
    std::string_view path = CutCp949(request.path, kRemotePathLimit);
    std::string_view target = CutCp949(request.target, kRemotePathLimit);
    CPayloadWriter w;
    w.U16(static_cast<uint16_t>(path.size())).U16(static_cast<uint16_t>(target.size()));
    w.Bytes(path).Bytes(target);
    return Make(PEER_FOLDER_TREE, w);
}

DecodeStatus DecodeFolderTreeRequest(std::string_view payload, FolderTreeRequest& request) {
    CPayloadReader r(payload);
    uint16_t n = 0;
    uint16_t m = 0;
    if (!r.U16(n) || !r.U16(m)) return DecodeStatus::kMalformed;
    if (n > kRemotePathLimit || m > kRemotePathLimit) return DecodeStatus::kPathTooLong;
    return GetWire(r, n, request.path) && GetWire(r, m, request.target) ? DecodeStatus::kOk
                                                                        : DecodeStatus::kMalformed;
}

Packet EncodeFolderTreeEntry(const FolderTreeEntry& entry) {
    std::string_view target = CutCp949(entry.target, kLongTextLimit);
    std::string_view remote = CutCp949(entry.remotePath, kLongTextLimit);
    CPayloadWriter w;
    w.U64(entry.size).U16(static_cast<uint16_t>(target.size()));
    w.U16(static_cast<uint16_t>(remote.size())).Bytes(target).Bytes(remote);
    return Make(PEER_FOLDER_TREE_ENTRY, w);
}

bool DecodeFolderTreeEntry(std::string_view payload, FolderTreeEntry& entry) {
    CPayloadReader r(payload);
    uint16_t m = 0;
    uint16_t n = 0;
    return r.U64(entry.size) && r.U16(m) && r.U16(n) && GetWire(r, m, entry.target) &&
           GetWire(r, n, entry.remotePath);
}

}  // namespace velorin
