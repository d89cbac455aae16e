// MimeTypes: a file's MIME type from its name, through the system's extension table
// /etc/mime.types (Debian package media-types), read once on first use.
//
// Thread contract: callable from any thread; the table is immutable once read.
#pragma once

#include <string>

// Looks up the extension of the file name at the end of `path` (case-insensitively; a name that
// starts with its only dot has none). True with `mimeType` set (UTF-8) when the table knows the
// extension; false with `mimeType` empty otherwise. Doesn't throw.
bool findFileMimeType(const std::wstring& path, std::string& mimeType);
