#include "tools/nvhost/Watchdog.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace nvhost {
namespace {

volatile sig_atomic_t g_exitCode = 0;
const char* volatile g_message = "";

void onAlarm(int) {
    const char prefix[] = "nvhost: ";
    (void)!::write(STDOUT_FILENO, prefix, sizeof prefix - 1);
    const char* message = g_message;
    (void)!::write(STDOUT_FILENO, message, std::strlen(message));
    (void)!::write(STDOUT_FILENO, "\n", 1);
    ::_exit(g_exitCode);
}

} // namespace

void armWatchdog(unsigned seconds, ExitCode code, const char* message) {
    g_exitCode = toInt(code);
    g_message = message;
    struct sigaction action {};
    action.sa_handler = &onAlarm;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, nullptr);
    ::alarm(seconds);
}

void disarmWatchdog() {
    ::alarm(0);
}

} // namespace nvhost
