// ChildProcess: starts the desktop's helper programs (dialog program, file opener) straight from an
// argument vector, never through a shell, so no text we pass along can be read as a command.
//
// Thread contract: free functions without shared state; callable from any thread. They only read
// the process environment (PATH and what children inherit), so callers must not change it
// concurrently.
#pragma once

#include <string>
#include <vector>

namespace NVPlatform {

// What a waited-for program left behind.
struct ProgramRun {
    bool started = false; // false: the program could not be found or executed
    int exitStatus = -1;  // the exit code; -1 when it died from a signal or could not be waited for
    std::string output;   // everything it wrote to its standard output
};

// The process environment as the C library keeps it ("NAME=value" texts, null-terminated); never
// null. Use this instead of `environ`: a host that loads the plug-in with RTLD_DEEPBIND (QtWebKit)
// binds the plug-in's own reference to `environ` to the C library's definition, which stays null
// when the host executable holds the live copy (python3, so every PyQt browser, does).
char** processEnvironment();

// The full path of an executable: `name` itself when it holds a "/", otherwise the first match on
// PATH. Empty when there is none.
std::string findProgram(const std::string& name);

// Runs arguments[0] (searched like findProgram) with the arguments, the environment given as
// "NAME=value" texts, standard input from /dev/null, and waits for it to end while collecting its
// standard output. Descriptors other than the standard three are not passed on.
// REQUIRES: arguments is not empty.
ProgramRun runProgram(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment);

// Starts arguments[0] (searched like findProgram) in a session of its own and returns at once; the
// program is not our child, so it leaves no zombie and outlives us. True when it was started as
// far as we can see: a program that is found but fails to execute is not reported.
// REQUIRES: arguments is not empty.
bool startDetached(const std::vector<std::string>& arguments);

} // namespace NVPlatform
