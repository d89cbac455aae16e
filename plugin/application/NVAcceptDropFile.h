// The contract between a platform drop target and the root object: a drag enters, moves and leaves,
// or drops files, which become upload items. Main thread only. Nothing drives it on Linux yet.
#pragma once

#include <string>

class NVAcceptDropFile {
public:
    virtual ~NVAcceptDropFile() = default;
    virtual void beginAddFile() = 0;
    virtual void addDropFile(const std::wstring& path) = 0;
    virtual void endAddFile() = 0;
    virtual void onDropIn() = 0;
    virtual void onDropLeave() = 0;
    virtual void onDropMove(int x, int y) = 0;
};
