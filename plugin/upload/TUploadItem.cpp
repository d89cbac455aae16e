#include "plugin/upload/TUploadItem.h"

#include <algorithm>
#include <exception>
#include <vector>

#include <boost/thread/thread.hpp>

#include "plugin/upload/TBackgroundChecksum.h"
#include "plugin/upload/TCRC32.h"
#include "plugin/upload/TCRCManager.h"
#include "plugin/upload/ScriptOptions.h"
#include "plugin/upload/TNvxChecksum.h"
#include "plugin/upload/UploadProtocol.h"
#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/BrowserHost.h"
#include "src/ScriptingCore/JSObject.h"
#include "src/ScriptingCore/SimpleStreamHelper.h"
#include "src/ScriptingCore/URI.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace {

using Lock = boost::lock_guard<boost::mutex>;

constexpr unsigned long long kLargeFile = 10ULL * 1024 * 1024;
constexpr unsigned long kMinBlock = 200 * 1024;

// Stage numbers reported as the percent value of an error.
enum Stage {
    STAGE_START = 0,
    STAGE_CHECK = 2,
    STAGE_QUERY = 3,
    STAGE_QUERY_ANSWER = 4,
    STAGE_BLOCK = 5,
    STAGE_BLOCK_ANSWER = 6
};

unsigned long automaticBlockSize(unsigned long long size) {
    unsigned long long block = size > kLargeFile ? size / 100 : size / 20;
    return block < kMinBlock ? kMinBlock : static_cast<unsigned long>(block);
}

