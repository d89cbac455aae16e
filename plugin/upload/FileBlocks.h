// FileBlocks: the one read loop that hands a file's bytes, block by block, to checksums: the upload
// item's checksum phase and its "crc" member both read through it.
//
// Thread contract: one thread at a time; the buffers are its own, so a consumer that still works
// on a block (a TBackgroundChecksum) must end before the FileBlocks does.
#pragma once

#include <functional>
#include <vector>

#include "plugin/upload/TMyFile.h"

class FileBlocks {
public:
    enum End {
        Complete,    // every byte was handed on
        Stopped,     // `stop` said so before a read
        Interrupted, // `stop` said so after a read; that block was not handed on
        ReadFailed,  // a read gave nothing before `total` bytes
    };
    // (block, its length, the count handed on so far with this block)
    using Consumer = std::function<void(const char*, unsigned long, unsigned long long)>;

    // Buffers for blocks of at most `blockSize` out of `total` bytes. With two buffers each block
    // goes to the other one, so a consumer may still be reading the previous block.
    FileBlocks(unsigned long long total, unsigned long blockSize, int bufferCount);

    // Reads `total` bytes from the file's current position and hands each block to `consume`.
    // `stop`, when given, is asked before and after each read. Exceptions from either pass through.
    End feed(TMyFile& file, const std::function<bool()>& stop, const Consumer& consume);

private:
    unsigned long long m_total;
    unsigned long m_blockSize;
    std::vector<char> m_buffers[2];
    int m_bufferCount;
};
