// Exit codes of nvhost. A page ends the run with a code of its own choice in 0..kMaxPageCode; every
// reason nvhost ends the run by itself has a code above that range, so a test runner can tell a
// page's verdict from a timeout, a load failure or a broken host. Immutable; usable from any
// thread.
#pragma once

namespace nvhost {

constexpr int kMaxPageCode = 99;

enum class ExitCode : int {
    Success = 0,
    BadCommandLine = 120,
    DisplayUnavailable = 121,
    ShutdownStuck = 122,
    InvalidPageCode = 123,
    Timeout = 124,
    LoadFailed = 125,
    ScreenshotFailed = 126,
    WindowClosed = 127,
};

constexpr int toInt(ExitCode code) {
    return static_cast<int>(code);
}

} // namespace nvhost
