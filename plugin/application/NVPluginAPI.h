// NVPluginAPI: the root scriptable object the page sees as the plug-in element's interface. A thin
// hub: "version", the drop switches, and the service objects (the upload and download managers and
// the capture object made once and kept; a new checksum, mail or recorder object on every call).
// Main thread only (script calls arrive there).
#pragma once

#include <list>
#include <string>

#include <boost/weak_ptr.hpp>

#include "plugin/application/NVAcceptDropFile.h"
#include "plugin/application/TAddExternUploadItemInterface.h"
#include "src/ScriptingCore/JSAPIAuto.h"

class NVPlugin;
class TDownloadManager;
class TUploadManager;

class NVPluginAPI : public FB::JSAPIAuto, public NVAcceptDropFile {
public:
    NVPluginAPI(const boost::shared_ptr<NVPlugin>& plugin, const FB::BrowserHostPtr& host);
    ~NVPluginAPI() override;

    // Throws script_error "The plugin is invalid" once the plug-in object is gone.
    boost::shared_ptr<NVPlugin> getPlugin();

    FB::JSAPIPtr mycrc(int algorithm);
    // The upload manager, made on first use (by "upload" or addFile) and kept.
    FB::JSAPIPtr getUpload();
    // The download manager, made on first use and kept.
    FB::JSAPIPtr getDownload();
    // A new mail message object on every call.
    FB::JSAPIPtr getMime();
    // The capture object, made on first use and kept until "shutdown".
    FB::JSAPIPtr getScreenCapture();
    FB::JSAPIPtr getSoundRecorder();
    FB::JSAPIPtr getVideoRecorder();
    std::string get_version();
    bool get_EnableDropFiles();
    void set_EnableDropFiles(bool enable);
    bool supportDropFiles();
    // Stops every transfer and lets the capture object go; the managers stay.
    void shutdown() override;

    // A new upload item for the path (the manager made if needed); its index.
    unsigned long addFile(const std::wstring& path);
    // How capture and recorder objects add files without keeping this object alive.
    boost::weak_ptr<TAddExternUploadItemInterface> getAddFileInterface();

    void fire_DropFiles(const FB::VariantList& files);
    void fire_DropIn();
    void fire_DropOut();
    void fire_DropMove(int x, int y);

    void beginAddFile() override;
    void addDropFile(const std::wstring& path) override;
    void endAddFile() override;
    void onDropIn() override;
    void onDropLeave() override;
    void onDropMove(int x, int y) override;

    class TUploadAddFile : public TAddExternUploadItemInterface {
    public:
        explicit TUploadAddFile(NVPluginAPI& owner) : m_owner(owner) {}
        unsigned long addItem(const std::wstring& path) override { return m_owner.addFile(path); }

    private:
        NVPluginAPI& m_owner;
    };

private:
    boost::shared_ptr<TUploadManager> uploadManager();

    std::string m_pluginPath;
    boost::shared_ptr<TUploadAddFile> m_addFileInterface;
    boost::weak_ptr<NVPlugin> m_plugin;
    FB::BrowserHostPtr m_host;
    boost::shared_ptr<TUploadManager> m_upload;
    boost::shared_ptr<TDownloadManager> m_download;
    FB::JSAPIPtr m_screenCapture;
    std::list<std::wstring> m_dropFiles;
};
