#include "projects/uninstall/AdministratorRemoval.h"

#include <cstring>
#include <syslog.h>

#include "projects/uninstall/Program.h"
#include "projects/uninstall/Texts.h"

namespace NVUninstall {
namespace {

// pkexec's own exit codes; any other comes from rm.
constexpr int kDismissed = 126;
constexpr int kNotAuthorized = 127;

} // namespace

std::string removeAsAdministrator(const std::string& pkexec, const InstalledCopy& copy) {
    ProgramRun run = runProgram({pkexec, "/bin/rm", "-rf", "--", copy.bundle, copy.link});
    if (!run.started) {
        syslog(LOG_ERR, "Error Creating Initial Authorization: %s: %s", pkexec.c_str(),
               std::strerror(run.error));
        return std::strerror(run.error);
    }
    switch (run.exitStatus) {
    case 0:
        return std::string();
    case kDismissed:
        syslog(LOG_ERR, "Copy Rights Unsuccessful: %d", run.exitStatus);
        return localized("the administrator password was not given");
    case kNotAuthorized:
        syslog(LOG_ERR, "Copy Rights Unsuccessful: %d", run.exitStatus);
        return localized("the administrator rights were refused");
    default:
        syslog(LOG_ERR, "Error: %d", run.exitStatus);
        return fill(localized("/bin/rm ended with status %@"), {std::to_string(run.exitStatus)});
    }
}

} // namespace NVUninstall
