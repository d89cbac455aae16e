// TScreenCapture: a screenshot, or the image on the clipboard, saved as a PNG file that "upload"
// hands to the uploader, so the user attaches a picture without choosing a file. The work is done
// by the companion program "screencapture" beside the plug-in's own file, run with an action word
// and the output path; keeping X11 grabs and selections out of the browser's process.
// Main thread only; "capture" and "clipboard" block it until the companion ends.
#pragma once

#include "plugin/capture/TExtPluginBase.h"

class TScreenCapture : public TToolPluginBase {
public:
    TScreenCapture(const std::string& basePath,
                   const boost::weak_ptr<TAddExternUploadItemInterface>& uploader);

    // True when the companion is an executable file at execpath.
    bool get_supportCapture();
    bool get_supportClipboard();
    // The new PNG's path, or "" when the user cancelled or nothing could be captured.
    std::wstring capture();
    // The clipboard's PNG as a new file's path, or "" when the clipboard holds none.
    std::wstring clipboard();
    // The last result as a new upload item (see addUploadFile).
    FB::VariantList upload();

private:
    std::wstring runCompanion(const std::string& action);

    std::wstring m_result;
};
