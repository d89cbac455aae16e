#include "plugin/platform/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace NVPlatform {
namespace {

// exec wants mutable C strings; the texts must outlive the pointers.
std::vector<char*> argumentPointers(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (const std::string& text : texts) {
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

void closeQuietly(int fd) {
    int saved = errno;
    ::close(fd);
    errno = saved;
}

// Reads until end of file; a read error simply ends the output early.
std::string readAll(int fd) {
    std::string output;
    char buffer[4096];
    for (;;) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return output;
        }
        output.append(buffer, static_cast<size_t>(count));
    }
}

pid_t waitFor(pid_t pid, int& status) {
    pid_t done;
    do {
        done = waitpid(pid, &status, 0);
    } while (done < 0 && errno == EINTR);
    return done;
}

// The browser may block signals on its threads or ignore SIGPIPE; a helper program expects the
// defaults. Both the mask and the dispositions are inherited through exec, so reset them here.
class SpawnAttributes {
public:
    SpawnAttributes() {
        posix_spawnattr_init(&m_attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        posix_spawnattr_setsigmask(&m_attributes, &none);
        posix_spawnattr_setsigdefault(&m_attributes, &all);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

} // namespace

char** processEnvironment() {
    // The main program's symbol lookup finds the live variable in every host: its copy when the
    // executable has one, the C library's otherwise. The address never changes; the value does,
    // with setenv. RTLD_DEFAULT would not do: under RTLD_DEEPBIND it searches our own scope first.
    static char*** const live = [] {
        void* program = dlopen(nullptr, RTLD_NOW);
        return program ? static_cast<char***>(dlsym(program, "environ")) : nullptr;
    }();
    static char* empty[] = {nullptr};
    return live && *live ? *live : empty;
}

std::string findProgram(const std::string& name) {
    if (name.empty()) {
        return std::string();
    }
    if (name.find('/') != std::string::npos) {
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    }
    const char* path = std::getenv("PATH");
    std::string directories = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t end = directories.find(':', start);
        std::string directory = directories.substr(start, end - start);
        // An empty PATH entry means the current directory; a dialog program picked up from
        // wherever the browser happens to run is not one we want to start.
        if (!directory.empty()) {
            std::string candidate = directory + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        if (end == std::string::npos) {
            return std::string();
        }
        start = end + 1;
    }
}

ProgramRun runProgram(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment) {
    ProgramRun run;
    std::string program = findProgram(arguments.at(0));
    if (program.empty()) {
        return run;
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return run;
    }
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), pipeEnds[1], STDOUT_FILENO);
    // Whatever the browser left open without close-on-exec (sockets, its own pipes) stays with it.
    posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);
    SpawnAttributes attributes;
    std::vector<char*> argv = argumentPointers(arguments);
    std::vector<char*> envp = argumentPointers(environment);
    pid_t pid;
    int spawned = posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(), argv.data(),
                              envp.data());
    closeQuietly(pipeEnds[1]);
    if (spawned != 0) {
        closeQuietly(pipeEnds[0]);
        errno = spawned;
        return run;
    }
    run.started = true;
    run.output = readAll(pipeEnds[0]);
    closeQuietly(pipeEnds[0]);
    int status = 0;
    // A host that reaps every child itself (SIGCHLD ignored) leaves nothing to wait for; the
    // status then stays unknown and callers treat the dialog as cancelled.
    if (waitFor(pid, status) == pid && WIFEXITED(status)) {
        run.exitStatus = WEXITSTATUS(status);
    }
    return run;
}

bool startDetached(const std::vector<std::string>& arguments) {
    std::string program = findProgram(arguments.at(0));
    if (program.empty()) {
        return false;
    }
    // Everything the children need is prepared here: between fork and exec in a threaded process
    // only async-signal-safe calls are allowed.
    std::vector<char*> argv = argumentPointers(arguments);
    char** environment = processEnvironment();
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    sigset_t none;
    sigemptyset(&none);
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    pid_t middle = fork();
    if (middle < 0) {
        closeQuietly(report[0]);
        closeQuietly(report[1]);
        return false;
    }
    if (middle == 0) {
        // The middle process exits at once, so the program is adopted by init and never becomes
        // a zombie of the browser; its own session keeps it out of the browser's signals.
        setsid();
        pid_t child = fork();
        if (child == 0) {
            // Handlers end with exec, but what the browser blocks or ignores would carry over.
            for (int signal = 1; signal < NSIG; ++signal) {
                sigaction(signal, &defaultAction, nullptr);
            }
            pthread_sigmask(SIG_SETMASK, &none, nullptr);
            int devNull = ::open("/dev/null", O_RDONLY);
            if (devNull > 0) {
                dup2(devNull, STDIN_FILENO);
                ::close(devNull);
            }
            // Not every descriptor of the browser is close-on-exec; a kernel without
            // close_range simply passes them on.
            close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
            execve(program.c_str(), argv.data(), environment);
        }
        if (child > 0) {
            _exit(0);
        }
        int error = errno;
        ssize_t ignored = ::write(report[1], &error, sizeof error);
        (void)ignored;
        _exit(127);
    }
    closeQuietly(report[1]);
    int status = 0;
    waitFor(middle, status);
    // The write end closes on a successful exec and carries errno on a failed one.
    int error = 0;
    ssize_t count;
    do {
        count = ::read(report[0], &error, sizeof error);
    } while (count < 0 && errno == EINTR);
    closeQuietly(report[0]);
    if (count == static_cast<ssize_t>(sizeof error)) {
        errno = error;
        return false;
    }
    return true;
}

} // namespace NVPlatform
