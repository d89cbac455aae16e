// How the page's "subfolder" and "name" of a download become names inside the folder the user
// chose. The page is not trusted with paths: a name can neither climb out of the folder nor end in
// the temporary suffix of an unfinished download.
//
// Thread contract: pure functions; callable from any thread.
#pragma once

#include <string>

// Replaces every "/", "\\" and ":" by "_". False when the result would not stay one name inside
// the folder: "." or "..", one holding a NUL character, or an empty one unless `mayBeEmpty`.
bool makeDownloadName(std::wstring& name, bool mayBeEmpty);

// The final file name for `name` (already made local): one ending in ".nvtmp" gets ".1" added, so
// that no finished file looks unfinished.
std::wstring finalDownloadName(const std::wstring& name);

// The temporary file a download is written to until it is complete: the final path + ".nvtmp".
std::wstring temporaryDownloadPath(const std::wstring& finalPath);
