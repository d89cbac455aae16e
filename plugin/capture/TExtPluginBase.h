// The base family of the objects that hand a file made outside the browser (a screenshot, the
// clipboard's image, a recording) to the uploader: TExtPluginBase reaches the uploader, and
// TToolPluginBase adds the companion program found beside the plug-in's own file.
// Main thread only (script calls arrive there).
#pragma once

#include <string>

#include <boost/weak_ptr.hpp>

#include "plugin/application/TAddExternUploadItemInterface.h"
#include "src/ScriptingCore/JSAPIAuto.h"

class TExtPluginBase : public FB::JSAPIAuto {
public:
    explicit TExtPluginBase(const boost::weak_ptr<TAddExternUploadItemInterface>& uploader);

    // The new upload item's index as a one-element list; an empty list for an empty path or
    // once the root object (owner of the uploader) is gone.
    FB::VariantList addUploadFile(const std::wstring& path);

private:
    // Weak: the page may keep this object after its root object has gone.
    boost::weak_ptr<TAddExternUploadItemInterface> m_uploader;
};

class TToolPluginBase : public TExtPluginBase {
public:
    TToolPluginBase(const std::string& basePath, const std::string& toolName,
                    const boost::weak_ptr<TAddExternUploadItemInterface>& uploader);

    // The folder of basePath (through its last "/") followed by toolName; toolName alone when
    // basePath names no folder.
    static std::string toolPath(const std::string& basePath, const std::string& toolName);

    std::string get_execpath();

protected:
    const std::string m_execpath;
};
