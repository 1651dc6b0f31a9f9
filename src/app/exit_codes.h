#pragma once
// The process's exit codes, as the message loop returns them.

namespace velorin {

inline constexpr int kExitSecondInstance = 1;
inline constexpr int kExitShutdown = 1;
// The updater takes over.
inline constexpr int kExitUpdating = 1;
inline constexpr int kExitFatal = 255;  // -1

}  // namespace velorin
