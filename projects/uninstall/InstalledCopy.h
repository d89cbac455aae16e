// InstalledCopy: one installed copy of the plug-in: the bundle folder and the link to its module
// that makes browsers find it (they scan the plug-in folder itself, not its sub-folders). Nothing
// else of ours lies in the plug-in folder, so removing these two removes the copy exactly.
//
// Thread contract: a value; single-threaded program.
#pragma once

#include <optional>
#include <string>

namespace NVUninstall {

struct InstalledCopy {
    std::string bundle;
    std::string link;

    // The copy inside `pluginsFolder` (no final "/").
    static InstalledCopy in(const std::string& pluginsFolder);

    // True while the bundle or the link is there (a dangling link counts).
    bool exists() const;
};

struct RemovalFailure {
    std::string path;
    std::string reason; // the system's localised description of the error
};

// Removes the copy with our own rights: the bundle first, then the link. Nothing on success.
std::optional<RemovalFailure> removeWithUserRights(const InstalledCopy& copy);

} // namespace NVUninstall
