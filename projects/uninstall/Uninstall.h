// Uninstall: the uninstaller's whole conversation with the user. It finds the per-user and the
// machine-wide copy, asks once, removes the user copy with the user's rights and the machine-wide
// copy with the administrator's, and says how it ended.
//
// Thread contract: single-threaded program.
#pragma once

#include <string>

namespace NVUninstall {

// Exit codes.
enum ExitCode {
    kRemoved = 0,
    kNotFound = 1,
    kDeclined = 2,
    kNotRemoved = 3, // a copy is still there; the alert named it and why
};

struct Locations {
    std::string userPlugins;   // the user's plug-in folder
    std::string systemPlugins; // the machine-wide plug-in folder
    std::string pkexec;        // the program that runs a command as the administrator
};

ExitCode uninstall(const Locations& locations);

} // namespace NVUninstall
