#pragma once
// The file side of a transfer entry: where a download is written while it
// runs ("_velorin_" + name beside its final place), how far it resumes, how
// the bytes move, the final name, and the points line afterwards. Sizes and
// offsets are 64-bit throughout. The worker sets the entry's `Message` from
// the `failure` texts under its queue lock.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "fileserver/local_file.h"
#include "net/tcp_socket.h"
#include "transfer/transfer_entry.h"

namespace velorin {

class CTransferContext;

inline constexpr const char* kTemporaryPrefix = "_velorin_";

struct DownloadPaths {
    std::string folder;     // where both files lie
    std::string temporary;  // folder + "_velorin_" + name
    std::string final;      // folder + name
};

// The paths of a download entry's `FileName` ("\"-separated relative folders
// allowed) in `downloadPath`; nothing for a name that could leave the folder
// (empty, ".", ".." or "/" in a component).
std::optional<DownloadPaths> DownloadPathsOf(const std::string& downloadPath,
                                             const std::string& fileName);

// The size of an existing temporary file, 0 without one.
uint64_t TemporarySize(const std::string& temporaryPath);
// The resume offset of a new reservation by `continueRecv` (0 ask, 1 start
// over, 2 resume); `askResume` puts the question.
uint64_t DecideResume(const std::string& temporaryPath, uint32_t continueRecv,
                      const std::function<bool()>& askResume);

// Settles `ResumeOffset` against the temporary file and opens it, creating
// the missing folders. The entry's `FileSize` is the remote size.
bool OpenDownloadTarget(TransferEntry& entry, const std::string& downloadPath, CLocalFile& file,
                        std::string& failure);
// Writes the raw bytes after a good download answer until the file is whole,
// the connection ends or `running` drops. True when whole ("완료").
bool ReceiveData(TransferEntry& entry, CTcpSocket& socket, CLocalFile& file,
                 const std::atomic<uint32_t>& running, uint32_t now, std::string& failure);
bool OpenUploadSource(const TransferEntry& entry, CLocalFile& file, std::string& failure);
// Sends the file from the server's `offset` up to `FileSize`. True when whole.
bool SendData(TransferEntry& entry, CTcpSocket& socket, CLocalFile& file, uint64_t offset,
              std::string& failure);
// Moves a finished temporary file to its final name: a plain name that is
// taken gets the first free "name(n).ext"; a name with relative folders stays
// temporary when its final name is taken. Returns where the file is.
std::string FinishDownload(const std::string& downloadPath, const std::string& fileName);
// The local charge for what a download moved and its event-log line; after a
// payment, the balance request and WM_POINTS_CHANGED. `message` is the
// entry's message as the attempt left it.
void SettlePoints(const TransferEntry& entry, const std::string& message, const std::string& peerId,
                  CTransferContext& context);

}  // namespace velorin
