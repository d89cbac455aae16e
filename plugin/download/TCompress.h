// TCompress: the plug-in's two byte-level transformations: deflate of an upload block before it
// is sent, and extraction of a downloaded zip archive into a folder.
//
// Thread contract: static functions without shared state; callable from any thread. unzip runs on
// the download's worker thread and calls `progress` there.
#pragma once

#include <functional>
#include <string>

class TCompress {
public:
    // Called before each entry with the entry's index (from 0) and the archive's entry count.
    using ProgressFunction =
        std::function<void(void* context, unsigned long long index, unsigned long long count)>;

    // Replaces `data` by its zlib stream (deflate at `level`, zlib header and Adler-32 trailer)
    // and returns true, but only when that is smaller; otherwise, and on any failure (a level
    // zlib rejects), returns false and leaves `data` unchanged. Doesn't throw, except
    // std::bad_alloc.
    static bool compress(int level, std::string& data);

    // Extracts every entry of the zip archive at `archive` into the folder `dest`, in archive
    // order, with a copy buffer of `bufferSize` (kept between 8 KiB and 10 MiB) and names decoded
    // by `charset` (see ZipEntryExtract.h for how names become local paths). `progress` may be
    // empty. True when every entry was extracted, an archive without entries included. False at
    // the first failure, with errno telling why; what was extracted before it stays on disk.
    // Doesn't throw, except std::bad_alloc.
    static bool unzip(const std::wstring& archive, const std::wstring& dest,
                      unsigned long bufferSize, const ProgressFunction& progress, void* context,
                      const std::string& charset);
};
