#include "plugin/upload/TUploadManager.h"

#include <boost/make_shared.hpp>

#include "plugin/platform/Dialogs.h"
#include "plugin/upload/ScriptOptions.h"
#include "src/PluginCore/PluginCore.h"

TUploadManager::TUploadManager(const boost::weak_ptr<FB::PluginCore>& plugin,
                               const FB::BrowserHostPtr& host)
    : FB::JSAPIAuto("<JSAPI-Auto Javascript Object>"), m_plugin(plugin), m_host(host) {
    registerMethod("init", FB::make_method(this, &TUploadManager::init));
    registerMethod("browser", FB::make_method(this, &TUploadManager::selectFiles));
    registerMethod("resume_netfolder", FB::make_method(this, &TUploadManager::resume_netfolder));
    registerMethod("item", FB::make_method(this, &TUploadManager::get_item));
    registerProperty("size", FB::make_property(this, &TUploadManager::get_filecount));
    registerProperty("count", FB::make_property(this, &TUploadManager::get_filecount));
}

void TUploadManager::init(const boost::optional<FB::JSObjectPtr>& options) {
    FB::VariantMap values = readOptions(options);
    readOption(values, "blocksize", m_settings.blockSize);
    readOption(values, "compress", m_settings.compress);
    readOption(values, "netfolder", m_settings.netfolder);
    readOption(values, "query", m_settings.queryUrl);
    readOption(values, "upload", m_settings.uploadUrl);
    readOption(values, "notify", m_settings.notify);
    readOption(values, "keepfullpath", m_settings.keepFullPath);
}

FB::VariantList TUploadManager::selectFiles(const boost::optional<FB::JSObjectPtr>& options) {
    FB::VariantMap values = readOptions(options);
    std::wstring filter;
    bool single = false;
    readOption(values, "filter", filter);
    readOption(values, "single", single);
    FB::VariantList indices;
    boost::shared_ptr<FB::PluginCore> plugin = m_plugin.lock();
    if (!plugin) {
        return indices;
    }
    std::vector<std::wstring> paths;
    if (browser(plugin->GetWindow(), filter, single, paths)) {
        for (const std::wstring& path : paths) {
            addFile(path, indices);
        }
    }
    return indices;
}

FB::VariantList TUploadManager::resume_netfolder(const boost::optional<FB::JSObjectPtr>& options) {
    FB::VariantMap values = readOptions(options);
    std::wstring filename;
    std::string crc2;
    std::string attachId;
    readOption(values, "filename", filename);
    readOption(values, "crc2", crc2);
    readOption(values, "attachID", attachId);
    FB::VariantList indices;
    if (filename.empty() || crc2.empty() || attachId.empty()) {
        return indices;
    }
    unsigned long index = addFile(filename, indices);
    m_items[index]->setResume(crc2, attachId);
    return indices;
}

boost::shared_ptr<TUploadItem> TUploadManager::get_item(unsigned long index) {
    return index < m_items.size() ? m_items[index] : m_noItem;
}

unsigned long TUploadManager::addFile(const std::wstring& path) {
    auto index = static_cast<unsigned long>(m_items.size());
    auto item = boost::make_shared<TUploadItem>(m_plugin, m_host, index, path);
    item->applySettings(m_settings);
    m_items.push_back(item);
    return index;
}

unsigned long TUploadManager::addFile(const std::wstring& path, FB::VariantList& indices) {
    unsigned long index = addFile(path);
    indices.push_back(index);
    return index;
}
