// TUploadManager: the page's entry to attachment upload. It holds the settings every new upload
// item starts with, makes items from the file dialog, from resume information the page kept across
// a reload, and from files handed over by the root object (drops, captures), and gives the page
// each item by its index. Items are never removed, so indices stay valid. Main thread only.
#pragma once

#include <string>
#include <vector>

#include <boost/optional.hpp>
#include <boost/weak_ptr.hpp>

#include "plugin/upload/TUploadItem.h"
#include "src/ScriptingCore/JSAPIAuto.h"

class TUploadManager : public FB::JSAPIAuto {
public:
    TUploadManager(const boost::weak_ptr<FB::PluginCore>& plugin, const FB::BrowserHostPtr& host);

    void init(const boost::optional<FB::JSObjectPtr>& options);
    // Opens the file dialog; the indices of the new items (empty when cancelled).
    FB::VariantList selectFiles(const boost::optional<FB::JSObjectPtr>& options);
    // An item for a net-folder upload the page started before a reload, or nothing when the
    // options are incomplete.
    FB::VariantList resume_netfolder(const boost::optional<FB::JSObjectPtr>& options);
    // The item, or null for an index out of range.
    boost::shared_ptr<TUploadItem> get_item(unsigned long index);
    unsigned long get_filecount() { return static_cast<unsigned long>(m_items.size()); }

    // A new idle item for the path; its index. The file is not examined.
    unsigned long addFile(const std::wstring& path);
    unsigned long addFile(const std::wstring& path, FB::VariantList& indices);
    const std::vector<boost::shared_ptr<TUploadItem>>& items() const { return m_items; }

private:
    TUploadItem::Settings m_settings;
    boost::shared_ptr<TUploadItem> m_noItem;
    std::vector<boost::shared_ptr<TUploadItem>> m_items;
    boost::weak_ptr<FB::PluginCore> m_plugin;
    FB::BrowserHostPtr m_host;
};
