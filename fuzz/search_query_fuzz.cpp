// Query datagrams as any member may send them to the search robot. Whatever
// decodes must be in range, encode back to the same bytes, and split into
// words without blanks or bars.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fileserver/search_datagram.h"
#include "fileserver/search_query.h"
#include "platform/text_encoding.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::optional<SearchQuery> query = DecodeSearchQuery(bytes);
    if (!query) return 0;
    if (Cp949Length(query->term) > kSearchTermMax || Cp949Length(query->ext) > kSearchExtMax) {
        std::abort();
    }
    for (const std::string& word : SplitSearchWords(query->term)) {
        if (word.empty() || word.find_first_of(" |") != std::string::npos) std::abort();
    }
    // Clean CP949 survives the trip; anything else was replaced by "?" on the way in.
    size_t termSize = data[18] | (data[19] << 8);
    auto clean = [](std::string_view cp949) { return Utf8ToCp949(Cp949ToUtf8(cp949)) == cp949; };
    if (clean(bytes.substr(22, termSize)) && clean(bytes.substr(22 + termSize)) &&
        EncodeSearchQuery(*query) != bytes) {
        std::abort();
    }
    return 0;
}
