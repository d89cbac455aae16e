#include "plugin/download/TDownloadManager.h"

#include <algorithm>

#include <boost/make_shared.hpp>

#include "plugin/application/TSettingsStore.h"
#include "plugin/platform/Dialogs.h"
#include "plugin/upload/ScriptOptions.h"
#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace {

const char* const kLastFolderKey = "DownloadLastFolder";

std::wstring storedFolder(const boost::weak_ptr<TSettingsStore>& settings) {
    boost::shared_ptr<TSettingsStore> store = settings.lock();
    if (!store) {
        return std::wstring();
    }
    try {
        return FB::utf8_to_wstring(store->loadSetting(kLastFolderKey));
    } catch (const std::exception&) {
        return std::wstring(); // a hand-edited file with broken text: no last folder
    }
}

} // namespace

TDownloadManager::TDownloadManager(const boost::weak_ptr<FB::PluginCore>& plugin,
                                   const boost::weak_ptr<TSettingsStore>& settings,
                                   const FB::BrowserHostPtr& host)
    : FB::JSAPIAuto("<JSAPI-Auto Javascript Object>"), m_lastFolder(storedFolder(settings)),
      m_plugin(plugin), m_settings(settings), m_host(host) {
    registerMethod("init", FB::make_method(this, &TDownloadManager::init));
    registerMethod("createFolder", FB::make_method(this, &TDownloadManager::createFolder));
    registerMethod("add", FB::make_method(this, &TDownloadManager::add));
    registerMethod("item", FB::make_method(this, &TDownloadManager::get_item));
    registerProperty("size", FB::make_property(this, &TDownloadManager::get_count));
    registerProperty("count", FB::make_property(this, &TDownloadManager::get_count));
}

void TDownloadManager::init(const boost::optional<FB::JSObjectPtr>& options) {
    FB::VariantMap values = readOptions(options);
    readOption(values, "blocksize", m_blockSize);
    readOption(values, "notify", m_notify);
}

unsigned long TDownloadManager::createFolder(const std::wstring& title) {
    boost::shared_ptr<FB::PluginCore> plugin = m_plugin.lock();
    if (!plugin) {
        return 0;
    }
    std::wstring chosen;
    if (!selectSaveFolder(plugin->GetWindow(), title, m_lastFolder, chosen)) {
        return 0;
    }
    auto found = std::find(m_folders.begin(), m_folders.end(), chosen);
    if (found == m_folders.end()) {
        found = m_folders.insert(m_folders.end(), chosen);
    }
    if (chosen != m_lastFolder) {
        m_lastFolder = chosen;
        if (boost::shared_ptr<TSettingsStore> store = m_settings.lock()) {
            store->saveSetting(kLastFolderKey, FB::wstring_to_utf8(chosen));
        }
    }
    return static_cast<unsigned long>(found - m_folders.begin()) + 1;
}

std::wstring TDownloadManager::getFolder(unsigned long id) {
    if (id == 0) {
        if (m_temporaryFolder.empty()) {
            m_temporaryFolder = TMyFile::mktemp(L"nvdownload", true);
        }
        return m_temporaryFolder;
    }
    return id <= m_folders.size() ? m_folders[id - 1] : std::wstring();
}

unsigned long TDownloadManager::add(const boost::optional<FB::JSObjectPtr>& options) {
    if (!options || !*options) {
        return 0;
    }
    FB::VariantMap values = readOptions(options);
    std::string url;
    std::string content;
    FB::JSObjectPtr notify = m_notify;
    unsigned long folderId = 0;
    std::wstring subfolder;
    std::wstring name;
    unsigned long long size = 0;
    unsigned long blockSize = m_blockSize;
    std::string resume;
    bool unzip = false;
    std::string charset;
    std::string post;
    readOption(values, "url", url);
    readOption(values, "content", content);
    readOption(values, "notify", notify);
    readOption(values, "folder", folderId);
    readOption(values, "subfolder", subfolder);
    readOption(values, "name", name);
    readOption(values, "size", size);
    readOption(values, "blocksize", blockSize);
    readOption(values, "resume", resume);
    readOption(values, "unzip", unzip);
    readOption(values, "charset", charset);
    readOption(values, "post", post);
    if (!unzip) {
        charset.clear();
    } else if (charset.empty()) {
        charset = "gb18030";
    }
    if (url.empty() && content.empty()) {
        return 0;
    }
    std::wstring folder = getFolder(folderId);
    if (folder.empty()) {
        return 0;
    }
    auto item = boost::make_shared<TDownloadItem>(m_plugin, m_host, get_count() + 1);
    bool made = url.empty() ? item->init2(content, folder, subfolder, name, notify)
                            : item->init(url, post, folder, subfolder, name, size, resume,
                                         blockSize, charset, notify);
    if (!made) {
        return 0;
    }
    m_items.push_back(item);
    return get_count();
}

boost::shared_ptr<TDownloadItem> TDownloadManager::get_item(unsigned long number) {
    return number >= 1 && number <= m_items.size() ? m_items[number - 1] : m_noItem;
}
