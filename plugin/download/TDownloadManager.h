// TDownloadManager: the page's entry to downloads. It lets the page choose destination folders
// (the last one chosen is remembered across browser restarts in the settings), queues downloads
// described by an options object, and gives the page each item by its number. Items are never
// removed, so numbers stay valid; their files and the temporary folder stay on disk when the
// manager goes. Main thread only.
#pragma once

#include <string>
#include <vector>

#include <boost/optional.hpp>
#include <boost/weak_ptr.hpp>

#include "plugin/download/TDownloadItem.h"
#include "src/ScriptingCore/JSAPIAuto.h"

class TSettingsStore;

class TDownloadManager : public FB::JSAPIAuto {
public:
    // `settings` is normally the plug-in object itself.
    TDownloadManager(const boost::weak_ptr<FB::PluginCore>& plugin,
                     const boost::weak_ptr<TSettingsStore>& settings,
                     const FB::BrowserHostPtr& host);

    void init(const boost::optional<FB::JSObjectPtr>& options);
    // Opens the folder dialog at the last folder; the chosen folder's id (the same id when chosen
    // again), 0 when cancelled.
    unsigned long createFolder(const std::wstring& title);
    // The new item's number, 0 when nothing was queued.
    unsigned long add(const boost::optional<FB::JSObjectPtr>& options);
    // Item n (from 1), or null.
    boost::shared_ptr<TDownloadItem> get_item(unsigned long number);
    unsigned long get_count() const { return static_cast<unsigned long>(m_items.size()); }

    const std::vector<boost::shared_ptr<TDownloadItem>>& items() const { return m_items; }

private:
    // Id 0: the manager's own temporary folder, made on first use. Empty for an unknown id or a
    // temporary folder that cannot be made. Ends in "/".
    std::wstring getFolder(unsigned long id);

    unsigned long m_blockSize = 0;
    FB::JSObjectPtr m_notify;
    std::vector<boost::shared_ptr<TDownloadItem>> m_items;
    std::vector<std::wstring> m_folders;
    std::wstring m_temporaryFolder;
    std::wstring m_lastFolder;
    boost::shared_ptr<TDownloadItem> m_noItem;
    boost::weak_ptr<FB::PluginCore> m_plugin;
    boost::weak_ptr<TSettingsStore> m_settings;
    FB::BrowserHostPtr m_host;
};
