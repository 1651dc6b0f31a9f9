// Answer datagrams as any host may send them to a member's search. Whatever
// decodes must be exactly as long as its lengths say, encode back to the same
// bytes when its texts are clean CP949, and make a row whose masking keeps
// the name's separators where they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fileserver/search_datagram.h"
#include "platform/text_encoding.h"
#include "views/search_view.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::optional<SearchAnswer> answer = DecodeSearchAnswer(bytes);
    if (!answer) return 0;
    if (size < kSearchAnswerHead) std::abort();
    // Every piece of two bytes or more counts as restricted.
    SearchRow row =
        MakeSearchRow(*answer, SearchResponseMs(DecodeSearchTime(answer->sendTime), UtcNow()),
                      [](std::string_view piece) { return piece.size() > 1; });
    if (row.ping < 0 || row.texts[3].find('\\') != std::string::npos) std::abort();
    for (size_t i = 0; i < answer->name.size(); ++i) {
        if (kNameSeparators.find(answer->name[i]) == std::string_view::npos) continue;
        if (row.texts[0].find(answer->name[i]) == std::string::npos) std::abort();
    }
    auto clean = [](std::string_view cp949) { return Utf8ToCp949(Cp949ToUtf8(cp949)) == cp949; };
    auto u16 = [data](size_t at) { return static_cast<size_t>(data[at] | (data[at + 1] << 8)); };
    size_t nameSize = u16(46), pathSize = u16(48);
    std::string_view texts = bytes.substr(kSearchAnswerHead);
    // The member ID's field may hold anything after its terminator: compared from the time on.
    if (clean(texts.substr(0, nameSize)) && clean(texts.substr(nameSize, pathSize)) &&
        clean(texts.substr(nameSize + pathSize)) &&
        EncodeSearchAnswer(*answer).substr(22) != bytes.substr(22)) {
        std::abort();
    }
    return 0;
}
