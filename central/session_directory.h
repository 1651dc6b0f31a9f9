#pragma once
// The members who are online on the session server, with their server
// records in sign-in order. Lives on the event loop; no locks.
//
// Every record gets a serial number, the list's cursor (see
// service/session_messages.h): a page holds the records above the cursor.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "service/server_record.h"

namespace velorin::central {

class CSessionConnection;

class CSessionDirectory {
public:
    // The serial of the new record. When the serials run out, every record is
    // renumbered from 1 and its session told its new serial.
    uint32_t Add(CSessionConnection* session, std::string_view memberId,
                 const ServerRecordBytes& record);
    void Remove(uint32_t serial, std::string_view memberId);
    CSessionConnection* Find(std::string_view memberId) const;
    void SetIconFlag(uint32_t serial, uint32_t iconFlag);
    // Up to 150 records whose serial is above `cursor`; returns the page's cursor.
    uint32_t Page(uint32_t cursor, std::vector<ServerRecordBytes>& records) const;
    size_t Count() const { return records_.size(); }

    // Test hook: the serial the next record gets.
    void SetNextSerial(uint32_t serial) { nextSerial_ = serial; }

private:
    struct Entry {
        ServerRecordBytes record;
        CSessionConnection* session;
    };
    void Renumber();

    std::map<uint32_t, Entry> records_;
    std::unordered_map<std::string, CSessionConnection*> online_;  // by MemberKey
    uint32_t nextSerial_ = 1;
};

}  // namespace velorin::central
