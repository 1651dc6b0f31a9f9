#pragma once
// Messages of the session server link (TCP 3823), one encoder and one decoder
// each, for the client and the server alike. Payloads only: the envelope is
// net/packet.h. Every decoder wants the exact size of its layout.
//
// Client to server:                         Server to client:
//   1001 sign-in request (115 bytes)          1002 sign-in result, i32 code
//   5    sign-off (empty)                     2003 server list page
//   2001 server list request, u32 cursor      2007 member information (48 bytes)
//   2015 power mode changed, u32 QUICKSEND    2013 point balance, i64
//   2017 note to a member                     2019 note from a member
//   3000 keep-alive (empty)                   4000 signed in elsewhere, u32 value
//
// How velorin-central fills what the layouts leave open:
// - Sign-in results: 0 accepted; -1 account disabled; -2 unknown ID or wrong
//   password; -4 client version below the server's minimum. -3 is never sent:
//   a second sign-in with an ID that is online replaces the first session,
//   which receives 4000 with -1 and is closed.
// - The password is checked in the field "as typed" (offset 24); the
//   enciphered copy at offset 36 is not read (a client whose cipher cannot
//   open sends plain bytes there).
// - Member information: bytes 0 to 19 carry the member's ID; the last u32 is 0.
// - Server list cursor: every record gets a serial number when its member
//   signs in. A page holds the records whose serial is above the request's
//   cursor, in serial order, at most 150; its cursor is the serial of its last
//   record (the request's cursor when it is empty). Members who sign in during
//   a download are appended, members who leave drop out, nobody appears twice.
// - Notes: a text of more than 200 bytes does not decode and is not relayed.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "service/server_record.h"
#include "service/wire_fields.h"

namespace velorin {

inline constexpr uint16_t kSessionServerPort = 3823;

inline constexpr uint16_t kSessionSignOff = 5;
inline constexpr uint16_t kSessionSignIn = 1001;
inline constexpr uint16_t kSessionSignInResult = 1002;
inline constexpr uint16_t kServerListRequest = 2001;
inline constexpr uint16_t kServerListPage = 2003;
inline constexpr uint16_t kMemberInformation = 2007;
inline constexpr uint16_t kPointBalance = 2013;
inline constexpr uint16_t kPowerModeChanged = 2015;
inline constexpr uint16_t kNoteToMember = 2017;
inline constexpr uint16_t kNoteFromMember = 2019;
inline constexpr uint16_t kKeepAlive = 3000;
inline constexpr uint16_t kSignedInElsewhere = 4000;

inline constexpr int32_t kSignInAccepted = 0;
inline constexpr int32_t kSignInDisabled = -1;
inline constexpr int32_t kSignInBadCredentials = -2;
inline constexpr int32_t kSignInAlreadyOnline = -3;
inline constexpr int32_t kSignInBadVersion = -4;
inline constexpr uint32_t kElsewhereLeave = 0xFFFFFFFF;  // -1: leave now

inline constexpr size_t kSignInRequestSize = 115;
inline constexpr size_t kMemberInformationSize = 48;
inline constexpr size_t kServerListPageRecords = 150;
inline constexpr size_t kNoteTextLimit = 200;

struct SignInRequest {
    uint32_t version = 1;
    std::string userId;
    PasswordField password{};            // as typed
    PasswordField encipheredPassword{};  // the client's enciphered copy of `password`
    uint16_t tcpPort = 0;                // network byte order
    uint16_t udpPort = 0;                // network byte order
    int8_t category = 5;                 // DataGroup
    std::string description;             // ServerName; the encoder turns every "'" into a blank
    uint32_t quickSend = 1;
    uint32_t reachable = 0;  // the probe's verdict
    int32_t roundTrip = -1;  // the probe's round trip in ms, -1 when unreachable
};

struct MemberInformation {
    std::string userId;  // not read by the client
    int64_t balance = 0;
    uint32_t age = 0;
    uint32_t visitorValue = 0;  // passed on to the member's visitors
    uint32_t warnings = 0;
    uint32_t restrictionTime = 0;  // seconds since 1970, 0 for none
    uint32_t unused = 0;
};

// 2017 and 2019 share a layout: member ID (recipient or sender), u32 length n,
// n bytes of text; n + 24 bytes in all.
struct Note {
    std::string memberId;
    std::string text;  // UTF-8
};

std::string EncodeSignInRequest(const SignInRequest& request);
bool DecodeSignInRequest(std::string_view payload, SignInRequest& request);

// Also the cache server's sign-in result.
std::string EncodeSignInResult(int32_t code);
bool DecodeSignInResult(std::string_view payload, int32_t& code);

std::string EncodeServerListRequest(uint32_t cursor);
bool DecodeServerListRequest(std::string_view payload, uint32_t& cursor);

// u32 cursor, u8 count, count records. At most 150 records.
std::string EncodeServerListPage(uint32_t cursor, const std::vector<ServerRecordBytes>& records);
bool DecodeServerListPage(std::string_view payload, uint32_t& cursor,
                          std::vector<ServerRecord>& records);

std::string EncodeMemberInformation(const MemberInformation& info);
bool DecodeMemberInformation(std::string_view payload, MemberInformation& info);

// Also the cache server's balance answer.
std::string EncodePointBalance(int64_t balance);
bool DecodePointBalance(std::string_view payload, int64_t& balance);

std::string EncodePowerModeChanged(uint32_t quickSend);
bool DecodePowerModeChanged(std::string_view payload, uint32_t& quickSend);

// The text is cut to 200 CP949 bytes at a character boundary.
std::string EncodeNote(const Note& note);
bool DecodeNote(std::string_view payload, Note& note);

std::string EncodeSignedInElsewhere(uint32_t value);
bool DecodeSignedInElsewhere(std::string_view payload, uint32_t& value);

}  // namespace velorin
