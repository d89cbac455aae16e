#include "plugin/capture/CaptureFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace NVCapture {
namespace {

std::string temporaryFolder() {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string folder = tmpdir && *tmpdir == '/' ? tmpdir : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder == "/" ? std::string() : folder;
}

// 128 random bits written like a UUID: unguessable, so another user cannot lay a trap under the
// name beforehand, and unique enough that two calls never meet. Empty when the system gives no
// randomness: a guessable name is worse than no capture.
std::string uniqueIdentifier() {
    unsigned char bytes[16] = {};
    size_t filled = 0;
    while (filled < sizeof bytes) {
        ssize_t count = getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (count < 0 && errno != EINTR) {
            return std::string();
        }
        filled += count > 0 ? static_cast<size_t>(count) : 0;
    }
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                  bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

} // namespace

std::string newCapturePath() {
    std::string identifier = uniqueIdentifier();
    return identifier.empty() ? identifier : temporaryFolder() + "/NVCapture" + identifier + ".png";
}

bool isOwnNewFile(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_uid == geteuid() && status.st_nlink == 1 && status.st_size > 0;
}

} // namespace NVCapture
