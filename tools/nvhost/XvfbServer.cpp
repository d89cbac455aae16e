#include "tools/nvhost/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

namespace nvhost {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStartLimit = std::chrono::seconds(15);
constexpr auto kStopLimit = std::chrono::seconds(5);

// Holds one file descriptor and closes it; the fork/exec dance below has several exits.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }
    int get() const { return m_fd; }
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd;
};

// Xvfb writes its complaints to stderr; they go to an unlinked file so a failed start can quote
// them while a good start stays quiet.
std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    if (::lseek(fd, 0, SEEK_SET) < 0) {
        return text;
    }
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execXvfb(pid_t parent, int displayWriteFd, int logFd, const char* const* args) {
    // Dies with nvhost however nvhost ends; the check closes the race where nvhost died before
    // the request was made.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) {
        ::_exit(127);
    }
    ::fcntl(displayWriteFd, F_SETFD, 0);
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0) {
        ::dup2(devNull, STDIN_FILENO);
    }
    ::dup2(logFd, STDOUT_FILENO);
    ::dup2(logFd, STDERR_FILENO);
    ::execvp(args[0], const_cast<char* const*>(args));
    const char* reason = std::strerror(errno);
    const char prefix[] = "cannot run Xvfb: ";
    (void)!::write(STDERR_FILENO, prefix, sizeof prefix - 1);
    (void)!::write(STDERR_FILENO, reason, std::strlen(reason));
    ::_exit(127);
}

// Reads the display number Xvfb writes once it listens. Empty when the pipe closed first (Xvfb
// ended) or the limit passed.
std::string awaitDisplayNumber(int displayReadFd) {
    std::string number;
    const auto deadline = Clock::now() + kStartLimit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return {};
        }
        pollfd entry{displayReadFd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return {};
        }
        char buffer[32];
        const ssize_t got = ::read(displayReadFd, buffer, sizeof buffer);
        if (got <= 0) {
            return {};
        }
        number.append(buffer, static_cast<size_t>(got));
        if (number.find('\n') != std::string::npos) {
            number.resize(number.find('\n'));
            return number;
        }
    }
}

// Waits for the child to end within the limit; true when it was reaped.
bool reapWithin(pid_t pid, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const pid_t done = ::waitpid(pid, nullptr, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

std::variant<std::unique_ptr<XvfbServer>, std::string> XvfbServer::start(int width, int height) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return std::string("cannot make a pipe: ") + std::strerror(errno);
    }
    FileDescriptor displayRead(pipeEnds[0]);
    FileDescriptor displayWrite(pipeEnds[1]);
    std::unique_ptr<FILE, int (*)(FILE*)> log(std::tmpfile(), &std::fclose);
    if (!log) {
        return std::string("cannot make a temporary file: ") + std::strerror(errno);
    }
    const std::string fdText = std::to_string(displayWrite.get());
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const char* args[] = {"Xvfb",         "-displayfd", fdText.c_str(), "-screen",  "0",
                          screen.c_str(), "-nolisten",  "tcp",          "-noreset", nullptr};
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        return std::string("cannot fork: ") + std::strerror(errno);
    }
    if (pid == 0) {
        execXvfb(parent, displayWrite.get(), ::fileno(log.get()), args);
    }
    // Our copy of the write end must go, or a dying Xvfb would not close the pipe.
    displayWrite.reset();
    const std::string number = awaitDisplayNumber(displayRead.get());
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
        ::kill(pid, SIGKILL);
        reapWithin(pid, kStopLimit);
        const std::string said = readAll(::fileno(log.get()));
        return "Xvfb did not start" + (said.empty() ? std::string() : ": " + said);
    }
    return std::unique_ptr<XvfbServer>(new XvfbServer(pid, ":" + number));
}

XvfbServer::XvfbServer(pid_t pid, std::string display)
    : m_pid(pid), m_display(std::move(display)) {}

XvfbServer::~XvfbServer() {
    stop();
}

void XvfbServer::stop() {
    ::kill(m_pid, SIGTERM);
    if (!reapWithin(m_pid, kStopLimit)) {
        ::kill(m_pid, SIGKILL);
        reapWithin(m_pid, kStopLimit);
    }
}

} // namespace nvhost