// Whole percent of done/total, exact for any file size.
int percentOf(unsigned long long done, unsigned long long total) {
    return total == 0 ? 0 : static_cast<int>(static_cast<unsigned __int128>(done) * 100 / total);
}

} // namespace

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
    std::vector<char> buffer(std::min<unsigned long long>(blockSize, total));
    for (unsigned long long position = 0; position < total;) {
        unsigned long count = file.read(buffer.data(), buffer.size());
        if (count == 0) {
            return std::string();
        }
        algorithm->write(buffer.data(), count);
        position += count;
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

void TUploadItem::checkCRCInThread(const CheckJob& job) {
    try {
        indicate(STATE_CHECKING, 1);
        unsigned long long total = m_file.size();
        unsigned long blockSize = job.blockSize ? job.blockSize : automaticBlockSize(total);
        {
            Lock lock(m_mutex);
            m_totalSize = total;
            m_blockSize = blockSize;
        }
        size_t bufferSize = static_cast<size_t>(std::min<unsigned long long>(blockSize, total));
        // Two buffers: MD5 works on one on its own thread while the next block is read.
        std::vector<char> buffers[2] = {std::vector<char>(bufferSize),
                                        std::vector<char>(job.netfolder ? bufferSize : 0)};
        if (!m_file.offset(0)) {
            throw_exception(ERR_FILE, "seek file to begin to cal crc fail:" + TMyFile::getError());
        }
        TCRC32 crc32;
        TNvxChecksum digest;
        std::unique_ptr<TBackgroundChecksum> md5;
        if (job.netfolder) {
            md5.reset(new TBackgroundChecksum(digest.md5Part()));
        }
        unsigned long long position = 0;
        int lastPercent = 0;
        int current = 0;
        while (position < total) {
            if (stopRequested()) {
                break;
            }
            std::vector<char>& buffer = buffers[current];
            unsigned long count =
                m_file.read(buffer.data(), static_cast<unsigned long>(std::min<unsigned long long>(
                                               total - position, blockSize)));
            if (stopRequested()) {
                throw_exception(ERR_USER_BREAK, "User beak");
            }
            if (count == 0) {
                throw_exception(ERR_FILE,
                                "read data from file to cal crc fail" + TMyFile::getError());
            }
            if (job.netfolder) {
                md5->submit(buffer.data(), count);
                digest.sha1Part().write(buffer.data(), count);
                current = 1 - current;
            }
            crc32.write(buffer.data(), count);
            position += count;
            int percent = percentOf(position, total);
            if (percent != lastPercent) {
                indicate(STATE_CHECKING, percent);
                lastPercent = percent;
            }
        }
        if (md5) {
            md5->finish();
            md5.reset();
        }
        indicate(STATE_CHECKING, 100);
        std::string crc2;
        if (job.netfolder) {
            digest.flush();
            crc2 = digest.result();
        }
        std::string crcText = std::to_string(static_cast<int32_t>(~crc32.getRegister()));
        if (!job.passedCrc2.empty() && job.passedCrc2 != crc2) {
            // A resumed item's file was named by the page, not chosen by the user: neither its
            // digest (in the text) nor a checksum that would let the next "start" skip this
            // check may reach the page.
            {
                Lock lock(m_mutex);
                m_digestProven = false;
            }
            throw_exception(ERR_CRC_MISMATCH, "crc not the same as the passed " + job.passedCrc2);
        }
        {
            // From here on the main thread owns the file.
            Lock lock(m_mutex);
            m_crc2 = crc2;
            m_crc = crcText;
            m_digestProven = true;
            m_workerRunning = false;
            if (m_stop) {
                closeFileLocked();
            }
        }
        boost::shared_ptr<TUploadItem> keep = self();
        m_host->ScheduleOnMainThread(keep, [keep] { keep->beginQueryURL(); });
    } catch (const std::exception&) {
        {
            Lock lock(m_mutex);
            m_workerRunning = false;
        }
        indicate_in_exception(STATE_ERROR, STAGE_CHECK);
    }
}

bool TUploadItem::isCurrent(unsigned generation) {
    Lock lock(m_mutex);
    return generation == m_generation;
}

bool TUploadItem::stopRequested() {
    Lock lock(m_mutex);
    return m_stop;
}

void TUploadItem::closeFileLocked() {
    if (!m_workerRunning) {
        m_file.close();
    }
}

void TUploadItem::notify(int state, int percent) {
    FB::JSObjectPtr function;
    {
        Lock lock(m_mutex);
        function = m_notify;
    }
    if (!function) {
        return;
    }
    try {
        function->InvokeAsync("", FB::VariantList{state, percent, m_index});
    } catch (const std::exception&) {
        // The page is gone; nobody is left to tell.
    }
}

void TUploadItem::indicate(STATE state, int percent) {
    {
        Lock lock(m_mutex);
        if (m_stop) {
            m_lastErrorNum = ERR_USER_BREAK;
            m_lastErrorStr = "User beak";
            m_state = STATE_ERROR;
            throw std::bad_exception();
        }
        m_state = state;
        m_percent = percent;
        if (state == STATE_VERIFIED || state == STATE_FINISHED || state == STATE_ERROR) {
            closeFileLocked();
        }
    }
    notify(state, percent);
}

void TUploadItem::indicate_in_exception(STATE state, int percent) {
    int notifiedState;
    {
        Lock lock(m_mutex);
        m_state = state;
        m_percent = percent;
        if (m_stop) {
            m_lastErrorNum = ERR_USER_BREAK;
            m_lastErrorStr = "User beak";
        }
        if (state == STATE_VERIFIED || state == STATE_FINISHED || state == STATE_ERROR) {
            closeFileLocked();
        }
        notifiedState = m_state;
    }
    notify(notifiedState, percent);
}

void TUploadItem::throw_exception(ERROR_NUM number, const std::string& text) {
    {
        Lock lock(m_mutex);
        m_lastErrorNum = number;
        m_lastErrorStr = text;
        m_state = STATE_ERROR;
    }
    throw std::bad_exception();
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

void TUploadItem::sendRequest(const std::string& url, std::string& body, const std::string& headers,
                              const FB::HttpCallback& callback) {
    FB::BrowserStreamRequest request{FB::URI(url), "POST"};
    request.setPostData(std::move(body), headers);
    boost::shared_ptr<TUploadItem> keep = self();
    unsigned generation;
    unsigned sequence;
    {
        Lock lock(m_mutex);
        generation = m_generation;
        sequence = ++m_requestSequence;
    }
    request.setCallback([keep, generation, callback](bool success, const FB::HeaderMap& answer,
                                                     const boost::shared_array<uint8_t>& data,
                                                     size_t size) {
        if (keep->isCurrent(generation)) {
            callback(success, answer, data, size);
        }
    });
    // Not under the lock: a browser may answer (and the chain go on) inside the request call.
    boost::shared_ptr<FB::SimpleStreamHelper> helper =
        FB::SimpleStreamHelper::AsyncRequest(m_host, request);
    // The browser has copied the body by now; the caller gets its buffer back for the next block.
    body = request.takePostData();
    Lock lock(m_mutex);
    if (sequence == m_requestSequence) {
        m_request = helper;
    }
}

void TUploadItem::beginQueryURL() {
    try {
        QueryForm form;
        form.queryUrl = m_queryUrl;
        form.extArg = m_extArg;
        form.path = FB::wstring_to_utf8(m_path);
        form.keepFullPath = m_keepFullPath;
        {
            Lock lock(m_mutex);
            form.size = m_totalSize;
            form.crc = m_crc;
            form.crc2 = m_crc2;
        }
        form.attachId = m_attachId;
        form.netfolder = m_netfolder;
        form.display = FB::wstring_to_utf8(m_displayName);
        QueryRequest query = buildQuery(form);
        boost::shared_ptr<TUploadItem> keep = self();
        sendRequest(query.url, query.body, "",
                    [keep](bool success, const FB::HeaderMap& headers,
                           const boost::shared_array<uint8_t>& data, size_t size) {
                        keep->getQueryResultCallback(success, headers, data, size);
                    });
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_QUERY);
    }
}

std::string TUploadItem::takeAnswer(const boost::shared_array<uint8_t>& data, size_t size,
                                    unsigned long long& total) {
    {
        Lock lock(m_mutex);
        m_request.reset();
        total = m_totalSize;
    }
    return data ? std::string(reinterpret_cast<const char*>(data.get()), size) : std::string();
}

void TUploadItem::getQueryResultCallback(bool success, const FB::HeaderMap&,
                                         const boost::shared_array<uint8_t>& data, size_t size) {
    try {
        unsigned long long total;
        std::string text = takeAnswer(data, size, total);
        QueryStep step = readQueryAnswer(success, text, total);
        if (step.next == NextStep::Fail) {
            throw_exception(static_cast<ERROR_NUM>(step.error), step.errorText);
        }
        if (step.attachId) {
            m_attachId = *step.attachId;
        }
        if (step.next == NextStep::Verified) {
            indicate(STATE_VERIFIED, 100);
            return;
        }
        if (!step.deflate) {
            m_compress = 0;
        }
        continueUpload(step.offset);
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_QUERY_ANSWER);
    }
}

