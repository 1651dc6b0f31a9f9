#include "central/central_config.h"

#include "platform/paths.h"

namespace velorin::central {

std::filesystem::path DefaultWebRoot() {
    return (ExecutablePath().parent_path() / ".." / "share" / "velorin-central" / "webroot")
        .lexically_normal();
}

}  // namespace velorin::central
