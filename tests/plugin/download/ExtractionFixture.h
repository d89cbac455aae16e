// ExtractionFixture: a sandbox folder holding the destination "dest/" of each extraction, so that
// a case can assert the complete tree an archive left behind, inside the destination and beside it.
#pragma once

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "plugin/download/TCompress.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/plugin/download/ZipWriter.h"
#include "tests/support/TempFolder.h"

class ExtractionFixture : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dest); }

    // Extracts into dest; errno afterwards is kept in `error`.
    bool extract(const ZipWriter& zip, const std::string& charset = "utf-8",
                 unsigned long bufferSize = 65536) {
        zip.write(archive);
        return extractFile(archive, charset, bufferSize);
    }
    bool extractFile(const std::string& path, const std::string& charset = "utf-8",
                     unsigned long bufferSize = 65536) {
        errno = 0;
        bool done = TCompress::unzip(FB::utf8_to_wstring(path), FB::utf8_to_wstring(dest),
                                     bufferSize, nullptr, nullptr, charset);
        error = errno;
        return done;
    }

    // Everything below the sandbox, relative to it: folders end in "/", links in "@".
    std::set<std::string> tree() const {
        std::set<std::string> found;
        for (const auto& item : std::filesystem::recursive_directory_iterator(sandbox)) {
            std::string name = item.path().string().substr(sandbox.size());
            if (item.is_symlink()) {
                name += "@";
            } else if (item.is_directory()) {
                name += "/";
            }
            found.insert(name);
        }
        return found;
    }

    std::string read(const std::string& relative) const {
        std::ifstream file(sandbox + relative, std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        return content.str();
    }

    TempFolder folder{"nvzip"};
    const std::string root = folder.path;
    const std::string sandbox = root + "/sandbox/";
    const std::string dest = sandbox + "dest/";
    const std::string archive = root + "/archive.zip";
    int error = 0;
};
