#include "support/seeded_profile.h"

#include <sys/stat.h>

#include "data/share_database.h"
#include "platform/registry.h"

namespace velorin::test {

bool SeedProfile(const std::filesystem::path& folder, uint16_t listenPort) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    chmod(folder.c_str(), 0700);
    CRegistry registry;
    return CShareDatabase::CreateFile(folder / "velorin.dat") &&
           registry.Open(folder / "registry.db") &&
           registry.WriteDword(kAppKey, "LISTENPORT", listenPort);
}

}  // namespace velorin::test
