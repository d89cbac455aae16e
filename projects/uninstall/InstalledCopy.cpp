#include "projects/uninstall/InstalledCopy.h"

#include <filesystem>
#include <system_error>

namespace NVUninstall {
namespace {

namespace fs = std::filesystem;

bool present(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

} // namespace

InstalledCopy InstalledCopy::in(const std::string& pluginsFolder) {
    return InstalledCopy{pluginsFolder + "/" NV_BUNDLE_NAME, pluginsFolder + "/" NV_BUNDLE_LINK};
}

bool InstalledCopy::exists() const {
    return present(bundle) || present(link);
}

std::optional<RemovalFailure> removeWithUserRights(const InstalledCopy& copy) {
    for (const std::string& path : {copy.bundle, copy.link}) {
        std::error_code error;
        fs::remove_all(path, error);
        if (error) {
            return RemovalFailure{path, error.message()};
        }
    }
    return std::nullopt;
}

} // namespace NVUninstall
