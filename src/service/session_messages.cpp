#include "service/session_messages.h"

#include <algorithm>

#include "net/payload.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {

constexpr size_t kPageHeaderSize = 5;
constexpr size_t kNoteHeaderSize = kMemberIdSize + 4;

std::string OneU32(uint32_t value) {
    CPayloadWriter w;
    w.U32(value);
    return w.Take();
}

bool ReadOneU32(std::string_view payload, uint32_t& value) {
    CPayloadReader r(payload);
    return payload.size() == 4 && r.U32(value);
}

}  // namespace

std::string EncodeSignInRequest(const SignInRequest& request) {
    std::string description = request.description;
    std::replace(description.begin(), description.end(), '\'', ' ');
    CPayloadWriter w;
    w.U32(request.version).Fixed(request.userId, kMemberIdSize);
    PutPassword(w, request.password);
    PutPassword(w, request.encipheredPassword);
    PutNetworkOrder(w, request.tcpPort);
    PutNetworkOrder(w, request.udpPort);
    w.I8(request.category)
        .Fixed(description, kServerDescriptionSize)
        .U32(request.quickSend)
        .U32(request.reachable)
        .I32(request.roundTrip);
    return w.Take();
}

bool DecodeSignInRequest(std::string_view payload, SignInRequest& request) {
    if (payload.size() != kSignInRequestSize) return false;
    CPayloadReader r(payload);
    return r.U32(request.version) && r.Fixed(kMemberIdSize, request.userId) &&
           GetPassword(r, request.password) && GetPassword(r, request.encipheredPassword) &&
           GetNetworkOrder(r, request.tcpPort) && GetNetworkOrder(r, request.udpPort) &&
           r.I8(request.category) && r.Fixed(kServerDescriptionSize, request.description) &&
           r.U32(request.quickSend) && r.U32(request.reachable) && r.I32(request.roundTrip);
}

std::string EncodeSignInResult(int32_t code) {
    return OneU32(static_cast<uint32_t>(code));
}

bool DecodeSignInResult(std::string_view payload, int32_t& code) {
    uint32_t value = 0;
    if (!ReadOneU32(payload, value)) return false;
    code = static_cast<int32_t>(value);
    return true;
}

std::string EncodeServerListRequest(uint32_t cursor) {
    return OneU32(cursor);
}

bool DecodeServerListRequest(std::string_view payload, uint32_t& cursor) {
    return ReadOneU32(payload, cursor);
}

std::string EncodeServerListPage(uint32_t cursor, const std::vector<ServerRecordBytes>& records) {
    size_t count = std::min(records.size(), kServerListPageRecords);
    CPayloadWriter w;
    w.U32(cursor).U8(static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i) {
        w.Bytes(std::string_view(records[i].data(), records[i].size()));
    }
    return w.Take();
}

bool DecodeServerListPage(std::string_view payload, uint32_t& cursor,
                          std::vector<ServerRecord>& records) {
    CPayloadReader r(payload);
    uint8_t count = 0;
    if (!r.U32(cursor) || !r.U8(count)) return false;
    if (payload.size() != kPageHeaderSize + count * kServerRecordSize) return false;
    records.assign(count, ServerRecord{});
    for (size_t i = 0; i < count; ++i) {
        std::string_view bytes =
            payload.substr(kPageHeaderSize + i * kServerRecordSize, kServerRecordSize);
        if (!DecodeServerRecord(bytes, records[i])) return false;
    }
    return true;
}

std::string EncodeMemberInformation(const MemberInformation& info) {
    CPayloadWriter w;
    w.Fixed(info.userId, kMemberIdSize)
        .I64(info.balance)
        .U32(info.age)
        .U32(info.visitorValue)
        .U32(info.warnings)
        .U32(info.restrictionTime)
        .U32(info.unused);
    return w.Take();
}

bool DecodeMemberInformation(std::string_view payload, MemberInformation& info) {
    if (payload.size() != kMemberInformationSize) return false;
    CPayloadReader r(payload);
    return r.Fixed(kMemberIdSize, info.userId) && r.I64(info.balance) && r.U32(info.age) &&
           r.U32(info.visitorValue) && r.U32(info.warnings) && r.U32(info.restrictionTime) &&
           r.U32(info.unused);
}

std::string EncodePointBalance(int64_t balance) {
    CPayloadWriter w;
    w.I64(balance);
    return w.Take();
}

bool DecodePointBalance(std::string_view payload, int64_t& balance) {
    CPayloadReader r(payload);
    return payload.size() == 8 && r.I64(balance);
}

std::string EncodePowerModeChanged(uint32_t quickSend) {
    return OneU32(quickSend);
}

bool DecodePowerModeChanged(std::string_view payload, uint32_t& quickSend) {
    return ReadOneU32(payload, quickSend);
}

std::string EncodeNote(const Note& note) {
    std::string cp949 = Utf8ToCp949(note.text);
    std::string_view text = CutCp949(cp949, kNoteTextLimit);
    CPayloadWriter w;
    w.Fixed(note.memberId, kMemberIdSize).U32(static_cast<uint32_t>(text.size())).Bytes(text);
    return w.Take();
}

bool DecodeNote(std::string_view payload, Note& note) {
    CPayloadReader r(payload);
    uint32_t length = 0;
    if (!r.Fixed(kMemberIdSize, note.memberId) || !r.U32(length)) return false;
    if (length > kNoteTextLimit || payload.size() != kNoteHeaderSize + length) return false;
    note.text = Cp949ToUtf8(payload.substr(kNoteHeaderSize));
    return true;
}

std::string EncodeSignedInElsewhere(uint32_t value) {
    return OneU32(value);
}

bool DecodeSignedInElsewhere(std::string_view payload, uint32_t& value) {
    return ReadOneU32(payload, value);
}

}  // namespace velorin
