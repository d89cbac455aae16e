// TMyFile: the one thin wrapper through which the plug-in touches local files: a wide path opened
// lazily by its UTF-8 form, a POSIX descriptor (0 means not open), 64-bit positions, and a few static
// helpers for temporary names, folders, renaming and error texts.
//
// Thread contract: not locked. Its owner serialises use; positional reads (readAt) do not move the
// shared position, so they may run beside the owner's sequential reads.
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
    // One read at `position` that leaves the current position alone.
    unsigned long readAt(unsigned long long position, void* buffer, unsigned long length);
    // The size; 0 when the file cannot be opened or measured. The position is kept.
    unsigned long long size();
    // Opens another path write-only (created if missing, not truncated) positioned at its end.
    // `path` is not changed. On failure fd stays 0.
    bool openToAppend(const std::wstring& appendPath, unsigned long long& sizeOut);
    void close();

    // A unique name under TMPDIR (or /tmp) starting with prefix: with makeDir a new empty folder
    // whose name ends in "/", otherwise a name that exists nowhere. Empty on failure.
    static std::wstring mktemp(const std::wstring& prefix, bool makeDir);
    // Makes one directory level; true when it exists as a directory afterwards, and then the path
    // ends in "/".
    static bool checkAndMkdir(std::wstring& dirPath);
    // Renames from onto to, replacing an existing file.
    static bool rename(const std::wstring& from, const std::wstring& to);
    // "(" errno ")" followed directly by the system's text for it.
    static std::string getError();

    std::wstring path;
    int fd = 0;
};
