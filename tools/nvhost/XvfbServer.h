// A private Xvfb server for one nvhost run, so runs never share (or need) a real display. The
// server is told to die with this process, so a crash of the page's plug-in does not leave it
// behind. Main thread only; start it before any other thread exists (it forks).
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <variant>

namespace nvhost {

class XvfbServer {
public:
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer();

    // Starts Xvfb on a free display with one screen of width x height and waits (at most a few
    // seconds) until it accepts clients. Returns the server, or the reason it did not start
    // (including what Xvfb itself printed).
    static std::variant<std::unique_ptr<XvfbServer>, std::string> start(int width, int height);

    // The value for $DISPLAY, e.g. ":3".
    const std::string& display() const { return m_display; }

private:
    XvfbServer(pid_t pid, std::string display);

    // Asks the server to end and reaps it, killing it if it does not end in time.
    void stop();

    pid_t m_pid;
    std::string m_display;
};

} // namespace nvhost
