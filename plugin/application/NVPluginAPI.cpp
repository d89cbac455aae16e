#include "plugin/application/NVPluginAPI.h"

#include <boost/make_shared.hpp>

#include "plugin/application/NVPlugin.h"
#include "plugin/download/TDownloadManager.h"
#include "plugin/mime/TMime.h"
#include "plugin/capture/TRecorders.h"
#include "plugin/capture/TScreenCapture.h"
#include "plugin/upload/TCRCManager.h"
#include "plugin/upload/TUploadManager.h"
#include "src/ScriptingCore/script_error.h"

NVPluginAPI::NVPluginAPI(const boost::shared_ptr<NVPlugin>& plugin, const FB::BrowserHostPtr& host)
    : FB::JSAPIAuto("<JSAPI-Auto Javascript Object>"), m_plugin(plugin), m_host(host) {
    registerMethod("mycrc", FB::make_method(this, &NVPluginAPI::mycrc));
    registerProperty("version", FB::make_property(this, &NVPluginAPI::get_version));
    registerProperty("EnableDropFiles", FB::make_property(this, &NVPluginAPI::get_EnableDropFiles,
                                                          &NVPluginAPI::set_EnableDropFiles));
    registerProperty("supportDropFiles", FB::make_property(this, &NVPluginAPI::supportDropFiles));
    registerMethod("shutdown", FB::make_method(this, &NVPluginAPI::shutdown));
    registerMethod("upload", FB::make_method(this, &NVPluginAPI::getUpload));
    registerMethod("download", FB::make_method(this, &NVPluginAPI::getDownload));
    registerMethod("mime", FB::make_method(this, &NVPluginAPI::getMime));
    registerMethod("screenCapture", FB::make_method(this, &NVPluginAPI::getScreenCapture));
    registerMethod("soundRecord", FB::make_method(this, &NVPluginAPI::getSoundRecorder));
    registerMethod("videoRecord", FB::make_method(this, &NVPluginAPI::getVideoRecorder));
    m_pluginPath = plugin->getFSPath();
    plugin->m_acceptDropFile = this;
}

NVPluginAPI::~NVPluginAPI() = default;

boost::shared_ptr<NVPlugin> NVPluginAPI::getPlugin() {
    boost::shared_ptr<NVPlugin> plugin = m_plugin.lock();
    if (!plugin) {
        throw FB::script_error("The plugin is invalid");
    }
    return plugin;
}

FB::JSAPIPtr NVPluginAPI::mycrc(int algorithm) {
    return boost::make_shared<TCRCManager>(algorithm);
}

boost::shared_ptr<TUploadManager> NVPluginAPI::uploadManager() {
    if (!m_upload) {
        m_upload = boost::make_shared<TUploadManager>(m_plugin, m_host);
    }
    return m_upload;
}

FB::JSAPIPtr NVPluginAPI::getUpload() {
    return uploadManager();
}

FB::JSAPIPtr NVPluginAPI::getDownload() {
    if (!m_download) {
        m_download = boost::make_shared<TDownloadManager>(m_plugin, m_plugin, m_host);
    }
    return m_download;
}

FB::JSAPIPtr NVPluginAPI::getMime() {
    return boost::make_shared<TMime>(m_plugin, m_host);
}

FB::JSAPIPtr NVPluginAPI::getScreenCapture() {
    if (!m_screenCapture) {
        m_screenCapture = boost::make_shared<TScreenCapture>(m_pluginPath, getAddFileInterface());
    }
    return m_screenCapture;
}

FB::JSAPIPtr NVPluginAPI::getSoundRecorder() {
    return boost::make_shared<TSoundRecorder>(m_pluginPath, getAddFileInterface());
}

FB::JSAPIPtr NVPluginAPI::getVideoRecorder() {
    return boost::make_shared<TVideoRecorder>(m_pluginPath, getAddFileInterface());
}

unsigned long NVPluginAPI::addFile(const std::wstring& path) {
    return uploadManager()->addFile(path);
}

boost::weak_ptr<TAddExternUploadItemInterface> NVPluginAPI::getAddFileInterface() {
    if (!m_addFileInterface) {
        m_addFileInterface = boost::make_shared<TUploadAddFile>(*this);
    }
    return m_addFileInterface;
}

std::string NVPluginAPI::get_version() {
    // The project's version in CMakeLists.txt: pages compare it, the package carries it.
    return NV_VERSION;
}

bool NVPluginAPI::get_EnableDropFiles() {
    return getPlugin()->checkEnableDropFiles();
}

void NVPluginAPI::set_EnableDropFiles(bool enable) {
    getPlugin()->enableDropFiles(enable);
}

bool NVPluginAPI::supportDropFiles() {
    return getPlugin()->supportDropFiles();
}

void NVPluginAPI::shutdown() {
    boost::shared_ptr<NVPlugin> plugin = m_plugin.lock();
    if (plugin) {
        plugin->destroyDropFiles();
    }
    if (m_upload) {
        for (const auto& item : m_upload->items()) {
            item->stop();
        }
    }
    if (m_download) {
        for (const auto& item : m_download->items()) {
            item->stop();
        }
    }
    m_screenCapture.reset();
}

void NVPluginAPI::fire_DropFiles(const FB::VariantList& files) {
    FireEvent("onDropFiles", FB::VariantList{FB::variant(files)});
}

void NVPluginAPI::fire_DropIn() {
    FireEvent("onDropIn", FB::VariantList());
}

void NVPluginAPI::fire_DropOut() {
    FireEvent("onDropOut", FB::VariantList());
}

void NVPluginAPI::fire_DropMove(int x, int y) {
    FireEvent("onDropMove", FB::VariantList{x, y});
}

void NVPluginAPI::beginAddFile() {
    m_dropFiles.clear();
}

void NVPluginAPI::addDropFile(const std::wstring& path) {
    m_dropFiles.push_back(path);
}

void NVPluginAPI::endAddFile() {
    FB::VariantList indices;
    for (const std::wstring& path : m_dropFiles) {
        indices.push_back(addFile(path));
    }
    fire_DropFiles(indices);
}

void NVPluginAPI::onDropIn() {
    fire_DropIn();
}

void NVPluginAPI::onDropLeave() {
    fire_DropOut();
}

void NVPluginAPI::onDropMove(int x, int y) {
    fire_DropMove(x, y);
}
