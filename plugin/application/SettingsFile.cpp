#include "plugin/application/SettingsFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "src/ScriptingCore/URI.h"

namespace {

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    struct passwd entry;
    struct passwd* result = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result) {
        return result->pw_dir;
    }
    return std::string();
}

bool writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t written = ::write(fd, data.data() + done, data.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

// A fresh file beside `target`, opened exclusively; created with the process's default mode.
int openSibling(const std::string& target, std::string& name) {
    static std::atomic<unsigned> counter(0);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".tmp" + std::to_string(getpid()) + "." + std::to_string(counter++);
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

} // namespace

std::string settingsFilePath() {
    return homeDirectory() + "/.NorvanePlugin.setting";
}

SettingsMap readSettingsFile(const std::string& path) {
    SettingsMap settings;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        boost::algorithm::trim_if(line, boost::algorithm::is_any_of(" \t\r\n"));
        size_t equals = line.find('=');
        if (line.empty() || equals == std::string::npos) {
            continue;
        }
        settings[line.substr(0, equals)] = FB::URI::url_decode(line.substr(equals + 1));
    }
    return settings;
}

bool writeSettingsFile(const std::string& path, const SettingsMap& settings) {
    std::string content;
    for (const auto& [key, value] : settings) {
        content += key + "=" + FB::URI::url_encode(value) + "\n";
    }
    // Write beside the real file when the settings file is a link, so the link stays.
    std::string target = path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) {
        target = resolved;
    }
    std::string temporary;
    int fd = openSibling(target, temporary);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, content) && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
