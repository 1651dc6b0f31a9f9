#include "fileserver/peer_requests.h"

#include "fileserver/browse_requests.h"
#include "fileserver/peer_messages.h"
#include "fileserver/transfer_requests.h"

namespace velorin {

std::optional<int> DispatchPeerRequest(CBrowseRequests& browse, CTransferRequests& transfer,
                                       IVisitorSession& session, const Packet& packet) {
    switch (packet.type) {
        case PEER_LIST:
            return browse.List(session, packet.payload);
        case PEER_FOLDER_INFO:
            return browse.FolderInfo(session, packet.payload);
        case PEER_FOLDER_TREE:
            return browse.FolderTree(session, packet.payload);
        case PEER_FILE_INFO:
            return transfer.FileInfo(session, packet.payload);
        case PEER_DOWNLOAD:
            return transfer.Download(session, packet.payload);
        case PEER_UPLOAD_QUERY:
            return transfer.UploadQuery(session, packet.payload);
        case PEER_UPLOAD:
            return transfer.Upload(session, packet.payload);
        default:
            return std::nullopt;
    }
}

}  // namespace velorin
