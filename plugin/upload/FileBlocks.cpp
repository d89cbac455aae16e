#include "plugin/upload/FileBlocks.h"

#include <algorithm>

FileBlocks::FileBlocks(unsigned long long total, unsigned long blockSize, int bufferCount)
    : m_total(total), m_blockSize(blockSize), m_bufferCount(bufferCount) {
    size_t size = static_cast<size_t>(std::min<unsigned long long>(blockSize, total));
    for (int i = 0; i < bufferCount; ++i) {
        m_buffers[i].resize(size);
    }
}

FileBlocks::End FileBlocks::feed(TMyFile& file, const std::function<bool()>& stop,
                                 const Consumer& consume) {
    unsigned long long position = 0;
    int current = 0;
    while (position < m_total) {
        if (stop && stop()) {
            return Stopped;
        }
        std::vector<char>& buffer = m_buffers[current];
        unsigned long count =
            file.read(buffer.data(), static_cast<unsigned long>(std::min<unsigned long long>(
                                         m_total - position, m_blockSize)));
        if (stop && stop()) {
            return Interrupted;
        }
        if (count == 0) {
            return ReadFailed;
        }
        position += count;
        consume(buffer.data(), count, position);
        current = (current + 1) % m_bufferCount;
    }
    return Complete;
}
