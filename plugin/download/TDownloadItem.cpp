#include "plugin/download/TDownloadItem.h"

#include "plugin/download/DownloadNames.h"
#include "plugin/download/TDownloadItemStages.h"
#include "plugin/download/TMySimpleStreamHelper.h"
#include "src/ScriptingCore/URI.h"

using download_item::Lock;
using download_item::STAGE_START;

TDownloadItem::TDownloadItem(const boost::weak_ptr<FB::PluginCore>& plugin,
                             const FB::BrowserHostPtr& host, unsigned long id)
    : FB::JSAPIAuto("<JSAPI-Auto Javascript Object>"), m_plugin(plugin), m_host(host), m_id(id) {
    registerProperty("size", FB::make_property(this, &TDownloadItem::getSize));
    registerProperty("size_str", FB::make_property(this, &TDownloadItem::getSizeStr));
    registerProperty("downloadSize", FB::make_property(this, &TDownloadItem::getDownloadSize));
    registerProperty("downloadSize_str",
                     FB::make_property(this, &TDownloadItem::getDownloadSizeStr));
    registerProperty("name", FB::make_property(this, &TDownloadItem::getName));
    registerProperty("state", FB::make_property(this, &TDownloadItem::getState));
    registerProperty("percent", FB::make_property(this, &TDownloadItem::getPercent));
    registerProperty("lastErrorStr", FB::make_property(this, &TDownloadItem::getLastErrorStr));
    registerProperty("lastErrorNum", FB::make_property(this, &TDownloadItem::getLastErrorNum));
    registerMethod("start", FB::make_method(this, &TDownloadItem::start));
    registerMethod("reset", FB::make_method(this, &TDownloadItem::reset));
    registerMethod("stop", FB::make_method(this, &TDownloadItem::stop));
}

boost::shared_ptr<TDownloadItem> TDownloadItem::self() {
    return boost::static_pointer_cast<TDownloadItem>(shared_from_this());
}

bool TDownloadItem::buildFullPath(const std::wstring& folder, std::wstring subfolder,
                                  std::wstring name) {
    if (folder.empty() || !makeDownloadName(subfolder, true) || !makeDownloadName(name, false)) {
        return false;
    }
    std::wstring directory = folder + subfolder;
    if (!TMyFile::checkAndMkdir(directory)) {
        Lock lock(m_mutex);
        m_lastErrorNum = ERR_FILE;
        m_lastErrorStr = TMyFile::getError();
        return false;
    }
    m_directory = directory;
    m_fullPath = directory + finalDownloadName(name);
    Lock lock(m_mutex);
    m_file.path = temporaryDownloadPath(m_fullPath);
    return true;
}

bool TDownloadItem::init(const std::string& url, const std::string& post,
                         const std::wstring& folder, const std::wstring& subfolder,
                         const std::wstring& name, unsigned long long size,
                         const std::string& resume, unsigned long blockSize,
                         const std::string& charset, const FB::JSObjectPtr& notify) {
    m_size = size;
    m_blockSize = blockSize;
    m_notify = notify;
    m_url = url;
    m_post = post;
    m_name = name;
    m_charset = charset;
    m_unzipFlag = !charset.empty();
    if (!buildFullPath(folder, subfolder, name)) {
        return false;
    }
    if (!resume.empty()) {
        m_url += m_url.find('?') == std::string::npos ? "?" : "&";
        m_url += FB::URI::url_encode(resume) + "=";
        m_resumeMode = true;
    }
    return true;
}

bool TDownloadItem::init2(const std::string& content, const std::wstring& folder,
                          const std::wstring& subfolder, const std::wstring& name,
                          const FB::JSObjectPtr& notify) {
    m_notify = notify;
    m_name = name;
    if (!buildFullPath(folder, subfolder, name)) {
        return false;
    }
    Lock lock(m_mutex);
    if (!m_file.create() || !m_file.write(content.data(), content.size())) {
        m_lastErrorNum = ERR_FILE;
        m_lastErrorStr = TMyFile::getError();
        m_file.close();
        return false;
    }
    m_downloadSize = content.size();
    m_lastErrorNum = ERR_NONE;
    return enterLocked(STATE_FINISHED, 100) == STATE_FINISHED;
}

unsigned long long TDownloadItem::getDownloadSize() {
    Lock lock(m_mutex);
    return m_downloadSize;
}

int TDownloadItem::getState() {
    Lock lock(m_mutex);
    return m_state;
}

int TDownloadItem::getPercent() {
    Lock lock(m_mutex);
    return m_percent;
}

std::string TDownloadItem::getLastErrorStr() {
    Lock lock(m_mutex);
    return m_lastErrorStr;
}

int TDownloadItem::getLastErrorNum() {
    Lock lock(m_mutex);
    return m_lastErrorNum;
}

void TDownloadItem::start() {
    {
        Lock lock(m_mutex);
        if (m_state != STATE_IDLE && m_state != STATE_ERROR) {
            return;
        }
        m_lastErrorNum = ERR_NONE;
        m_lastErrorStr.clear();
        m_stoppedFlag = false;
        m_helper.reset();
        ++m_transfer;
        m_percent = 0;
    }
    if (m_url.empty()) {
        {
            Lock lock(m_mutex);
            m_lastErrorNum = ERR_NO_URL;
        }
        indicate_in_exception(STATE_ERROR, STAGE_START);
        return;
    }
    beginDownload();
}

void TDownloadItem::reset() {
    Lock lock(m_mutex);
    m_helper.reset();
    ++m_transfer;
    closeFileLocked();
    m_downloadSize = 0;
}

void TDownloadItem::stop() {
    boost::shared_ptr<TMySimpleStreamHelper> helper;
    {
        Lock lock(m_mutex);
        m_stoppedFlag = true;
        closeFileLocked();
        m_state = STATE_STOPPED;
        helper = m_helper;
    }
    if (helper) {
        helper->cancel();
    }
}
