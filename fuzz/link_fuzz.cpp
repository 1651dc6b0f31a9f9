// Link texts as a web page may hand them over. Whatever reads as a link must
// be written back to a text that reads as the same link.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/link.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<CLink> link = ParseLink(UnescapeLink(text));
    if (!link) return 0;
    if (const auto* file = std::get_if<CFileLink>(&*link)) {
        if (ParseLink(FileLink(file->userId, file->path, file->name, file->size)) != link)
            std::abort();
    } else if (ParseLink(ServerLink(std::get<CServerLink>(*link).userId)) != link) {
        std::abort();
    }
    return 0;
}
