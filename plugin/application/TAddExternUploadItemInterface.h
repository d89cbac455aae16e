// How capture and recorder objects hand a finished file to the upload queue without keeping the
// root object alive: they hold this interface weakly. Main thread only.
#pragma once

#include <string>

class TAddExternUploadItemInterface {
public:
    virtual ~TAddExternUploadItemInterface() = default;
    // The index of the new upload item.
    virtual unsigned long addItem(const std::wstring& path) = 0;
};
