#pragma once
// The search datagrams: a query from any member to a member's search robot,
// and one answer per matching entry back to the asker. Integers little-endian,
// texts UTF-8 here and CP949 on the wire, no terminators.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/local_time.h"

namespace velorin {

inline constexpr uint16_t kSearchMagic = 29334;
inline constexpr size_t kSearchQueryHead = 22;
inline constexpr size_t kSearchTermMin = 2;
inline constexpr size_t kSearchTermMax = 260;
inline constexpr size_t kSearchExtMax = 256;
// The largest query a robot takes: head, longest term, longest extension.
inline constexpr size_t kSearchQueryMax = kSearchQueryHead + kSearchTermMax + kSearchExtMax;
inline constexpr size_t kSearchAnswerHead = 56;
inline constexpr size_t kSearchTimeSize = 16;
inline constexpr size_t kSearchIdWidth = 20;

struct SearchQuery {
    // The asker's SYSTEMTIME (UTC) at sending, carried back unchanged.
    std::string sendTime = std::string(kSearchTimeSize, '\0');
    std::string term;  // words separated by blanks or "|"
    std::string ext;   // without dot; empty: any
};

struct SearchAnswer {
    std::string memberId;
    std::string sendTime = std::string(kSearchTimeSize, '\0');
    uint64_t size = 0;
    std::string name;
    std::string path;
    std::string ext;
    uint32_t type = 0;  // 0 file, 1 folder
};

// Writes the texts as they are, whatever their length (tests send bad ones on purpose).
std::string EncodeSearchQuery(const SearchQuery& query);
// Nothing unless the magic is right, the datagram is exactly as long as its
// lengths say, 2 <= T <= 260 and E <= 256 (CP949 bytes).
std::optional<SearchQuery> DecodeSearchQuery(std::string_view datagram);

// The send time field: a SYSTEMTIME, eight u16.
std::string EncodeSearchTime(const SystemTime& time);
SystemTime DecodeSearchTime(std::string_view field);
// The answer's round trip from the minute, second and millisecond fields
// alone: negative when the clock passed an hour boundary in between.
int64_t SearchResponseMs(const SystemTime& sent, const SystemTime& now);

std::string EncodeSearchAnswer(const SearchAnswer& answer);
// Nothing unless the magic is right and the datagram is exactly as long as its lengths say.
std::optional<SearchAnswer> DecodeSearchAnswer(std::string_view datagram);

}  // namespace velorin
