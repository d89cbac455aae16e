// State changes of the item and the notifications that tell the page; any thread.
#include "plugin/upload/TUploadItem.h"

#include <exception>

#include "plugin/upload/TUploadItemStages.h"
#include "src/ScriptingCore/JSObject.h"

using upload_item::Lock;

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
            m_lastErrorStr = kUserBreakText;
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
            m_lastErrorStr = kUserBreakText;
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
