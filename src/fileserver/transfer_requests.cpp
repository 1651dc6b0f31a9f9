#include "fileserver/transfer_requests.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "data/complete_list.h"
#include "data/process_options.h"
#include "data/share_database.h"
#include "data/share_rules.h"
#include "fileserver/block_pacer.h"
#include "fileserver/local_file.h"
#include "fileserver/peer_messages.h"
#include "fileserver/point_balance.h"
#include "fileserver/remote_path.h"
#include "fileserver/server_transfer_list.h"
#include "fileserver/upload_targets.h"
#include "fileserver/visitor_session.h"
#include "platform/status_lines.h"

namespace velorin {
namespace {

// The file named by a remote path, for reading; nothing when it is not a
// visible regular file inside its published folder.
std::optional<CLocalFile> OpenServedFile(const std::string& sharePath, const RemotePath& path) {
    CShareRoot root;
    if (!root.Open(sharePath)) return std::nullopt;
    std::optional<std::string> local = root.Resolve(path.components);
    if (path.components.empty() || !local) return std::nullopt;
    std::optional<CLocalFile> file = CLocalFile::OpenForReading(*local);
    if (file && !root.Holds(*file)) return std::nullopt;
    return file;
}

uint32_t ClampPrice(int64_t price) {
    return price > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                        : static_cast<uint32_t>(price);
}

bool SendUploadAnswer(IVisitorSession& session, int8_t code, uint64_t offset = 0) {
    return session.Send(EncodeUploadAnswer({code, offset}));
}

}  // namespace

int CTransferRequests::FileInfo(IVisitorSession& session, std::string_view payload) {
    std::string wire;
    if (DecodePathRequest(payload, wire) != DecodeStatus::kOk || !session.SignedOn()) return -1;
    RemotePath path = SplitRemotePath(wire);
    if (path.kind == kRemoteInvalid || path.kind == kRemoteRoot) return -1;

    FileInfoAnswer answer;
    std::string sharePath;
    std::string visitor = session.VisitorId();
    std::optional<CLocalFile> file;
    if (!LookupSharePath(parts_.db, path.folder, sharePath)) {
        answer.code = kTransferInvalidPath;
    } else if (!parts_.db.HasPermission(path.folder, visitor, kPermissionDownload)) {
        answer.code = kTransferNoDownloadRight;
    } else if (!(file = OpenServedFile(sharePath, path)) || !file->Size(answer.size)) {
        answer.code = kTransferCannotOpen;
    } else {
        answer.rights = parts_.db.GetPermission(path.folder, visitor);
    }
    return session.Send(EncodeFileInfoAnswer(answer)) ? 0 : -1;
}

int CTransferRequests::Download(IVisitorSession& session, std::string_view payload) {
    DownloadRequest request;
    if (DecodeDownloadRequest(payload, request) != DecodeStatus::kOk || !session.SignedOn()) {
        return -1;
    }
    RemotePath path = SplitRemotePath(request.path);
    if (path.kind == kRemoteInvalid || path.kind == kRemoteRoot) {
        session.Send(EncodeDownloadAnswer(kTransferInvalidPath));
        return -1;
    }
    std::string sharePath;
    if (!LookupSharePath(parts_.db, path.folder, sharePath)) {
        return session.Send(EncodeDownloadAnswer(kTransferInvalidPath)) ? 0 : -1;
    }
    std::string visitor = session.VisitorId();
    // Tested again here: a visitor that skips the file information gets nothing.
    if (!parts_.db.HasPermission(path.folder, visitor, kPermissionDownload)) {
        session.Send(EncodeDownloadAnswer(kTransferNoDownloadRight));
        return -1;
    }
    std::optional<CLocalFile> file = OpenServedFile(sharePath, path);
    if (!file) return session.Send(EncodeDownloadAnswer(kTransferCannotOpen)) ? 0 : -1;
    uint64_t size = 0;
    // An offset past the end would send nothing and price a negative remainder.
    if (!file->Size(size) || request.offset > size || !file->Seek(request.offset)) {
        session.Send(EncodeDownloadAnswer(kTransferCannotOpen));
        return -1;
    }
    // A checked ticket holds the buyer's points until it is settled.
    bool ticketed = false;
    if (std::optional<uint32_t> price = CheckPriceOf(size, request.offset)) {
        ticketed = *price > 0;
        if (session.CheckPoints(*price, request.tickets) != 0) {
            session.Send(EncodeDownloadAnswer(kTransferNoPayment));
            return -1;
        }
    }
    PaymentReceipt receipt;
    // Under a mebibyte moved is free; paying 0 settles a checked ticket, so the
    // central returns the buyer's reservation now instead of holding it.
    auto settleUnpaid = [&] {
        if (ticketed && session.CollectPayment(0, request.tickets, receipt) == 0) {
            parts_.balance.SetBalance(receipt.newBalance);
        }
    };
    if (!session.Send(EncodeDownloadAnswer(kAnswerOk))) {
        settleUnpaid();
        return -1;
    }

    // The size taken now decides completion; a file that grows meanwhile is
    // sent only up to it, so the visitor receives exactly what it was told.
    uint64_t sizeNow = 0;
    if (file->Size(sizeNow)) size = sizeNow;
    const std::string& fileName = path.components.back();
    uint64_t record = parts_.transfers.Track(visitor, fileName, kServerKindDownload, size,
                                             request.offset, &session);
    CBlockPacer pacer(parts_.clock);
    std::vector<char> block(kTransferBlock);
    uint64_t position = request.offset;
    bool readFailed = false;
    bool sendFailed = false;
    while (session.Running() && position < size) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), size - position));
        long n = file->Read(block.data(), want);
        if (n <= 0) {
            readFailed = n < 0;
            break;
        }
        pacer.WaitForBlock(parts_.options.LimitSpeed);
        if (!session.SendRaw(std::string_view(block.data(), static_cast<size_t>(n)))) {
            sendFailed = true;
            break;
        }
        position += static_cast<uint64_t>(n);
        parts_.transfers.Update(record, position - request.offset, kTransferStateTransferring);
    }
    file->Close();

    uint64_t moved = position - request.offset;
    // A file that shrank below its size (or below the offset) fails.
    bool completed = position == size;
    parts_.transfers.Update(record, moved,
                            completed ? kTransferStateCompleted : kTransferStateFailed);
    if (completed && parts_.options.TransCompleteSave != 0) {
        parts_.completeList.Add("UP", visitor, fileName, static_cast<int64_t>(size));
    }
    parts_.transfers.Notify();

    // The bytes already sent are charged even when the transfer was stopped.
    uint32_t price = ClampPrice(parts_.balance.QuotePrice(size, moved));
    if (price == 0) {
        settleUnpaid();
    } else if (session.CollectPayment(price, request.tickets, receipt) == 0) {
        if (parts_.statusLine)
            parts_.statusLine(CreditLine(visitor, receipt.credited), kStatusPayment);
        parts_.balance.SetBalance(receipt.newBalance);
    }
    if (readFailed) parts_.clock.SleepFor(std::chrono::milliseconds(100));
    if (sendFailed) parts_.clock.SleepFor(std::chrono::milliseconds(10));
    return -1;
}

