#include "plugin/upload/TUploadItem.h"

#include <exception>

#include <boost/thread/thread.hpp>

#include "plugin/upload/FileBlocks.h"
#include "plugin/upload/ScriptOptions.h"
#include "plugin/upload/TCRCManager.h"
#include "plugin/upload/TUploadItemStages.h"
#include "src/ScriptingCore/SimpleStreamHelper.h"

using upload_item::Lock;
using upload_item::STAGE_CHECK;
using upload_item::STAGE_START;

TUploadItem::TUploadItem(const boost::weak_ptr<FB::PluginCore>& plugin,
                         const FB::BrowserHostPtr& host, unsigned long index,
                         const std::wstring& path)
    : FB::JSAPIAuto("<JSAPI-Auto Javascript Object>"), m_plugin(plugin), m_host(host),
      m_index(index), m_path(path), m_file(path) {
    registerProperty("size", FB::make_property(this, &TUploadItem::size));
    registerProperty("size_str", FB::make_property(this, &TUploadItem::size_str));
    registerProperty("name", FB::make_property(this, &TUploadItem::getName));
    registerProperty("state", FB::make_property(this, &TUploadItem::getState));
    registerProperty("percent", FB::make_property(this, &TUploadItem::getPercent));
    registerProperty("attachmentId", FB::make_property(this, &TUploadItem::attachId));
    registerProperty("lastErrorStr", FB::make_property(this, &TUploadItem::getLastErrorStr));
    registerProperty("lastErrorNum", FB::make_property(this, &TUploadItem::getLastErrorNum));
    registerProperty("keepfullpath", FB::make_property(this, &TUploadItem::getKeepFullPath,
                                                       &TUploadItem::setKeepFullPath));
    registerMethod("init", FB::make_method(this, &TUploadItem::init2));
    registerMethod("read", FB::make_method(this, &TUploadItem::read));
    registerMethod("crc", FB::make_method(this, &TUploadItem::crc));
    registerMethod("setDisplay", FB::make_method(this, &TUploadItem::setDisplayName));
    registerMethod("setExtAttributes", FB::make_method(this, &TUploadItem::setExtAttribute));
    registerMethod("start", FB::make_method(this, &TUploadItem::start));
    registerMethod("reset", FB::make_method(this, &TUploadItem::reset));
    registerMethod("stop", FB::make_method(this, &TUploadItem::stop));
}

TUploadItem::~TUploadItem() {
    stop();
}

boost::shared_ptr<TUploadItem> TUploadItem::self() {
    return boost::static_pointer_cast<TUploadItem>(shared_from_this());
}

void TUploadItem::applySettings(const Settings& settings) {
    m_queryUrl = settings.queryUrl;
    m_uploadUrl = settings.uploadUrl;
    m_blockSize = settings.blockSize;
    m_compress = settings.compress;
    m_netfolder = settings.netfolder;
    m_keepFullPath = settings.keepFullPath;
    Lock lock(m_mutex);
    m_notify = settings.notify;
}

void TUploadItem::setResume(const std::string& crc2, const std::string& attachId) {
    m_passedCrc2 = crc2;
    m_attachId = attachId;
    m_netfolder = true;
}

unsigned long long TUploadItem::size() {
    // A descriptor of its own: the worker may be reading the item's file right now.
    TMyFile file(m_path);
    return file.size();
}

std::string TUploadItem::size_str() {
    return std::to_string(size());
}

int TUploadItem::getState() {
    Lock lock(m_mutex);
    return m_state;
}

int TUploadItem::getPercent() {
    Lock lock(m_mutex);
    return m_percent;
}

std::string TUploadItem::attachId() {
    return m_attachId;
}

std::string TUploadItem::getLastErrorStr() {
    Lock lock(m_mutex);
    return m_lastErrorStr;
}

int TUploadItem::getLastErrorNum() {
    Lock lock(m_mutex);
    return m_lastErrorNum;
}

bool TUploadItem::getKeepFullPath() {
    return m_keepFullPath;
}

void TUploadItem::setKeepFullPath(bool keep) {
    m_keepFullPath = keep;
}

