#include "fileserver/search_datagram.h"

#include "net/payload.h"
#include "platform/text_encoding.h"

namespace velorin {
namespace {

std::string TimeField(std::string_view time) {
    std::string field(time.substr(0, kSearchTimeSize));
    field.resize(kSearchTimeSize, '\0');
    return field;
}

}  // namespace

std::string EncodeSearchQuery(const SearchQuery& query) {
    std::string term = Utf8ToCp949(query.term);
    std::string ext = Utf8ToCp949(query.ext);
    CPayloadWriter w;
    w.U16(kSearchMagic)
        .Bytes(TimeField(query.sendTime))
        .U16(static_cast<uint16_t>(term.size()))
        .U16(static_cast<uint16_t>(ext.size()))
        .Bytes(term)
        .Bytes(ext);
    return w.Take();
}

std::optional<SearchQuery> DecodeSearchQuery(std::string_view datagram) {
    CPayloadReader r(datagram);
    uint16_t magic = 0, termSize = 0, extSize = 0;
    SearchQuery query;
    if (!r.U16(magic) || magic != kSearchMagic || !r.Bytes(kSearchTimeSize, query.sendTime) ||
        !r.U16(termSize) || !r.U16(extSize)) {
        return std::nullopt;
    }
    if (termSize < kSearchTermMin || termSize > kSearchTermMax || extSize > kSearchExtMax ||
        r.Remaining() != size_t{termSize} + extSize) {
        return std::nullopt;
    }
    std::string term, ext;
    if (!r.Bytes(termSize, term) || !r.Bytes(extSize, ext)) return std::nullopt;
    query.term = Cp949ToUtf8(term);
    query.ext = Cp949ToUtf8(ext);
    return query;
}

std::string EncodeSearchTime(const SystemTime& t) {
    CPayloadWriter w;
    w.U16(t.year).U16(t.month).U16(t.dayOfWeek).U16(t.day);
    w.U16(t.hour).U16(t.minute).U16(t.second).U16(t.millisecond);
    return w.Take();
}

SystemTime DecodeSearchTime(std::string_view field) {
    std::string padded = TimeField(field);
    CPayloadReader r(padded);
    SystemTime t;
    // Sixteen bytes always hold eight fields.
    if (!(r.U16(t.year) && r.U16(t.month) && r.U16(t.dayOfWeek) && r.U16(t.day) && r.U16(t.hour) &&
          r.U16(t.minute) && r.U16(t.second) && r.U16(t.millisecond))) {
        return SystemTime{};
    }
    return t;
}

int64_t SearchResponseMs(const SystemTime& sent, const SystemTime& now) {
    int64_t seconds = (int64_t{now.minute} - sent.minute) * 60 - sent.second + now.second;
    return seconds * 1000 - sent.millisecond + now.millisecond;
}

std::string EncodeSearchAnswer(const SearchAnswer& answer) {
    std::string name = Utf8ToCp949(answer.name);
    std::string path = Utf8ToCp949(answer.path);
    std::string ext = Utf8ToCp949(answer.ext);
    CPayloadWriter w;
    w.U16(kSearchMagic)
        .Fixed(answer.memberId, kSearchIdWidth)
        .Bytes(TimeField(answer.sendTime))
        .U64(answer.size)
        .U16(static_cast<uint16_t>(name.size()))
        .U16(static_cast<uint16_t>(path.size()))
        .U16(static_cast<uint16_t>(ext.size()))
        .U32(answer.type)
        .Bytes(name)
        .Bytes(path)
        .Bytes(ext);
    return w.Take();
}

std::optional<SearchAnswer> DecodeSearchAnswer(std::string_view datagram) {
    CPayloadReader r(datagram);
    uint16_t magic = 0, nameSize = 0, pathSize = 0, extSize = 0;
    SearchAnswer answer;
    if (!r.U16(magic) || magic != kSearchMagic || !r.Fixed(kSearchIdWidth, answer.memberId) ||
        !r.Bytes(kSearchTimeSize, answer.sendTime) || !r.U64(answer.size) || !r.U16(nameSize) ||
        !r.U16(pathSize) || !r.U16(extSize) || !r.U32(answer.type)) {
        return std::nullopt;
    }
    if (r.Remaining() != size_t{nameSize} + pathSize + extSize) return std::nullopt;
    std::string name, path, ext;
    if (!r.Bytes(nameSize, name) || !r.Bytes(pathSize, path) || !r.Bytes(extSize, ext)) {
        return std::nullopt;
    }
    answer.name = Cp949ToUtf8(name);
    answer.path = Cp949ToUtf8(path);
    answer.ext = Cp949ToUtf8(ext);
    return answer;
}

}  // namespace velorin
