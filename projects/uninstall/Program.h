// Program: runs another program from an argument vector, never through a shell, and waits for it.
//
// Thread contract: single-threaded program; the child inherits our environment.
#pragma once

#include <string>
#include <vector>

namespace NVUninstall {

struct ProgramRun {
    bool started = false; // false: it could not be executed; `error` says why
    int error = 0;        // the errno of a failed start
    int exitStatus = -1;  // its exit code; -1 when it died from a signal
};

// Runs arguments[0], a path or a name looked up on PATH, with standard input from /dev/null.
// REQUIRES: arguments is not empty.
ProgramRun runProgram(const std::vector<std::string>& arguments);

// The full path of `name` on PATH; empty when there is none.
std::string findOnPath(const std::string& name);

} // namespace NVUninstall
