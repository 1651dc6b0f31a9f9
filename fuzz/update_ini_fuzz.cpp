// Version files as a web host may serve them. Parsing never fails, and a
// file that states its three keys plainly reads as those numbers whatever
// comes before it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "service/live_update.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    ParseUpdateIni(text);
    // A later section of the same name adds no key that an earlier one had.
    UpdateVersions plain =
        ParseUpdateIni("[MAIN]\nVERSION=11\nBADWORD=12\nPATCHER_VERSION=13\n" + text);
    if (plain.version != 11 || plain.badword != 12 || plain.patcherVersion != 13) std::abort();
    return 0;
}
