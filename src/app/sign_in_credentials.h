#pragma once
// The member's credentials as the sign-in flow carries them, and the answer
// of the main window's commands.
#include <optional>
#include <string>

namespace velorin {

struct SignInCredentials {
    std::string userId;
    std::string password;
};

// nullopt: done (or started); otherwise the reason it was refused, as shown.
using Refusal = std::optional<std::string>;

}  // namespace velorin
