#include "projects/uninstall/Uninstall.h"

#include <syslog.h>

#include "projects/uninstall/AdministratorRemoval.h"
#include "projects/uninstall/Alerts.h"
#include "projects/uninstall/InstalledCopy.h"
#include "projects/uninstall/Texts.h"

namespace NVUninstall {
namespace {

ExitCode notRemoved(const RemovalFailure& failure) {
    syslog(LOG_ERR, "Fail to remove %s, because %s", failure.path.c_str(), failure.reason.c_str());
    messageBox(localized("Warning"),
               fill(localized("Fail to remove %@, because %@"), {failure.path, failure.reason}),
               false);
    return kNotRemoved;
}

} // namespace

ExitCode uninstall(const Locations& locations) {
    const InstalledCopy user = InstalledCopy::in(locations.userPlugins);
    const InstalledCopy system = InstalledCopy::in(locations.systemPlugins);
    if (!user.exists() && !system.exists()) {
        messageBox(localized("Information"),
                   localized("NorvanePlugin not found. Needn't to uninstall."), false);
        return kNotFound;
    }
    if (!messageBox(localized("Query"), localized("Do you want to uninstall NorvanePlugin ?"),
                    true)) {
        return kDeclined;
    }
    if (user.exists()) {
        if (auto failure = removeWithUserRights(user)) {
            return notRemoved(*failure);
        }
    }
    if (system.exists()) {
        std::string reason = removeAsAdministrator(locations.pkexec, system);
        // Browsers would go on loading a copy that is still there, so a refused or failed
        // removal must not end in the success alert.
        if (system.exists()) {
            if (reason.empty()) {
                reason = localized("the removal did not complete");
            }
            return notRemoved({system.bundle, reason});
        }
    }
    messageBox(localized("Information"), localized("NorvanePlugin uninstall success!"), false);
    return kRemoved;
}

} // namespace NVUninstall
