// A folder made fresh under $TMPDIR (or /tmp) and removed with all it holds on destruction.
// Thread contract: immutable after construction.
#pragma once

#include <string>

namespace nvmaild {

class TemporaryFolder {
public:
    // Makes "<tmp>/<prefix>XXXXXX". Throws std::runtime_error when it cannot.
    explicit TemporaryFolder(const std::string& prefix);
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace nvmaild
