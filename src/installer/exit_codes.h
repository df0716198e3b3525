// The exit codes of the setup program and the uninstaller: those of the
// system's own installer service, which deployment tools already read.
// Portable; the Windows side checks them against the system's names.
#pragma once

namespace setup {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitBadCommandLine = 87;    // ERROR_INVALID_PARAMETER
inline constexpr int kExitCancelled = 1602;       // ERROR_INSTALL_USEREXIT
inline constexpr int kExitFailed = 1603;          // ERROR_INSTALL_FAILURE
inline constexpr int kExitAlreadyRunning = 1618;  // ERROR_INSTALL_ALREADY_RUNNING

// One word for the log: "success", "bad-command-line", "cancelled",
// "failed", "already-running", or "unknown".
const char* ExitCodeName(int code);

}  // namespace setup
