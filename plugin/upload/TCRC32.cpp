#include "plugin/upload/TCRC32.h"

#include <zlib.h>

namespace {

constexpr uint32_t kInitialRegister = 0xffffffff;

// zlib inverts on entry and on exit; the register here is never inverted, so complement on both
// sides to continue it.
uint32_t updateWithZlib(uint32_t crc, const unsigned char* data, size_t len) {
    if (len == 0)
        return crc;
    return ~static_cast<uint32_t>(crc32_z(~crc, data, len));
}

} // namespace

TCRC32::TCRC32(TChecksumPath path)
    : m_fold(path == TChecksumPath::Fastest ? checksum::crc32FoldWithCarrylessMultiply() : nullptr),
      m_register(kInitialRegister) {}

unsigned long TCRC32::write(const void* data, unsigned long len) {
    auto bytes = static_cast<const unsigned char*>(data);
    size_t rest = len;
    if (m_fold && rest >= checksum::kCrc32FoldMinimum) {
        const size_t folded = rest - rest % checksum::kCrc32FoldGranule;
        m_register = m_fold(m_register, bytes, folded);
        bytes += folded;
        rest -= folded;
    }
    m_register = updateWithZlib(m_register, bytes, rest);
    return len;
}

int TCRC32::flush() {
    return 0;
}

void TCRC32::reset() {
    m_register = kInitialRegister;
}

std::string TCRC32::result() const {
    return std::to_string(m_register);
}
