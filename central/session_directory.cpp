#include "central/session_directory.h"

#include <limits>

#include "central/member_store.h"
#include "central/session_connection.h"
#include "service/session_messages.h"

namespace velorin::central {

uint32_t CSessionDirectory::Add(CSessionConnection* session, std::string_view memberId,
                                const ServerRecordBytes& record) {
    if (nextSerial_ == std::numeric_limits<uint32_t>::max()) Renumber();
    uint32_t serial = nextSerial_++;
    records_.emplace(serial, Entry{record, session});
    online_[MemberKey(memberId)] = session;
    return serial;
}

void CSessionDirectory::Remove(uint32_t serial, std::string_view memberId) {
    auto it = records_.find(serial);
    if (it == records_.end()) return;
    CSessionConnection* session = it->second.session;
    records_.erase(it);
    auto online = online_.find(MemberKey(memberId));
    if (online != online_.end() && online->second == session) online_.erase(online);
}

CSessionConnection* CSessionDirectory::Find(std::string_view memberId) const {
    auto it = online_.find(MemberKey(memberId));
    return it == online_.end() ? nullptr : it->second;
}

void CSessionDirectory::SetIconFlag(uint32_t serial, uint32_t iconFlag) {
    auto it = records_.find(serial);
    if (it != records_.end()) SetServerRecordIconFlag(it->second.record, iconFlag);
}

uint32_t CSessionDirectory::Page(uint32_t cursor, std::vector<ServerRecordBytes>& records) const {
    records.clear();
    for (auto it = records_.upper_bound(cursor);
         it != records_.end() && records.size() < kServerListPageRecords; ++it) {
        records.push_back(it->second.record);
        cursor = it->first;
    }
    return cursor;
}

void CSessionDirectory::Renumber() {
    std::map<uint32_t, Entry> renumbered;
    uint32_t serial = 1;
    for (auto& [old, entry] : records_) {
        entry.session->SetSerial(serial);
        renumbered.emplace(serial++, entry);
    }
    records_.swap(renumbered);
    nextSerial_ = serial;
}

}  // namespace velorin::central
