#pragma once
// The transfer list's two reservations as the server explorer calls them.
// The process puts the transfer list behind this; the list itself shows its
// refusals (event log lines, questions) to the person.
#include <cstdint>
#include <string>

namespace velorin {

class IReservations {
public:
    virtual ~IReservations() = default;
    // Address and port in network byte order, as server records hold them.
    // True when the entry went into the list.
    virtual bool ReserveDownload(const std::string& userId, const std::string& remoteFolder,
                                 const std::string& fileName, uint64_t size, uint32_t address,
                                 uint16_t port) = 0;
    virtual bool ReserveUpload(const std::string& userId, const std::string& remoteFolder,
                               const std::string& localPath, uint64_t size, uint32_t address,
                               uint16_t port) = 0;
};

}  // namespace velorin
