// TMyFile: the one thin wrapper through which the plug-in touches local files: a wide path opened
// lazily by its UTF-8 form, a POSIX descriptor (0 means not open), 64-bit positions, and a few
// static helpers for temporary names, folders and error texts.
//
// Thread contract: not locked; its owner serialises use.
// No operation throws: failures are results, with errno left for getError().
#pragma once

#include <string>

class TMyFile {
public:
    TMyFile() = default;
    explicit TMyFile(const std::wstring& path) : path(path) {}
    ~TMyFile() { close(); }
    TMyFile(const TMyFile&) = delete;
    TMyFile& operator=(const TMyFile&) = delete;

    // Opens `path` read-only unless already open.
    bool open();
    // Seeks to an absolute position (past the end is allowed).
    bool offset(unsigned long long position);
    // One read at the current position: the count read, 0 at end of file or on failure.
    unsigned long read(void* buffer, unsigned long length);
    // The size; 0 when the file cannot be opened or measured. The position is kept.
    unsigned long long size();
    void close();

    // Writing: `path` made empty (created when missing), or opened to add at its end with its
    // current size in `held`. Either closes what was open first.
    bool create();
    bool openToAppend(unsigned long long& held);
    // Writes all `length` bytes; false when any could not be written (a full disk), errno telling
    // why. What was written before the failure stays.
    bool write(const void* data, unsigned long length);

    // Replaces `to` by `from` in one step (same file system).
    static bool rename(const std::wstring& from, const std::wstring& to);
    static bool remove(const std::wstring& target);

    // A unique name under TMPDIR (or /tmp) starting with prefix: with makeDir a new empty folder
    // whose name ends in "/", otherwise a name that exists nowhere. Empty on failure.
    static std::wstring mktemp(const std::wstring& prefix, bool makeDir);
    // Makes one directory level; true when it exists as a directory afterwards, and then the path
    // ends in "/".
    static bool checkAndMkdir(std::wstring& dirPath);
    // "(" errno ")" followed directly by the system's text for it.
    static std::string getError();
    // The path as the file system takes it (UTF-8); false, with errno EILSEQ, for a path that is
    // not valid text and so cannot name a file.
    static bool toNative(const std::wstring& wide, std::string& native);

    std::wstring path;
    int fd = 0;
};
