// nvhost: a minimal browser that runs one page with plug-ins enabled, unattended, and ends with an
// exit code the page chooses (or one telling why the page never chose).
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QFileInfo>

#include "tools/nvhost/ExitCodes.h"
#include "tools/nvhost/HostOptions.h"
#include "tools/nvhost/HostRun.h"
#include "tools/nvhost/Watchdog.h"
#include "tools/nvhost/XvfbServer.h"

namespace {

// Shutting the page down runs the plug-in's teardown, which may hang; this bounds it.
constexpr unsigned kShutdownLimitSeconds = 15;
// Grace beyond --timeout before the alarm fires: the soft limit inside the event loop goes first
// and still writes the screenshot; the alarm only catches a blocked main thread.
constexpr unsigned kStuckGraceSeconds = 10;

int runPage(const nvhost::HostOptions& options) {
    // Qt must not see our options, and it keeps a reference to argc for the application's life.
    static int qtArgc = 1;
    static char qtName[] = "nvhost";
    static char* qtArgv[] = {qtName, nullptr};
    QApplication app(qtArgc, qtArgv);
    // The run decides its own end, also when the window goes away.
    app.setQuitOnLastWindowClosed(false);
    auto run = std::make_unique<nvhost::HostRun>(options);
    run->start();
    const int code = app.exec();
    nvhost::armWatchdog(kShutdownLimitSeconds, nvhost::ExitCode::ShutdownStuck,
                        "page did not shut down in time");
    run.reset();
    return code;
}

} // namespace

int main(int argc, char** argv) {
    auto parsed = nvhost::parseHostOptions(argc, argv);
    if (auto* problem = std::get_if<std::string>(&parsed)) {
        std::fprintf(stderr, "nvhost: %s\n%s", problem->c_str(), nvhost::hostUsage());
        return nvhost::toInt(nvhost::ExitCode::BadCommandLine);
    }
    const auto& options = std::get<nvhost::HostOptions>(parsed);
    if (options.helpRequested) {
        std::fputs(nvhost::hostUsage(), stdout);
        return 0;
    }

    if (!options.pluginDir.empty() &&
        !QFileInfo(QString::fromStdString(options.pluginDir)).isDir()) {
        std::fprintf(stderr, "nvhost: --plugin-dir %s is not a folder\n",
                     options.pluginDir.c_str());
        return nvhost::toInt(nvhost::ExitCode::BadCommandLine);
    }

    // Everything below must be in the environment before Qt starts: Qt reads the display and the
    // platform once, and the web engine reads the plug-in path when it first scans for plug-ins.
    if (!options.pluginDir.empty()) {
        ::setenv("QTWEBKIT_PLUGIN_PATH", options.pluginDir.c_str(), 1);
    }
    // Plug-ins need a real X11 window system; the offscreen platform crashes when one loads.
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    std::unique_ptr<nvhost::XvfbServer> xvfb;
    if (options.showOnDisplay) {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0') {
            std::fprintf(stderr, "nvhost: --show needs $DISPLAY\n");
            return nvhost::toInt(nvhost::ExitCode::DisplayUnavailable);
        }
    } else {
        auto started = nvhost::XvfbServer::start(options.width, options.height);
        if (auto* problem = std::get_if<std::string>(&started)) {
            std::fprintf(stderr, "nvhost: %s\n", problem->c_str());
            return nvhost::toInt(nvhost::ExitCode::DisplayUnavailable);
        }
        xvfb = std::move(std::get<std::unique_ptr<nvhost::XvfbServer>>(started));
        ::setenv("DISPLAY", xvfb->display().c_str(), 1);
    }
    if (options.timeoutSeconds > 0) {
        nvhost::armWatchdog(static_cast<unsigned>(options.timeoutSeconds) + kStuckGraceSeconds,
                            nvhost::ExitCode::Timeout, "timeout: the page blocked the browser");
    }
    const int code = runPage(options);
    nvhost::disarmWatchdog();
    return code;
}
