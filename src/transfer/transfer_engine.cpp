#include "transfer/transfer_engine.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "fileserver/peer_messages.h"
#include "fileserver/point_balance.h"
#include "fileserver/server_clock.h"
#include "platform/error_text.h"
#include "platform/status_lines.h"
#include "platform/strings.h"
#include "transfer/transfer_context.h"
#include "transfer/transfer_texts.h"

namespace velorin {
namespace fs = std::filesystem;

namespace {

// How many numbered names a finished download tries before it stays temporary.
constexpr int kNumberedNames = 9999;
// The wait before the balance request after a payment.
constexpr std::chrono::milliseconds kBalanceDelay(900);

std::vector<std::string> SplitBackslash(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = text.find('\\', start);
        parts.push_back(
            text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

bool SafeComponent(const std::string& part) {
    return !part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos &&
           part.find('\0') == std::string::npos;
}

// Renames without ever replacing an existing file; EEXIST when `to` is taken.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag: link fails on a taken name as well.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

std::string SystemText(const char* prefix, int error) {
    std::string text = prefix ? std::string(prefix) + " " : std::string();
    return CutMessage(text + ErrorText(error));
}

}  // namespace

std::optional<DownloadPaths> DownloadPathsOf(const std::string& downloadPath,
                                             const std::string& fileName) {
    std::vector<std::string> parts = SplitBackslash(fileName);
    if (!std::all_of(parts.begin(), parts.end(), SafeComponent)) return std::nullopt;
    std::string folder = downloadPath;
    if (folder.empty() || folder.back() != '/') folder += '/';
    for (size_t i = 0; i + 1 < parts.size(); ++i) folder += parts[i] + "/";
    return DownloadPaths{folder, folder + kTemporaryPrefix + parts.back(), folder + parts.back()};
}

uint64_t TemporarySize(const std::string& temporaryPath) {
    return RegularFileSize(temporaryPath).value_or(0);
}

uint64_t DecideResume(const std::string& temporaryPath, uint32_t continueRecv,
                      const std::function<bool()>& askResume) {
    std::optional<CLocalFile> file = CLocalFile::OpenForReading(temporaryPath);
    uint64_t size = 0;
    if (!file || !file->Size(size) || size == 0) return 0;
    switch (continueRecv) {
        case 0:
            return askResume && askResume() ? size : 0;
        case 2:
            return size;
        default:
            return 0;
    }
}

bool OpenDownloadTarget(TransferEntry& entry, const std::string& downloadPath, CLocalFile& file,
                        std::string& failure) {
    std::optional<DownloadPaths> paths = DownloadPathsOf(downloadPath, entry.FileName);
    if (!paths) {
        failure = transfer_text::kCannotOpen;
        return false;
    }
    std::error_code ec;
    fs::create_directories(paths->folder, ec);
    std::optional<CLocalFile> opened = CLocalFile::OpenForWriting(paths->temporary);
    if (!opened) {
        // The person learns why: a folder without write access, a full disk.
        failure = SystemText(transfer_text::kCannotOpen, errno);
        return false;
    }
    uint64_t offset = entry.ResumeOffset;
    uint64_t length = 0;
    if (!opened->Size(length) || length != offset || offset > entry.FileSize) offset = 0;
    if (offset == 0 ? !opened->Truncate() : !opened->Seek(offset)) {
        failure = SystemText(transfer_text::kCannotOpen, errno);
        return false;
    }
    entry.ResumeOffset = offset;
    file = std::move(*opened);
    return true;
}

bool ReceiveData(TransferEntry& entry, CTcpSocket& socket, CLocalFile& file,
                 const std::atomic<uint32_t>& running, uint32_t now, std::string& failure) {
    entry.StartTime = now;
    std::vector<char> block(kTransferBlock);
    bool writeFailed = false;
    auto present = [&entry] { return entry.ResumeOffset + entry.MovedBytes; };
    while (running == 1 && present() < entry.FileSize) {
        // Never more than the file's rest: a server that sends too much cannot
        // make the file grow past the size it announced.
        size_t want =
            static_cast<size_t>(std::min<uint64_t>(block.size(), entry.FileSize - present()));
        long n = socket.ReceiveSome(block.data(), want);
        if (n < 1) break;
        if (!file.WriteAll(block.data(), static_cast<size_t>(n))) {
            failure = SystemText(nullptr, errno);
            writeFailed = true;
            break;
        }
        entry.MovedBytes += static_cast<uint64_t>(n);
    }
    if (present() == entry.FileSize && !writeFailed) {
        char extra = 0;
        // Bytes beyond the announced size mean the server does not send what it said.
        if (socket.ReceiveSome(&extra, 1, MSG_PEEK | MSG_DONTWAIT) > 0) {
            failure.clear();
            return false;
        }
        if (!file.Sync()) {
            failure = SystemText(nullptr, errno);
            return false;
        }
        failure = transfer_text::kDone;
        return true;
    }
    if (!writeFailed) failure = transfer_text::kDisconnected;
    return false;
}

bool OpenUploadSource(const TransferEntry& entry, CLocalFile& file, std::string& failure) {
    std::optional<CLocalFile> opened = CLocalFile::OpenForReading(entry.FileName);
    if (!opened) {
        failure = SystemText(transfer_text::kCannotOpen, errno);
        return false;
    }
    file = std::move(*opened);
    return true;
}

bool SendData(TransferEntry& entry, CTcpSocket& socket, CLocalFile& file, uint64_t offset,
              std::string& failure) {
    uint64_t length = 0;
    if (!file.Size(length) || offset > length || !file.Seek(offset)) {
        failure.clear();
        return false;
    }
    entry.ResumeOffset = offset;
    entry.MovedBytes = 0;
    std::vector<char> block(kTransferBlock);
    bool readFailed = false;
    auto present = [&entry] { return entry.ResumeOffset + entry.MovedBytes; };
    while (present() < entry.FileSize) {
        size_t want =
            static_cast<size_t>(std::min<uint64_t>(block.size(), entry.FileSize - present()));
        long n = file.Read(block.data(), want);
        if (n < 0) {
            failure = SystemText(nullptr, errno);
            readFailed = true;
        }
        if (n <= 0) break;
        if (socket.SendAll(block.data(), static_cast<size_t>(n)) != n) break;
        entry.MovedBytes += static_cast<uint64_t>(n);
    }
    if (present() == entry.FileSize) {
        failure = transfer_text::kDone;
        return true;
    }
    if (!readFailed) failure = transfer_text::kDisconnected;
    return false;
}

std::string FinishDownload(const std::string& downloadPath, const std::string& fileName) {
    std::optional<DownloadPaths> paths = DownloadPathsOf(downloadPath, fileName);
    if (!paths) return {};
    if (RenameNoReplace(paths->temporary, paths->final)) return paths->final;
    if (fileName.find('\\') != std::string::npos) return paths->temporary;
    std::string name = paths->final.substr(paths->folder.size());
    size_t dot = name.rfind('.');
    std::string extension;
    if (dot != std::string::npos && dot > 0) {
        extension = name.substr(dot);
        name.resize(dot);
    }
    for (int n = 1; n <= kNumberedNames; ++n) {
        std::string candidate = paths->folder + Format("%s(%d)", name.c_str(), n) + extension;
        if (RenameNoReplace(paths->temporary, candidate)) return candidate;
    }
    return paths->temporary;
}

void SettlePoints(const TransferEntry& entry, const std::string& message, const std::string& peerId,
                  CTransferContext& context) {
    int64_t price = context.parts.balance.ChargePrice(entry.FileSize, entry.MovedBytes);
    if (price == 0) {
        static constexpr const char* kRefusals[] = {
            transfer_text::kBlacklisted, transfer_text::kServerFull, transfer_text::kServiceFault,
            transfer_text::kShortOfPoints, transfer_text::kAdultFolder};
        // The entry keeps a cut copy; the line gets the whole text.
        const char* const* refusal =
            std::find_if(std::begin(kRefusals), std::end(kRefusals),
                         [&](const char* text) { return message == CutMessage(text); });
        context.StatusLine(refusal != std::end(kRefusals) ? *refusal : points_text::kPriceRule,
                           kStatusInformation);
        return;
    }
    context.StatusLine(Format(transfer_text::kPaidLine, peerId.c_str(),
                              static_cast<long long>(price), entry.FileName.c_str()),
                       kStatusPayment);
    context.parts.clock.SleepFor(kBalanceDelay);
    if (context.parts.requestBalance) context.parts.requestBalance();
    context.PostPointsChanged();
}

}  // namespace velorin
