#include "tools/nvhost/HostOptions.h"

#include <cstdlib>
#include <optional>

namespace nvhost {
namespace {

constexpr int kMaxTimeoutSeconds = 24 * 60 * 60;
constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;

// Whole decimal number in [low, high]; anything else (signs, spaces, trailing text) is rejected
// because a typo in a limit must not silently become another limit.
std::optional<int> parseBoundedInt(const std::string& text, int low, int high) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 9) {
        return std::nullopt;
    }
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < low || value > high) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

bool parseSize(const std::string& text, HostOptions& options) {
    const auto cross = text.find('x');
    if (cross == std::string::npos) {
        return false;
    }
    const auto width = parseBoundedInt(text.substr(0, cross), kMinSide, kMaxSide);
    const auto height = parseBoundedInt(text.substr(cross + 1), kMinSide, kMaxSide);
    if (!width || !height) {
        return false;
    }
    options.width = *width;
    options.height = *height;
    return true;
}

} // namespace

std::variant<HostOptions, std::string> parseHostOptions(int argc, const char* const* argv) {
    HostOptions options;
    bool haveUrl = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "--screenshot" || arg == "--timeout" || arg == "--size" ||
                                arg == "--plugin-dir" || arg == "--confirm";
        if (takesValue && i + 1 >= argc) {
            return "option " + arg + " needs a value";
        }
        if (arg == "--help" || arg == "-h") {
            options.helpRequested = true;
        } else if (arg == "--show") {
            options.showOnDisplay = true;
        } else if (arg == "--screenshot") {
            options.screenshotPath = argv[++i];
            if (options.screenshotPath.empty()) {
                return "--screenshot needs a file name";
            }
        } else if (arg == "--plugin-dir") {
            options.pluginDir = argv[++i];
            if (options.pluginDir.empty()) {
                return "--plugin-dir needs a folder";
            }
        } else if (arg == "--timeout") {
            const auto seconds = parseBoundedInt(argv[++i], 0, kMaxTimeoutSeconds);
            if (!seconds) {
                return std::string("--timeout wants whole seconds from 0 to ") +
                       std::to_string(kMaxTimeoutSeconds) + ", got '" + argv[i] + "'";
            }
            options.timeoutSeconds = *seconds;
        } else if (arg == "--size") {
            if (!parseSize(argv[++i], options)) {
                return std::string("--size wants WIDTHxHEIGHT, each from ") +
                       std::to_string(kMinSide) + " to " + std::to_string(kMaxSide) + ", got '" +
                       argv[i] + "'";
            }
        } else if (arg == "--confirm") {
            const std::string answer = argv[++i];
            if (answer != "yes" && answer != "no") {
                return "--confirm wants yes or no, got '" + answer + "'";
            }
            options.confirmAnswer = answer == "yes";
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option " + arg;
        } else if (haveUrl) {
            return "only one URL may be given, got a second: " + arg;
        } else {
            options.url = arg;
            haveUrl = true;
        }
    }
    if (options.helpRequested) {
        return options;
    }
    if (!haveUrl) {
        return std::string("no URL given");
    }
    if (options.timeoutSeconds == 0 && !options.showOnDisplay) {
        return std::string("--timeout 0 (no limit) is only allowed with --show");
    }
    return options;
}

const char* hostUsage() {
    return "usage: nvhost [options] URL\n"
           "  --screenshot FILE   write a PNG of the window when the run ends\n"
           "  --timeout SECONDS   end the run after this long (default 60; 0 = none, with --show)\n"
           "  --size WxH          window size in pixels (default 1024x768)\n"
           "  --plugin-dir DIR    load browser plug-ins from DIR\n"
           "  --confirm yes|no    answer the page's confirm() dialogs get (default yes)\n"
           "  --show              use the existing $DISPLAY instead of a private Xvfb server\n";
}

} // namespace nvhost
