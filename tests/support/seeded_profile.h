#pragma once
// An existing profile as an earlier run would have left it, with the settings
// a test needs written straight into its registry table.
#include <cstdint>
#include <filesystem>

namespace velorin::test {

// Creates the folder (0700), an empty share database and LISTENPORT.
bool SeedProfile(const std::filesystem::path& folder, uint16_t listenPort);

}  // namespace velorin::test
