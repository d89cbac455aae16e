// TFolderMap: the folders one extraction run has given to the archive's folders. An archive
// folder gets its natural local path unless something already exists there, in which case it gets
// the first free "path.N"; every later entry of the same folder then lands in the same place.
//
// Thread contract: owned by one extraction run; not locked.
#pragma once

#include <map>
#include <string>

class TFolderMap {
public:
    // The folder to use for the natural path `path`: the one given before, or else `path`,
    // `path` + ".1", ".2", ... whichever exists neither as a file, folder nor link. The answer is
    // remembered but not created. Doesn't throw, except std::bad_alloc.
    std::wstring findFolder(const std::wstring& path);

private:
    std::map<std::wstring, std::wstring> m_folders;
};
