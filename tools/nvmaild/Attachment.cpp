#include "tools/nvmaild/Attachment.h"

#include <fcntl.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cstring>

namespace nvmaild {

namespace {

bool writeAll(int fd, std::string_view bytes, std::uint64_t offset) {
    while (!bytes.empty()) {
        const ssize_t written =
            ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

} // namespace

std::shared_ptr<Attachment> Attachment::create(std::string id, Declaration declaration,
                                               std::string dataPath, std::string& error) {
    const int fd = ::open(dataPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    ::close(fd);
    const bool verified =
        declaration.size == 0 && UploadDigest().matches(declaration.crc, declaration.crc2);
    return std::make_shared<Attachment>(Key{}, std::move(id), std::move(declaration),
                                        std::move(dataPath), 0, verified);
}

std::shared_ptr<Attachment> Attachment::shareVerified(std::string id, Declaration declaration,
                                                      const Attachment& origin) {
    assert(origin.snapshot().verified);
    const std::uint64_t size = declaration.size;
    return std::make_shared<Attachment>(Key{}, std::move(id), std::move(declaration),
                                        origin.dataPath(), size, true);
}

Attachment::Attachment(Key, std::string id, Declaration declaration, std::string dataPath,
                       std::uint64_t held, bool verified)
    : m_id(std::move(id)), m_declaration(std::move(declaration)), m_dataPath(std::move(dataPath)),
      m_held(held), m_verified(verified) {}

Attachment::Snapshot Attachment::snapshot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return Snapshot{m_held, m_verified, m_removed};
}

Attachment::Claim Attachment::claim(std::uint64_t offset) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_removed)
        return Claim::Removed;
    if (m_busy)
        return Claim::Busy;
    if (offset > m_held)
        return Claim::OffsetPastHeld;
    m_busy = true;
    return Claim::Granted;
}

void Attachment::release() {
    std::lock_guard<std::mutex> lock(m_mutex);
    assert(m_busy);
    m_busy = false;
}

Attachment::AppendResult Attachment::append(std::string_view bytes) {
    std::uint64_t at = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        assert(m_busy);
        at = m_held;
        if (m_removed)
            return AppendResult{false, at, false, false};
    }
    assert(at + bytes.size() <= m_declaration.size);
    if (bytes.empty()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return AppendResult{true, m_held, false, m_verified};
    }
    // The file is opened per block rather than kept open, so that a store reset that deletes it
    // cannot leave a block writing into a descriptor that outlives its attachment.
    const int fd = ::open(m_dataPath.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return AppendResult{false, at, false, false};
    const bool written = writeAll(fd, bytes, at);
    AppendResult result{written, at, false, false};
    if (written) {
        m_digest.update(bytes);
        result.held = at + bytes.size();
        if (result.held == m_declaration.size) {
            result.checked = true;
            result.verified = m_digest.matches(m_declaration.crc, m_declaration.crc2);
            if (!result.verified) {
                result.held = 0;
                m_digest.reset();
                result.written = ::ftruncate(fd, 0) == 0;
            }
        }
    }
    ::close(fd);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held = result.held;
    m_verified = result.verified;
    return result;
}

void Attachment::markRemoved() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_removed = true;
}

} // namespace nvmaild