int CTransferRequests::UploadQuery(IVisitorSession& session, std::string_view payload) {
    std::string wire;
    if (DecodePathRequest(payload, wire) != DecodeStatus::kOk || !session.SignedOn()) return -1;
    RemotePath path = SplitRemotePath(wire);
    if (path.kind == kRemoteInvalid || path.kind == kRemoteRoot) {
        return session.Send(EncodeUploadQueryAnswer({kTransferInvalidPath, 0})) ? 0 : -1;
    }
    std::string sharePath;
    if (!LookupSharePath(parts_.db, path.folder, sharePath)) {
        session.Send(EncodeUploadQueryAnswer({kTransferInvalidPath, 0}));
        return -1;
    }
    if (!parts_.db.HasPermission(path.folder, session.VisitorId(), kPermissionUpload)) {
        return session.Send(EncodeUploadQueryAnswer({kTransferNoUploadRight, 0})) ? 0 : -1;
    }
    uint64_t offset = 0;
    CShareRoot root;
    if (parts_.options.ContinueServerRecv == 0 && root.Open(sharePath) &&
        !path.components.empty()) {
        if (std::optional<std::string> local = root.Resolve(path.components)) {
            offset = RegularFileSize(*local).value_or(0);
        }
    }
    return session.Send(EncodeUploadQueryAnswer({kAnswerOk, offset})) ? 0 : -1;
}

int CTransferRequests::Upload(IVisitorSession& session, std::string_view payload) {
    UploadRequest request;
    if (DecodeUploadRequest(payload, request) != DecodeStatus::kOk || !session.SignedOn()) {
        return -1;
    }
    RemotePath path = SplitRemotePath(request.path);
    std::string sharePath;
    if (path.kind == kRemoteInvalid || path.kind == kRemoteRoot ||
        !LookupSharePath(parts_.db, path.folder, sharePath)) {
        return SendUploadAnswer(session, kTransferInvalidPath) ? 0 : -1;
    }
    std::string visitor = session.VisitorId();
    if (!parts_.db.HasPermission(path.folder, visitor, kPermissionUpload)) {
        return SendUploadAnswer(session, kTransferNoUploadRight) ? 0 : -1;
    }
    CShareRoot root;
    std::optional<std::string> local;
    std::optional<CLocalFile> file;
    if (!root.Open(sharePath) || !(local = root.ResolveForWrite(path.components)) ||
        !(file = CLocalFile::OpenForWriting(*local)) || !root.Holds(*file)) {
        SendUploadAnswer(session, kTransferCannotWrite);
        return -1;
    }
    // Claimed before anything is cut: the upload already running keeps its bytes.
    std::optional<CUploadClaim> claim = parts_.uploads.Claim(file->Identity());
    uint64_t length = 0;
    if (!claim || !file->Size(length)) {
        SendUploadAnswer(session, kTransferCannotWrite);
        return -1;
    }
    uint64_t offset = 0;
    bool resume = parts_.options.ContinueServerRecv == 0 && request.total >= length;
    if (resume ? !file->Seek(length) : !file->Truncate()) {
        SendUploadAnswer(session, kTransferCannotWrite);
        return -1;
    }
    if (resume) offset = length;
    if (!SendUploadAnswer(session, kAnswerOk, offset)) return -1;

    uint64_t record = parts_.transfers.Track(visitor, path.rest, kServerKindUpload, request.total,
                                             offset, &session);
    std::vector<char> block(kTransferBlock);
    uint64_t received = 0;
    while (offset + received < request.total && session.Running()) {
        // Never more than announced: the file does not grow past the total.
        size_t want = static_cast<size_t>(
            std::min<uint64_t>(block.size(), request.total - offset - received));
        long n = session.ReceiveRaw(block.data(), want);
        if (n <= 0 || static_cast<size_t>(n) > want ||
            !file->WriteAll(block.data(), static_cast<size_t>(n))) {
            break;
        }
        received += static_cast<uint64_t>(n);
        parts_.transfers.Update(record, received, kTransferStateTransferring);
    }
    file->Close();
    bool completed = offset + received == request.total;
    parts_.transfers.Update(record, received,
                            completed ? kTransferStateCompleted : kTransferStateFailed);
    parts_.transfers.Notify();
    return -1;
}

}  // namespace velorin
