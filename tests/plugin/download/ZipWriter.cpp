#include "tests/plugin/download/ZipWriter.h"

#include <zlib.h>

namespace {

void put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// A zlib stream without its 2-byte header and 4-byte checksum is the raw deflate data zip holds.
std::string rawDeflate(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
             data.size());
    return out.substr(2, size - 6);
}

} // namespace

ZipWriter& ZipWriter::add(ZipEntry entry) {
    m_entries.push_back(std::move(entry));
    return *this;
}

ZipWriter& ZipWriter::addFile(const std::string& name, const std::string& data, bool deflate) {
    return add(ZipEntry(name, data, deflate));
}

ZipWriter& ZipWriter::addFolder(const std::string& name) {
    ZipEntry entry(name, "");
    entry.unixMode = 040755;
    return add(entry);
}

ZipWriter& ZipWriter::announceEntries(uint16_t count) {
    m_announced = count;
    return *this;
}

std::string ZipWriter::bytes() const {
    std::string archive;
    std::string directory;
    for (const ZipEntry& entry : m_entries) {
        std::string stored = entry.stored    ? *entry.stored
                             : entry.deflate ? rawDeflate(entry.data)
                                             : entry.data;
        uint32_t crc = entry.crc ? *entry.crc
                                 : crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()),
                                         static_cast<uInt>(entry.data.size()));
        uint32_t size = entry.uncompressedSize ? *entry.uncompressedSize
                                               : static_cast<uint32_t>(entry.data.size());
        uint32_t flags = (entry.utf8Name ? 1u << 11 : 0) | (entry.encrypted ? 1u : 0);
        uint32_t method = entry.deflate ? 8 : 0;
        uint32_t offset = static_cast<uint32_t>(archive.size());

        // The fields from "needed version" to the name length are the same in both headers.
        std::string shared;
        put16(shared, flags);
        put16(shared, method);
        put32(shared, 0x00210000); // 1980-01-01 00:00
        put32(shared, crc);
        put32(shared, static_cast<uint32_t>(stored.size()));
        put32(shared, size);
        put16(shared, static_cast<uint32_t>(entry.name.size()));

        put32(archive, 0x04034b50);
        put16(archive, 20);
        archive += shared;
        put16(archive, 0);
        archive += entry.name;
        archive += stored;

        put32(directory, 0x02014b50);
        put16(directory, entry.unixMode ? (3u << 8) | 20 : 20);
        put16(directory, 20);
        directory += shared;
        put32(directory, 0); // extra and comment lengths
        put32(directory, 0); // disk, internal attributes
        put32(directory, entry.unixMode << 16);
        put32(directory, offset);
        directory += entry.name;
    }
    uint32_t directoryOffset = static_cast<uint32_t>(archive.size());
    uint16_t count = m_announced ? *m_announced : static_cast<uint16_t>(m_entries.size());
    archive += directory;
    put32(archive, 0x06054b50);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, count);
    put16(archive, count);
    put32(archive, static_cast<uint32_t>(directory.size()));
    put32(archive, directoryOffset);
    put16(archive, 0);
    return archive;
}
