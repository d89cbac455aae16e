#include "plugin/upload/TNvxChecksum.h"

#include <algorithm>
#include <array>

#include "plugin/upload/DigestText.h"

TNvxChecksum::TNvxChecksum(TChecksumPath path) : m_sha1(path) {}

unsigned long TNvxChecksum::write(const void* data, unsigned long len) {
    m_sha1.write(data, len);
    m_md5.write(data, len);
    return len;
}

int TNvxChecksum::flush() {
    m_sha1.flush();
    m_md5.flush();
    return 0;
}

void TNvxChecksum::reset() {
    m_sha1.reset();
    m_md5.reset();
}

std::string TNvxChecksum::result() const {
    const TMD5Checksum::Digest& md5 = m_md5.getDigest();
    const TSHA1Checksum::Digest& sha1 = m_sha1.getDigest();
    std::array<unsigned char, TMD5Checksum::Digest().size() + TSHA1Checksum::Digest().size()> both;
    std::copy(sha1.begin(), sha1.end(), std::copy(md5.begin(), md5.end(), both.begin()));
    return checksum::base64(both.data(), both.size());
}
