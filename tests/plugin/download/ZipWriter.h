// ZipWriter: writes zip archives field by field, so that tests can make the damaged and hostile
// archives no well-behaved tool would: wrong checksums and sizes, names with any bytes, link
// entries, encryption flags.
//
// Thread contract: one writer per test; not locked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct ZipEntry {
    ZipEntry(std::string name, std::string data, bool deflate = false)
        : name(std::move(name)), data(std::move(data)), deflate(deflate) {}

    std::string name; // raw bytes, as stored
    std::string data; // the content before compression
    bool deflate = false;
    bool utf8Name = false;  // general purpose flag bit 11
    bool encrypted = false; // flag bit 0 only; the data is not encrypted
    // Unix mode in the upper half of the external attributes, "made by" Unix; 0: none.
    uint32_t unixMode = 0;
    std::optional<uint32_t> crc;              // instead of the real CRC-32
    std::optional<uint32_t> uncompressedSize; // instead of data.size()
    std::optional<std::string> stored;        // bytes stored instead of the (compressed) data
};

class ZipWriter {
public:
    ZipWriter& add(ZipEntry entry);
    ZipWriter& addFile(const std::string& name, const std::string& data, bool deflate = false);
    ZipWriter& addFolder(const std::string& name);
    // Makes the end record announce this many entries instead of the real count.
    ZipWriter& announceEntries(uint16_t count);

    std::string bytes() const;

private:
    std::vector<ZipEntry> m_entries;
    std::optional<uint16_t> m_announced;
};
