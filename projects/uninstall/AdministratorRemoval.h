// AdministratorRemoval: removes the machine-wide copy with administrator rights. pkexec asks the
// user for them and runs "/bin/rm -rf --" on the copy's own two paths, which are fixed when the
// program is built: nothing the user or the environment supplies reaches the privileged command.
//
// Thread contract: single-threaded program.
#pragma once

#include <string>

#include "projects/uninstall/InstalledCopy.h"

namespace NVUninstall {

// Runs the removal through the pkexec at `pkexec` and writes any failure to the system log.
// Returns a localised reason when pkexec or rm reported a failure, or an empty text; the caller
// still checks what is left, since success reported is not success proven.
std::string removeAsAdministrator(const std::string& pkexec, const InstalledCopy& copy);

} // namespace NVUninstall
