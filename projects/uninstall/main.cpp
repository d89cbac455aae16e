// uninstall: removes the installed plug-in, the per-user copy and the machine-wide one, after
// asking. It takes no arguments. The machine-wide folder and pkexec are fixed when it is built
// (NV_SYSTEM_PLUGINS, NV_PKEXEC), never read from the environment: they decide what is removed
// with administrator rights.
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <stdlib.h>
#include <string>
#include <syslog.h>
#include <unistd.h>

#include "projects/uninstall/Texts.h"
#include "projects/uninstall/Uninstall.h"

namespace {

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    const passwd* user = getpwuid(getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

// The catalogues lie beside the program, inside the bundle: nothing of ours is outside it.
std::string localeFolder() {
    char self[PATH_MAX];
    if (!realpath("/proc/self/exe", self)) {
        return std::string();
    }
    std::string path = self;
    return path.substr(0, path.rfind('/')) + "/locale";
}

} // namespace

int main() {
    openlog("NVPlugin uninstall", LOG_PID, LOG_USER);
    NVUninstall::useCatalogue(localeFolder());
    NVUninstall::Locations locations;
    locations.userPlugins = homeFolder() + "/.mozilla/plugins";
    locations.systemPlugins = NV_SYSTEM_PLUGINS;
    locations.pkexec = NV_PKEXEC;
    int code = NVUninstall::uninstall(locations);
    closelog();
    return code;
}