void TUploadItem::init2(const boost::optional<FB::JSObjectPtr>& options) {
    FB::VariantMap values = readOptions(options);
    readOption(values, "blocksize", m_blockSize);
    readOption(values, "compress", m_compress);
    readOption(values, "netfolder", m_netfolder);
    readOption(values, "query", m_queryUrl);
    readOption(values, "upload", m_uploadUrl);
    if (values.count("notify")) {
        FB::JSObjectPtr notify = values["notify"].convert_cast<FB::JSObjectPtr>();
        Lock lock(m_mutex);
        m_notify = notify;
    }
    readOption(values, "display", m_displayName);
    readOption(values, "extarg", m_extArg);
    readOption(values, "keepfullpath", m_keepFullPath);
}

bool TUploadItem::fileOpenToPage() {
    Lock lock(m_mutex);
    return m_passedCrc2.empty() || m_digestProven;
}

std::string TUploadItem::read(unsigned long long offset, unsigned long length) {
    if (!fileOpenToPage()) {
        return std::string();
    }
    TMyFile file(m_path);
    if (!file.offset(offset)) {
        return std::string();
    }
    std::string buffer(length, '\0');
    buffer.resize(file.read(&buffer[0], length));
    return buffer;
}

std::string TUploadItem::crc(int selector) {
    if (!fileOpenToPage()) {
        return std::string();
    }
    boost::shared_ptr<TCRCBase> algorithm = TCRCManager::makeAlgorithm(selector);
    unsigned long blockSize;
    {
        Lock lock(m_mutex);
        blockSize = m_blockSize;
    }
    TMyFile file(m_path);
    unsigned long long total = file.size();
    if (!file.offset(0)) {
        return std::string();
    }
    if (total > 0 && blockSize == 0) {
        return std::string();
    }
    FileBlocks blocks(total, blockSize, 1);
    FileBlocks::End end =
        blocks.feed(file, nullptr, [&](const char* data, unsigned long count, unsigned long long) {
            algorithm->write(data, count);
        });
    if (end != FileBlocks::Complete) {
        return std::string();
    }
    algorithm->flush();
    return algorithm->result();
}

void TUploadItem::setDisplayName(const std::wstring& name) {
    m_displayName = name;
}

void TUploadItem::setExtAttribute(const std::string& arg) {
    m_extArg = arg;
}

void TUploadItem::start() {
    {
        Lock lock(m_mutex);
        if (m_state != STATE_IDLE && m_state != STATE_ERROR) {
            return;
        }
        m_lastErrorNum = ERR_NONE;
        m_lastErrorStr.clear();
        m_stop = false;
        m_request.reset();
        ++m_generation;
        m_percent = 0;
    }
    if (m_queryUrl.empty() || m_uploadUrl.empty()) {
        {
            Lock lock(m_mutex);
            m_lastErrorNum = ERR_NO_URL;
        }
        indicate_in_exception(STATE_ERROR, STAGE_START);
        return;
    }
    bool known;
    {
        Lock lock(m_mutex);
        known = !m_crc.empty() && !m_attachId.empty();
        m_state = known ? STATE_QUERYING : STATE_CHECKING;
        m_workerRunning = !known;
    }
    if (known) {
        beginQueryURL();
        return;
    }
    CheckJob job{m_blockSize, m_netfolder, m_passedCrc2};
    boost::shared_ptr<TUploadItem> keep = self();
    try {
        boost::thread([keep, job] { keep->checkCRCInThread(job); }).detach();
    } catch (const std::exception&) {
        {
            Lock lock(m_mutex);
            m_workerRunning = false;
        }
        indicate_in_exception(STATE_ERROR, STAGE_CHECK);
    }
}

void TUploadItem::reset() {
    Lock lock(m_mutex);
    m_request.reset();
    ++m_generation;
    m_crc.clear();
    m_crc2.clear();
}

void TUploadItem::stop() {
    boost::shared_ptr<FB::SimpleStreamHelper> request;
    {
        Lock lock(m_mutex);
        m_stop = true;
        // A running worker closes the file itself once it sees the flag, never under its read.
        closeFileLocked();
        m_state = STATE_STOPPED;
        request = m_request;
    }
    if (request) {
        request->cancel();
    }
}
