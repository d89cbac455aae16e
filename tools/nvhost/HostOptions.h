// Command line of nvhost: what to load, how big the window is, when to give up and where the
// display comes from. Plain values; safe to copy and share read-only between threads.
#pragma once

#include <string>
#include <variant>

namespace nvhost {

struct HostOptions {
    std::string url;
    std::string screenshotPath; // empty: no screenshot at the end of the run
    std::string pluginDir;      // empty: leave the browser's plug-in search path alone
    int timeoutSeconds = 60;    // 0: no limit (only allowed with showOnDisplay)
    int width = 1024;
    int height = 768;
    bool confirmAnswer = true;
    bool showOnDisplay = false; // use the caller's $DISPLAY instead of a private Xvfb server
    bool helpRequested = false;
};

// Parses argv (argv[0] is skipped). On failure returns the text of the first problem found; the
// caller prints it with the usage text.
std::variant<HostOptions, std::string> parseHostOptions(int argc, const char* const* argv);

// The usage text printed for --help and after a command-line error.
const char* hostUsage();

} // namespace nvhost
