#include "plugin/download/TCompress.h"

#include <cerrno>
#include <climits>
#include <fstream>
#include <memory>

#include <unzip.h>
#include <zlib.h>

#include "plugin/download/TFolderMap.h"
#include "plugin/download/ZipEntryExtract.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace {

constexpr int kWindowBits = 15; // zlib framing: header and Adler-32, neither raw nor gzip
constexpr int kMemoryLevel = 8;
constexpr size_t kEndRecordSize = 22;

// minizip takes an end record found at offset 0 for none at all, so it cannot open the archive
// that holds nothing else: the one archive without entries, which extracts successfully.
bool isEmptyArchive(const std::string& path) {
    int error = errno;
    std::ifstream file(path, std::ios::binary);
    char record[kEndRecordSize];
    if (!file.read(record, sizeof record)) {
        errno = error;
        return false;
    }
    const std::string emptyStart("PK\x05\x06\0\0\0\0\0\0\0\0", 12);
    if (std::string(record, emptyStart.size()) != emptyStart) {
        errno = error;
        return false;
    }
    return true;
}

} // namespace

bool TCompress::compress(int level, std::string& data) {
    // zlib counts input in 32 bits; a block that large is not worth compressing in one go anyway.
    if (data.size() > UINT_MAX) {
        return false;
    }
    z_stream stream = {};
    if (deflateInit2(&stream, level, Z_DEFLATED, kWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        return false;
    }
    // Output no larger than the input: if the stream does not fit, compressing does not pay. The
    // buffer is left uninitialised so that only the pages deflate writes are ever touched, and the
    // result is copied back into the input's own storage, which is large enough.
    std::unique_ptr<Bytef[]> compressed(new Bytef[data.size()]);
    stream.next_in = reinterpret_cast<Bytef*>(&data[0]);
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = compressed.get();
    stream.avail_out = static_cast<uInt>(data.size());
    int result;
    do {
        result = deflate(&stream, Z_FINISH);
    } while (result == Z_OK && stream.avail_out > 0);
    deflateEnd(&stream);
    if (result != Z_STREAM_END || stream.total_out >= data.size()) {
        return false;
    }
    data.assign(reinterpret_cast<const char*>(compressed.get()), stream.total_out);
    return true;
}

bool TCompress::unzip(const std::wstring& archive, const std::wstring& dest,
                      unsigned long bufferSize, const ProgressFunction& progress, void* context,
                      const std::string& charset) {
    std::string path;
    try {
        path = FB::wstring_to_utf8(archive);
    } catch (const std::exception&) {
        errno = EILSEQ;
        return false;
    }
    errno = 0;
    // Owned here so that a progress function that throws does not leak the open archive.
    std::unique_ptr<void, int (*)(unzFile)> zip(unzOpen64(path.c_str()), &unzClose);
    if (!zip) {
        // A missing file leaves ENOENT; a file that is no zip archive leaves nothing.
        if (errno == 0) {
            errno = EBADMSG;
        }
        return isEmptyArchive(path);
    }
    unz_global_info64 global;
    if (unzGetGlobalInfo64(zip.get(), &global) != UNZ_OK) {
        errno = EBADMSG;
        return false;
    }
    TFolderMap folders;
    int result = 0;
    for (unsigned long long index = 0; index < global.number_entry; ++index) {
        if (progress) {
            progress(context, index, global.number_entry);
        }
        result = do_extract_currentfile(dest, zip.get(), bufferSize, charset, folders);
        if (result != 0) {
            break;
        }
        if (index + 1 < global.number_entry) {
            result = unzGoToNextFile(zip.get());
            if (result != UNZ_OK) {
                // The directory ends before the count it announced.
                errno = EBADMSG;
                break;
            }
        }
    }
    int error = errno;
    zip.reset();
    errno = error;
    return result == 0;
}
