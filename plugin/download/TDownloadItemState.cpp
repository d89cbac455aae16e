// State changes of the item and the notifications that tell the page; any thread.
#include "plugin/download/TDownloadItem.h"

#include <exception>

#include "plugin/download/TDownloadItemStages.h"
#include "src/ScriptingCore/JSObject.h"

using download_item::Lock;

bool TDownloadItem::isCurrent(unsigned transfer) {
    Lock lock(m_mutex);
    return transfer == m_transfer;
}

bool TDownloadItem::flushLocked() {
    bool written = m_pending.empty() || m_file.write(m_pending.data(), m_pending.size());
    m_pending.clear();
    return written;
}

void TDownloadItem::closeFileLocked() {
    flushLocked();
    m_file.close();
}

int TDownloadItem::enterLocked(int state, int percent) {
    m_state = state;
    m_percent = percent;
    if (state != STATE_FINISHED && state != STATE_ERROR) {
        return state;
    }
    closeFileLocked();
    if (state == STATE_FINISHED) {
        if (m_unzipFlag) {
            TMyFile::remove(m_file.path);
        } else if (!TMyFile::rename(m_file.path, m_fullPath)) {
            // Reported, not hidden: the page would look for a file that is not there.
            m_lastErrorNum = ERR_FILE;
            m_lastErrorStr = TMyFile::getError();
            m_state = STATE_ERROR;
        }
    }
    return m_state;
}

void TDownloadItem::notify(int state, int percent) {
    if (!m_notify) {
        return;
    }
    try {
        m_notify->InvokeAsync("", FB::VariantList{state, percent, m_id});
    } catch (const std::exception&) {
        // The page is gone; nobody is left to tell.
    }
}

void TDownloadItem::throwIfStoppedLocked() {
    if (m_stoppedFlag) {
        m_lastErrorNum = ERR_USER_BREAK;
        m_lastErrorStr = kUserBreakText;
        m_state = STATE_ERROR;
        throw std::bad_exception();
    }
}

void TDownloadItem::indicate(STATE state, int percent) {
    int entered;
    {
        Lock lock(m_mutex);
        throwIfStoppedLocked();
        entered = enterLocked(state, percent);
    }
    notify(entered, percent);
}

void TDownloadItem::indicate_in_exception(STATE state, int percent) {
    int entered;
    {
        Lock lock(m_mutex);
        if (m_stoppedFlag) {
            m_lastErrorNum = ERR_USER_BREAK;
            m_lastErrorStr = kUserBreakText;
        }
        entered = enterLocked(state, percent);
    }
    notify(entered, percent);
}

void TDownloadItem::throw_exception(ERROR_NUM number, const std::string& text) {
    {
        Lock lock(m_mutex);
        m_lastErrorNum = number;
        m_lastErrorStr = text;
        m_state = STATE_ERROR;
    }
    throw std::bad_exception();
}

void TDownloadItem::throwFileErrorLocked() {
    m_lastErrorNum = ERR_FILE;
    m_lastErrorStr = TMyFile::getError();
    m_state = STATE_ERROR;
    throw std::bad_exception();
}