void TUploadItem::uploadContent(unsigned long long offset) {
    try {
        unsigned long long total;
        unsigned long blockSize;
        {
            Lock lock(m_mutex);
            m_request.reset();
            total = m_totalSize;
            blockSize = m_blockSize;
        }
        if (offset == total) {
            indicate(STATE_FINISHED, 100);
            return;
        }
        indicate(STATE_UPLOADING, percentOf(offset, total));
        // One block buffer serves every item (main thread only): fresh multi-megabyte buffers cost
        // more in page faults than the copies themselves.
        static std::string block;
        block.resize(static_cast<size_t>(std::min<unsigned long long>(total - offset, blockSize)));
        unsigned long count = m_file.read(&block[0], static_cast<unsigned long>(block.size()));
        if (count == 0) {
            throw_exception(ERR_FILE, "read file content to upload fail:" + TMyFile::getError());
        }
        block.resize(count);
        BlockTarget target{m_uploadUrl, m_extArg, m_attachId, m_compress,
                           FB::PluginCore::Browser == "NPAPI"};
        BlockRequest request = buildBlockRequest(target, offset, block);
        unsigned long long next = offset + count;
        boost::shared_ptr<TUploadItem> keep = self();
        sendRequest(request.url, block, request.headers,
                    [keep, next](bool success, const FB::HeaderMap& answerHeaders,
                                 const boost::shared_array<uint8_t>& data, size_t size) {
                        keep->getUploadResultCallback(next, success, answerHeaders, data, size);
                    });
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_BLOCK);
    }
}

void TUploadItem::getUploadResultCallback(unsigned long long next, bool success,
                                          const FB::HeaderMap&,
                                          const boost::shared_array<uint8_t>& data, size_t size) {
    try {
        unsigned long long total;
        std::string text = takeAnswer(data, size, total);
        BlockStep step = readBlockAnswer(success, text, total, next);
        switch (step.next) {
        case NextStep::Fail:
            throw_exception(static_cast<ERROR_NUM>(step.error), step.errorText);
        case NextStep::Verified:
            indicate(STATE_VERIFIED, 100);
            return;
        case NextStep::Finished:
            indicate(STATE_FINISHED, 100);
            return;
        case NextStep::Send:
            continueUpload(step.offset);
            return;
        }
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_BLOCK_ANSWER);
    }
}

void TUploadItem::continueUpload(unsigned long long offset) {
    if (!m_file.offset(offset)) {
        throw_exception(ERR_FILE, "seek file to offset to upload fail:" + TMyFile::getError());
    }
    uploadContent(offset);
}
