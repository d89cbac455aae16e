// ZipEntryExtract: writes the current entry of an open archive below a destination folder. The
// archive's folder tree is flattened: every distinct archive folder becomes one folder directly
// below the destination (a/b/c.txt lands in "a_b/c.txt"), chosen through the run's TFolderMap.
//
// Archives come from the network. An entry is written only to a name of its own directly inside
// the destination or inside one of the folders made for this run; names that cannot be kept
// inside fail the entry. Links are never created or followed: dates and attributes stored in the
// archive are not applied, so a link entry becomes a plain file holding the link's target.
//
// Thread contract: runs on the extracting worker thread; the archive, map and files belong to the
// call's owner.
#pragma once

#include <string>

#include <unzip.h>

class TFolderMap;

// The copy buffer for a requested size: at least 8192 bytes, at most 10 MiB.
unsigned long extractBufferSize(unsigned long requested);

// Extracts the archive's current entry into `dest` (a folder; a missing final "/" is supplied).
// Entry names are decoded with changeCharset and `charset`, or as UTF-8 first when the entry is
// flagged as UTF-8; names longer than 255 bytes are cut there. Returns 0 on success; otherwise a
// minizip error code (negative), -104 when the buffer or the local file cannot be made, or a
// system error number: EINVAL for a name that cannot stay inside (a component that is empty, "."
// or "..", or a NUL in the name), EILSEQ for one that decodes in neither character set, ENOTSUP for
// an encrypted entry. On failure errno always tells what went wrong (EBADMSG for damaged archive
// data, including an entry shorter than it declares), and a partly written file may remain.
// Doesn't throw, except std::bad_alloc.
int do_extract_currentfile(const std::wstring& dest, unzFile archive, unsigned long bufferSize,
                           const std::string& charset, TFolderMap& folders);
